#pragma once

#include <QFont>
#include <QPixmap>

namespace rentabo {

// The pictures of the settings dialog, the splash and the about box, compiled into the program.
enum class AuxPicture {
    JoukenCorner,  // 40 × 40, settings dialog
    Splash,        // 64 × 64, the master's face
    About,         // 20 × 20, about box
    Icon,          // 32 × 32, the program's icon
};
QPixmap auxPicture(AuxPicture which);

// "ＭＳ Ｐゴシック" where it exists, else Debian's IPA fonts, which have the same metrics.
QFont auxWindowFont(int pixelSize, bool bold = false);

}  // namespace rentabo
