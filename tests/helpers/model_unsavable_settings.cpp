// Builds the application model over a damaged settings.json that this process may not move
// aside (run it as an unprivileged user on a folder it cannot write), changes ten settings,
// and prints every log line to stdout.
#include "model/AppModel.h"
#include "platform/LogSink.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            const QString line = qm::LogSink::formatLine(
                QDateTime::currentDateTime(), type, context.category, text);
            std::printf("%s\n", line.toUtf8().constData());
            std::fflush(stdout);
        });
    qm::AppModel::Services services;
    services.settingsFile = QString::fromLocal8Bit(argv[1]);
    services.snapshotsFile = QString::fromLocal8Bit(argv[1]) + QStringLiteral(".snapshots");
    services.totalCapacityReader = [] {
        return std::optional<qint64>(1'000'000'000'000);
    };
    services.diskSpaceReader = [] {
        return qm::Result<qm::DiskSpace>(qm::DiskSpace{1, 2, 0});
    };
    services.fullDiskAccessStatus = [] {
        return qm::FullDiskAccess::Status::undetermined;
    };
    qm::AppModel model(services);
    for (int i = 0; i < 10; ++i)
        model.setShowGauge(i % 2 == 0 ? false : true);
    std::printf("canSaveSettings=%d showGauge=%d\n",
                int(model.canSaveSettings()),
                int(model.settings().showGauge));
    return 0;
}
