// Measures the folders given as arguments with the size scanner and prints the outcomes as one
// JSON object keyed by path: {"kind", "total", "children", "errorText"}. The tests run it as an
// unprivileged user so that folder modes really refuse access.
#include "records/SizeScanner.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

QString kindName(qm::SizeScanner::PathOutcome::Kind kind)
{
    using Kind = qm::SizeScanner::PathOutcome::Kind;
    switch (kind) {
    case Kind::measured:
        return QStringLiteral("measured");
    case Kind::timedOut:
        return QStringLiteral("timedOut");
    case Kind::permissionDenied:
        return QStringLiteral("permissionDenied");
    case Kind::failed:
        return QStringLiteral("failed");
    }
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qm::SizeScanner scanner;
    scanner.timeout = 20;
    QJsonObject outcomes;
    const QStringList paths = QCoreApplication::arguments().mid(1);
    for (const QString &path : paths) {
        const qm::SizeScanner::PathOutcome outcome = QCoro::waitFor(scanner.outcome(path));
        QJsonObject children;
        for (auto it = outcome.listing.children.cbegin(); it != outcome.listing.children.cend();
             ++it)
            children.insert(it.key(), it.value());
        outcomes.insert(path,
                        QJsonObject{{QStringLiteral("kind"), kindName(outcome.kind)},
                                    {QStringLiteral("total"), outcome.listing.total},
                                    {QStringLiteral("children"), children},
                                    {QStringLiteral("errorText"), outcome.errorText}});
    }
    const QByteArray json = QJsonDocument(outcomes).toJson(QJsonDocument::Compact);
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    return 0;
}
