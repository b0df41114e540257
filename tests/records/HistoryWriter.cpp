// A program that keeps writing answers into the history at argv[1], printing each answer's number
// once it is written, until it is killed: the other side of the kill -9 test.
#include "records/HistoryStore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    auto opened = rentabo::HistoryStore::open(QString::fromLocal8Bit(argv[1]));
    if (!opened.store) return 1;
    const QDateTime start(QDate(2026, 3, 2), QTime(16, 0));
    for (int i = 1;; ++i) {
        rentabo::HistoryRow row;
        row.when = start.addMSecs(i * 700);
        row.learner = {QStringLiteral("kill"), 9};
        row.mode = QStringLiteral("key-ordered");
        row.answer.kuku_n = i % 81;
        row.answer.given = i % 90;
        row.answer.outcome = rentabo::AnswerOutcome::Right;
        row.answer.answerMs = 1000 + i % 500;
        if (!opened.store->add(row)) return 1;
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
}
