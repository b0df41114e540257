#pragma once

#include <QString>

namespace rentabo {

// PocketSphinx's English model on Debian.
QString englishModelDir();
// The model to listen with: the one RENTABO_MODEL_DIR names, else model/ beside the program (the
// English model adapted to Japanese speech when the program was built), else the English model.
QString defaultModelDir();

// Whether every file `manifest.txt` in a model folder lists (written by the build with the model's
// sizes and SHA-1 sums) is whole; true for a folder without one (Debian's English model). False
// with the damaged file named in `why`.
bool checkModelManifest(const QString& dir, QString* why);

}  // namespace rentabo
