#include "app/Fonts.h"

#include <QFont>
#include <QStringList>

namespace rentabo {

void installJapaneseFonts() {
    const QStringList gothic{QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                             QStringLiteral("IPAGothic")};
    const QStringList mincho{QStringLiteral("IPAPMincho"), QStringLiteral("IPAexMincho"),
                             QStringLiteral("IPAMincho")};
    QFont::insertSubstitutions(QStringLiteral(u"ＭＳ Ｐゴシック"), gothic);
    QFont::insertSubstitutions(QStringLiteral(u"ＭＳ ゴシック"), gothic);
    QFont::insertSubstitutions(QStringLiteral(u"ＭＳ Ｐ明朝"), mincho);
    QFont::insertSubstitutions(QStringLiteral(u"ＭＳ 明朝"), mincho);
    QFont::insertSubstitutions(QStringLiteral(u"HGP創英角ﾎﾟｯﾌﾟ体"),
                               QStringList{QStringLiteral("Konatu")} + gothic);
    QFont::insertSubstitutions(QStringLiteral(u"HG正楷書体-PRO"),
                               QStringList{QStringLiteral("AoyagiKouzanFontT")} + mincho);
    // Anything else, Latin names included, still finds Japanese glyphs.
    QFont::insertSubstitutions(QStringLiteral("Sans Serif"), gothic);
}

}  // namespace rentabo
