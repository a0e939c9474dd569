// Plays an already running copy of the program: holds the single-instance name given as the
// first argument ("--default": the program's own name in this environment), prints "started <boot
// nanoseconds> <pid>" at once, "listening <pid>" once it holds the name and "scan requested" for
// each scan request, and runs until a newer copy asks it to quit.
#include "desktop/SingleInstance.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString name = QString::fromLocal8Bit(argv[1]);
    qm::SingleInstance instance(
        name == QLatin1String("--default") ? qm::SingleInstance::defaultServerName() : name);
    std::printf(
        "started %lld %lld\n", instance.startMark().bootNanoseconds, instance.startMark().pid);
    std::fflush(stdout);
    QObject::connect(&instance, &qm::SingleInstance::ready, &app, [] {
        std::printf("listening %lld\n", qint64(QCoreApplication::applicationPid()));
        std::fflush(stdout);
    });
    QObject::connect(&instance, &qm::SingleInstance::scanRequested, &app, [] {
        std::printf("scan requested\n");
        std::fflush(stdout);
    });
    instance.start();
    return app.exec();
}
