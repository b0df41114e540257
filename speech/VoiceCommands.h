#pragma once

#include "core/KukuState.h"
#include "core/LessonHost.h"
#include "core/Pacer.h"
#include "core/QuestionBoard.h"
#include "speech/Recognition.h"
#include "speech/VoiceExams.h"
#include "speech/VoiceHost.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

namespace rentabo {

class Speaker;

// The time and the date as the master says them: "今は，午後3時5分9秒です。",
// "今日は2019年1月1日火曜日です。".
QString timeText(const QDateTime& now);
QString dateText(const QDateTime& now);

// The words the chat replies look for in what was heard or typed in chat mode (every row's);
// chat listening listens for the same list (speech/platform/ChatWords.h).
QStringList chatReplyWords();

// What becomes of a phrase heard while a run (practice, keyboard test, reading aloud, the chart
// of mode 1) waits in its loop. A stop stops the run through its own Esc path; the chart takes
// its own commands; anything else is dropped with a line in the memo. Held back until the run
// had ended, a row, a colour or 「せいせき」 would act on a screen the child no longer looks at
// (the result table, a new lesson); dropped, the child simply says it again.
enum class DuringRun { Stop, Take, Drop };
DuringRun phraseDuringRun(const KukuState& state, int cValue);
// The memo line of a phrase dropped during a run or a voice test: its command number, or its
// text when it was heard in chat listening.
QString droppedPhraseLine(const QString& phrase);

// What a phrase heard in listening does: command numbers in command listening (rows, answers of
// the voice tests, then the command switch) and keywords in chat listening. Every recognised
// phrase comes here straight from the recogniser's handler.
//
// A phrase arrives inside the nested loop of a run that may be waiting (practice, a keyboard
// test, reading aloud, the chart): it must not change the run's state beneath it, so during a
// run only a stop (through the run's Esc path) and the chart's own commands are taken.
//
// A handler that waits (a question being spoken, the pause after a judged answer) lets events
// run meanwhile; phrases and timer ticks that arrive then are held back and handled afterwards,
// in order, so an answer is never judged twice; an answer heard before the present question was
// asked is dropped, never judged against it. While a voice test awaits answers, the commands that
// would start another test, clear the screen or stop listening for answers are dropped.
class VoiceCommands final : public PhraseHandler {
    Q_DISABLE_COPY_MOVE(VoiceCommands)
public:
    VoiceCommands(KukuState& state, QuestionBoard& board, Speaker& speaker, Pacer& pacer, VoiceExams& tests,
                  LessonHost& lesson, VoiceHost& host);

    // PhraseHandler: what the recogniser heard, checked against a run that may be waiting.
    void heardCommand(int cValue) override;
    void heardChat(const QString& astr) override;

    // A command number heard in command listening, handed on in the order rows, numbers,
    // readings (each to the voice test that awaits it), then the command switch.
    void handleCommand(int cValue);
    // A phrase heard in chat listening.
    void handleChat(const QString& astr);
    // One lesson-timer tick while a spoken answer is awaited; true when the tick ended in a
    // time-out (or was held back because a handler is still running).
    bool tick();

    void RunVoiceCommand(int cValue);
    void RunChat(const QString& astr);
    bool busy() const { return m_busy; }

private:
    // False when the row stays as it is (a voice test goes on).
    bool rowChoice(int cValue);
    void startByMode();
    void startRecitationWhateverTheMode();
    void stopTest();
    void defaultStep();
    void guarded(std::function<void()> work);

    KukuState& m_state;
    QuestionBoard& m_board;
    Speaker& m_speaker;
    Pacer& m_pacer;
    VoiceExams& m_tests;
    LessonHost& m_lesson;
    VoiceHost& m_host;
    bool m_busy = false;
    std::deque<std::function<void()>> m_pending;
};

}  // namespace rentabo
