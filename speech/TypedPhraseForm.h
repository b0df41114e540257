#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class TypedPhraseForm;
}

namespace rentabo {

class SpSharedRecoContext;
struct RecoResult;

// "文字で話しかける": a child without a microphone types (or picks) what they would say, and the
// recognition context delivers it exactly like a spoken phrase. Non-modal; it may stay open for
// the whole run.
class TTypedPhraseForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TTypedPhraseForm)
public:
    explicit TTypedPhraseForm(SpSharedRecoContext& context, QWidget* parent = nullptr);
    ~TTypedPhraseForm() override;

    // Phrases offered as buttons; each is one the program's grammar understands.
    static QStringList examplePhrases();

    // Hands `text` to the recognition context, as "話す" does. The phrase is delivered from the
    // event loop, after the box has been cleared, as a spoken one would be: whatever it starts
    // (a test, the chart) then runs outside this window's click.
    void say(const QString& text);

    // What the program did with the phrase typed last: acted on it, or did not use it now and
    // why. A spoken phrase handled meanwhile is not reported here.
    void handled(bool acted, const QString& why);

private:
    void heard(const RecoResult& result, bool understood);

    SpSharedRecoContext& m_context;
    std::unique_ptr<Ui::TypedPhraseForm> m_ui;
    QString m_delivering;  // the typed phrase being delivered, until the context has matched it
    QString m_awaiting;    // the typed phrase understood, until the program has handled it
    bool m_handled = false;
};

}  // namespace rentabo
