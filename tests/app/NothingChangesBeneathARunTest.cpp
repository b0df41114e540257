// What happens elsewhere while a run or a voice test goes on: phrases heard, clicks in other
// windows, commands. Everything goes through the real window and the real pacer, whose nested
// loops let these events in; a "learner" timer acts from inside those loops as a child would.
#include "app/TKukuForm.h"
#include "core/KukuTables.h"
#include "records/CertForm2.h"
#include "records/GanbariForm.h"
#include "records/HistoryLog.h"
#include "records/NigateForm.h"
#include "records/ResultDspForms.h"
#include "records/SikakuCheckForm.h"
#include "speech/TypedPhraseForm.h"
#include "tests/records/HistoryRig.h"
#include "tests/support/MainWindowRig.h"
#include "tests/support/Text.h"
#include "ui_KukuForm.h"

#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace rentabo;

namespace {

using rentabo::testing::q;

// The phrase of the grammar file that carries command number `value`.
QString phraseOf(int value) {
    static const std::map<int, QString> phrases = [] {
        std::map<int, QString> m;
        QFile file(QStringLiteral(RENTABO_SOURCE_DIR "/resources/KukuGrammar.xml"));
        if (!file.open(QIODevice::ReadOnly)) return m;
        const QString xml = QString::fromUtf8(file.readAll());
        static const QRegularExpression item(QStringLiteral("<P VAL=\"(\\d+)\">(?:<L><P>)?([^<]+)</P>"));
        for (auto it = item.globalMatch(xml); it.hasNext();) {
            const auto match = it.next();
            m.emplace(match.captured(1).toInt(), match.captured(2));
        }
        return m;
    }();
    const auto it = phrases.find(value);
    return it == phrases.end() ? QString() : it->second;
}

// The main window with the command grammar beside it, silent speech and typed phrases.
struct Rig : rentabo::testing::MainWindowRig {
    std::vector<KukuState> tables;  // the state as each result table opened
    std::function<void(QDialog&)> onModal;

    Rig() {
        prompts->modal = [this](QDialog& d) {
            if (qobject_cast<ResultDspWindow*>(&d)) tables.push_back(form->state());
            if (onModal) onModal(d);
        };
        state().errorsStr.clear();
    }
    KukuState& state() { return form->state(); }
    Ui::KukuForm& ui() { return form->ui(); }
    // A row or level and a lesson mode, chosen in the two lists.
    void choose(int mokuji_n, int menu_n) {
        ui().ComboBox1->setCurrentIndex(mokuji_n);
        Q_EMIT ui().ComboBox1->activated(mokuji_n);
        ui().ComboBox2->setCurrentIndex(menu_n);
        Q_EMIT ui().ComboBox2->activated(menu_n);
    }
    void say(int command) { form->reco().acceptTypedPhrase(phraseOf(command)); }
    QString expression() { return ui().StaticText11->text(); }
    QString mark() { return ui().StaticText13->text(); }
    void type(int digit) { QTest::keyClick(ui().Button1, Qt::Key(Qt::Key_0 + digit)); }
    void pressEsc() { QTest::keyClick(ui().Button1, Qt::Key_Escape); }
    // Practice waits read Esc only while it is held.
    void holdEsc() { QTest::keyPress(ui().Button1, Qt::Key_Escape); }
    void releaseEsc() { QTest::keyRelease(ui().Button1, Qt::Key_Escape); }

    // Starts the chosen lesson with 始める (or with `start`) and returns when its run has ended;
    // `step` is called every 20 ms meanwhile, from inside the run's waits.
    void run(const std::function<void()>& step, const std::function<void()>& start = {}) {
        QTimer learner;
        QObject::connect(&learner, &QTimer::timeout, form.get(), step);
        learner.start(20);
        if (start)
            start();
        else
            QTest::mouseClick(ui().Button1, Qt::LeftButton);
        learner.stop();
        releaseEsc();
    }
    // Starts the chosen voice test: 始める, then the start phrase.
    void startVoiceTest() {
        form->startLesson();
        say(70);
    }
};

constexpr int kStopTest = 71;  // テストおわり
constexpr int kStop = 86;      // ストップ
constexpr int kRecite = 73;    // あんしょうテスト
constexpr int kResults = 74;   // せいせき
constexpr int kRowOne = 61;    // いちのだん
constexpr int kAnswerBase = 100;

}  // namespace

// The weak-point window's ぜんぶ読む, clicked while a run waits, must start nothing: a reading
// with voice once froze on its paused voice, a keyboard test lost its answer time to it.
TEST(NothingChangesBeneathARun, AClickInTheWeakPointWindowStartsNothing) {
    const struct {
        const char* name;
        int menu_n;
        int yomiWay;
    } cases[] = {
        {"reading practice with voice", 1, 1},
        {"keyboard test", 3, 0},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.choose(0, c.menu_n);  // 一の段: every product is one key
        rig.state().yomiWay = c.yomiWay;
        // Long enough that reading it takes more than an answer's time.
        rig.state().errorsStr = QStringLiteral("10:11:12:13:14:15:16:17:19:20:21:22:");
        const QString weakBefore = rig.state().errorsStr;
        rig.ui().NigateShow->trigger();
        auto* nigate = rig.form->findChild<TNigateForm*>();
        ASSERT_NE(nigate, nullptr);
        auto* readAll = nigate->findChild<QPushButton*>(QStringLiteral("ReadAllButton"));
        ASSERT_NE(readAll, nullptr);

        // A reading that was let in is noted, and a voice it waits on in vain is let go, so the
        // run can be ended (a timer of its own: the learner's does not fire while its click runs).
        bool weakReadingStarted = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, rig.form.get(), [&] {
            if (readAll->isEnabled()) return;
            weakReadingStarted = true;
            rig.form->voice().Resume();
        });
        watch.start(50);
        int phase = 0;
        rig.run([&] {
            if (phase == 0 && !rig.expression().isEmpty() && !rig.form->voice().isSpeaking()) {
                phase = 1;
                QTest::mouseClick(readAll, Qt::LeftButton);
            } else if (phase == 1) {
                phase = 2;
                if (c.menu_n == 3) rig.type(1);  // the right answer to 1×1, in time
            } else if (phase == 2 && (c.menu_n != 3 || !rig.mark().isEmpty())) {
                phase = 3;
                rig.holdEsc();
            }
        });
        EXPECT_FALSE(weakReadingStarted) << c.name;
        EXPECT_EQ(rig.state().errorsStr, weakBefore) << c.name;
        if (c.menu_n == 3) {
            ASSERT_EQ(rig.tables.size(), 1u) << c.name;
            EXPECT_EQ(rig.tables[0].testRec[0], 1) << c.name;
        }
    }
}

// Whoever asks for a speak-and-wait while the reading's voice is paused gets it queued, not a
// wait that only the paused reading, further down the stack, could end.
TEST(NothingChangesBeneathARun, ASpeakAndWaitNeverWaitsOnAPausedVoice) {
    Rig rig;
    Speaker& speaker = rig.form->speaker();
    RunScope run(rig.form->qtPacer());
    bool waitedOnPause = false;
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, rig.form.get(), [&] {
        waitedOnPause = true;
        speaker.voice().Resume();
    });
    rescue.start(3000);
    speaker.Pause();
    speaker.SpeakWait(q(u"さんいちがさん"));
    rescue.stop();
    EXPECT_FALSE(waitedOnPause);
    EXPECT_TRUE(rig.form->voice().isSpeaking());  // still to be said, not lost
    speaker.Resume();
    speaker.WaitUntilDone();
    EXPECT_FALSE(rig.form->voice().isSpeaking());
}

// A stop heard during a practice or a keyboard test stops that run as Esc does: once, with the
// run's own message, and nothing is scored after it.
TEST(NothingChangesBeneathARun, AStopHeardStopsTheRunAsEscDoes) {
    const struct {
        const char* name;
        int menu_n;
        int phrase;
        std::size_t tables;
    } cases[] = {
        {"keyboard test, テストおわり", 3, kStopTest, 1},
        {"keyboard test, ストップ", 3, kStop, 1},
        {"practice, ストップ", 1, kStop, 0},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.choose(0, c.menu_n);
        int phase = 0;
        rig.run([&] {
            if (rig.expression().isEmpty()) return;
            if (phase == 0 && c.menu_n == 3) {
                phase = 1;
                rig.type(1);
            } else if (phase == 0 || (phase == 1 && rig.state().qCount == 2 && rig.mark().isEmpty())) {
                phase = 2;
                rig.say(c.phrase);
            } else if (phase == 2) {
                // Still running after the stop: end it the usual way.
                phase = 3;
                rig.holdEsc();
            }
        });
        EXPECT_EQ(rig.tables.size(), c.tables) << c.name;
        EXPECT_TRUE(rig.messages.isEmpty()) << c.name << ' ' << rig.messages.join(u'/').toStdString();
        EXPECT_TRUE(rig.ui().StaticText3->text().contains(q(u"中止しました"))) << c.name;
        EXPECT_TRUE(rig.state().errorsStr.isEmpty()) << c.name;
        if (c.menu_n == 3) {
            EXPECT_EQ(rig.tables[0].testAborted, 1) << c.name;
            EXPECT_EQ(rig.tables[0].testRec[0], 1) << c.name;
            EXPECT_EQ(rig.tables[0].testRec[1], 2) << c.name;
        }
    }
}

// The typed-phrase window keeps its input during a keyboard test and what is typed there is
// heard as the same phrase spoken: a stop ends the test, anything else is refused with the memo
// line and changes nothing; the window says which.
TEST(NothingChangesBeneathARun, TheTypedPhraseWindowIsHeardDuringAKeyboardTest) {
    const auto typeAndEnter = [](TTypedPhraseForm& w, const QString& text) {
        auto* edit = w.findChild<QLineEdit*>(QStringLiteral("PhraseEdit"));
        QTest::mouseClick(edit, Qt::LeftButton);
        QInputMethodEvent commit;  // as an input method commits kana
        commit.setCommitString(text);
        QApplication::sendEvent(edit, &commit);
        QTest::keyClick(edit, Qt::Key_Return);
    };
    const auto clickButton = [](TTypedPhraseForm& w, const QString& text) {
        for (auto* b : w.findChildren<QPushButton*>())
            if (b->text() == text) QTest::mouseClick(b, Qt::LeftButton);
    };
    const struct {
        const char* name;
        std::function<void(TTypedPhraseForm&)> send;
        bool stops;
        const char16_t* status;
    } cases[] = {
        {"typed ストップ", [&](TTypedPhraseForm& w) { typeAndEnter(w, q(u"ストップ")); }, true,
         u"そのとおりにします"},
        {"example テストおわり", [&](TTypedPhraseForm& w) { clickButton(w, q(u"テストおわり")); }, true,
         u"そのとおりにします"},
        {"typed ごのだん", [&](TTypedPhraseForm& w) { typeAndEnter(w, q(u"ごのだん")); }, false,
         u"とちゅうなので使いません"},
        {"example 三の段", [&](TTypedPhraseForm& w) { clickButton(w, q(u"三の段")); }, false,
         u"とちゅうなので使いません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.choose(0, 3);  // 一の段, keyboard test in order
        rig.form->showTypedPhraseWindow();
        TTypedPhraseForm* window = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<TTypedPhraseForm*>(w)) window = t;
        ASSERT_NE(window, nullptr);
        auto* status = window->findChild<QLabel*>(QStringLiteral("StatusLabel"));
        QString shownBefore;
        QString shownAfter;
        QString memo;  // as it stood before Esc
        int phase = 0;
        int ticksAfter = 0;
        rig.run([&] {
            if (phase == 0 && !rig.expression().isEmpty()) {
                phase = 1;
                shownBefore = rig.expression();
                c.send(*window);
            } else if (phase == 1 && ++ticksAfter == 25) {
                // The phrase has long been handled; a test it did not stop ends with Esc.
                phase = 2;
                shownAfter = rig.expression();
                memo = rig.ui().msgText->toPlainText();
                rig.holdEsc();
            }
        });
        EXPECT_EQ(phase, c.stops ? 1 : 2);
        EXPECT_TRUE(status->text().contains(q(c.status))) << status->text().toStdString();
        ASSERT_EQ(rig.tables.size(), 1u);
        EXPECT_TRUE(rig.ui().StaticText3->text().contains(q(u"中止しました")));
        EXPECT_EQ(rig.state().mokuji_n, 0);
        EXPECT_EQ(rig.state().dan, 1);
        if (c.stops) {
            EXPECT_FALSE(memo.contains(q(u"実行中なので使いません"))) << memo.toStdString();
        } else {
            EXPECT_EQ(shownAfter, shownBefore);
            EXPECT_TRUE(memo.contains(q(u"実行中なので使いません"))) << memo.toStdString();
        }
    }
}

// Outside a run, the start phrase typed in a keyboard-test mode starts nothing, as spoken, and
// the window says why.
TEST(NothingChangesBeneathARun, TheTypedStartPhraseInAKeyboardModeSaysWhyNothingStarts) {
    Rig rig;
    rig.choose(0, 3);
    rig.form->showTypedPhraseWindow();
    TTypedPhraseForm* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<TTypedPhraseForm*>(w)) window = t;
    ASSERT_NE(window, nullptr);
    window->say(q(u"テストはじめ"));
    QCoreApplication::processEvents();
    const QString status = window->findChild<QLabel*>(QStringLiteral("StatusLabel"))->text();
    EXPECT_TRUE(status.contains(q(u"声のテスト"))) << status.toStdString();
    EXPECT_EQ(rig.state().AnsV_wait, VoiceTest::None);
    EXPECT_TRUE(rig.expression().isEmpty());
}

// A row chosen by voice after a level gets a row's three test rounds, as from the list.
TEST(NothingChangesBeneathARun, ARowChosenByVoiceGetsTheRoundsOfARow) {
    Rig rig;
    rig.choose(9, 3);  // 初級, keyboard test: two rounds
    rig.say(kRowOne);
    EXPECT_EQ(rig.ui().ComboBox1->currentIndex(), 0);
    int roundsLeft = -1;
    rig.run([&] {
        if (rig.expression().isEmpty() || roundsLeft >= 0) return;
        roundsLeft = rig.state().setRounds;
        rig.pressEsc();
    });
    EXPECT_EQ(roundsLeft, 2);  // three rounds in all
}

// A row certificate drawn from a result table still open changes neither the lesson choice nor
// what the table registers.
TEST(NothingChangesBeneathARun, ACertificateLeavesTheChoiceAndTheRegistrationAlone) {
    Rig rig;
    rig.choose(0, 3);  // 一の段, keyboard test in order
    const int roundsBefore = rig.state().testKaisuuMax;
    for (int i = 0; i < 27; ++i) rig.state().testRec[i] = 1;
    rig.state().testAborted = 0;
    rig.state().recCheck[6][6] = 1;  // 七の段 passed by full recitation: its certificate opens
    const int rowSevenBefore = rig.state().recCheck[0][6];
    bool certificateShown = false;
    rig.onModal = [&](QDialog& d) {
        if (auto* table = qobject_cast<ResultDspWindow*>(&d)) {
            table->registerButton()->click();
            table->registerButton()->click();
        } else if (auto* check = qobject_cast<TSikakuCheckForm*>(&d)) {
            if (certificateShown) return;
            check->selectRow(7);
            check->printRowCertificate();
        } else if (qobject_cast<TCertForm2*>(&d)) {
            certificateShown = true;
        }
    };
    rig.ui().L1->trigger();
    ASSERT_TRUE(certificateShown);
    EXPECT_EQ(rig.state().recCheck[0][0], 1);               // 一の段, 手答(順)
    EXPECT_EQ(rig.state().recCheck[0][6], rowSevenBefore);  // 七の段 was never taken
    EXPECT_EQ(rig.state().mokuji_n, 0);
    EXPECT_EQ(rig.state().dan, 1);
    EXPECT_EQ(rig.ui().ComboBox1->currentIndex(), 0);
    EXPECT_EQ(rig.state().testKaisuuMax, roundsBefore);
}

// An answer said again while the mark of the last one shows is no answer to the next question.
TEST(NothingChangesBeneathARun, AnAnswerHeardBeforeTheQuestionIsNeverItsAnswer) {
    const struct {
        const char* name;
        int menu_n;
        int answer;  // right for 3×1
    } cases[] = {
        {"spoken answer", 5, kAnswerBase + 3},
        {"recitation", 7, 201 + 18},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.choose(3, c.menu_n);  // 三の段
        rig.startVoiceTest();
        ASSERT_EQ(rig.state().kuku_n, 18) << c.name;
        // The child says it again a moment later, during the mark's pause.
        QTimer::singleShot(100, rig.form.get(), [&] { rig.say(c.answer); });
        rig.say(c.answer);
        EXPECT_EQ(rig.state().testRec[0], 1) << c.name;
        EXPECT_EQ(rig.state().testRec[1], 2) << c.name;
        EXPECT_EQ(rig.state().kuku_n, 19) << c.name;  // 3×2 still waits for its answer
        EXPECT_TRUE(rig.state().errorsStr.isEmpty()) << c.name;
    }
}

// あんしょうテスト in a spoken-answer mode runs a recitation: the mode follows, so the lists
// show it and its record goes to the recitation column.
TEST(NothingChangesBeneathARun, ARecitationStartedByCommandIsRecordedAsOne) {
    Rig rig;
    rig.choose(3, 5);  // 三の段, spoken answers in order
    rig.form->startLesson();
    rig.say(kRecite);
    ASSERT_EQ(rig.state().AnsV_wait, VoiceTest::Recitation);
    EXPECT_EQ(rig.state().menu_n, 8);  // 暗唱(乱): it runs shuffled
    EXPECT_EQ(rig.ui().ComboBox2->currentIndex(), 8);
    EXPECT_EQ(rig.ui().Label1->text(), rig.ui().ComboBox2->itemText(8));
}

// せいせき in the middle of a spoken test shows the table of a test that goes on: no perfect
// verdict, no registration, and closing it leaves the test as it was.
TEST(NothingChangesBeneathARun, ATableOpenedOnAnUnfinishedTestNeverRegisters) {
    Rig rig;
    rig.choose(0, 5);  // 一の段, spoken answers in order
    const int passedBefore = rig.state().recCheck[2][0];
    rig.startVoiceTest();
    for (int n = 1; n <= 3; ++n) rig.say(kAnswerBase + n);
    ASSERT_EQ(rig.state().kuku_n, 3);
    QString verdict;
    bool registerEnabled = true;
    rig.onModal = [&](QDialog& d) {
        auto* table = qobject_cast<ResultDspWindow*>(&d);
        if (!table) return;
        verdict = table->verdictLabel()->text();
        registerEnabled = table->registerButton()->isEnabled();
        table->RegisterResult();
        // A perfect table would ask before closing; only a table that does not is closed here.
        if (verdict.contains(q(u"パーペキ"))) return;
        table->show();
        table->close();
    };
    rig.say(kResults);
    ASSERT_EQ(rig.tables.size(), 1u);
    EXPECT_FALSE(verdict.contains(q(u"パーペキ"))) << verdict.toStdString();
    EXPECT_FALSE(registerEnabled);
    EXPECT_EQ(rig.state().recCheck[2][0], passedBefore);  // 一の段 声答(順) not registered
    // The test goes on where it was.
    EXPECT_EQ(rig.state().AnsV_wait, VoiceTest::Oral);
    EXPECT_EQ(rig.state().kuku_n, 3);
    for (int cell = 0; cell < 3; ++cell) EXPECT_EQ(rig.state().testRec[cell], 1) << cell;
    EXPECT_FALSE(rig.expression().isEmpty());
    rig.say(kAnswerBase + 4);
    EXPECT_EQ(rig.state().testRec[3], 1);
}

namespace {

// What a run is made of as the learner sees it and as its record keeps it.
struct RunSnapshot {
    QString expression;
    QString mark;
    int kuku_n = 0;
    int qnum = 0;
    int qCount = 0;
    int kaisuu = 0;
    TestRec testRec{};
    QString weak;
    VoiceTest awaited = VoiceTest::None;
    int mokuji_n = 0;
    int dan = 0;
    int rowShown = 0;  // the row list's item
    int menu_n = 0;
    Listening listening = Listening::Commands;
    bool listsShown = false;
    int colour = 0;
    std::size_t tables = 0;
    bool operator==(const RunSnapshot&) const = default;
};

RunSnapshot snapshotOf(Rig& rig) {
    const KukuState& s = rig.state();
    return {rig.expression(),
            rig.mark(),
            s.kuku_n,
            s.qnum,
            s.qCount,
            s.kaisuu,
            s.testRec,
            s.errorsStr,
            s.AnsV_wait,
            s.mokuji_n,
            s.dan,
            rig.ui().ComboBox1->currentIndex(),
            s.menu_n,
            s.cc_mode,
            !rig.ui().ComboBox1->isHidden(),
            rig.form->windowColour(),
            rig.tables.size()};
}

std::string describe(const RunSnapshot& r) {
    std::ostringstream out;
    int asked = 0, right = 0;
    for (int cell : r.testRec) {
        asked += cell != 2;
        right += cell == 1;
    }
    out << "board '" << r.expression.toStdString() << "' mark '" << r.mark.toStdString() << "' kuku_n "
        << r.kuku_n << " qnum " << r.qnum << " qCount " << r.qCount << " round " << r.kaisuu << " record "
        << right << "/" << asked << " weak '" << r.weak.toStdString() << "' awaited "
        << static_cast<int>(r.awaited) << " choice " << r.mokuji_n << "/" << r.menu_n << " dan " << r.dan
        << " row shown " << r.rowShown << " listening " << static_cast<int>(r.listening) << " lists "
        << r.listsShown << " colour " << r.colour << " tables " << r.tables;
    return out.str();
}

// Says each phrase in turn and returns, for each that changed anything, what it changed.
std::vector<std::string> changesMadeBy(Rig& rig, const std::vector<int>& phrases) {
    std::vector<std::string> changes;
    for (int phrase : phrases) {
        const RunSnapshot before = snapshotOf(rig);
        rig.say(phrase);
        const RunSnapshot after = snapshotOf(rig);
        if (after != before)
            changes.push_back("cV=" + std::to_string(phrase) + ": " + describe(before) + "\n  became " +
                              describe(after));
    }
    return changes;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) out += line + '\n';
    return out;
}

// Phrases that would start another test over the running one, clear its screen and record, stop
// listening for its answers, or change the set it judges against.
const std::vector<int> kRefusedDuringAVoiceTest = {70, 72, 73, 85, 98, 61, 62, 63, 64, 65, 66, 67, 68, 69};
// During a practice, a keyboard test or a review at the keyboard only a stop is taken: every
// other phrase, even a colour or an answer, is left for after the run.
const std::vector<int> kRefusedDuringARun = {1,  7,  14, 50, 61, 65, 69,  70,  72,  73,  74, 75,
                                             78, 80, 85, 88, 98, 99, 101, 118, 201, 301, 310};

}  // namespace

// A voice test (spoken answers, recitation, full recitation, today's review by voice) goes on
// through every phrase that would disturb it: its question, its record, the set it judges
// against, the lists and the listening stay as they were, and the right answer is still taken.
TEST(NothingChangesBeneathARun, EveryDisturbingPhraseIsRefusedDuringEachVoiceTest) {
    for (int phrase : kRefusedDuringAVoiceTest) ASSERT_FALSE(phraseOf(phrase).isEmpty()) << phrase;
    const struct {
        const char* name;
        int mokuji_n;
        int menu_n;  // -1: today's review
        int rightAnswer;
        int nextFact;
        int cell;  // of the record the right answer fills; -1: none
    } cases[] = {
        {"spoken answers", 3, 5, 100 + 3, 19, 0},
        {"recitation", 3, 7, 201 + 18, 19, 0},
        // A level's recitation goes on judging the facts of the level, recorded by fact.
        {"中級 recitation", 10, 7, 201 + 18, 19, 18},
        {"full recitation", 3, 9, 201 + 18, 19, 0},
        {"review by voice", 3, -1, 100 + 18, 61, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.choose(c.mokuji_n, 5);  // a voice mode first: the full recitation keeps its answer way
        if (c.menu_n >= 0) {
            rig.choose(c.mokuji_n, c.menu_n);
            rig.startVoiceTest();
        } else {
            rig.form->voiceExams().StartReview({23, 61});
        }
        ASSERT_NE(rig.state().AnsV_wait, VoiceTest::None);
        ASSERT_EQ(rig.state().kuku_n, c.menu_n >= 0 ? 18 : 23);
        const std::vector<std::string> changes = changesMadeBy(rig, kRefusedDuringAVoiceTest);
        EXPECT_TRUE(changes.empty()) << joined(changes);
        rig.say(c.rightAnswer);
        EXPECT_EQ(rig.state().kuku_n, c.nextFact) << "the right answer is still taken";
        if (c.cell >= 0) {
            EXPECT_EQ(rig.state().testRec[c.cell], 1);
        }
        EXPECT_TRUE(rig.state().errorsStr.isEmpty());
    }
}

// A voice test stopped by its spoken stop or by Esc leaves no test behind: chat listening, which
// is refused during a test, may start.
TEST(NothingChangesBeneathARun, AStoppedVoiceTestLeavesNoTestBehind) {
    for (const bool byVoice : {true, false}) {
        SCOPED_TRACE(byVoice ? "spoken stop" : "Esc");
        Rig rig;
        rig.choose(3, 5);
        rig.startVoiceTest();
        ASSERT_EQ(rig.state().AnsV_wait, VoiceTest::Oral);
        if (byVoice) {
            rig.say(kStopTest);
        } else {
            rig.pressEsc();
            QTest::qWait(400);  // the lesson timer's tick reads Esc too
        }
        ASSERT_EQ(rig.state().AnsV_wait, VoiceTest::None);
        rig.form->enterDicMode();
        EXPECT_EQ(rig.state().cc_mode, Listening::Chat);
    }
}

// Esc during today's review by voice stops the review, as its spoken stop does: the test
// finished before it keeps its record and its verdict, and is not called stopped.
TEST(NothingChangesBeneathARun, EscDuringTheVoiceReviewStopsOnlyTheReview) {
    Rig rig;
    rig.choose(3, 5);
    rig.state().testRec.fill(1);
    rig.state().testAborted = 0;
    const auto record = rig.state().testRec;
    rig.form->voiceExams().StartReview({23, 61});
    ASSERT_TRUE(rig.form->voiceExams().reviewing());
    ASSERT_NE(rig.state().AnsV_wait, VoiceTest::None);
    rig.pressEsc();
    QTest::qWait(400);  // the lesson timer's tick reads Esc too
    EXPECT_FALSE(rig.form->voiceExams().reviewing());
    EXPECT_EQ(rig.state().AnsV_wait, VoiceTest::None);
    EXPECT_EQ(rig.state().testAborted, 0);
    EXPECT_EQ(rig.state().testRec, record);
    EXPECT_TRUE(rig.ui().StaticText3->text().contains(q(u"復習を中止しました。")))
        << rig.ui().StaticText3->text().toStdString();
    EXPECT_FALSE(rig.ui().StaticText3->text().contains(q(u"テストを中止しました")))
        << rig.ui().StaticText3->text().toStdString();
    EXPECT_TRUE(rig.tables.empty()) << "no result table for a review";
}

// The same for the runs the pacer drives: whatever is heard, short of a stop, the practice, the
// keyboard test or the review at the keyboard shows and records as if nothing had been said, and
// the keyboard test goes on judging against the row it was started with.
TEST(NothingChangesBeneathARun, EveryPhraseButAStopIsRefusedDuringEachRun) {
    for (int phrase : kRefusedDuringARun) ASSERT_FALSE(phraseOf(phrase).isEmpty()) << phrase;
    const struct {
        const char* name;
        int menu_n;        // -1: today's review at the keyboard
        const char* weak;  // the weak points after the run; nullptr: not looked at
    } cases[] = {
        {"practice in order", 1, ""},
        {"practice shuffled", 2, ""},
        {"keyboard test, answered wrong after the phrases", 3, "0:"},
        {"review at the keyboard", -1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.choose(0, c.menu_n >= 0 ? c.menu_n : 3);
        std::function<void()> start;
        if (c.menu_n < 0) {
            HistoryStore* store = rig.form->history().store();
            ASSERT_NE(store, nullptr);
            const QDate yesterday(2026, 3, 2);
            rig.form->history().clock = [yesterday] { return QDateTime(yesterday.addDays(1), QTime(17, 0)); };
            for (int k : {23, 61})
                ASSERT_TRUE(store->add(rentabo::testing::answerRow(QDateTime(yesterday, QTime(17, 0)),
                                                                   learnerOf(rig.state()), k,
                                                                   AnswerOutcome::Wrong, 1000)));
            rig.onModal = [](QDialog& d) {
                if (auto* progress = qobject_cast<TGanbariForm*>(&d)) progress->keyReviewButton()->click();
            };
            start = [&rig] { rig.form->showProgress(); };
        }
        std::vector<std::string> changes;
        bool heard = false;
        rig.run(
            [&] {
                if (!heard && !rig.expression().isEmpty()) {
                    heard = true;
                    changes = changesMadeBy(rig, kRefusedDuringARun);
                    if (c.menu_n == 3) return rig.type(9);  // wrong for 1×1
                }
                if (heard && (c.menu_n != 3 || !rig.mark().isEmpty())) rig.holdEsc();
            },
            start);
        EXPECT_TRUE(heard) << "the run showed a question";
        EXPECT_TRUE(changes.empty()) << joined(changes);
        if (c.weak) {
            EXPECT_EQ(rig.state().errorsStr, QString::fromLatin1(c.weak));
        }
    }
}
