#pragma once

#include "core/AnswerLog.h"
#include "core/KukuState.h"
#include "core/KukuTables.h"
#include "core/LessonHost.h"
#include "core/Pacer.h"
#include "core/QuestionBoard.h"

#include <QtGlobal>

#include <array>
#include <random>
#include <vector>

namespace rentabo {

class Speaker;

// The lesson menu and the runs it starts: the two choice lists, the start button's dispatch to
// the ten modes, the practice of modes 2 and 3, the keyboard tests of modes 4 and 5, and the
// lesson timer's idle duty. The runs are blocking procedural loops against the pacer: in the
// program it keeps the window painting, in tests it is the virtual clock.
class LessonEngine final {
    Q_DISABLE_COPY_MOVE(LessonEngine)
public:
    LessonEngine(KukuState& state, QuestionBoard& board, Pacer& pacer, Speaker& speaker,
                 EffectPlayer* effects, LessonHost& host);

    // The row/level list (ComboBox1) changed to `index`.
    void chooseRowOrLevel(int index);
    // The lesson-mode list (ComboBox2) changed to `index`.
    void chooseLesson(int index);
    void SetAnswerWay();
    void AnnounceChoice();
    // The lesson the program opens on: the answer way and the choice of the loaded settings shown,
    // no results yet, the first question at the start of the chosen row.
    void openOnLoadedChoice();
    // 始める (Button1, Alt+E). Returns when the started run has ended.
    void startLesson();

    // Practice in set order (menu_n 1) or shuffled (menu_n 2). 0 finished, −1 stopped.
    int RunPractice();
    // Keyboard-answer test in set order (randomFlag 0) or shuffled. 0 finished, −1 stopped.
    int RunKeyTest();
    // Today's review at the keyboard: each fact once, in the order given, judged and logged like a
    // test, but the last test's answer record stays as it was. 0 finished, −1 stopped.
    int RunReviewTest(const std::vector<int>& facts);
    // One poll of the run keys: a digit 0-9, −5 for G, −1 Enter, −3 Esc, −9 nothing.
    // A key found costs 300 ms, so a held key repeats at that pace.
    int ReadKey();
    // A fresh shuffle of order[0..n−1], seeded from the pacer's clock.
    void MakeOrder(int n);

    // One tick of the lesson timer; returns the interval to the next tick.
    int lessonTick();
    // Esc reaching the main window's key handler (outside the blocking runs).
    void EscKeyDown();

    // Where every judged answer of the keyboard tests is reported; may be null.
    void setAnswerLog(AnswerLog* log) { m_answerLog = log; }

private:
    enum class Answer { Judged, StopA, StopB };
    Answer awaitAnswer(JudgedAnswer& judged);
    // Shows fact k as a keyboard question (reading, expression, no mark), waits the speed's
    // pause, reads it aloud when questions are read and plays the prompt.
    void presentKeyQuestion(int k);
    // Marks, logs and records the answer; returns its score (1 right, 0 not).
    int judge(const JudgedAnswer& judged);
    int stopKeyTest(const QString& message, bool speak);
    void openResultTable();
    QString setName() const;

    KukuState& m_state;
    QuestionBoard& m_board;
    Pacer& m_pacer;
    Speaker& m_speaker;
    EffectPlayer* m_effects;
    LessonHost& m_host;
    std::mt19937 m_rng;
    AnswerLog* m_answerLog = nullptr;
    bool m_reviewing = false;  // the daily review: the last test's result table is not touched
};

}  // namespace rentabo
