#pragma once

#include <QString>

class QDialog;
class QUrl;
class QWidget;

namespace rentabo {

class Pacer;

// What the main window asks of the person at the computer and of the desktop: the questions
// before closing, before a name change and after a failed speech call, message boxes, opening a
// document, and showing a window modally. The program asks with real boxes (BoxPrompts); tests
// answer from a script.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual bool confirmClose() = 0;
    virtual bool confirmNameChange(const QString& question) = 0;
    // After a failed speech call: true to go on, false to abandon what was being done.
    virtual bool confirmSpeechFailure(const QString& text) = 0;
    virtual void message(const QString& text, const QString& caption) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
    // Returns when the window has closed.
    virtual void runModal(QDialog& dialog) = 0;
};

// Real boxes over the main window; the questions go through the pacer, so a run's input guard
// lets their buttons through.
class BoxPrompts final : public Prompts {
public:
    BoxPrompts(QWidget* parent, Pacer& pacer) : m_parent(parent), m_pacer(pacer) {}
    bool confirmClose() override;
    bool confirmNameChange(const QString& question) override;
    bool confirmSpeechFailure(const QString& text) override;
    void message(const QString& text, const QString& caption) override;
    bool openUrl(const QUrl& url) override;
    void runModal(QDialog& dialog) override;

private:
    QWidget* m_parent;
    Pacer& m_pacer;
};

}  // namespace rentabo
