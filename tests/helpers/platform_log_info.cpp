// Writes one line of each level of the program through the log sink into the file given as the
// first argument, as the program would at start.
#include "platform/Log.h"
#include "platform/LogSink.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    qm::LogSink::install(QString::fromLocal8Bit(argv[1]), false);
    qm::log::logDefault(qm::log::records, QStringLiteral("a default line"));
    qm::log::logInfo(qm::log::records, QStringLiteral("an info line"));
    qm::log::logError(qm::log::records, QStringLiteral("an error line"));
    return 0;
}
