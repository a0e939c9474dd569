#include "support/TestEnvironment.h"
#include "units/EnglishPlurals.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qm::test::setUpPrivateHome();
    QCoreApplication app(argc, argv);
    qm::EnglishPlurals::install();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    qm::test::tearDownPrivateHome();
    return result;
}
