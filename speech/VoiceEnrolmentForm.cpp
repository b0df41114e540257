#include "speech/VoiceEnrolmentForm.h"

#include "speech/platform/SpSharedRecoContext.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
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
    return {QStringLiteral(u"じゅうはち"),         QStringLiteral(u"にじゅうよん"),
            QStringLiteral(u"さんじゅうろく"),     QStringLiteral(u"しじゅうく"),
            QStringLiteral(u"ごじゅうろく"),       QStringLiteral(u"しちじゅうに"),
            QStringLiteral(u"はちじゅういち"),     QStringLiteral(u"さぶろくじゅうはち"),
            QStringLiteral(u"ごごにじゅうご"),     QStringLiteral(u"しちしちしじゅうく"),
            QStringLiteral(u"はっくしちじゅうに"), QStringLiteral(u"テストはじめ")};
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

}  // namespace rentabo
