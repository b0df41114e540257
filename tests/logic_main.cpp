#include <QCoreApplication>

#include <gtest/gtest.h>

// Logic and platform tests get a core application so queued signals and timers work.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
