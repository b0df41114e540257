#include "speech/TypedPhraseForm.h"

#include "speech/platform/SpSharedRecoContext.h"
#include "ui_TypedPhraseForm.h"

#include <QGridLayout>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace rentabo {

namespace {
// Long enough for any phrase of the grammar or a chat sentence; more is a stuck key.
constexpr int kMaxPhraseLength = 60;
}  // namespace

TTypedPhraseForm::TTypedPhraseForm(SpSharedRecoContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_ui(std::make_unique<Ui::TypedPhraseForm>()) {
    m_ui->setupUi(this);
    setModal(false);
    m_ui->PhraseEdit->setMaxLength(kMaxPhraseLength);
    m_ui->SayButton->setDefault(true);
    m_ui->SayButton->setAutoDefault(true);

    connect(m_ui->SayButton, &QPushButton::clicked, this, [this] { say(m_ui->PhraseEdit->text()); });
    connect(m_ui->PhraseEdit, &QLineEdit::returnPressed, this, [this] { say(m_ui->PhraseEdit->text()); });

    auto* grid = new QGridLayout(m_ui->ExampleBox);
    const QStringList examples = examplePhrases();
    for (int i = 0; i < examples.size(); ++i) {
        auto* b = new QPushButton(examples[i], m_ui->ExampleBox);
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, [this, text = examples[i]] { say(text); });
        grid->addWidget(b, i / 3, i % 3);
    }

    connect(&m_context, &SpSharedRecoContext::Recognition, this,
            [this](int, qint64, int, const RecoResult& r) { heard(r, true); });
    connect(&m_context, &SpSharedRecoContext::FalseRecognition, this,
            [this](int, qint64, const RecoResult& r) { heard(r, false); });
}

TTypedPhraseForm::~TTypedPhraseForm() = default;

QStringList TTypedPhraseForm::examplePhrases() {
    return {QStringLiteral(u"さん"),
            QStringLiteral(u"じゅうはち"),
            QStringLiteral(u"テスト始め"),
            QStringLiteral(u"テストおわり"),
            QStringLiteral(u"三の段"),
            QStringLiteral(u"さぶろくじゅうはち"),
            QStringLiteral(u"いちのだんをよんで"),
            QStringLiteral(u"にがてをよんで"),
            QStringLiteral(u"おはなしモード"),
            QStringLiteral(u"がめんクリア"),
            QStringLiteral(u"せいせきをみせて"),
            QStringLiteral(u"さようなら")};
}

void TTypedPhraseForm::say(const QString& text) {
    const QString phrase = text.trimmed();
    m_ui->PhraseEdit->clear();
    m_ui->PhraseEdit->setFocus();
    if (phrase.isEmpty()) return;
    m_ui->StatusLabel->setText(QStringLiteral(u"「%1」と話しかけました。").arg(phrase));
    QPointer<SpSharedRecoContext> context(&m_context);
    QPointer<TTypedPhraseForm> self(this);
    QTimer::singleShot(0, &m_context, [context, self, phrase] {
        if (!context) return;
        if (self) {
            self->m_delivering = phrase;
            self->m_awaiting.clear();
            self->m_handled = false;
        }
        context->acceptTypedPhrase(phrase);
        if (self) self->m_delivering.clear();
    });
}

void TTypedPhraseForm::heard(const RecoResult& result, bool understood) {
    if (!understood || m_delivering.isEmpty()) {
        // A spoken phrase, or a typed one no rule holds.
        m_awaiting.clear();
        if (understood)
            m_ui->StatusLabel->setText(QStringLiteral(u"「%1」が伝わりました。").arg(result.text));
        else
            m_ui->StatusLabel->setText(
                QStringLiteral(u"「%1」はわかりませんでした。下の言い方をためしてね。").arg(result.text));
        return;
    }
    // The program may have handled it already (its handler comes first), or does so later.
    if (m_handled) return;
    m_awaiting = m_delivering;
    m_ui->StatusLabel->setText(QStringLiteral(u"「%1」が伝わりました。").arg(m_delivering));
}

void TTypedPhraseForm::handled(bool acted, const QString& why) {
    const QString phrase = m_delivering.isEmpty() ? m_awaiting : m_delivering;
    if (phrase.isEmpty() || m_handled) return;
    m_handled = true;
    m_awaiting.clear();
    if (acted)
        m_ui->StatusLabel->setText(QStringLiteral(u"「%1」が伝わりました。そのとおりにします。").arg(phrase));
    else
        m_ui->StatusLabel->setText(QStringLiteral(u"「%1」は伝わりましたが，%2").arg(phrase, why));
}

}  // namespace rentabo
