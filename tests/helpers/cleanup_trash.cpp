// Moves the items given as arguments (after the home folder) to the Trash with the program's
// batch and trasher, and prints the outcome as one JSON object {"moved", "failures"}. The tests
// run it as an unprivileged user so that folder modes really refuse a move.
#include "cleanup/Trasher.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        std::fputs("usage: helper_cleanup_trash <home> <path>...\n", stderr);
        return 2;
    }
    const QString home = arguments.at(1);
    // The items as the file system's bytes, straight from the command line.
    QList<QByteArray> items;
    for (int i = 2; i < argc; ++i)
        items.append(QByteArray(argv[i]));
    const qm::TrashBatchResult result = qm::trashBatch(items, home, qm::FileManagerTrasher(home));
    const QJsonObject outcome{
        {QStringLiteral("moved"), result.moved},
        {QStringLiteral("failures"), QJsonArray::fromStringList(result.failures)}};
    const QByteArray json = QJsonDocument(outcome).toJson(QJsonDocument::Compact);
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    return 0;
}
