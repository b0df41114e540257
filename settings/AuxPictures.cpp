#include "settings/AuxPictures.h"

#include <QStringList>

// Resources compiled into a static library are kept only when something names them.
static void initAuxWindowsResources() {
    Q_INIT_RESOURCE(auxwindows);
}

namespace rentabo {

QPixmap auxPicture(AuxPicture which) {
    static const bool loaded = (initAuxWindowsResources(), true);
    Q_UNUSED(loaded);
    switch (which) {
        case AuxPicture::JoukenCorner:
            return QPixmap(QStringLiteral(":/auxwindows/jouken40.jpg"));
        case AuxPicture::Splash:
            return QPixmap(QStringLiteral(":/auxwindows/splash64.jpg"));
        case AuxPicture::About:
            return QPixmap(QStringLiteral(":/auxwindows/about20.jpg"));
        case AuxPicture::Icon:
            return QPixmap(QStringLiteral(":/auxwindows/rentabo32.jpg"));
    }
    return {};
}

QFont auxWindowFont(int pixelSize, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral(u"ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("IPAexGothic"), QStringLiteral("IPAGothic")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

}  // namespace rentabo
