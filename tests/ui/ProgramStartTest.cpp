#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

// Started where no display can be reached, the program says so in one line and exits with 1;
// it never aborts.
namespace {

// A display number no X server on this machine listens on (other tests start their own).
QString unservedDisplay()
{
    int number = 990;
    while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))
           || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
        ++number;
    return QStringLiteral(":%1").arg(number);
}

} // namespace

TEST(ProgramStartTest, WithoutAReachableDisplayItSaysSoAndExits)
{
#ifndef QUILLMERE_EXECUTABLE
    GTEST_SKIP() << "the program is not part of this build";
#else
    struct Case
    {
        const char *name;
        QString variable;
        QString value;
    };
    const Case cases[] = {
        {"no display variable", QString(), QString()},
        {"a display nobody serves", QStringLiteral("DISPLAY"), unservedDisplay()},
        {"a compositor that is gone", QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wl-99")},
        {"X11 asked for, no display", QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QString::fromLatin1(name));
        if (!c.variable.isEmpty())
            environment.insert(c.variable, c.value);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QUILLMERE_EXECUTABLE), {});
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 1);
        EXPECT_EQ(
            program.readAllStandardError(),
            QByteArray("Quillmere needs a graphical desktop session: no display was found.\n"));
    }
#endif
}
