#pragma once

#include "app/Prompts.h"

#include <QDialog>
#include <QUrl>

#include <functional>

namespace rentabo::testing {

// The main window's prompts answered by a test: each function a test sets answers in its place;
// what is left unset is asked as the program asks (real boxes, the desktop's opener).
struct ScriptedPrompts final : Prompts {
    explicit ScriptedPrompts(Prompts& fallback) : m_fallback(fallback) {}

    std::function<bool()> close;
    std::function<bool(const QString&)> nameChange;
    std::function<bool(const QString&)> speechFailure;
    std::function<void(const QString& text, const QString& caption)> messages;
    std::function<bool(const QUrl&)> open;
    std::function<void(QDialog&)> modal;

    bool confirmClose() override { return close ? close() : m_fallback.confirmClose(); }
    bool confirmNameChange(const QString& q) override {
        return nameChange ? nameChange(q) : m_fallback.confirmNameChange(q);
    }
    bool confirmSpeechFailure(const QString& t) override {
        return speechFailure ? speechFailure(t) : m_fallback.confirmSpeechFailure(t);
    }
    void message(const QString& text, const QString& caption) override {
        messages ? messages(text, caption) : m_fallback.message(text, caption);
    }
    bool openUrl(const QUrl& url) override { return open ? open(url) : m_fallback.openUrl(url); }
    void runModal(QDialog& dialog) override { modal ? modal(dialog) : m_fallback.runModal(dialog); }

private:
    Prompts& m_fallback;
};

}  // namespace rentabo::testing
