#pragma once

#include "core/KukuState.h"
#include "core/Pacer.h"
#include "core/QuestionBoard.h"
#include "speech/Speaker.h"
#include "speech/platform/SpSharedRecoContext.h"

#include <QObject>

#include <vector>

namespace rentabo {

// Colours of the mode label and the chat background, as 0x00BBGGRR.
inline constexpr int kModeLabelRed = 0x0000FF;
inline constexpr int kModeLabelBlue = 0xFF0000;
inline constexpr int kChatBackground = 0x808000;

// What recognition shows on the main window besides the memo.
class RecognitionView {
public:
    virtual ~RecognitionView() = default;
    // The mode label (Label3): its text in bold, in the given colour.
    virtual void showModeLabel(const QString& text, int colour) = 0;
    // The microphone level bar and number, 0..100.
    virtual void showMicLevel(int level) = 0;
    // The memo's line counter (StaticText21).
    virtual void showMemoLineCount(int lines) = 0;
    // The window's background colour; the saved colour (orgColor) is not touched.
    virtual void setBackgroundColour(int colour) = 0;
};

// Where recognised phrases go after they are logged (the voice commands in the program).
class PhraseHandler {
public:
    virtual ~PhraseHandler() = default;
    // The command number (speech/CommandNumbers.h) of a phrase heard in command listening.
    virtual void heardCommand(int cValue) = 0;
    // A phrase heard in chat listening.
    virtual void heardChat(const QString& astr) = 0;
};

// The top-level rules of the grammar file, by ID.
inline constexpr int kRuleColours = 1;
inline constexpr int kRuleRows = 2;
inline constexpr int kRuleCommands = 3;
inline constexpr int kRuleNumbers = 4;
inline constexpr int kRuleReadings = 5;
inline constexpr int kRuleChart = 6;

// The rules that listen in command listening at the present moment of a lesson: during a spoken
// test the numbers, during a recitation the readings, otherwise the colours and the chart; the
// rows and the commands (start, stop, mode change) always. A test keeps its rules between its
// questions too: a scrap of the child's stop command cut by the question's end was heard there
// as a colour (きいろ) and changed the colour saved. A recogniser that chooses among fewer phrases
// confuses fewer of them (にじゅうに with みどり, しちにじゅうし with きゅうじゅうし).
std::vector<int> momentRules(const KukuState& state);
// The command the present moment expects as the right answer: the product of the fact asked
// (100 + n) while a spoken answer is awaited, the fact's reading (201 + fact) during a
// recitation, otherwise none (0).
int expectedCommand(const KukuState& state);

// The recogniser's set-up, the two listening modes and the first stage of every recognition:
// the log line, the command number and the hand-off to the phrase handler.
class Recognition final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Recognition)
public:
    Recognition(KukuState& state, QuestionBoard& board, RecognitionView& view, Speaker& speaker, Pacer& pacer,
                SpSharedRecoContext& context, PhraseHandler& handler, QObject* parent = nullptr);

    // The start-up set-up, with the grammar file's path. False when the recogniser could not be
    // reached (the first call failed): the caller shows the error and skips the rest of its
    // start-up. Grammar and dictation failures are written to the memo and set-up goes on.
    bool setUp(const QString& grammarPath);

    void EnterCcMode();
    void EnterDicMode();

    // The entry of every recognised phrase (connected to the context's Recognition event).
    void SpSharedRecoContext1Recognition(int streamNumber, qint64 streamPosition, int recognitionType,
                                         const RecoResult& result);
    void SpSharedRecoContext1AudioLevel(int streamNumber, qint64 streamPosition, int level);

    // Narrows command listening to the rules of the present moment (momentRules) and tells the
    // recogniser the answer it expects (expectedCommand). Called before every phrase is matched,
    // so the rules follow AnsV_wait without anyone telling; callers that change the moment may
    // call it too.
    void followMoment();

    // The phrase being handled.
    const QString& astr() const { return m_astr; }
    int cValue() const { return m_cValue; }

private:
    void followVoice(bool speaking);

    KukuState& m_state;
    QuestionBoard& m_board;
    RecognitionView& m_view;
    Speaker& m_speaker;
    Pacer& m_pacer;
    SpSharedRecoContext& m_context;
    PhraseHandler& m_handler;
    QString m_astr;
    int m_cValue = 0;
    std::vector<int> m_listeningRules;  // as last set by followMoment; empty when unknown
};

// The texts of the two modes, for the label and the tests.
QString ccModeLabel();
QString dicModeLabel();

}  // namespace rentabo
