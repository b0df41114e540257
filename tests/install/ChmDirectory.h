#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace rentabo {

// The file names stored in a compiled help file, read from its ITSF header and the listing
// chunks (PMGL) of its directory. Only what is needed to see which pages a help file holds.
struct ChmDirectory {
    bool valid = false;
    QString error;      // why the file could not be read, when !valid
    QStringList names;  // "/index.html", "/#SYSTEM", ... in directory order
};

ChmDirectory readChmDirectory(const QByteArray& file);

}  // namespace rentabo
