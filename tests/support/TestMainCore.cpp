#include "support/TestEnvironment.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qm::test::setUpPrivateHome();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    qm::test::tearDownPrivateHome();
    return result;
}
