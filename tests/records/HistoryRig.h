#pragma once

#include "records/HistoryLog.h"
#include "records/HistoryStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

namespace rentabo::testing {

// A history in a fresh folder, and its rows as a parent's SQL reads them.
struct HistoryFolder {
    HistoryFolder() { opened = HistoryStore::open(path()); }
    QString path() const { return dir.filePath(QString::fromLatin1(kHistoryFileName)); }
    HistoryStore& store() { return *opened.store; }

    // One text per answer: the columns of `columns`, joined with "|", in the order written.
    QStringList rows(const QString& columns, const QString& where = QStringLiteral("1")) {
        QSqlQuery q(QSqlDatabase::database(store().connectionName()));
        QStringList out;
        if (!q.exec(QStringLiteral("SELECT %1 FROM answers WHERE %2 ORDER BY id").arg(columns, where)))
            return {QStringLiteral("error: ") + q.lastQuery()};
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i)
                fields << (q.value(i).isNull() ? QStringLiteral("NULL") : q.value(i).toString());
            out << fields.join(u'|');
        }
        return out;
    }

    QTemporaryDir dir;
    HistoryStore::Opened opened;
};

inline HistoryRow answerRow(const QDateTime& when, const LearnerId& who, int kuku_n, AnswerOutcome outcome,
                            std::int64_t ms) {
    HistoryRow row;
    row.when = when;
    row.learner = who;
    row.mode = QStringLiteral("key-ordered");
    row.answer.kuku_n = kuku_n;
    row.answer.outcome = outcome;
    row.answer.answerMs = ms;
    return row;
}

}  // namespace rentabo::testing
