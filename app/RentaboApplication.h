#pragma once

#include <QApplication>

namespace rentabo {

// Qt's own words (the buttons of message boxes, the file and print dialogs) in Japanese, whatever
// the desktop's language: everything else the program says is Japanese. False when Qt's Japanese
// translations are not installed (the words then stay as Qt has them).
bool installJapanese();

// The application object. An error that escapes an event handler (a speech call the user chose
// to abandon, say) ends that handler only: it is shown in a message box and the program goes on.
class RentaboApplication final : public QApplication {
    Q_OBJECT
public:
    RentaboApplication(int& argc, char** argv) : QApplication(argc, argv) { installJapanese(); }

    bool notify(QObject* receiver, QEvent* event) override;
};

// The application's error display.
void showError(const QString& text);

}  // namespace rentabo
