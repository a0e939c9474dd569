// Moves one item to the Trash with the program's Trash writer and prints the outcome as one JSON
// object {"error": text or "", "path": the item's place in the Trash or ""}. Arguments: the
// folder holding the item and the item's name, both percent-encoded bytes (so that any name
// passes through a command line), and optionally "emptying" when the folder is being emptied. The
// tests run it as root or as an unprivileged user, with the home and data folders in the
// environment, and bound its time.
//
// With "--every-entry" in place of the name it moves every entry of the folder, one after another
// as a contents move does, and prints a line after each; the tests kill it with SIGKILL
// part-way.
#include "storage/FileDescriptor.h"
#include "storage/FreedesktopTrash.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3 || argc > 4) {
        std::fputs("usage: helper_storage_trash <folder> <name> [emptying]\n", stderr);
        return 2;
    }
    const QByteArray path = QByteArray::fromPercentEncoding(argv[1]);
    const QByteArray name = QByteArray::fromPercentEncoding(argv[2]);
    const qm::FileDescriptor folder(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (name == "--every-entry") {
        QList<QByteArray> names;
        if (DIR *listing = ::opendir(path.constData())) {
            while (const dirent *entry = ::readdir(listing)) {
                const QByteArray entryName(entry->d_name);
                if (entryName != "." && entryName != "..")
                    names.append(entryName);
            }
            ::closedir(listing);
        }
        for (const QByteArray &entryName : std::as_const(names)) {
            const bool moved = qm::trash::moveEntry(folder.get(), entryName).ok();
            std::fputs(moved ? "moved\n" : "failed\n", stdout);
            std::fflush(stdout);
        }
        return 0;
    }
    qm::trash::MoveOptions options;
    options.folderIsBeingEmptied = argc == 4 && std::strcmp(argv[3], "emptying") == 0;
    const qm::Result<qm::trash::TrashedEntry> moved
        = folder.isOpen() ? qm::trash::moveEntry(folder.get(), name, options)
                          : qm::Result<qm::trash::TrashedEntry>(qm::Error{QStringLiteral("open")});
    const QJsonObject outcome{
        {QStringLiteral("error"), moved.ok() ? QString() : moved.error().description},
        {QStringLiteral("path"), moved.ok() ? moved->path : QString()}};
    const QByteArray json = QJsonDocument(outcome).toJson(QJsonDocument::Compact);
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    return 0;
}
