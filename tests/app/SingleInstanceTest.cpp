#include "app/SingleInstance.h"

#include <gtest/gtest.h>

using namespace rentabo;

TEST(SingleInstance, SecondGuardOfTheSameNameIsRefusedUntilTheFirstEnds) {
    const QString name = QStringLiteral("RENTABO_TEST_%1").arg(::getpid());
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.acquired());
        SingleInstance second(name);
        EXPECT_FALSE(second.acquired());
    }
    SingleInstance again(name);
    EXPECT_TRUE(again.acquired());
}
