// The output of "du -d 1 -k /r" (before the first zero byte) against the folder's entries
// (after it, separated by "/"), and du's error text about the folder.
#include "FuzzInput.h"

#include "records/SizeScanner.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto [output, entries] = qm::fuzz::splitAtZero(qm::fuzz::bytesOf(data, size));
    const QString text = QString::fromUtf8(output);
    QSet<QString> names;
    for (const QString &name : QString::fromUtf8(entries).split(QLatin1Char('/')))
        names.insert(name);
    const QString root = QStringLiteral("/r");
    const std::optional<qm::DuListing> listing = qm::parseDuOutput(text, root, names);
    if (listing.has_value()) {
        for (auto it = listing->children.cbegin(); it != listing->children.cend(); ++it)
            qm::fuzz::require(names.contains(it.key()) && it.value() >= 0);
    }
    (void)qm::duMessageAboutFolder(text, root, QStringLiteral("du"));
    return 0;
}
