#pragma once

#include <QApplication>

namespace rentabo {

// The application object. An error that escapes an event handler (a speech call the user chose
// to abandon, say) ends that handler only: it is shown in a message box and the program goes on.
class RentaboApplication final : public QApplication {
    Q_OBJECT
public:
    RentaboApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override;
};

// The application's error display.
void showError(const QString& text);

}  // namespace rentabo
