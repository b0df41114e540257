#include "app/RentaboApplication.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <exception>

namespace rentabo {

bool installJapanese() {
    static QTranslator* installed = nullptr;
    if (installed) return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    // qt_ja brings qtbase_ja and the other modules' translations with it.
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qt"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

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
