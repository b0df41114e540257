#include "tests/support/RuntimeFolder.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Logic and platform tests get a core application so queued signals and timers work.
int main(int argc, char** argv) {
    QTemporaryDir own;
    rentabo::testing::useOwnFolders(own.path(), RENTABO_BINARY_DIR "/app/model");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
