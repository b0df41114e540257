// A spoken-answer test heard for real: the program's own voice says the child's answers, the
// recogniser hears them through the same path as the microphone, and the result table shows
// every answer right.
#include "app/TKukuForm.h"
#include "core/KukuTables.h"
#include "speech/platform/PcmSink.h"
#include "speech/platform/PocketSphinxContext.h"
#include "speech/platform/SilentVoice.h"
#include "speech/platform/VoiceFactory.h"
#include "speech/platform/WavAudio.h"
#include "tests/support/MainWindowRig.h"
#include "ui_KukuForm.h"

#include <QDialog>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace rentabo;

namespace {

// What the child's voice says, as 16 kHz audio with a little quiet around it.
class ChildVoice {
public:
    bool open() {
        VoiceChoice choice;
        choice.engine = QStringLiteral("espeak");
        choice.makeSink = [this](int rate) {
            auto sink = std::make_unique<CaptureSink>(rate, false);
            m_sink = sink.get();
            m_rate = rate;
            return sink;
        };
        QStringList notes;
        m_voice = createVoice(QString(), nullptr, choice, &notes);
        return m_voice && m_voice->engineName() != QStringLiteral("silent");
    }
    MonoAudio say(const QString& text) {
        const std::size_t before = m_sink ? m_sink->captured().size() : 0;
        m_voice->Speak(text, SVSFDefault);
        m_voice->WaitUntilDone();
        MonoAudio audio;
        audio.rate = m_rate;
        if (m_sink) audio.samples.assign(m_sink->captured().begin() + before, m_sink->captured().end());
        MonoAudio out = resample(audio, 16000);
        std::vector<std::int16_t> padded(4800, 0);  // 0.3 s before, 1 s after
        padded.insert(padded.end(), out.samples.begin(), out.samples.end());
        padded.insert(padded.end(), 16000, 0);
        out.samples = std::move(padded);
        return out;
    }

private:
    std::unique_ptr<SpVoice> m_voice;
    CaptureSink* m_sink = nullptr;
    int m_rate = 16000;
};

bool waitFor(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms; waited += 20) {
        if (done()) return true;
        QTest::qWait(20);
    }
    return done();
}

}  // namespace

TEST(SpokenTestEndToEnd, AnswersSaidByTheProgramsVoiceFillTableOneWithCircles) {
    ChildVoice child;
    if (!child.open()) GTEST_SKIP() << "no Japanese voice";
    auto reco = std::make_unique<PocketSphinxContext>();
    QString error;
    if (!reco->loadModel(&error)) GTEST_SKIP() << error.toStdString();
    PocketSphinxContext* ears = reco.get();

    QTemporaryDir dir;
    ASSERT_TRUE(rentabo::testing::copyGrammar(dir.path()));
    KukuServices services;
    services.voice = std::make_unique<SilentVoice>();
    services.reco = std::move(reco);
    TKukuForm form(std::move(services), dir.path() + u'/');
    rentabo::testing::ScriptedPrompts prompts(form.boxPrompts());
    form.setPrompts(&prompts);
    prompts.close = [] { return true; };
    prompts.messages = [](const QString&, const QString&) {};
    QStringList marks;
    bool tableOpened = false;
    prompts.modal = [&](QDialog& table) {
        tableOpened = true;
        for (auto* grid : table.findChildren<QTableWidget*>())
            for (int r = 0; r < grid->rowCount(); ++r)
                for (int c = 0; c < grid->columnCount(); ++c)
                    if (auto* item = grid->item(r, c)) marks << item->text();
    };
    form.show();

    auto hear = [&](const QString& text) {
        // The child answers once the master has finished speaking.
        waitFor([&] { return !form.voice().isSpeaking(); }, 20000);
        QTest::qWait(400);
        const MonoAudio audio = child.say(text);
        // As from a microphone: the quiet after the phrase ends it.
        ears->acceptAudio(audio.samples.data(), audio.samples.size());
    };

    // 三の段, "６.テスト[口答・順]", 始める, then the start phrase.
    form.ui().ComboBox1->setCurrentIndex(3);
    Q_EMIT form.ui().ComboBox1->activated(3);
    form.ui().ComboBox2->setCurrentIndex(5);
    Q_EMIT form.ui().ComboBox2->activated(5);
    form.startLesson();
    hear(QStringLiteral(u"テストはじめ"));
    ASSERT_TRUE(waitFor([&] { return form.state().AnsV_wait == VoiceTest::Oral; }, 5000))
        << form.ui().msgText->toPlainText().toStdString();

    const auto& t = kukuTables();
    int answered = 0;
    int saidAgain = 0;  // answers the recogniser was not sure of: the child says them again
    while (form.state().AnsV_wait == VoiceTest::Oral && answered < 27 && saidAgain <= 3) {
        const int k = form.state().kuku_n;
        const int asked = form.state().qCount;
        // The product as a child says it: digits are read out by the voice as a number.
        hear(QString::number(t.kotae[k]));
        // The phrase arrives as an event; the next question follows the mark.
        if (waitFor(
                [&] {
                    return (form.state().AnsV_wait == VoiceTest::Oral && form.state().qCount != asked) ||
                           tableOpened;
                },
                5000))
            ++answered;
        else
            ++saidAgain;
    }
    EXPECT_EQ(answered, 27) << form.ui().msgText->toPlainText().left(3000).toStdString();
    EXPECT_LE(saidAgain, 3);
    ASSERT_TRUE(tableOpened) << form.ui().msgText->toPlainText().toStdString();
    for (int cell = 0; cell < 27; ++cell) EXPECT_EQ(form.state().testRec[cell], 1) << "cell " << cell;
    // The answer cells: 27 circles and no cross (the expressions' "×" are not marks).
    EXPECT_EQ(marks.count(QStringLiteral(u"○")), 27) << marks.join(u' ').toStdString();
    EXPECT_EQ(marks.count(QStringLiteral(u"×")), 0) << marks.join(u' ').toStdString();
}
