#include "speech/VoiceEnrolmentForm.h"

#include "speech/Speaker.h"
#include "speech/platform/SpSharedRecoContext.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace rentabo {

TVoiceEnrolmentForm::TVoiceEnrolmentForm(SpSharedRecoContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_phrases(enrolmentPhrases()) {
    setWindowTitle(QStringLiteral(u"声をおぼえてもらう"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral(u"きわむ先生が、きみの声をおぼえるよ。\n"
                                            u"下のことばを、いつもの声で一つずつ言ってね。"),
                             this);
    layout->addWidget(intro);
    m_phrase = new QLabel(this);
    m_phrase->setAlignment(Qt::AlignCenter);
    QFont big = m_phrase->font();
    big.setPointSize(28);
    big.setBold(true);
    m_phrase->setFont(big);
    m_phrase->setMinimumHeight(80);
    layout->addWidget(m_phrase);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, int(m_phrases.size()));
    m_progress->setFormat(QStringLiteral(u"%v / %m"));
    layout->addWidget(m_progress);
    m_status = new QLabel(this);
    m_status->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_status);
    m_close = new QPushButton(QStringLiteral(u"やめる"), this);
    m_close->setAutoDefault(false);
    layout->addWidget(m_close, 0, Qt::AlignRight);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    connect(&m_context, &SpSharedRecoContext::Recognition, this,
            [this](int, qint64, int, const RecoResult& r) { heard(r, true); });
    connect(&m_context, &SpSharedRecoContext::FalseRecognition, this,
            [this](int, qint64, const RecoResult& r) { heard(r, false); });
    connect(&m_context, &SpSharedRecoContext::LearnerNote, this, &TVoiceEnrolmentForm::learnerNote);
    ask();
}

TVoiceEnrolmentForm::~TVoiceEnrolmentForm() {
    if (!m_context.listeningFor().isEmpty()) m_context.listenFor({});
}

void TVoiceEnrolmentForm::offer(SpSharedRecoContext& context, bool runGoing,
                                const std::function<void(const QString&)>& tell, QWidget* parent) {
    if (!context.hasMicrophone()) {
        tell(QStringLiteral(u"マイクが見つからないので、声をおぼえることはできません。"));
        return;
    }
    if (runGoing) {
        tell(QStringLiteral(u"練習やテストが終わってから使ってください。"));
        return;
    }
    TVoiceEnrolmentForm enrolment(context, parent);
    enrolment.exec();
}

QStringList TVoiceEnrolmentForm::enrolmentPhrases() {
    // Twelve phrases: on voices the program's model never heard, clean or pitched like a child's,
    // six phrases already make every answer heard, while in a reverberant room or from a quiet
    // child twelve reach about 90 % (from 55 and 74 %) and thirty 95 %; thirty are too many for
    // a child's first minute, so the enrolment asks twelve and the right answers that follow
    // refine the model (VoiceLearning::kRefineAt).
    //
    // Between them they hold every sound the tests listen for: the numbers' morae (いち に さん
    // よん/し ご ろく なな/しち はち きゅう/く じゅう; 18 24 36 49 72 81), the readings' own
    // (いん が, the ぶ of さぶ and the doubled っ of はっく), a row (ごのだん: の だ ん), and the
    // commands a test needs to stop (テストおわり, ストップ: テ ス ト お わ り プ), the ones
    // least heard from a new voice in a room.
    return {QStringLiteral(u"じゅうはち"),         QStringLiteral(u"にじゅうよん"),
            QStringLiteral(u"さんじゅうろく"),     QStringLiteral(u"よんじゅうきゅう"),
            QStringLiteral(u"ななじゅうに"),       QStringLiteral(u"はちじゅういち"),
            QStringLiteral(u"いんいちがいち"),     QStringLiteral(u"さぶろくじゅうはち"),
            QStringLiteral(u"はっくしちじゅうに"), QStringLiteral(u"ごのだん"),
            QStringLiteral(u"テストおわり"),       QStringLiteral(u"ストップ")};
}

QString TVoiceEnrolmentForm::currentPhrase() const {
    return m_taken < m_phrases.size() ? m_phrases[m_taken] : QString();
}

void TVoiceEnrolmentForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_learning) m_context.listenFor(currentPhrase());
}

void TVoiceEnrolmentForm::done(int result) {
    m_context.listenFor({});
    QDialog::done(result);
}

void TVoiceEnrolmentForm::ask() {
    m_progress->setValue(m_taken);
    m_phrase->setText(QStringLiteral(u"「%1」").arg(currentPhrase()));
    if (isVisible()) m_context.listenFor(currentPhrase());
}

void TVoiceEnrolmentForm::heard(const RecoResult& result, bool understood) {
    if (m_learning || currentPhrase().isEmpty()) return;
    // Listening for the shown phrase alone, anything else heard clearly enough to be a phrase
    // is that phrase said; heard without confidence it was a cough or a word of chat.
    if (!understood) {
        m_status->setText(QStringLiteral(u"よく聞こえなかったよ。もういちど言ってね。"));
        return;
    }
    Q_UNUSED(result);
    m_context.confirmLastPhrase(currentPhrase());
    ++m_taken;
    m_status->setText(QStringLiteral(u"いいね！"));
    if (m_taken < m_phrases.size())
        ask();
    else
        finish();
}

void TVoiceEnrolmentForm::finish() {
    m_progress->setValue(m_taken);
    m_context.listenFor({});
    m_phrase->setText(QStringLiteral(u"ありがとう！"));
    m_close->setText(QStringLiteral(u"とじる"));
    m_learning = m_context.learnVoiceNow();
    m_status->setText(m_learning ? QStringLiteral(u"声をおぼえています…（このまま使ってだいじょうぶ）")
                                 : QStringLiteral(u"この道場では声をおぼえられません。"));
    if (m_closesWhenDone) QTimer::singleShot(1500, this, &QDialog::accept);
}

void TVoiceEnrolmentForm::learnerNote(const QString& text) {
    if (!m_learning) return;
    if (text.startsWith(QStringLiteral(u"<声をおぼえました"))) {
        m_learning = false;
        m_status->setText(QStringLiteral(u"きみの声をおぼえたよ！"));
    } else if (text.startsWith(QStringLiteral(u"<声をおぼえられませんでした")) ||
               text.startsWith(QStringLiteral(u"<声のモデルを使いません"))) {
        m_learning = false;
        m_status->setText(
            QStringLiteral(u"声をおぼえられませんでした。くわしくはインフォメーションを見てね。"));
    }
}

QString VoiceEnrolmentOffer::spokenOffer() {
    // Short: the child hears it before the test he asked for.
    return QStringLiteral(
        u"テストの前に、きみの声をおぼえてもいいかな。あとにするなら、テストはじめ、と言ってね。");
}

QString VoiceEnrolmentOffer::acceptButtonText() {
    return QStringLiteral(u"声をおぼえてもらう");
}

QString VoiceEnrolmentOffer::skipButtonText() {
    return QStringLiteral(u"あとで");
}

QString VoiceEnrolmentOffer::skipPhrase() {
    return QStringLiteral(u"テストはじめ");
}

VoiceEnrolmentOffer::Outcome VoiceEnrolmentOffer::beforeVoiceRun(SpSharedRecoContext& context,
                                                                 Speaker& speaker, const QString& learner,
                                                                 QWidget* parent) {
    if (m_offered.contains(learner) || !context.hasMicrophone() || !context.learnsVoice() ||
        context.knowsVoice() || !context.listeningFor().isEmpty())
        return Outcome::NotOffered;
    m_offered.insert(learner);

    int answer = QDialog::Rejected;
    {
        QDialog offer(parent);
        offer.setWindowTitle(QStringLiteral(u"声をおぼえてもらう"));
        offer.setModal(true);
        auto* layout = new QVBoxLayout(&offer);
        auto* text =
            new QLabel(QStringLiteral(u"テストの前に、きわむ先生にきみの声をおぼえてもらおう。\n"
                                      u"ことばを12こ言うだけ。先生がきみの声をよく聞けるようになるよ。\n"
                                      u"あとにするときは「あとで」をおすか、「テストはじめ」と言ってね。"),
                       &offer);
        layout->addWidget(text);
        auto* buttons = new QHBoxLayout;
        auto* accept = new QPushButton(acceptButtonText(), &offer);
        auto* skip = new QPushButton(skipButtonText(), &offer);
        accept->setDefault(true);
        buttons->addWidget(accept);
        buttons->addWidget(skip);
        layout->addLayout(buttons);
        QObject::connect(accept, &QPushButton::clicked, &offer, &QDialog::accept);
        QObject::connect(skip, &QPushButton::clicked, &offer, &QDialog::reject);
        // Listening for the start command alone: said again, it means "the test now".
        QObject::connect(&context, &SpSharedRecoContext::Recognition, &offer,
                         [&offer](int, qint64, int, const RecoResult&) { offer.reject(); });
        speaker.SpeakAsync(spokenOffer());
        context.listenFor(skipPhrase());
        answer = offer.exec();
    }
    context.listenFor({});
    if (answer != QDialog::Accepted) return Outcome::Skipped;

    TVoiceEnrolmentForm enrolment(context, parent);
    enrolment.setClosesWhenDone(true);
    enrolment.exec();
    return enrolment.currentPhrase().isEmpty() ? Outcome::Enrolled : Outcome::Skipped;
}

}  // namespace rentabo
