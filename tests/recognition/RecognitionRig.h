#pragma once

#include "lessons/KukuState.h"
#include "lessons/RecordingBoard.h"
#include "lessons/VirtualPacer.h"
#include "lessons/VirtualVoice.h"
#include "speech/Recognition.h"
#include "speech/Speaking.h"

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

// Records what reached each handler as "row:63", "number:118", "command:70", "chat:text".
struct RecordingSink final : CommandSink {
    bool onRowChoice(int c) override {
        calls << QStringLiteral("row:%1").arg(c);
        return true;
    }
    bool onNumber(int c) override {
        calls << QStringLiteral("number:%1").arg(c);
        return takeNumbers;
    }
    bool onReading(int c) override {
        calls << QStringLiteral("reading:%1").arg(c);
        return takeReadings;
    }
    void onCommand(int c, const QString&) override { calls << QStringLiteral("command:%1").arg(c); }
    void onChat(const QString& astr) override { calls << QStringLiteral("chat:") + astr; }

    QStringList calls;
    bool takeNumbers = true;
    bool takeReadings = true;
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
