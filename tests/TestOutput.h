#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// Where a test leaves a picture or document for a person to look at: the folder named by
// RENTABO_TEST_OUTPUT when it is set, else a folder of this test run's own that is removed at its
// end. Never a fixed path: two runs side by side must not overwrite each other's files.
inline QString testOutputPath(const QString& fileName) {
    const QString chosen = qEnvironmentVariable("RENTABO_TEST_OUTPUT");
    if (!chosen.isEmpty()) {
        QDir().mkpath(chosen);
        return QDir(chosen).filePath(fileName);
    }
    static QTemporaryDir own;
    return own.filePath(fileName);
}
