#pragma once

#include "core/KukuState.h"
#include "speech/CommandNumbers.h"
#include "speech/Recognition.h"
#include "speech/Speaker.h"
#include "tests/support/RecordingBoard.h"
#include "tests/support/VirtualPacer.h"
#include "tests/support/VirtualVoice.h"

#include <QStringList>

namespace rentabo::testing {

inline const QString kGrammarPath = QStringLiteral(RENTABO_SOURCE_DIR "/resources/KukuGrammar.xml");

struct FakeView final : RecognitionView {
    void showModeLabel(const QString& text, int colour) override {
        label = text;
        labelColour = colour;
    }
    void showMicLevel(int level) override { levels.push_back(level); }
    void showMemoLineCount(int lines) override { lineCount = lines; }
    void setBackgroundColour(int colour) override { background = colour; }

    QString label;
    int labelColour = -1;
    std::vector<int> levels;
    int lineCount = -1;
    int background = -1;
};

// Records what reached the handler, by the command's kind: "row:63", "number:118",
// "reading:224", "command:70", "chat:text".
struct RecordingSink final : PhraseHandler {
    void heardCommand(int c) override {
        const char* kind = cmd::isRow(c)       ? "row"
                           : cmd::isNumber(c)  ? "number"
                           : cmd::isReading(c) ? "reading"
                                               : "command";
        calls << QStringLiteral("%1:%2").arg(QLatin1String(kind)).arg(c);
    }
    void heardChat(const QString& astr) override { calls << QStringLiteral("chat:") + astr; }

    QStringList calls;
};

// The recognition stage with everything around it on fakes; the context is the caller's.
struct RecognitionRig {
    explicit RecognitionRig(SpSharedRecoContext& context)
        : voice(pacer),
          speaker(state, voice, pacer),
          recognition(state, board, view, speaker, pacer, context, sink) {}

    KukuState state;
    RecordingBoard board;
    FakeView view;
    RecordingSink sink;
    VirtualPacer pacer;
    VirtualVoice voice;
    Speaker speaker;
    Recognition recognition;
};

}  // namespace rentabo::testing
