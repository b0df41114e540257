#pragma once

#include <QString>

#include <functional>

namespace rentabo {

// What the result tables, the qualification table and the weak-point window need of the main
// window beyond the question board. The main window implements it; tests use a recording twin.
class RecordsHost {
public:
    virtual ~RecordsHost() = default;

    // The text of the main window's name box (not the stored name: the box may have been emptied).
    virtual QString nameBoxText() const = 0;
    virtual void focusNameBox() = 0;
    // The information memo switch of the main window: 1 shows the memo, 0 hides it.
    virtual void ShowInfoPanel(int on) = 0;
    // A message box with an OK button only.
    virtual void message(const QString& text, const QString& caption) = 0;
    // Opens a document with the desktop's opener; false when it could not be started.
    virtual bool openDocument(const QString& path) = 0;

    // Before a page is printed: false, with a message to the learner, when no printer can be
    // used (`printerAvailable` unset or saying none).
    bool printerReady(const std::function<bool()>& printerAvailable) {
        if (printerAvailable && printerAvailable()) return true;
        message(QStringLiteral(
                    u"プリンターが見つかりません。プリンターをつないでから，もう一度印刷してください。"),
                QStringLiteral(u"お知らせ"));
        return false;
    }
};

}  // namespace rentabo
