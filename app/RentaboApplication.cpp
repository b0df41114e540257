#include "app/RentaboApplication.h"

#include <QMessageBox>

#include <exception>

namespace rentabo {

void showError(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Rentabo"), text);
}

bool RentaboApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    } catch (...) {
        showError(QStringLiteral(u"思いがけないエラーが起きました。"));
    }
    return false;
}

}  // namespace rentabo
