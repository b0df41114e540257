#include "RecognitionRig.h"
#include "SpeechSamples.h"

#include "speech/platform/PocketSphinxContext.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

// A context listening as during a spoken answer (rows, commands, numbers).
std::unique_ptr<PocketSphinxContext> answering() {
    auto context = std::make_unique<PocketSphinxContext>();
    if (!context->loadModel(nullptr) || !context->CmdLoadFromFile(kGrammarPath)) return nullptr;
    context->DictationSetState(false);
    context->CmdSetRuleIdState(0, false);
    for (int rule : {2, 3, 4}) context->CmdSetRuleIdState(rule, true);
    return context;
}

struct Said {
    int number;
    QString text;
    MonoAudio audio;
};

// The numbers 1 to 81 in a voice the model was never adapted on (espeak-ng's variant Andy),
// pitched up 500 cents like a child's: the hardest voice of the benchmark.
const std::vector<Said>& childsNumbers(const PocketSphinxContext& context) {
    static const std::vector<Said> said = [&] {
        std::vector<Said> all;
        for (const GrammarPhrase& p : context.grammar()->phrases()) {
            const int n = commandNumber(p) - 100;
            if (n < 1 || n > 81 ||
                std::any_of(all.begin(), all.end(), [&](const Said& s) { return s.number == n; }))
                continue;
            const QString name = QStringLiteral("learner-%1").arg(n);
            if (!speak(p.text, SampleVoice::Andy, name)) return std::vector<Said>{};
            auto pitched = transformed(name, Condition::Pitch500);
            if (!pitched) return std::vector<Said>{};
            all.push_back({n, p.text, std::move(*pitched)});
        }
        return all;
    }();
    return said;
}

// Right and wrong numbers heard among the phrases.
std::pair<int, int> heard(PocketSphinxContext& context, const std::vector<const Said*>& phrases) {
    int right = 0, wrong = 0;
    for (const Said* s : phrases) {
        const auto i = context.recognizeUtterance(s->audio);
        if (!i) continue;
        (commandNumber(context.grammar()->phrases()[*i]) == 100 + s->number ? right : wrong)++;
    }
    return {right, wrong};
}

// The learner's model made once, as the program makes it: thirty phrases said when asked to,
// heard through the microphone path and confirmed.
struct Learnt {
    QTemporaryDir home;
    QString folder;
    std::vector<const Said*> others;
    std::pair<int, int> before, after;
    QStringList notes;
    std::size_t known = 0;
};

const Learnt* learnt() {
    static std::unique_ptr<Learnt> made = []() -> std::unique_ptr<Learnt> {
        auto context = answering();
        if (!context) return nullptr;
        const auto& numbers = childsNumbers(*context);
        if (numbers.size() != 81) return nullptr;
        auto l = std::make_unique<Learnt>();
        l->folder = l->home.filePath(QStringLiteral("RentaboVoice"));
        QObject::connect(context.get(), &SpSharedRecoContext::LearnerNote,
                         [&notes = l->notes](const QString& t) { notes << t; });
        context->setLearner(QStringLiteral("たろう"), l->folder);
        std::vector<const Said*> asked;
        // Thirty numbers spread over the table (7 n mod 81 is a permutation), the rest to hear.
        for (const Said& s : numbers) (s.number * 7 % 81 < 30 ? asked : l->others).push_back(&s);
        l->before = heard(*context, l->others);
        for (const Said* s : asked) {
            context->acceptAudio(s->audio.samples.data(), s->audio.samples.size());
            context->flushAudio();
            context->confirmLastPhrase(s->text);
            l->known = std::max(l->known, context->knownPhrases());
        }
        context->waitForAdaptation();
        if (!context->speakerModel()) return l;
        l->after = heard(*context, l->others);
        return l;
    }();
    return made.get();
}

}  // namespace

// Thirty phrases of a voice the model never heard are enough to hear the rest of it far better,
// with fewer wrong numbers: the learner's model is made in the background, kept in the learner's
// folder and listened with.
TEST(LearnerVoice, ThirtyPhrasesOfAnUnheardChildsVoiceAreEnoughToHearItWell) {
    if (!QFile::exists(defaultModelDir() + QStringLiteral("/mdef")) || !speakerAdaptationAvailable())
        GTEST_SKIP() << "acoustic model or SphinxTrain not installed";
    const Learnt* l = learnt();
    ASSERT_NE(l, nullptr) << "speech could not be made";
    ASSERT_TRUE(QFile::exists(l->folder + QStringLiteral("/speaker.txt")))
        << l->known << " phrases known; " << l->notes.join(u'\n').toStdString();
    const int n = int(l->others.size());
    // Measured: 29 right and 9 wrong of 51 before, 48 right and none wrong after.
    EXPECT_GE(l->after.first, l->before.first + n / 5)
        << l->before.first << " -> " << l->after.first << " of " << n;
    EXPECT_LE(l->after.second, std::max(1, l->before.second / 2))
        << l->before.second << " -> " << l->after.second;
    // Made at 12 phrases and made again at 30: the last one listened with learnt from all 30,
    // even when the 30th phrase came while the first model was still being made.
    const QStringList made = l->notes.filter(QStringLiteral("声をおぼえました"));
    EXPECT_EQ(made.size(), 2) << l->notes.join(u'\n').toStdString();
    EXPECT_TRUE(!made.isEmpty() && made.back().contains(QStringLiteral("30 のことば")))
        << l->notes.join(u'\n').toStdString();
}

// While an answer is awaited, a voice the model never heard (Andy pitched up like a child) that
// says the right answer is taken as nothing heard rather than marked wrong when the recogniser hears another
// number it cannot tell clearly from the right one; a wrong answer is still mostly heard as said.
TEST(LearnerVoice, AnUnheardChildsRightAnswerIsNeverMarkedWrong) {
    if (!QFile::exists(defaultModelDir() + QStringLiteral("/mdef")))
        GTEST_SKIP() << "acoustic model not installed";
    auto context = answering();
    ASSERT_NE(context, nullptr);
    const auto& numbers = childsNumbers(*context);
    ASSERT_EQ(numbers.size(), 81u) << "speech could not be made";
    std::vector<int> products;
    for (int a = 1; a <= 9; ++a)
        for (int b = 1; b <= 9; ++b)
            if (std::find(products.begin(), products.end(), a * b) == products.end())
                products.push_back(a * b);
    std::sort(products.begin(), products.end());
    struct Tally {
        int said = 0, other = 0, again = 0;
        int asAsked = 0;  // a wrong answer heard as the right one: a "○" it did not earn
    };
    // Each product said as the answer to the question whose answer is `expected(i)` (0: none).
    auto tally = [&](const std::function<int(std::size_t)>& expected) {
        Tally t;
        for (std::size_t i = 0; i < products.size(); ++i) {
            context->expectCommand(expected(i));
            const auto said = std::find_if(numbers.begin(), numbers.end(),
                                           [&](const Said& s) { return s.number == products[i]; });
            const auto heard = context->recognizeUtterance(said->audio);
            const int number = heard ? commandNumber(context->grammar()->phrases()[*heard]) : 0;
            if (!heard)
                ++t.again;
            else if (number == 100 + products[i])
                ++t.said;
            else
                (number == expected(i) ? t.asAsked : t.other)++;
        }
        return t;
    };
    const Tally unasked = tally([](std::size_t) { return 0; });
    const Tally right = tally([&](std::size_t i) { return 100 + products[i]; });
    const Tally wrong = tally([&](std::size_t i) { return 100 + products[(i + 1) % products.size()]; });
    const auto show = [](const Tally& t) {
        return std::to_string(t.said) + " heard, " + std::to_string(t.other) + " as another number, " +
               std::to_string(t.asAsked) + " as the answer asked for, " + std::to_string(t.again) +
               " heard as nothing";
    };
    SCOPED_TRACE("without a question: " + show(unasked) + "; as right answers: " + show(right) +
                 "; as wrong answers: " + show(wrong));
    EXPECT_GE(unasked.other, 3);  // the voice is a hard one: without the question it is misheard
    // The model adapted on means and variances hears two of this voice's 36 right answers as
    // another number (0 with the earlier model), while on the benchmark's unheard voices it
    // halves the wrong numbers (1.2 -> 0.5 % over six conditions): two is the most allowed.
    EXPECT_LE(right.other, 2);
    // The right answer counts from a lower confidence than any other phrase, which gives back
    // right answers said unclearly, and never makes a wrong answer the right one.
    EXPECT_GE(right.said, unasked.said + 3);
    EXPECT_EQ(wrong.asAsked, 0);
    // Measured with the build's model (adapted with rooms): 17 heard, 5 as another number, 14 as
    // nothing without the question; 20 / 1 / 15 as right answers (17 without the lower
    // confidence); 13 / 2 / 21 as wrong answers, none as the answer asked for (nothing heard: the
    // child says it again, or the answer time runs out, "--"). The model without rooms
    // (ROOMS=0) hears 17 / 3 / 16, 24 / 2 / 10 and 12 / 1 / 23; with one threshold of -10 for
    // every phrase 18 / 6 / 12, 22 / 2 / 12 and 12 / 2 / 22: three more is what the rule must
    // give with either.
    EXPECT_GE(wrong.said, unasked.said / 2);
    EXPECT_LE(wrong.other + wrong.asAsked, unasked.other);
}

// The learner's folder is checked before it is listened with: a broken file or a model made from
// another acoustic model is ignored with a line in the memo, another learner's is dropped, and
// the program listens with its own model as before.
TEST(LearnerVoice, ABrokenForeignOrOtherLearnersModelIsNeverListenedWith) {
    if (!QFile::exists(defaultModelDir() + QStringLiteral("/mdef")) || !speakerAdaptationAvailable())
        GTEST_SKIP() << "acoustic model or SphinxTrain not installed";
    const Learnt* l = learnt();
    ASSERT_NE(l, nullptr) << "speech could not be made";
    ASSERT_TRUE(QFile::exists(l->folder + QStringLiteral("/speaker.txt")));

    auto overwrite = [](const QString& path, qint64 at, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::ReadWrite) && f.seek(at) && f.write(bytes) == bytes.size();
    };
    struct Case {
        const char* what;
        std::function<bool(const QString& dir)> spoil;
        QString learner;
        const char* note;
        bool folderKept;
    };
    const Case cases[] = {
        {"intact, same learner", [](const QString&) { return true; }, QStringLiteral("たろう"),
         "声のモデルで聞きます", true},
        {"a few bytes of the means changed",
         [&](const QString& d) {
             return overwrite(d + QStringLiteral("/means"), 4000, QByteArray(16, '\x7f'));
         },
         QStringLiteral("たろう"), "こわれています", true},
        {"the mixture weights cut short",
         [](const QString& d) { return QFile(d + QStringLiteral("/sendump")).resize(1000); },
         QStringLiteral("たろう"), "こわれています", true},
        {"a file missing", [](const QString& d) { return QFile::remove(d + QStringLiteral("/variances")); },
         QStringLiteral("たろう"), "こわれています", true},
        {"the description replaced by random bytes",
         [&](const QString& d) {
             return overwrite(d + QStringLiteral("/speaker.txt"), 0, QByteArray(64, '\x01'));
         },
         QStringLiteral("たろう"), "読めなかった", false},
        {"the description cut in its learner line",
         [](const QString& d) {
             QFile f(d + QStringLiteral("/speaker.txt"));
             if (!f.open(QIODevice::ReadOnly)) return false;
             const qsizetype at = f.readAll().indexOf("learner ") + 12;
             f.close();
             return f.resize(at);
         },
         QStringLiteral("たろう"), "読めなかった", false},
        {"made from another acoustic model",
         [&](const QString& d) {
             QFile f(d + QStringLiteral("/speaker.txt"));
             if (!f.open(QIODevice::ReadOnly)) return false;
             QByteArray text = f.readAll();
             const qsizetype at = text.indexOf("base ") + 5;
             text.replace(at, 8, "00000000");
             f.close();
             return overwrite(d + QStringLiteral("/speaker.txt"), 0, text);
         },
         QStringLiteral("たろう"), "今の音響モデル", true},
        {"another learner's", [](const QString&) { return true; }, QStringLiteral("はなこ"),
         "「たろう」の声なので", false},
    };
    const Said& sample = *l->others.front();
    const auto programHears = answering()->recognizeUtterance(sample.audio);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir home;
        const QString dir = home.filePath(QStringLiteral("RentaboVoice"));
        ASSERT_TRUE(QDir().mkpath(dir));
        for (const QString& f : QDir(l->folder).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(l->folder + u'/' + f, dir + u'/' + f));
        ASSERT_TRUE(c.spoil(dir));

        auto context = answering();
        ASSERT_NE(context, nullptr);
        QSignalSpy notes(context.get(), &SpSharedRecoContext::LearnerNote);
        context->setLearner(c.learner, dir);
        ASSERT_EQ(notes.size(), 1);
        EXPECT_TRUE(notes.front().front().toString().contains(QString::fromUtf8(c.note)))
            << notes.front().front().toString().toStdString();
        EXPECT_EQ(context->speakerModel().has_value(), QByteArray(c.what).startsWith("intact"));
        EXPECT_EQ(QFileInfo::exists(dir), c.folderKept);
        // A voice that is not the learner's, or cannot be read, is never deleted: it is set aside
        // beside its place with the date, whole.
        const QStringList aside = QDir(home.path()).entryList({QStringLiteral("RentaboVoice-*")}, QDir::Dirs);
        EXPECT_EQ(aside.size(), c.folderKept ? 0 : 1);
        for (const QString& a : aside)
            EXPECT_EQ(QDir(home.filePath(a)).entryList(QDir::Files).size(),
                      QDir(l->folder).entryList(QDir::Files).size());
        // Listening goes on: with the program's own model, hearing what it always heard.
        if (!context->speakerModel()) {
            EXPECT_EQ(context->recognizeUtterance(sample.audio), programHears);
        }
    }
}
