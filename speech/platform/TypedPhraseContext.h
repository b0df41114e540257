#pragma once

#include "speech/platform/SpSharedRecoContext.h"

#include <QHash>

namespace rentabo {

// A recognition context without a microphone: phrases arrive as text. A phrase that names a
// command of the loaded phrase table carries its command number (property "chosencolour" with
// the child "colourvalue"); any other phrase is delivered as dictation, when dictation is on.
class TypedPhraseContext final : public SpSharedRecoContext {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TypedPhraseContext)
public:
    explicit TypedPhraseContext(QObject* parent = nullptr);

    bool setEventInterests(int interests) override;
    bool CreateGrammar(int id) override;
    bool DictationLoad() override;
    bool CmdLoadFromFile(const QString& path) override;
    bool CmdSetRuleIdState(int ruleId, bool active) override;
    bool DictationSetState(bool active) override;
    void acceptTypedPhrase(const QString& text) override;
    QString engineName() const override { return QStringLiteral("typed"); }

    // Adds a phrase with its command number, as a loaded grammar would.
    void addPhrase(const QString& text, int command);

    bool commandsActive() const { return m_commandsActive; }
    bool dictationActive() const { return m_dictationActive; }

private:
    QHash<QString, int> m_phrases;
    bool m_commandsActive = false;
    bool m_dictationActive = false;
    int m_stream = 0;
};

// The result a command phrase yields: its text and the command number as a property.
RecoResult commandResult(const QString& text, int command);

}  // namespace rentabo
