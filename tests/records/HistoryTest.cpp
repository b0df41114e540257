#include "tests/lessons/Learner.h"
#include "tests/records/HistoryRig.h"
#include "tests/speech/VoiceRig.h"

#include "core/Board.h"
#include "core/KukuTables.h"
#include "records/Progress.h"

#include <QFile>
#include <QProcess>
#include <QSqlError>

#include <gtest/gtest.h>

#include <csignal>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

const QDateTime kMonday(QDate(2026, 3, 2), QTime(16, 0));

// The wall clock of a rig: a Monday afternoon plus the virtual time.
HistoryLog::Clock clockOf(VirtualPacer& pacer) {
    return [&pacer] { return kMonday.addMSecs(pacer.now()); };
}

QString at(std::int64_t virtualMs) {
    return kMonday.addMSecs(virtualMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

}  // namespace

TEST(History, KeyboardAnswersLandWithTheirTimeFromTheEndOfTheQuestion) {
    HistoryFolder h;
    ASSERT_TRUE(h.opened.store) << h.opened.notice.toStdString();
    LessonRig rig;
    HistoryLog log(h.store(), rig.state, clockOf(rig.pacer));
    rig.engine.setAnswerLog(&log);
    // 二の段, keys in order, ふつう: the answer is awaited 200 ms after the question appears. The
    // learner's keys, 300 and 500 ms after it appears, are seen by the next 10-ms poll.
    rig.choose(1, 3);
    Learner learner(rig, [](int k) {
        switch (k) {
            case 9:
                return std::vector<KeyPress>{{vk::Key0 + 2, 300}};
            case 10:
                return std::vector<KeyPress>{{vk::Key0 + 5, 500}};
            default:
                return std::vector<KeyPress>{{vk::Escape, 3300}};  // after 2×3 ran out of time
        }
    });
    EXPECT_EQ(rig.engine.RunKeyTest(), -1);

    std::vector<std::int64_t> marks;
    for (const auto& e : rig.board.log)
        if (e.field == BoardText::Mark && !e.text.isEmpty()) marks.push_back(e.at);
    ASSERT_EQ(marks.size(), 3u);
    const QString who = rig.state.studentName + u'|' + QString::number(rig.state.indivNum);
    EXPECT_EQ(
        h.rows(QStringLiteral("answered_at, learner_name, learner_number, mode, multiplicand, multiplier,"
                              " answer, outcome, answer_ms, channel, confidence, review")),
        (QStringList{
            at(marks[0]) + u'|' + who + QStringLiteral("|key-ordered|2|1|2|right|110|keyboard|NULL|0"),
            at(marks[1]) + u'|' + who + QStringLiteral("|key-ordered|2|2|5|wrong|310|keyboard|NULL|0"),
            // The whole answer time and 1 ms: the moment the wait is over.
            at(marks[2]) + u'|' + who + QStringLiteral("|key-ordered|2|3|NULL|timeout|3001|keyboard|NULL|0"),
        }));
}

TEST(History, SpokenAnswersLandWithTheirTimeAndTheRecognisersConfidence) {
    HistoryFolder h;
    VoiceRig rig;
    HistoryLog log(h.store(), rig.state, clockOf(rig.pacer));
    rig.tests.setAnswerLog(&log);
    rig.chooseVoice(3, 5);  // 三の段, spoken answers in order
    rig.commands.handleCommand(70);

    ASSERT_TRUE(rig.untilAwaiting());
    rig.pacer.advanceBy(1200);
    rig.state.heardConfidence = -1.25;
    rig.commands.handleCommand(100 + 3);
    ASSERT_TRUE(rig.untilAwaiting());
    rig.pacer.advanceBy(800);
    rig.state.heardConfidence.reset();  // a typed phrase
    rig.commands.handleCommand(100 + 5);
    ASSERT_TRUE(rig.untilAwaiting());
    const std::int64_t asked = rig.pacer.now();
    rig.pacer.advanceBy(10000);
    const auto timedOut = rig.timesOf(BoardText::Answer, QStringLiteral("--"));
    ASSERT_FALSE(timedOut.empty());

    EXPECT_EQ(h.rows(QStringLiteral("mode, fact, answer, outcome, answer_ms, channel, confidence")),
              (QStringList{
                  QStringLiteral("oral-ordered|18|3|right|1200|voice|-1.25"),
                  QStringLiteral("oral-ordered|19|5|wrong|800|voice|NULL"),
                  QStringLiteral("oral-ordered|20|NULL|timeout|%1|voice|NULL").arg(timedOut.front() - asked),
              }));
}

TEST(History, AWrongFactInAFullRecitationIsKeptThoughItFillsNoCell) {
    HistoryFolder h;
    VoiceRig rig;
    HistoryLog log(h.store(), rig.state, clockOf(rig.pacer));
    rig.tests.setAnswerLog(&log);
    rig.chooseVoice(3, 5);
    rig.engine.chooseLesson(9);  // the full recitation keeps the answer way of the mode before
    rig.commands.handleCommand(70);
    ASSERT_TRUE(rig.untilAwaiting());
    rig.commands.handleCommand(201 + 18);  // さんいちがさん
    ASSERT_TRUE(rig.untilAwaiting());
    rig.commands.handleCommand(201 + 21);  // 3×4 said where 3×2 was due
    EXPECT_EQ(h.rows(QStringLiteral("mode, fact, answer, outcome")),
              (QStringList{QStringLiteral("full-recitation|18|3|right"),
                           QStringLiteral("full-recitation|19|12|wrong")}));
}

TEST(ReviewSchedule, PicksTheDueFactsDayAfterDay) {
    HistoryFolder h;
    const LearnerId taro{QStringLiteral(u"たろう"), 1234};
    struct Answer {
        int day;  // days after the first
        int fact;
        AnswerOutcome outcome;
        int ms;
    };
    using enum AnswerOutcome;
    const Answer answers[] = {
        {0, 20, Right, 1000}, {0, 21, Wrong, 1500}, {0, 22, Right, 4500}, {0, 23, Right, 2500},
        {0, 21, Right, 1000},  // right again the day it was missed: still due tomorrow
        {1, 21, Right, 1200}, {1, 22, Right, 1100}, {3, 20, Right, 900},  {3, 23, TimedOut, 6000},
    };
    // What the review offers at the start of each day, before that day's answers.
    struct Due {
        int day;
        std::vector<int> facts;
    };
    const Due expected[] = {
        {0, {}},
        {1, {21, 22}},          // the missed one before the slow one
        {2, {23, 20}},          // both in box 2 after one quick answer: the slower first
        {3, {21, 22, 23, 20}},  // 21 was missed lately; 22's slow answer makes it slower than 23
        {4, {23, 21, 22}},      // 20 went up to box 3 on day 3; 23 ran out of time, back to box 1
    };
    std::size_t next = 0;
    for (const Due& due : expected) {
        const QDate day = kMonday.date().addDays(due.day);
        EXPECT_EQ(h.store().dueToday(taro, day), due.facts) << "day " << due.day;
        for (; next < std::size(answers) && answers[next].day == due.day; ++next) {
            const Answer& a = answers[next];
            ASSERT_TRUE(
                h.store().add(answerRow(QDateTime(day, QTime(17, 0)), taro, a.fact, a.outcome, a.ms)));
        }
    }
    EXPECT_EQ(h.store().card(taro, 20).box, 3);
}

TEST(History, EachLearnerSeesOnlyTheirOwnAnswers) {
    HistoryFolder h;
    const LearnerId taro{QStringLiteral(u"たろう"), 1234}, hanako{QStringLiteral(u"はなこ"), 5678};
    ASSERT_TRUE(h.store().add(answerRow(kMonday, taro, 20, AnswerOutcome::Wrong, 1000)));
    ASSERT_TRUE(h.store().add(answerRow(kMonday, hanako, 20, AnswerOutcome::Right, 900)));
    ASSERT_TRUE(h.store().add(answerRow(kMonday, hanako, 30, AnswerOutcome::Right, 700)));
    EXPECT_EQ(h.store().answerCount(taro), 1);
    EXPECT_EQ(h.store().recentProgress(taro)[20].right, 0);
    EXPECT_EQ(h.store().recentProgress(hanako)[20].right, 1);
    EXPECT_EQ(h.store().days(hanako, kMonday.date(), kMonday.date()).front().answers, 2);
    const QDate tomorrow = kMonday.date().addDays(1);
    EXPECT_EQ(h.store().dueToday(taro, tomorrow), std::vector<int>{20});
    EXPECT_TRUE(h.store().dueToday(hanako, tomorrow).empty());
    // The same name with another number (a name typed the same on another install) is apart too.
    EXPECT_EQ(h.store().answerCount({taro.name, 99}), 0);
}

TEST(HistoryStore, ABrokenFileIsSetAsideAndANewOneStarted) {
    struct Case {
        const char* name;
        std::function<QByteArray(const QString& path)> spoil;  // returns the broken bytes
    };
    const Case cases[] = {
        {"not a database",
         [](const QString&) { return QByteArray("これはデータベースではありません\n").repeated(100); }},
        {"a damaged database",
         [](const QString& path) {
             {
                 auto opened = HistoryStore::open(path);
                 for (int i = 0; i < 3000; ++i)
                     opened.store->add(answerRow(kMonday.addSecs(i), {QStringLiteral("a"), 1}, i % 81,
                                                 AnswerOutcome::Right, 1000));
             }
             QFile f(path);
             f.open(QIODevice::ReadWrite);
             QByteArray bytes = f.readAll();
             // Pages of the table and its indexes overwritten in the middle of the file.
             for (qsizetype i = bytes.size() / 3; i < bytes.size() / 3 + 3 * 4096; ++i) bytes[i] = char(0x5A);
             f.seek(0);
             f.write(bytes);
             return bytes;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(kHistoryFileName));
        QByteArray broken = c.spoil(path);
        {
            QFile f(path);
            if (!f.exists()) {
                f.open(QIODevice::WriteOnly);
                f.write(broken);
            }
        }
        auto opened = HistoryStore::open(path);
        ASSERT_TRUE(opened.store);
        EXPECT_TRUE(opened.notice.contains(u"新しい記録を始めます")) << opened.notice.toStdString();
        ASSERT_FALSE(opened.setAsidePath.isEmpty());
        QFile kept(opened.setAsidePath);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), broken) << "the broken file is kept as it was";
        EXPECT_TRUE(
            opened.store->add(answerRow(kMonday, {QStringLiteral("a"), 1}, 5, AnswerOutcome::Right, 900)));
        EXPECT_EQ(opened.store->answerCount({QStringLiteral("a"), 1}), 1);
        EXPECT_EQ(opened.store->schemaVersion(), HistoryStore::kSchemaVersion);
    }
}

TEST(HistoryStore, AVersion1FileIsMigratedWithItsAnswersAndTheirReviewCards) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(kHistoryFileName));
    {
        // The first layout, as the first version wrote it.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v1"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        const char* layout = R"(
            CREATE TABLE answers (id INTEGER PRIMARY KEY, answered_at TEXT NOT NULL,
                learner_name TEXT NOT NULL, learner_number INTEGER NOT NULL, mode TEXT NOT NULL,
                fact INTEGER NOT NULL CHECK (fact BETWEEN 0 AND 80), multiplicand INTEGER NOT NULL,
                multiplier INTEGER NOT NULL, answer INTEGER,
                outcome TEXT NOT NULL CHECK (outcome IN ('right', 'wrong', 'timeout')),
                answer_ms INTEGER NOT NULL, channel TEXT NOT NULL CHECK (channel IN ('keyboard', 'voice')),
                confidence REAL);
            CREATE INDEX answers_by_day ON answers (learner_name, learner_number, answered_at, outcome);
            CREATE INDEX answers_by_fact ON answers (learner_name, learner_number, fact, id);
            INSERT INTO answers VALUES (1, '2026-03-02 16:00:01.000', 'たろう', 1234, 'key-ordered', 20, 3, 3, 9,
                'right', 1000, 'keyboard', NULL);
            INSERT INTO answers VALUES (2, '2026-03-02 16:00:05.000', 'たろう', 1234, 'oral-ordered', 21, 3, 4, 13,
                'wrong', 2000, 'voice', -2.5);
            PRAGMA user_version = 1)";
        for (const QString& sql : QString::fromUtf8(layout).split(u';'))
            ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v1"));

    auto opened = HistoryStore::open(path);
    ASSERT_TRUE(opened.store);
    EXPECT_TRUE(opened.notice.isEmpty());
    EXPECT_EQ(opened.store->schemaVersion(), HistoryStore::kSchemaVersion);
    const LearnerId taro{QStringLiteral(u"たろう"), 1234};
    EXPECT_EQ(opened.store->answerCount(taro), 2);
    EXPECT_EQ(opened.store->card(taro, 20).box, 2);
    EXPECT_EQ(opened.store->card(taro, 21).box, 1);
    EXPECT_EQ(opened.store->dueToday(taro, QDate(2026, 3, 3)), std::vector<int>{21});
    QSqlQuery q(QSqlDatabase::database(opened.store->connectionName()));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT 式, 結果, 答え方, 復習 FROM answer_list ORDER BY 日時")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString() + q.value(1).toString() + q.value(2).toString(),
              QStringLiteral(u"3×3正解キー"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString() + q.value(1).toString() + q.value(2).toString(),
              QStringLiteral(u"3×4まちがい声"));
}

TEST(HistoryStore, AVersion2FileGainsTheLearnersRecordsAndKeepsItsAnswersAndCards) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(kHistoryFileName));
    const LearnerId taro{QStringLiteral(u"たろう"), 1234};
    {
        // The second layout: this version's without the learners' records.
        auto made = HistoryStore::open(path);
        ASSERT_TRUE(made.store->add(answerRow(kMonday, taro, 21, AnswerOutcome::Wrong, 1500)));
        QSqlQuery q(QSqlDatabase::database(made.store->connectionName()));
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE learners")));
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA user_version = 2")));
    }
    auto opened = HistoryStore::open(path);
    ASSERT_TRUE(opened.store);
    EXPECT_TRUE(opened.notice.isEmpty()) << opened.notice.toStdString();
    EXPECT_EQ(opened.store->schemaVersion(), HistoryStore::kSchemaVersion);
    EXPECT_EQ(opened.store->answerCount(taro), 1);
    EXPECT_EQ(opened.store->card(taro, 21).box, 1);
    EXPECT_FALSE(opened.store->records(taro));
    LearnerRecords kept{taro, {}, QStringLiteral("21:40:")};
    kept.recCheck[6][13] = 1;
    kept.recCheck[0][0] = -3;  // a cell as the default text decodes it
    ASSERT_TRUE(opened.store->keepRecords(kept));
    opened.store.reset();
    auto again = HistoryStore::open(path);
    const auto back = again.store->records(taro);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->recCheck, kept.recCheck);
    EXPECT_EQ(back->errorsStr, kept.errorsStr);
    EXPECT_FALSE(again.store->records({taro.name, 99})) << "another number is another learner";
}

TEST(HistoryStore, AProgramKilledInTheMiddleOfATestLosesAtMostTheAnswerBeingWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(kHistoryFileName));
    QProcess child;
    child.start(QStringLiteral(RENTABO_BINARY_DIR "/tests/records/history_writer"), {path});
    ASSERT_TRUE(child.waitForStarted());
    // The child says each answer's number once its write has returned.
    int confirmed = 0;
    QByteArray pending;
    while (confirmed < 300 && child.waitForReadyRead(10000)) {
        pending += child.readAllStandardOutput();
        while (pending.contains('\n')) {
            const qsizetype end = pending.indexOf('\n');
            confirmed = pending.left(end).toInt();
            pending.remove(0, end + 1);
        }
    }
    ASSERT_GE(confirmed, 300) << child.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished();
    pending += child.readAllStandardOutput();
    for (const QByteArray& line : pending.split('\n'))
        if (!line.isEmpty()) confirmed = line.toInt();

    auto opened = HistoryStore::open(path);
    ASSERT_TRUE(opened.store);
    EXPECT_TRUE(opened.notice.isEmpty()) << "the file is whole after the kill";
    const int kept = opened.store->answerCount({QStringLiteral("kill"), 9});
    EXPECT_GE(kept, confirmed);
    EXPECT_LE(kept, confirmed + 1);
}

TEST(Review, AtTheKeyboardAsksExactlyTheDueFactsAndLeavesTheTestRecordAlone) {
    HistoryFolder h;
    LessonRig rig;
    HistoryLog log(h.store(), rig.state, clockOf(rig.pacer));
    rig.engine.setAnswerLog(&log);
    rig.choose(3, 1);  // left on practice: the review does not care
    rig.state.testRec.fill(1);
    Learner learner(rig, [](int k) { return k == 23 ? typed(18, 300) : typed(55, 300); });
    EXPECT_EQ(rig.engine.RunReviewTest({23, 61}), 0);
    EXPECT_EQ(rig.expressions(), (QStringList{q(u"３×６"), q(u"７×８")}));
    // Answered by keys: the keyboard's answer way is shown, whatever the mode left on.
    EXPECT_TRUE(rig.host.groupShown);
    EXPECT_TRUE(rig.host.keyboardShown);
    // Two questions of two: the bar at its end, the count 2.
    EXPECT_EQ(rig.board.progress, kProgressBarEnd);
    EXPECT_EQ(rig.board.history(BoardText::Progress).back(), QStringLiteral("2"));
    EXPECT_EQ(h.rows(QStringLiteral("mode, fact, answer, outcome, review")),
              (QStringList{QStringLiteral("review-key|23|18|right|1"),
                           QStringLiteral("review-key|61|55|wrong|1")}));
    EXPECT_EQ(rig.host.weak, std::vector<int>{61});
    EXPECT_TRUE(
        std::all_of(rig.state.testRec.begin(), rig.state.testRec.end(), [](int c) { return c == 1; }));
    EXPECT_TRUE(rig.host.tables.empty());
    EXPECT_TRUE(rig.board.history(BoardText::MessageLine)
                    .back()
                    .endsWith(q(u"今日の復習はおしまい。2問中1問 正かい。")));
}

TEST(Review, ByVoiceAsksTheFactsAndEndsWithoutAResultTable) {
    HistoryFolder h;
    VoiceRig rig;
    HistoryLog log(h.store(), rig.state, clockOf(rig.pacer));
    rig.tests.setAnswerLog(&log);
    rig.choose(3, 3);  // left on the keyboard test: spoken numbers are still taken
    rig.state.testRec.fill(1);
    rig.tests.StartReview({23, 61});
    ASSERT_TRUE(rig.untilAwaiting());
    EXPECT_EQ(rig.state.kuku_n, 23);
    EXPECT_EQ(rig.board.progress, kProgressBarEnd / 2);  // the bar measures the review's questions
    rig.commands.handleCommand(100 + 18);
    ASSERT_TRUE(rig.untilAwaiting());
    EXPECT_EQ(rig.state.kuku_n, 61);
    rig.commands.handleCommand(100 + 56);
    rig.pacer.advanceBy(2000);
    // Two questions of two, as at the keyboard: the bar at its end, the count 2.
    EXPECT_EQ(rig.board.progress, kProgressBarEnd);
    EXPECT_EQ(rig.board.history(BoardText::Progress).back(), QStringLiteral("2"));
    EXPECT_EQ(rig.state.AnsV_wait, VoiceTest::None);
    EXPECT_FALSE(rig.tests.reviewing());
    EXPECT_TRUE(rig.host.tables.empty());
    EXPECT_TRUE(rig.board.history(BoardText::MessageLine)
                    .back()
                    .endsWith(q(u"今日の復習はおしまい。2問ぜんぶ正かい！")));
    EXPECT_EQ(
        h.rows(QStringLiteral("mode, fact, outcome, review")),
        (QStringList{QStringLiteral("review-voice|23|right|1"), QStringLiteral("review-voice|61|right|1")}));
    EXPECT_TRUE(
        std::all_of(rig.state.testRec.begin(), rig.state.testRec.end(), [](int c) { return c == 1; }));
}

TEST(Review, ASpokenStopEndsTheReviewWithoutOpeningTheLastTestsResultTable) {
    VoiceRig rig;
    rig.chooseVoice(3, 5);
    rig.tests.StartReview({23, 61});
    ASSERT_TRUE(rig.untilAwaiting());
    rig.commands.handleCommand(71);  // テストおわり
    EXPECT_EQ(rig.state.AnsV_wait, VoiceTest::None);
    EXPECT_FALSE(rig.tests.reviewing());
    EXPECT_TRUE(rig.host.tables.empty());
    EXPECT_TRUE(rig.board.history(BoardText::MessageLine).back().endsWith(q(u"復習を中止しました。")));
}

TEST(Progress, GradesAFactByItsRecentShareOfRightAnswersAndTheirSpeed) {
    struct Case {
        FactProgress p;
        FactGrade grade;
    };
    const Case cases[] = {
        {{0, 0, 0}, FactGrade::NotYet},
        {{10, 9, 3000}, FactGrade::Mastered},
        {{10, 9, 3001}, FactGrade::Nearly},  // right, but not yet by heart
        {{10, 7, 1000}, FactGrade::Nearly},
        {{10, 6, 1000}, FactGrade::Practise},
        {{5, 3, 1000}, FactGrade::Practise},
        {{10, 4, 1000}, FactGrade::Weak},
        {{5, 0, 0}, FactGrade::Weak},
        // Fewer than five answers are not graded, however they went.
        {{1, 1, 900}, FactGrade::Few},
        {{4, 4, 900}, FactGrade::Few},
        {{4, 0, 0}, FactGrade::Few},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gradeOf(c.p), c.grade)
            << c.p.right << "/" << c.p.answers << " " << c.p.meanRightMs << " ms";
}

// Every fact of a row lands in the history, the row's last one (9×9, the table's last fact) as
// well as its first, each round: a run of 九の段 answered right throughout.
TEST(History, EveryFactOfARowIsRecordedUpToTheLastOfTheTable) {
    HistoryFolder h;
    LessonRig rig;
    HistoryLog log(h.store(), rig.state, clockOf(rig.pacer));
    rig.engine.setAnswerLog(&log);
    rig.choose(8, 3);  // 九の段, keys in order: three rounds
    Learner learner(rig, [](int k) { return typed((k / 9 + 1) * (k % 9 + 1), 300); });
    rig.engine.RunKeyTest();
    for (int k = 72; k <= 80; ++k) {
        const QString row =
            QStringLiteral("key-ordered|%1|9|%2|%3|right").arg(k).arg(k - 71).arg(9 * (k - 71));
        EXPECT_EQ(h.rows(QStringLiteral("mode, fact, multiplicand, multiplier, answer, outcome"),
                         QStringLiteral("fact = %1").arg(k)),
                  QStringList({row, row, row}))
            << "fact " << k;
    }
    EXPECT_EQ(h.store().recentProgress(learnerOf(rig.state))[80].right, 3);
}

// The store takes the facts 0 to 80 and nothing outside them; a miss of any of them, the edges
// included, is due the next day.
TEST(HistoryStore, TakesEveryFactFromTheFirstToTheLastAndNoOther) {
    HistoryFolder h;
    const LearnerId taro{QStringLiteral(u"たろう"), 1234};
    const struct {
        int fact;
        bool kept;
    } cases[] = {{-1, false}, {0, true}, {8, true}, {72, true}, {80, true}, {81, false}};
    std::vector<int> missed;
    for (const auto& c : cases) {
        EXPECT_EQ(h.store().add(answerRow(kMonday, taro, c.fact, AnswerOutcome::Wrong, 1000)), c.kept)
            << "fact " << c.fact;
        if (c.kept) missed.push_back(c.fact);
    }
    const auto recent = h.store().recentProgress(taro);
    for (int k : missed) EXPECT_EQ(recent[static_cast<std::size_t>(k)].answers, 1) << "fact " << k;
    EXPECT_EQ(h.store().answerCount(taro), static_cast<int>(missed.size()));
    EXPECT_EQ(h.store().dueToday(taro, kMonday.date().addDays(1)), missed);
}
