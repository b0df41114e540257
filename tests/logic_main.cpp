#include "tests/support/RuntimeFolder.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Logic and platform tests get a core application so queued signals and timers work.
int main(int argc, char** argv) {
    // A settings fallback folder and a runtime folder of this test process alone: nothing a test
    // writes there meets another test run beside it, nor the user's own settings.
    QTemporaryDir own;
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", own.filePath(QStringLiteral("config")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR",
                rentabo::testing::makeRuntimeFolder(own.filePath(QStringLiteral("run"))).toLocal8Bit());
    // The recogniser listens with the acoustic model the build adapted, as the program does.
    if (qEnvironmentVariableIsEmpty("RENTABO_MODEL_DIR"))
        qputenv("RENTABO_MODEL_DIR", RENTABO_BINARY_DIR "/app/model");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
