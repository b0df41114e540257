#pragma once

namespace rentabo {

// Maps the font names the windows use to Debian's Japanese fonts, so no caption ever falls back
// to a Latin font: the Gothic and Mincho faces to IPA's, the pop title face to Konatu and the
// brush face to Aoyagi Kouzan.
void installJapaneseFonts();

}  // namespace rentabo
