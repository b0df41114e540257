#include "records/NigateForm.h"

#include "core/Pacer.h"
#include "core/WindowPlacement.h"
#include "records/Nigate.h"
#include "speech/Speaker.h"
#include "ui_NigateForm.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace rentabo {

TNigateForm::TNigateForm(KukuState& state, Speaker& speaker, Pacer& pacer, QWidget* parent)
    : QWidget(parent, Qt::Tool),
      m_state(state),
      m_speaker(speaker),
      m_pacer(pacer),
      m_ui(std::make_unique<Ui::NigateForm>()) {
    m_ui->setupUi(this);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xC0, 0xFF, 0xC0));
    setPalette(p);
    connect(m_ui->ReadAllButton, &QPushButton::clicked, this, [this] { ReadAll(); });
    connect(m_ui->CloseButton, &QPushButton::clicked, this, &QWidget::hide);
    m_ui->RepeatButton->setToolTip(QStringLiteral(u"押しておくと，３回くり返して読む"));
}

TNigateForm::~TNigateForm() = default;

bool TNigateForm::repeatOn() const {
    return m_ui->RepeatButton->isChecked();
}

int TNigateForm::heightFor(int entries) {
    // 80 pixels an entry, but never smaller than the buttons need nor taller than the two
    // columns of 20 lines (a longer window would leave the screen).
    return std::clamp(80 * entries, 303, 80 + 40 * 20 + 20);
}

void TNigateForm::showBeside(const QRect& mainFrame) {
    const int entries = static_cast<int>(weakFacts(m_state.errorsStr).size());
    resize(380, heightFor(entries));
    const QPoint wanted(mainFrame.left() + mainFrame.width() + 300, mainFrame.top());
    placeOnScreen(*this, wanted, mainFrame);
    show();
    // Once shown its frame is known, and the frame too must stay on the screen.
    placeOnScreen(*this, wanted, mainFrame);
    raise();
}

int TNigateForm::ReadAll() {
    // A second click while the list is being read would start a reading inside the reading.
    if (m_reading) return 0;
    m_reading = true;
    m_ui->ReadAllButton->setEnabled(false);
    const int read = ReadWeakFacts(m_state.errorsStr, m_speaker, m_pacer, repeatOn() ? 3 : 1, [this](int k) {
        m_cur = k;
        update();
    });
    m_cur = -1;
    m_reading = false;
    m_ui->ReadAllButton->setEnabled(true);
    update();
    return read;
}

void TNigateForm::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter p(this);
    QFont f(QStringLiteral("IPAGothic"));
    f.setPointSize(18);
    p.setFont(f);
    const std::vector<int> facts = weakFacts(m_state.errorsStr);
    for (int line = 0; line < static_cast<int>(facts.size()); ++line) {
        const auto at = nigateLinePos(line);
        if (!at) break;
        p.setPen(facts[line] == m_cur ? QColor(Qt::red) : QColor(Qt::blue));
        p.drawText(*at, nigateLineText(facts[line]));
    }
}

void TNigateForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace rentabo
