#include "speech/VoiceEnrolmentForm.h"
#include "speech/platform/GrammarRecoContext.h"
#include "speech/platform/VoiceLearning.h"

#include "tests/speech/VoiceRig.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

#include <gtest/gtest.h>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

constexpr int kSanNoDan = 3;
constexpr int kOralOrdered = 5;
constexpr int kStart = 70;

const QString kGrammarPath = QStringLiteral(RENTABO_SOURCE_DIR "/resources/KukuGrammar.xml");

// A recogniser with a microphone that learns voices; typed phrases stand for the child's.
class LearningContext final : public GrammarRecoContext {
public:
    LearningContext() : GrammarRecoContext(nullptr) {
        if (CmdLoadFromFile(kGrammarPath)) CmdSetRuleIdState(0, true);
    }
    QString engineName() const override { return QStringLiteral("learning"); }
    bool hasMicrophone() const override { return microphone; }
    bool learnsVoice() const override { return true; }
    bool knowsVoice() const override { return knows; }
    bool learnVoiceNow() override { return learnt = true; }
    bool microphone = true;
    bool knows = false;
    bool learnt = false;
};

// The child in front of the windows that open: each window on top, once, gets the next action.
struct Child {
    Child() {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w == last) return;
            last = w;
            titles << w->windowTitle();
            if (next < actions.size()) actions[next++](w);
        });
        timer.start();
    }
    QTimer timer;
    std::vector<std::function<void(QWidget*)>> actions;
    std::size_t next = 0;
    QPointer<QWidget> last;
    QStringList titles;
};

void press(QWidget* window, const QString& text) {
    for (QPushButton* b : window->findChildren<QPushButton*>())
        if (b->text() == text) return b->click();
    ADD_FAILURE() << "no button " << text.toStdString();
}

// A spoken test of 三の段 answered right throughout, the offer made (or not) by `offer`.
struct SpokenRun {
    explicit SpokenRun(LearningContext* context, VoiceEnrolmentOffer* offer,
                       const QString& learner = u"はなこ"_qs) {
        rig.state.studentName = learner;
        if (offer)
            rig.voiceHost.beforeRun = [this, context, offer, learner] {
                outcome = offer->beforeVoiceRun(*context, rig.speaker, learner, nullptr);
            };
    }
    // Starts the test by voice and answers every question right.
    void test() {
        rig.chooseVoice(kSanNoDan, kOralOrdered);
        rig.commands.handleCommand(kStart);
        while (rig.untilAwaiting()) {
            ++asked;
            const int k = rig.state.kuku_n;
            rig.commands.handleCommand(100 + (k / 9 + 1) * (k % 9 + 1));
        }
    }
    QStringList spoken() const {
        QStringList texts = rig.voice.texts();
        texts.removeAll(VoiceEnrolmentOffer::spokenOffer());
        std::sort(texts.begin(), texts.end());
        return texts;
    }
    VoiceRig rig;
    VoiceEnrolmentOffer::Outcome outcome = VoiceEnrolmentOffer::Outcome::NotOffered;
    int asked = 0;
};

}  // namespace

// A learner whose voice is unknown starting the first spoken test hears the master offer to learn
// it; skipped (the button, or the start command said again), the test runs exactly as a test
// without the offer: the same questions, marks, record and words, only the offer said first.
TEST(VoiceEnrolmentOffer, SkippedTheTestRunsAsWithoutIt) {
    SpokenRun plain(nullptr, nullptr);
    plain.test();
    ASSERT_EQ(plain.asked, 27);

    struct Case {
        const char* how;
        std::function<void(QWidget*, LearningContext&)> skip;
    };
    const Case cases[] = {
        {"the button", [](QWidget* w, LearningContext&) { press(w, VoiceEnrolmentOffer::skipButtonText()); }},
        {"the start command said",
         [](QWidget*, LearningContext& c) { c.acceptTypedPhrase(u"テストはじめ"_qs); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        LearningContext context;
        VoiceEnrolmentOffer offer;
        Child child;
        child.actions.push_back([&](QWidget* w) { c.skip(w, context); });
        SpokenRun run(&context, &offer);
        run.test();
        EXPECT_EQ(run.outcome, VoiceEnrolmentOffer::Outcome::Skipped);
        EXPECT_EQ(child.titles, QStringList{u"声をおぼえてもらう"_qs});
        // The offer is said before the test's opening words.
        const QStringList said = run.rig.voice.texts();
        const auto opening = std::find_if(
            said.begin(), said.end(), [](const QString& t) { return t.contains(u"テストを始めます"_qs); });
        EXPECT_LT(said.indexOf(VoiceEnrolmentOffer::spokenOffer()), opening - said.begin());
        EXPECT_GE(said.indexOf(VoiceEnrolmentOffer::spokenOffer()), 0);
        EXPECT_FALSE(context.learnt);
        EXPECT_TRUE(context.listeningFor().isEmpty());  // the rules listen again
        EXPECT_EQ(run.asked, plain.asked);
        EXPECT_EQ(run.rig.board.history(BoardText::Mark), plain.rig.board.history(BoardText::Mark));
        EXPECT_EQ(run.rig.state.testRec, plain.rig.state.testRec);
        EXPECT_EQ(run.spoken(), plain.spoken());
        EXPECT_EQ(run.rig.voiceHost.heardRight, plain.rig.voiceHost.heardRight);
        // Skipped once, not offered again to that learner in this session.
        EXPECT_TRUE(offer.offered(u"はなこ"_qs));
        EXPECT_EQ(offer.beforeVoiceRun(context, run.rig.speaker, u"はなこ"_qs, nullptr),
                  VoiceEnrolmentOffer::Outcome::NotOffered);
    }
}

// Accepted: the enrolment window asks its phrases, the voice is learnt from them, the window
// closes by itself and the test that was started then runs whole.
TEST(VoiceEnrolmentOffer, AcceptedTheEnrolmentRunsAndThenTheTest) {
    LearningContext context;
    VoiceEnrolmentOffer offer;
    Child child;
    child.actions.push_back([](QWidget* w) { press(w, VoiceEnrolmentOffer::acceptButtonText()); });
    child.actions.push_back([&](QWidget* w) {
        auto* form = qobject_cast<TVoiceEnrolmentForm*>(w);
        ASSERT_NE(form, nullptr);
        while (!form->currentPhrase().isEmpty()) context.acceptTypedPhrase(form->currentPhrase());
    });
    SpokenRun run(&context, &offer);
    run.test();
    EXPECT_EQ(child.titles, (QStringList{u"声をおぼえてもらう"_qs, u"声をおぼえてもらう"_qs}));
    EXPECT_EQ(run.outcome, VoiceEnrolmentOffer::Outcome::Enrolled);
    EXPECT_TRUE(context.learnt);
    EXPECT_EQ(run.asked, 27);
    EXPECT_EQ(run.rig.board.history(BoardText::Mark).filter(u"◎"_qs).size(), 27);
}

// No offer where it cannot help or was made already: the test starts at once.
TEST(VoiceEnrolmentOffer, NotOfferedWhereItCannotHelpOrWasMade) {
    struct Case {
        const char* what;
        bool microphone, knows;
        QString offeredBefore;  // a learner already offered in this session
        bool offered;
    } cases[] = {
        {"voice unknown", true, false, {}, true},
        {"the learner's model listened with or being made", true, true, {}, false},
        {"no microphone", false, false, {}, false},
        {"offered to this learner already", true, false, u"はなこ"_qs, false},
        {"offered to another learner", true, false, u"たろう"_qs, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LearningContext context;
        context.microphone = c.microphone;
        context.knows = c.knows;
        VoiceEnrolmentOffer offer;
        if (!c.offeredBefore.isEmpty()) {
            Child skips;
            skips.actions.push_back([](QWidget* w) { press(w, VoiceEnrolmentOffer::skipButtonText()); });
            SpokenRun earlier(&context, &offer, c.offeredBefore);
            earlier.test();
        }
        Child child;
        child.actions.push_back([](QWidget* w) { press(w, VoiceEnrolmentOffer::skipButtonText()); });
        SpokenRun run(&context, &offer);
        run.test();
        EXPECT_EQ(run.outcome != VoiceEnrolmentOffer::Outcome::NotOffered, c.offered);
        EXPECT_EQ(run.rig.voice.texts().contains(VoiceEnrolmentOffer::spokenOffer()), c.offered);
        EXPECT_EQ(child.titles.size(), c.offered ? 1 : 0);
        EXPECT_EQ(run.asked, 27);
    }
}

// When the learner's model is made again: the first from twelve phrases (the enrolment, or the
// first right answers), again at 30, 60 and 120, and never to put a model learnt from fewer
// phrases (this session's) in place of one learnt from more (an earlier session's).
TEST(VoiceLearningSchedule, TheModelIsMadeAgainAtEachStepFromMorePhrasesOnly) {
    struct Case {
        std::size_t confirmed;
        int modelPhrases;
        bool refines;
    } cases[] = {
        {11, 0, false},    {12, 0, true},   {13, 0, false},  {29, 12, false}, {30, 12, true},
        {30, 0, true},     {60, 30, true},  {90, 60, false}, {120, 60, true}, {121, 120, false},
        {240, 120, false}, {12, 30, false}, {30, 60, false}, {60, 60, false}, {60, 120, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VoiceLearning::refinesAt(c.confirmed, c.modelPhrases), c.refines)
            << c.confirmed << " phrases, model from " << c.modelPhrases;
}
