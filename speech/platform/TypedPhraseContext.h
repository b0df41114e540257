#pragma once

#include "speech/platform/GrammarRecoContext.h"

namespace rentabo {

// A recognition context without a microphone: phrases arrive as text, matched against the
// active rules of the loaded grammar, or passed on as dictation when dictation listens.
class TypedPhraseContext final : public GrammarRecoContext {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TypedPhraseContext)
public:
    explicit TypedPhraseContext(QObject* parent = nullptr) : GrammarRecoContext(parent) {}
    QString engineName() const override { return QStringLiteral("typed"); }
};

}  // namespace rentabo
