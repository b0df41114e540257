#include "app/TAboutForm.h"
#include "app/TSplashFForm.h"
#include "core/Timing.h"
#include "settings/ArrowSpinBox.h"
#include "settings/TJoukenSetForm.h"
#include "tests/support/RecordingBoard.h"
#include "tests/support/VirtualPacer.h"
#include "tests/support/VirtualVoice.h"

#include "tests/TestOutput.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace rentabo {
namespace {

struct FormRig {
    explicit FormRig(KukuState initial) : state(std::move(initial)) {}
    std::unique_ptr<TJoukenSetForm> make() {
        return std::make_unique<TJoukenSetForm>(
            state, voice, effects, pacer, [this](int v) { reloads.push_back(v); }, [this] { ++helps; });
    }
    KukuState state;
    VirtualPacer pacer;
    VirtualVoice voice{pacer};
    RecordingEffects effects;
    std::vector<int> reloads;
    int helps = 0;
};

template <typename T>
T* child(QWidget& w, const char* name) {
    T* found = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST(TJoukenSetForm, StartUpFillingShowsAndStoresBackTheLoadedSettings) {
    KukuState loaded;
    loaded.sikiSpVolume = 52;
    loaded.sikiSpRate = 15;
    loaded.procFlag = 0;
    FormRig rig(loaded);
    auto form = rig.make();
    EXPECT_EQ(child<QSlider>(*form, "SpVolBar")->value(), 10);
    EXPECT_EQ(rig.state.sikiSpVolume, 50);
    EXPECT_EQ(child<QSlider>(*form, "SpRateBar")->value(), 10);
    EXPECT_EQ(rig.state.sikiSpRate, 10);
    EXPECT_EQ(rig.voice.rate(), 10);
    EXPECT_TRUE(child<QRadioButton>(*form, "RadioButton2_0")->isChecked());
    EXPECT_EQ(pacingOf(rig.state.procFlag).speedPause, 100);
    EXPECT_EQ(pacingOf(rig.state.procFlag).speedWait, 100);
    EXPECT_EQ(pacingOf(rig.state.procFlag).speedTimerWait, 6000);
    EXPECT_EQ(rig.reloads, std::vector<int>{50});
    EXPECT_EQ(form->windowTitle(), QStringLiteral(u"□「Rentabo」の設定□"));
    EXPECT_EQ(form->size(), QSize(259, 511));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(child<QGroupBox>(*form, "GroupBox3")->isVisibleTo(form.get()));
    EXPECT_FALSE(child<QCheckBox>(*form, "CheckBox7")->isEnabled());
}

TEST(TJoukenSetForm, AVolumeBelowOneStepIsLeftAlone) {
    KukuState loaded;
    loaded.sikiSpVolume = 3;
    FormRig rig(loaded);
    auto form = rig.make();
    EXPECT_EQ(child<QSlider>(*form, "SpVolBar")->value(), 0);
    EXPECT_EQ(rig.state.sikiSpVolume, 3);
}

TEST(TJoukenSetForm, AChosenSpeedPacesTheRuns) {
    FormRig rig(KukuState{});
    auto form = rig.make();
    child<QRadioButton>(*form, "RadioButton2_2")->click();
    EXPECT_EQ(rig.state.procFlag, 2);
    EXPECT_EQ(pacingOf(rig.state.procFlag).speedPause, 200);
    EXPECT_EQ(pacingOf(rig.state.procFlag).speedWait, 3000);
    EXPECT_EQ(pacingOf(rig.state.procFlag).speedTimerWait, 2700);
    child<QRadioButton>(*form, "RadioButton1_1")->click();
    EXPECT_EQ(rig.state.yomiWay, 1);
}

TEST(TJoukenSetForm, TypingARepetitionCountChangesNothingUntilAnArrow) {
    FormRig rig(KukuState{});
    auto form = rig.make();
    form->show();
    auto* upDown = child<ArrowSpinBox>(*form, "UpDown1");
    upDown->setFocus();
    QTest::keyClick(upDown, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(upDown, QStringLiteral("5"));
    EXPECT_EQ(upDown->value(), 5);
    EXPECT_EQ(rig.state.kaisuuMax, 2);
    QTest::keyClick(upDown, Qt::Key_Up);  // the arrow starts from the typed number
    EXPECT_EQ(rig.state.kaisuuMax, 6);
    upDown->stepBy(10);
    EXPECT_EQ(rig.state.kaisuuMax, 9);
}

TEST(TJoukenSetForm, ControlsWriteTheirSettingsAtOnce) {
    FormRig rig(KukuState{});
    auto form = rig.make();
    child<QCheckBox>(*form, "CheckBox1")->click();
    EXPECT_EQ(rig.state.pinponFlag, 1);
    child<QCheckBox>(*form, "CheckBox8")->click();
    EXPECT_EQ(rig.state.msgSpeakFlag, 1);
    child<QSlider>(*form, "SpVolBar")->setValue(4);
    EXPECT_EQ(rig.state.sikiSpVolume, 20);
    EXPECT_EQ(rig.voice.volume(), 20);
    child<QSlider>(*form, "EffectBar")->setValue(20);
    EXPECT_EQ(rig.state.effectVolume, 100);
    EXPECT_EQ(rig.reloads.back(), 100);
    child<QLineEdit>(*form, "Edit3")->clear();
    EXPECT_TRUE(rig.state.userSyobina.isEmpty());
    child<QLineEdit>(*form, "Edit3")->setText(QStringLiteral(u"じゅんくん"));
    EXPECT_EQ(rig.state.userSyobina, QStringLiteral(u"じゅんくん"));
    child<QPushButton>(*form, "SpTestBtn")->click();
    EXPECT_EQ(rig.voice.texts().value(0), QStringLiteral(u"現在の設定は，この音量と速さです。"));
    child<QPushButton>(*form, "Button2")->click();
    EXPECT_EQ(rig.effects.played, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(rig.pacer.now(), 1200);
    child<QPushButton>(*form, "Button4")->click();
    EXPECT_EQ(rig.helps, 1);
}

TEST(TJoukenSetForm, JOrTheKeypadStarHidesItButAJTypedAsTextDoesNot) {
    FormRig rig(KukuState{});
    auto form = rig.make();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool hides;
    };
    const Case cases[] = {
        {Qt::Key_J, Qt::NoModifier, true},
        {Qt::Key_Asterisk, Qt::KeypadModifier, true},
        {Qt::Key_Asterisk, Qt::NoModifier, false},  // Shift+8 is another key
        {Qt::Key_K, Qt::NoModifier, false},
    };
    for (const Case& c : cases) {
        form->show();
        // A button does not take the key, so it reaches the dialog.
        QTest::keyClick(child<QPushButton>(*form, "Button2"), c.key, c.modifiers);
        EXPECT_EQ(form->isHidden(), c.hides) << c.key;
    }
    form->show();
    auto* edit = child<QLineEdit>(*form, "Edit3");
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("j"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(rig.state.userSyobina.endsWith(QLatin1Char('j')));
    child<QPushButton>(*form, "Button3")->click();
    EXPECT_TRUE(form->isHidden());
}

// The laptop's own microphone and a headset, as the system describes them.
const std::vector<MicrophoneChoice> kTwoInputs{
    {"alsa_input.pci-0000_00_1f.3.analog-stereo", QStringLiteral(u"内蔵オーディオ アナログステレオ")},
    {"alsa_input.usb-Headset-00.mono-fallback", QStringLiteral("USB Headset Mono")},
};

QStringList itemsOf(const QComboBox& box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
    return items;
}

TEST(TJoukenSetForm, AMicrophoneChosenByKeyIsStoredByIdAndPassedOn) {
    FormRig rig(KukuState{});
    auto form = rig.make();
    std::vector<QByteArray> chosen;
    form->microphoneChosen = [&](const QByteArray& id) { chosen.push_back(id); };
    form->setMicrophones(kTwoInputs);
    QComboBox* box = child<QComboBox>(*form, "MicBox");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(itemsOf(*box), (QStringList{QStringLiteral(u"いつものマイク"), kTwoInputs[0].description,
                                          kTwoInputs[1].description}));
    EXPECT_EQ(box->currentIndex(), 0);
    QTest::keyClick(box, Qt::Key_End);
    EXPECT_EQ(rig.state.micDevice, QString::fromUtf8(kTwoInputs[1].id));
    QTest::keyClick(box, Qt::Key_Home);
    EXPECT_TRUE(rig.state.micDevice.isEmpty());
    EXPECT_EQ(chosen, (std::vector<QByteArray>{kTwoInputs[1].id, QByteArray()}));
}

TEST(TJoukenSetForm, TheMicrophoneListFollowsTheDevicesAndKeepsAMissingChoice) {
    struct Case {
        const char* what;
        std::vector<MicrophoneChoice> inputs;
        int shown;
    };
    const std::vector<Case> cases{
        {"the headset plugged in", kTwoInputs, 2},
        {"the headset unplugged: the default shown", {kTwoInputs[0]}, 0},
        {"no input at all", {}, 0},
        {"the headset back", {kTwoInputs[1], kTwoInputs[0]}, 1},
    };
    KukuState loaded;
    loaded.micDevice = QString::fromUtf8(kTwoInputs[1].id);
    FormRig rig(loaded);
    auto form = rig.make();
    int told = 0;
    form->microphoneChosen = [&](const QByteArray&) { ++told; };
    QComboBox* box = child<QComboBox>(*form, "MicBox");
    ASSERT_NE(box, nullptr);
    for (const Case& c : cases) {
        form->setMicrophones(c.inputs);
        EXPECT_EQ(box->count(), int(c.inputs.size()) + 1) << c.what;
        EXPECT_EQ(box->currentIndex(), c.shown) << c.what;
        // Devices coming and going never change the remembered choice.
        EXPECT_EQ(rig.state.micDevice, QString::fromUtf8(kTwoInputs[1].id)) << c.what;
    }
    EXPECT_EQ(told, 0);
}

TEST(TJoukenSetForm, SitsBesideTheMainWindow) {
    FormRig rig(KukuState{});
    auto form = rig.make();
    form->placeBeside(QRect(200, 200, 618, 760));
    EXPECT_EQ(form->pos(), QPoint(818, 250));
}

TEST(TJoukenSetForm, RendersItsJapaneseCaptions) {
    FormRig rig(KukuState{});
    auto form = rig.make();
    form->show();
    const QImage image = form->grab().toImage();
    ASSERT_EQ(image.size(), QSize(259, 511));
    image.save(testOutputPath(QStringLiteral("rentabo-jouken.png")));
    // The money green shows in a corner away from every control.
    EXPECT_EQ(image.pixelColor(255, 508), QColor(192, 220, 192));
    EXPECT_FALSE(child<QLabel>(*form, "Image1")->pixmap().isNull());
}

TEST(TSplashFForm, WaitsForTheProgramThenClosesAndFreesItself) {
    QPointer<TSplashFForm> splash = new TSplashFForm;
    EXPECT_FALSE(splash->timer().isActive());
    EXPECT_EQ(splash->timer().interval(), 2000);
    EXPECT_EQ(splash->size(), QSize(394, 207));
    EXPECT_EQ(splash->windowTitle(), QStringLiteral(u"お知らせ"));
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(child<QLabel>(*splash, "Label1")->text(),
              QStringLiteral(u"\n　音声認識システムが起動するまでに \n\n　時間がかかる場合があります。\n\n"
                             u"　それまでお待ち下さい。\n\n　『Rentabo』師範：九九きわむ\n"));
    splash->centreOn(QRect(0, 0, 1025, 769));
    EXPECT_EQ(splash->pos(), QPoint(315, 281));
    splash->show();
    splash->grab().save(testOutputPath(QStringLiteral("rentabo-splash.png")));
    splash->enableTimer();
    EXPECT_TRUE(splash->timer().isActive());
    splash->closeAfterItsTime();  // what the timer does when it fires
    EXPECT_FALSE(splash->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
}

TEST(TAboutForm, ShowsTheSameVersionEveryTimeAndClosesWithOk) {
    for (int i = 0; i < 2; ++i) {
        TAboutForm about;
        EXPECT_EQ(about.windowTitle(), QStringLiteral(u"バージョン情報"));
        EXPECT_EQ(about.size(), QSize(190, 129));
        EXPECT_EQ(child<QLabel>(about, "Label3")->text(),
                  QStringLiteral(u"《九九をやっつけちゃおう--音声版》"));
        EXPECT_EQ(child<QLabel>(about, "Label2")->text(), QStringLiteral(u"『RentaboV』"));
        EXPECT_EQ(child<QLabel>(about, "StaticText1")->text(), QStringLiteral("v2.48"));
        EXPECT_EQ(child<QLabel>(about, "Label5")->text(), QStringLiteral("Pelunari"));
        auto* ok = child<QPushButton>(about, "Button1");
        EXPECT_EQ(ok->text(), QStringLiteral(u"Ｏ Ｋ"));
        EXPECT_TRUE(ok->isDefault());
        EXPECT_FALSE(child<QLabel>(about, "Image2")->pixmap().isNull());
        about.show();
        if (i == 0) about.grab().save(testOutputPath(QStringLiteral("rentabo-about.png")));
        ok->click();
        EXPECT_FALSE(about.isVisible());
        EXPECT_EQ(about.result(), QDialog::Accepted);
    }
}

}  // namespace
}  // namespace rentabo
