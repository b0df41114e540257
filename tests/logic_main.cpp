#include <QCoreApplication>

#include <gtest/gtest.h>

// Logic and platform tests get a core application so queued signals and timers work.
int main(int argc, char** argv) {
    // The recogniser listens with the acoustic model the build adapted, as the program does.
    if (qEnvironmentVariableIsEmpty("RENTABO_MODEL_DIR"))
        qputenv("RENTABO_MODEL_DIR", RENTABO_BINARY_DIR "/app/model");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
