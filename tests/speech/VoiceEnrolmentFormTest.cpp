#include "speech/VoiceEnrolmentForm.h"
#include "speech/platform/PocketSphinxContext.h"
#include "speech/platform/TypedPhraseContext.h"

#include "tests/TestOutput.h"
#include "tests/recognition/SpeechSamples.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

const QString kGrammarPath = QStringLiteral(RENTABO_SOURCE_DIR "/resources/KukuGrammar.xml");

QString statusOf(const TVoiceEnrolmentForm& form) {
    QString all;
    for (const QLabel* l : form.findChildren<QLabel*>()) all += l->text() + u'\n';
    return all;
}

}  // namespace

// Every phrase shown is one the grammar holds (else the child could never get past it); only the
// phrase shown counts, and the program listens with its rules again once the window closes.
TEST(VoiceEnrolment, OnlyThePhraseShownCountsAndTheRulesListenAgainAfterwards) {
    TypedPhraseContext context;
    ASSERT_TRUE(context.CmdLoadFromFile(kGrammarPath) && context.CmdSetRuleIdState(0, true));
    int commands = 0;
    QObject::connect(&context, &SpSharedRecoContext::Recognition, &context,
                     [&](int, qint64, int, const RecoResult&) { ++commands; });
    {
        TVoiceEnrolmentForm form(context);
        form.show();
        const QStringList phrases = TVoiceEnrolmentForm::enrolmentPhrases();
        for (int i = 0; i < phrases.size(); ++i) {
            SCOPED_TRACE(phrases[i].toStdString());
            ASSERT_EQ(form.currentPhrase(), phrases[i]);
            context.acceptTypedPhrase(u"テストはじめ"_qs);  // not the phrase shown: asked again
            EXPECT_EQ(form.phrasesTaken(), i);
            EXPECT_TRUE(statusOf(form).contains(u"もういちど"_qs));
            context.acceptTypedPhrase(phrases[i]);
            EXPECT_EQ(form.phrasesTaken(), i + 1);
        }
        EXPECT_EQ(form.findChild<QProgressBar*>()->value(), phrases.size());
        // Typed phrases teach no voice: the window says so instead of waiting for ever.
        EXPECT_TRUE(statusOf(form).contains(u"おぼえられません"_qs)) << statusOf(form).toStdString();
        form.grab().save(testOutputPath(QStringLiteral("voice-enrolment.png")));
    }
    EXPECT_TRUE(context.listeningFor().isEmpty());
    const int before = commands;
    context.acceptTypedPhrase(u"ストップ"_qs);
    EXPECT_EQ(commands, before + 1);
}

// The enrolment through the real recogniser: twelve phrases said in a voice the acoustic model
// never heard (espeak-ng's variant Andy, pitched up 500 cents like a child's) are enough for the
// master to hear that voice's other numbers better, with fewer wrong numbers.
TEST(VoiceEnrolment, TwelvePhrasesOfAnUnheardChildsVoiceAreEnoughToHearItBetter) {
    if (!QFile::exists(defaultModelDir() + QStringLiteral("/mdef")) || !speakerAdaptationAvailable())
        GTEST_SKIP() << "acoustic model or SphinxTrain not installed";
    PocketSphinxContext context;
    ASSERT_TRUE(context.loadModel(nullptr) && context.CmdLoadFromFile(kGrammarPath));
    context.DictationSetState(false);
    auto answering = [&] {
        context.CmdSetRuleIdState(0, false);
        for (int rule : {2, 3, 4}) context.CmdSetRuleIdState(rule, true);
    };
    QTemporaryDir home;
    context.setLearner(u"はなこ"_qs, home.filePath(QStringLiteral("RentaboVoice")));

    auto childSays = [](const QString& text, const QString& name) -> std::optional<MonoAudio> {
        if (!speak(text, SampleVoice::Andy, name)) return std::nullopt;
        return transformed(name, Condition::Pitch500);
    };
    // The numbers not shown in the enrolment, said as answers.
    const QStringList shown = TVoiceEnrolmentForm::enrolmentPhrases();
    std::vector<std::pair<int, MonoAudio>> answers;
    for (const GrammarPhrase& p : context.grammar()->phrases()) {
        const int n = commandNumber(p) - 100;
        if (n < 1 || n > 81 || shown.contains(p.text) ||
            std::any_of(answers.begin(), answers.end(), [&](const auto& a) { return a.first == n; }))
            continue;
        auto audio = childSays(p.text, QStringLiteral("enrol-answer-%1").arg(n));
        ASSERT_TRUE(audio) << "speech could not be made";
        answers.emplace_back(n, std::move(*audio));
    }
    auto heard = [&] {
        answering();
        std::pair<int, int> rightWrong;
        for (const auto& [n, audio] : answers)
            if (const auto i = context.recognizeUtterance(audio))
                (commandNumber(context.grammar()->phrases()[*i]) == 100 + n ? rightWrong.first
                                                                            : rightWrong.second)++;
        return rightWrong;
    };
    const auto before = heard();

    TVoiceEnrolmentForm form(context);
    form.show();
    for (int i = 0; i < shown.size(); ++i) {
        const auto audio = childSays(shown[i], QStringLiteral("enrolment-%1").arg(i));
        ASSERT_TRUE(audio);
        context.acceptAudio(audio->samples.data(), audio->samples.size());
        context.flushAudio();
    }
    EXPECT_EQ(form.phrasesTaken(), shown.size()) << statusOf(form).toStdString();
    context.waitForAdaptation();
    EXPECT_TRUE(statusOf(form).contains(u"おぼえたよ"_qs)) << statusOf(form).toStdString();
    form.close();
    ASSERT_TRUE(context.speakerModel());
    const auto after = heard();
    const int n = int(answers.size());
    EXPECT_GE(after.first, before.first + n / 10) << before.first << " -> " << after.first << " of " << n;
    EXPECT_LE(after.second, before.second) << before.second << " -> " << after.second;
}
