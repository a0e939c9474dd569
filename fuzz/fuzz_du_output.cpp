// The output of "du -d 1 -k /r" (before the first zero byte) against the folder's entries
// (after it, separated by "/"), and du's error text about the folder.
#include "FuzzInput.h"

#include "records/NameText.h"
#include "records/SizeScanner.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto [output, entries] = qm::fuzz::splitAtZero(qm::fuzz::bytesOf(data, size));
    // Names are bytes, as readdir gives them.
    QSet<QByteArray> names;
    QSet<QString> nameTexts;
    for (const QByteArray &name : entries.split('/')) {
        names.insert(name);
        nameTexts.insert(qm::nameText(name));
    }
    const QByteArray root = "/r";
    const std::optional<qm::DuListing> listing = qm::parseDuOutput(output, root, names);
    if (listing.has_value()) {
        for (auto it = listing->children.cbegin(); it != listing->children.cend(); ++it)
            qm::fuzz::require(nameTexts.contains(it.key()) && it.value() >= 0);
    }
    (void)qm::duMessageAboutFolder(
        QString::fromUtf8(output), QString::fromLatin1(root), QStringLiteral("du"));
    return 0;
}
