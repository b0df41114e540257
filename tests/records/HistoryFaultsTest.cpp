// The history when another program holds it, when it may not be written and when a newer version
// of the program made it: through real SQLite locks held by a `sqlite3` process, real file modes
// seen by a user who is not root, and real files of another layout.
#include "tests/records/HistoryRig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

const QDateTime kMonday(QDate(2026, 3, 2), QTime(16, 0));
const LearnerId kHanako{QStringLiteral(u"やまだ はなこ"), 1111111};

// A parent's query tool: `sqlite3 FILE` holding a transaction open until released.
class OtherProgram {
public:
    // Starts the tool and waits until its transaction holds the file.
    bool hold(const QString& path, const QString& begin) {
        m_tool.start(QStringLiteral("sqlite3"), {path});
        if (!m_tool.waitForStarted()) return false;
        m_tool.write((begin + QStringLiteral(";\nSELECT 'held';\n")).toUtf8());
        QByteArray out;
        while (!out.contains("held") && m_tool.waitForReadyRead(10000)) out += m_tool.readAllStandardOutput();
        return out.contains("held");
    }
    void release() {
        m_tool.write("COMMIT;\n.quit\n");
        m_tool.closeWriteChannel();
        m_tool.waitForFinished(10000);
    }
    ~OtherProgram() {
        if (m_tool.state() != QProcess::NotRunning) {
            m_tool.kill();
            m_tool.waitForFinished();
        }
    }

private:
    QProcess m_tool;
};

HistoryRow answer(int i) {
    return answerRow(kMonday.addSecs(i), kHanako, i % 81, i % 3 ? AnswerOutcome::Right : AnswerOutcome::Wrong,
                     1000 + i);
}

// The answers of kHanako as written, one "second|fact" per answer, in the order of their ids.
QStringList written(const QString& path) {
    QStringList out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reader"));
        db.setDatabaseName(path);
        if (!db.open()) return {db.lastError().text()};
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT answered_at, fact FROM answers ORDER BY id")))
            return {q.lastError().text()};
        while (q.next()) out << q.value(0).toString().mid(17, 2) + u'|' + q.value(1).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("reader"));
    return out;
}

QStringList expectedAnswers(int from, int to) {
    QStringList out;
    for (int i = from; i < to; ++i) {
        const HistoryRow row = answer(i);
        out << row.when.toString(QStringLiteral("ss")) + u'|' + QString::number(row.answer.kuku_n);
    }
    return out;
}

int busyTimeoutOf(HistoryStore& store) {
    QSqlQuery q(QSqlDatabase::database(store.connectionName()));
    return q.exec(QStringLiteral("PRAGMA busy_timeout")) && q.next() ? q.value(0).toInt() : -1;
}

QStringList besides(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                               QDir::Name);
}

}  // namespace

// Another program holding the file, before the start or from the middle of a test: the file is
// neither set aside nor are answers lost; each answer waits less than a frame for it, and all are
// written, in order, as soon as it lets go.
TEST(HistoryInUse, NothingIsSetAsideOrLostAndNoAnswerWaitsMoreThanAFrame) {
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty()) GTEST_SKIP() << "no sqlite3";
    const struct {
        const char* name;
        QString begin;
        bool heldBeforeTheStart;
    } cases[] = {
        {"a query tool started before the program, BEGIN EXCLUSIVE", QStringLiteral("BEGIN EXCLUSIVE"), true},
        {"a query tool started before the program, BEGIN IMMEDIATE", QStringLiteral("BEGIN IMMEDIATE"), true},
        {"a query tool started during a test, BEGIN IMMEDIATE", QStringLiteral("BEGIN IMMEDIATE"), false},
        {"a query tool started during a test, BEGIN EXCLUSIVE", QStringLiteral("BEGIN EXCLUSIVE"), false},
    };
    constexpr int kBefore = 3, kDuring = 27;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(kHistoryFileName));
        {
            auto first = HistoryStore::open(path);
            ASSERT_TRUE(first.store);
            for (int i = 0; i < kBefore; ++i) ASSERT_TRUE(first.store->add(answer(i)));
        }
        OtherProgram tool;
        HistoryStore::Opened opened;
        if (c.heldBeforeTheStart) {
            ASSERT_TRUE(tool.hold(path, c.begin));
            opened = HistoryStore::open(path);
            EXPECT_TRUE(opened.notice.contains(u"ほかのプログラムが使っています"))
                << opened.notice.toStdString();
        } else {
            opened = HistoryStore::open(path);
            EXPECT_TRUE(opened.notice.isEmpty()) << opened.notice.toStdString();
            ASSERT_TRUE(tool.hold(path, c.begin));
        }
        ASSERT_TRUE(opened.store) << opened.notice.toStdString();
        EXPECT_TRUE(opened.setAsidePath.isEmpty());
        EXPECT_EQ(besides(dir.path()).filter(QStringLiteral("broken")), QStringList{});
        // Each answer of the test gives up on the busy file within the store's budget, a frame.
        EXPECT_LE(busyTimeoutOf(*opened.store), 16);
        for (int i = kBefore; i < kBefore + kDuring; ++i) opened.store->add(answer(i));
        EXPECT_EQ(written(path), expectedAnswers(0, kBefore)) << "nothing written past the other program";

        tool.release();
        // The next answer writes those kept before it, in the order they were given.
        EXPECT_TRUE(opened.store->add(answer(kBefore + kDuring)));
        EXPECT_EQ(written(path), expectedAnswers(0, kBefore + kDuring + 1));
        EXPECT_EQ(opened.store->answerCount(kHanako), kBefore + kDuring + 1);
    }
}

// Answers kept while the file was held are written when the program ends, if it lets go by then.
TEST(HistoryInUse, AnswersStillKeptAtTheEndAreWrittenWhenTheStoreCloses) {
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty()) GTEST_SKIP() << "no sqlite3";
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(kHistoryFileName));
    {
        auto opened = HistoryStore::open(path);
        ASSERT_TRUE(opened.store);
        OtherProgram tool;
        ASSERT_TRUE(tool.hold(path, QStringLiteral("BEGIN IMMEDIATE")));
        for (int i = 0; i < 5; ++i) EXPECT_FALSE(opened.store->add(answer(i)));
        EXPECT_EQ(opened.store->pendingCount(), 5u);
        EXPECT_EQ(opened.store->lastWrite(), HistoryStore::Write::InUse);
        tool.release();
    }
    EXPECT_EQ(written(path), expectedAnswers(0, 5));
}

// Files the program may not change: it says so at once, in Japanese, and leaves them exactly as
// they were (no journal files beside them, nothing set aside, nothing migrated).
TEST(HistoryLeftAlone, AFileItMayNotChangeIsToldAtOnceAndLeftAsItWas) {
    // Root may write any file: the program runs as the user nobody, in a folder nobody may write.
    const bool root = ::geteuid() == 0;
    enum class Make { ThisVersion, Newer, Folder, Fifo };
    const struct {
        const char* name;
        Make make;
        mode_t mode;
        bool nobodysFile;  // else root's
        QString told;
    } cases[] = {
        {"the learner's own file, made read-only", Make::ThisVersion, 0444, true,
         QStringLiteral(u"書きこめません")},
        {"another user's file", Make::ThisVersion, 0644, false, QStringLiteral(u"書きこめません")},
        {"a file of a newer version, other columns", Make::Newer, 0644, true,
         QStringLiteral(u"この版より新しいRentaboで作られた")},
        {"a folder in its place", Make::Folder, 0777, true, QStringLiteral(u"ふつうのファイルではない")},
        {"a named pipe in its place", Make::Fifo, 0666, true, QStringLiteral(u"ふつうのファイルではない")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
        const QString path = dir.filePath(QString::fromLatin1(kHistoryFileName));
        const QByteArray file = QFile::encodeName(path);
        switch (c.make) {
            case Make::ThisVersion: {
                auto made = HistoryStore::open(path);
                ASSERT_TRUE(made.store);
                ASSERT_TRUE(made.store->add(answer(1)));
                break;
            }
            case Make::Newer: {
                {
                    QSqlDatabase db =
                        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
                    db.setDatabaseName(path);
                    ASSERT_TRUE(db.open());
                    QSqlQuery q(db);
                    for (const char* sql :
                         {"CREATE TABLE answers (id INTEGER PRIMARY KEY, at TEXT, who TEXT, question TEXT,"
                          " reply TEXT, seconds REAL, extra BLOB)",
                          "INSERT INTO answers VALUES (1, 'x', 'y', '3x4', '12', 1.5, NULL)",
                          "PRAGMA user_version = 99"})
                        ASSERT_TRUE(q.exec(QString::fromLatin1(sql))) << q.lastError().text().toStdString();
                }
                QSqlDatabase::removeDatabase(QStringLiteral("maker"));
                break;
            }
            case Make::Folder:
                ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("/inside")));
                break;
            case Make::Fifo:
                ASSERT_EQ(::mkfifo(file.constData(), 0666), 0);
                break;
        }
        const QByteArray before = [&] {
            QFile f(path);
            return QFileInfo(path).isFile() && f.open(QIODevice::ReadOnly) ? f.readAll()
                                                                           : QByteArray("not a file");
        }();
        ASSERT_EQ(besides(dir.path()), QStringList{QString::fromLatin1(kHistoryFileName)});
        if (c.nobodysFile) {
            ASSERT_EQ(::chown(file.constData(), 65534, 65534), 0);
        }
        ASSERT_EQ(::chmod(file.constData(), c.mode), 0);

        QProcess probe;
        probe.setProcessChannelMode(QProcess::MergedChannels);
        const QString program = QStringLiteral(RENTABO_BINARY_DIR "/tests/records/history_probe");
        if (root)
            probe.start(QStringLiteral("setpriv"),
                        {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                         QStringLiteral("--clear-groups"), program, path});
        else
            probe.start(program, {path});
        if (!probe.waitForFinished(20000)) {
            probe.kill();
            probe.waitForFinished();
            ADD_FAILURE() << "the program did not get past opening the history";
            continue;
        }
        const QString out = QString::fromUtf8(probe.readAll());
        ASSERT_EQ(probe.exitCode(), 0) << out.toStdString();

        EXPECT_TRUE(out.contains(QStringLiteral(u"notice: がんばりの記録のファイル"))) << out.toStdString();
        EXPECT_TRUE(out.contains(c.told)) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("set aside: \n"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("answer: no history"))) << out.toStdString();
        EXPECT_EQ(besides(dir.path()), QStringList{QString::fromLatin1(kHistoryFileName)})
            << "journal files or a file set aside beside it";
        QFile f(path);
        const QByteArray after =
            QFileInfo(path).isFile() && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("not a file");
        EXPECT_TRUE(after == before) << "the file was changed";
        EXPECT_EQ(bool(QFileInfo(path).permissions() & QFileDevice::WriteOwner), bool(c.mode & S_IWUSR));
    }
}
