// A program that opens the history at argv[1] as the main window does and tries to write one
// answer: the other side of the tests on files the program may not change, run as another user.
// It prints what it was told and whether the answer was written.
#include "records/HistoryStore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    auto opened = rentabo::HistoryStore::open(QString::fromLocal8Bit(argv[1]));
    std::printf("notice: %s\n", opened.notice.toUtf8().replace('\n', ' ').constData());
    std::printf("set aside: %s\n", opened.setAsidePath.toUtf8().constData());
    if (opened.store) {
        rentabo::HistoryRow row;
        row.when = QDateTime(QDate(2026, 3, 2), QTime(16, 0));
        row.learner = {QStringLiteral("probe"), 1};
        row.mode = QStringLiteral("key-ordered");
        row.answer.kuku_n = 5;
        row.answer.outcome = rentabo::AnswerOutcome::Right;
        row.answer.answerMs = 900;
        std::printf("answer: %s\n", opened.store->add(row) ? "written" : "not written");
    } else {
        std::printf("answer: no history\n");
    }
    return 0;
}
