#include <QApplication>

#include <gtest/gtest.h>

// Window tests need an application object; they run offscreen.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("RENTABO_MODEL_DIR")) qputenv("RENTABO_MODEL_DIR", RENTABO_BINARY_DIR "/app/model");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
