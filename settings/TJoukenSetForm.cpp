#include "settings/TJoukenSetForm.h"

#include "core/WindowPlacement.h"
#include "settings/AuxPictures.h"
#include "ui_JoukenSetForm.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMediaDevices>
#include <QProgressBar>
#include <QSignalBlocker>

namespace rentabo {

namespace {

// Delphi's money green, the dialog's colour since its first version.
const QColor kMoneyGreen(192, 220, 192);

}  // namespace

TJoukenSetForm::TJoukenSetForm(KukuState& state, SpVoice& voice, EffectPlayer& effects, Pacer& pacer,
                               std::function<void(int)> reloadEffects, std::function<void()> openHelp,
                               QWidget* parent)
    : QWidget(parent, Qt::Tool),
      m_ui(std::make_unique<Ui::JoukenSetForm>()),
      m_settings(state, voice, effects, pacer, std::move(reloadEffects)),
      m_openHelp(std::move(openHelp)) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(259, 511);
    setFont(auxWindowFont(12));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kMoneyGreen);
    setPalette(pal);
    setAutoFillBackground(true);
    m_ui->Image1->setPixmap(auxPicture(AuxPicture::JoukenCorner));
    m_ui->GroupBox3->setVisible(false);
    m_ui->GroupBox3->setEnabled(false);

    auto* group1 = new QButtonGroup(this);
    group1->setObjectName(QStringLiteral("RadioGroup1Buttons"));
    group1->addButton(m_ui->RadioButton1_0, 0);
    group1->addButton(m_ui->RadioButton1_1, 1);
    auto* group2 = new QButtonGroup(this);
    group2->setObjectName(QStringLiteral("RadioGroup2Buttons"));
    group2->addButton(m_ui->RadioButton2_0, 0);
    group2->addButton(m_ui->RadioButton2_1, 1);
    group2->addButton(m_ui->RadioButton2_2, 2);
    group2->addButton(m_ui->RadioButton2_3, 3);

    // The filling rule lives in JoukenSettings; the controls only show its outcome.
    showControls(m_settings.fill(controls()));
    connectControls();
    addMicrophoneChoice();
}

TJoukenSetForm::~TJoukenSetForm() = default;

JoukenControls TJoukenSetForm::controls() const {
    JoukenControls c;
    c.checkBox1 = m_ui->CheckBox1->isChecked();
    c.checkBox7 = m_ui->CheckBox7->isChecked();
    c.checkBox8 = m_ui->CheckBox8->isChecked();
    c.radioGroup1 = m_ui->RadioButton1_0->group()->checkedId();
    c.radioGroup2 = m_ui->RadioButton2_0->group()->checkedId();
    c.spRateBar = m_ui->SpRateBar->value();
    c.spVolBar = m_ui->SpVolBar->value();
    c.effectBar = m_ui->EffectBar->value();
    c.upDown1 = m_ui->UpDown1->value();
    c.upDown2 = m_ui->UpDown2->value();
    c.edit3 = m_ui->Edit3->text();
    return c;
}

void TJoukenSetForm::showControls(const JoukenControls& c) {
    m_ui->CheckBox1->setChecked(c.checkBox1);
    m_ui->CheckBox7->setChecked(c.checkBox7);
    m_ui->CheckBox8->setChecked(c.checkBox8);
    auto choose = [](QButtonGroup* group, int id) {
        if (id >= 0) {
            group->button(id)->setChecked(true);
        } else if (QAbstractButton* checked = group->checkedButton()) {
            group->setExclusive(false);
            checked->setChecked(false);
            group->setExclusive(true);
        }
    };
    choose(m_ui->RadioButton1_0->group(), c.radioGroup1);
    choose(m_ui->RadioButton2_0->group(), c.radioGroup2);
    m_ui->SpRateBar->setValue(c.spRateBar);
    m_ui->SpVolBar->setValue(c.spVolBar);
    m_ui->EffectBar->setValue(c.effectBar);
    m_ui->UpDown1->setValue(c.upDown1);
    m_ui->UpDown2->setValue(c.upDown2);
    m_ui->Edit3->setText(c.edit3);
}

void TJoukenSetForm::connectControls() {
    JoukenSettings* s = &m_settings;
    connect(m_ui->CheckBox1, &QCheckBox::toggled, this, [s](bool on) { s->setEffectSounds(on); });
    connect(m_ui->CheckBox7, &QCheckBox::toggled, this, [s](bool on) { s->setInfoSpeaking(on); });
    connect(m_ui->CheckBox8, &QCheckBox::toggled, this, [s](bool on) { s->setGreetings(on); });
    // Only a change of choice counts: clicking the item already chosen does nothing.
    connect(m_ui->RadioButton1_0->group(), &QButtonGroup::idToggled, this, [s](int id, bool on) {
        if (on) s->setReadAloud(id);
    });
    connect(m_ui->RadioButton2_0->group(), &QButtonGroup::idToggled, this, [s](int id, bool on) {
        if (on) s->setSpeed(id);
    });
    connect(m_ui->SpRateBar, &QSlider::valueChanged, this, [s](int v) { s->setVoiceRate(v); });
    connect(m_ui->SpVolBar, &QSlider::valueChanged, this, [s](int v) { s->setVoiceVolumeStep(v); });
    connect(m_ui->EffectBar, &QSlider::valueChanged, this, [s](int v) { s->setEffectVolumeStep(v); });
    connect(m_ui->UpDown1, &ArrowSpinBox::arrowClicked, this, [s](int v) { s->setRounds(v); });
    connect(m_ui->UpDown2, &ArrowSpinBox::arrowClicked, this, [s](int v) { s->setInterval(v); });
    connect(m_ui->Edit3, &QLineEdit::textChanged, this, [s](const QString& t) { s->setFreeText(t); });
    connect(m_ui->SpTestBtn, &QPushButton::clicked, this, [s] { s->tryVoice(); });
    connect(m_ui->Button2, &QPushButton::clicked, this, [s] { s->tryEffectSounds(); });
    connect(m_ui->Button3, &QPushButton::clicked, this, &QWidget::hide);
    connect(m_ui->Button4, &QPushButton::clicked, this, [this] {
        if (m_openHelp) m_openHelp();
    });
}

// In the place of the hidden time box: a list of the inputs and, beside it, how loud the chosen
// one hears the learner now.
void TJoukenSetForm::addMicrophoneChoice() {
    auto* group = new QGroupBox(QStringLiteral(u"◎マイク"), this);
    group->setObjectName(QStringLiteral("MicGroup"));
    group->setGeometry(136, 456, 115, 50);
    auto* box = new QComboBox(group);
    box->setObjectName(QStringLiteral("MicBox"));
    box->setGeometry(6, 20, 86, 22);
    box->view()->setMinimumWidth(240);  // the descriptions are long
    auto* level = new QProgressBar(group);
    level->setObjectName(QStringLiteral("MicLevelBar"));
    level->setOrientation(Qt::Vertical);
    level->setTextVisible(false);
    level->setRange(0, 100);
    level->setValue(0);
    level->setGeometry(97, 14, 12, 32);
    level->setToolTip(QStringLiteral(u"マイクに入る声の大きさ"));
    group->show();

    connect(box, &QComboBox::activated, this, [this, box](int index) {
        const QByteArray id = box->itemData(index).toByteArray();
        m_settings.state().micDevice = QString::fromUtf8(id);
        box->setToolTip(box->itemText(index));
        if (microphoneChosen) microphoneChosen(id);
        if (isVisible()) listenForLevel();
    });
    connect(&m_meterInput, &MicrophoneInput::Audio, this,
            [this, level](const std::int16_t* samples, std::size_t n) {
                for (int v : m_meter.push(samples, n)) level->setValue(v);
            });
    connect(&m_meterInput, &MicrophoneInput::Lost, this, [level] { level->setValue(0); });
    auto* devices = new QMediaDevices(this);
    connect(devices, &QMediaDevices::audioInputsChanged, this, [this] {
        setMicrophones(microphoneChoices());
        if (isVisible()) listenForLevel();
    });
    setMicrophones(microphoneChoices());
}

void TJoukenSetForm::setMicrophones(const std::vector<MicrophoneChoice>& inputs) {
    auto* box = findChild<QComboBox*>(QStringLiteral("MicBox"));
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItem(QStringLiteral(u"いつものマイク"), QByteArray());
    const QByteArray wanted = m_settings.state().micDevice.toUtf8();
    for (const MicrophoneChoice& input : inputs) {
        box->addItem(input.description, input.id);
        if (input.id == wanted) box->setCurrentIndex(box->count() - 1);
    }
    box->setToolTip(box->currentText());
}

void TJoukenSetForm::listenForLevel() {
    m_meter = LevelMeter();
    m_meterInput.setWantedDevice(m_settings.state().micDevice.toUtf8());
    if (!m_meterInput.start(nullptr)) findChild<QProgressBar*>(QStringLiteral("MicLevelBar"))->setValue(0);
}

void TJoukenSetForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    listenForLevel();
}

void TJoukenSetForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_meterInput.stop();
    findChild<QProgressBar*>(QStringLiteral("MicLevelBar"))->setValue(0);
}

void TJoukenSetForm::placeBeside(const QRect& mainFrame) {
    placeOnScreen(*this, QPoint(mainFrame.x() + mainFrame.width(), mainFrame.y() + 50), mainFrame);
}

void TJoukenSetForm::keyPressEvent(QKeyEvent* event) {
    // J (virtual key 74) or the keypad's * (106) put the dialog away. A key the focused control
    // takes as text (J typed into the よび名 box) never gets here, so a call name with a J in it
    // can still be typed.
    const bool keypadMultiply = event->key() == Qt::Key_Asterisk && (event->modifiers() & Qt::KeypadModifier);
    if (event->key() == Qt::Key_J || keypadMultiply) {
        hide();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TJoukenSetForm::setChoicesEnabled(bool enabled) {
    m_ui->RadioGroup1->setEnabled(enabled);
    m_ui->RadioGroup2->setEnabled(enabled);
}

bool TJoukenSetForm::choicesEnabled() const {
    return m_ui->RadioGroup1->isEnabled() && m_ui->RadioGroup2->isEnabled();
}

}  // namespace rentabo
