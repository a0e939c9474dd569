#include "support/TestEnvironment.h"
#include "units/EnglishPlurals.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qm::test::setUpPrivateHome();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qm::EnglishPlurals::install();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    qm::test::tearDownPrivateHome();
    return result;
}
