#include "core/KukuTables.h"
#include "core/WeakList.h"
#include "lessons/LessonEngine.h"
#include "records/RecordWindowsHost.h"
#include "records/ResultDspForms.h"
#include "records/SikakuCheckForm.h"
#include "settings/SettingsFile.h"
#include "speech/Speaker.h"
#include "tests/support/RecordingBoard.h"
#include "tests/support/Text.h"
#include "tests/support/VirtualPacer.h"
#include "tests/support/VirtualVoice.h"

#include <QApplication>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

using namespace rentabo;

namespace {

using rentabo::testing::q;

// The main window, as far as a keyboard test and the record windows reach it: the lesson's
// result tables and weak points go to the real record code, and each modal window is run by the
// next script.
class MainWindowTwin final : public LessonHost, public RecordWindowsHost {
public:
    MainWindowTwin(RecordingBoard& board, Pacer& pacer) : m_board(board), m_pacer(pacer) {}

    void showAnswerWay(bool, bool) override {}
    void setAnswerWayVisible(bool) override {}
    void enableResultMenus(bool, bool) override {}
    void focusStartButton() override {}
    void focusMemo() override {}
    void showMessage(const QString& text, const QString& caption) override { message(text, caption); }
    void setChoiceIndex(int) override {}
    void openChart() override {}
    void Kekka_Dsp(KukuState& state) override { rentabo::Kekka_Dsp(state, m_board, *this, m_pacer, nullptr); }
    void KekkaD_Dsp(KukuState& state) override {
        rentabo::KekkaD_Dsp(state, m_board, *this, m_pacer, nullptr);
    }
    void ErrRec(int kuku_n) override { rentabo::ErrRec(errors, kuku_n); }
    bool spokenAnswerTick() override { return false; }
    void restoreExpressionFont() override {}

    QString nameBoxText() const override { return q(u"くく はじめ"); }
    void focusNameBox() override {}
    void ShowInfoPanel(int on) override { infoPanel.push_back(on); }
    void message(const QString& text, const QString& caption) override { messages << caption + u'|' + text; }
    bool openDocument(const QString&) override { return false; }
    void runModal(QDialog& dialog) override {
        dialog.show();
        QApplication::processEvents();
        ASSERT_FALSE(scripts.empty()) << dialog.windowTitle().toStdString();
        auto script = std::move(scripts.front());
        scripts.pop_front();
        script(dialog);
        if (dialog.isVisible()) dialog.close();
    }

    QString errors;
    std::vector<int> infoPanel;
    QStringList messages;
    std::deque<std::function<void(QDialog&)>> scripts;

private:
    RecordingBoard& m_board;
    Pacer& m_pacer;
};

}  // namespace

TEST(RecordsEndToEnd, PerfectKeyboardTestIsRegisteredAndSurvivesARestart) {
    QTemporaryDir dir;
    const QString exeDir = dir.path() + u'/';
    KukuState state;
    state.exeDir = exeDir;
    state.procFlag = 2;
    VirtualPacer pacer;
    RecordingBoard board;
    board.clock = [&] { return pacer.now(); };
    VirtualVoice voice(pacer);
    voice.fixedDurationMs = 1000;
    Speaker speaker(state, voice, pacer);
    MainWindowTwin window(board, pacer);
    LessonEngine engine(state, board, pacer, speaker, nullptr, window);
    engine.chooseLesson(3);                       // ４.テスト[手答・順]
    engine.chooseRowOrLevel(ChoiceOfDan[5 - 1]);  // 五の段

    // The learner types every product soon after its question appears.
    std::size_t seen = 0;
    int asked = 0;
    const int learner = pacer.addTimer(0, 1, [&] {
        bool fresh = false;
        for (; seen < board.log.size(); ++seen)
            if (board.log[seen].field == BoardText::Expression && !board.log[seen].text.isEmpty())
                fresh = true;
        if (!fresh) return;
        ++asked;
        const QString digits = QString::number(kukuTables().kotae[state.kuku_n]);
        for (qsizetype i = 0; i < digits.size(); ++i)
            pacer.pressKey(vk::Key0 + digits.at(i).digitValue(), pacer.now() + 250 + 400 * i);
    });

    QString verdict;
    QString shownInTable;
    window.scripts.push_back([&](QDialog& d) {
        auto& table = dynamic_cast<TResultDsp1Form&>(d);
        verdict = table.verdictLabel()->text();
        table.RegisterResult();
    });
    window.scripts.push_back([&](QDialog& d) {
        auto& sikaku = dynamic_cast<TSikakuCheckForm&>(d);
        shownInTable = sikaku.grid()->item(5, 1)->text();  // 五の段, 手答(順)
    });
    EXPECT_EQ(engine.RunKeyTest(), 0);
    pacer.removeTimer(learner);

    EXPECT_EQ(asked, 27);
    EXPECT_EQ(verdict, q(u"☆パーペキだね。いうことなし!!"));
    EXPECT_EQ(shownInTable, q(u"○"));
    EXPECT_TRUE(window.scripts.empty());
    EXPECT_EQ(state.recCheck[0][4], 1);
    // Closing the table cleared the answers; the memo came back as it was.
    EXPECT_EQ(state.testRec[0], 2);
    EXPECT_EQ(window.infoPanel, (std::vector<int>{0, 0, 1, 1}));

    // The program closes and starts again.
    const SaveResult saved = SaveSettings(state, exeDir);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    KukuState restarted;
    restarted.exeDir = exeDir;
    const LoadResult loaded = LoadSettings(restarted, chooseSettingsPath(exeDir));
    ASSERT_TRUE(loaded.found);
    EXPECT_EQ(restarted.recCheck[0][4], 1);
    VirtualPacer pacer2;
    MainWindowTwin window2(board, pacer2);
    QString after;
    window2.scripts.push_back(
        [&](QDialog& d) { after = dynamic_cast<TSikakuCheckForm&>(d).grid()->item(5, 1)->text(); });
    ShowSikakuCheck(restarted, window2, pacer2, nullptr, true);
    EXPECT_EQ(after, q(u"○"));
}
