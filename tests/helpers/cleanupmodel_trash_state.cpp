// Measures the Trash of the home folder given as the argument with the cleanup model and prints
// the state it shows: "empty", "unknown" or "size <bytes>". The tests run it as an unprivileged
// user, so that a Trash folder of another user really cannot be listed.
#include "cleanup/CleanupViewModel.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: helper_cleanupmodel_trash_state <home>\n", stderr);
        return 2;
    }
    qm::CleanupViewModel::Services services;
    services.home = arguments.at(1);
    qm::CleanupViewModel model(services);
    QCoro::waitFor(model.measureTrash());
    using Kind = qm::CleanupViewModel::TrashDisplay::Kind;
    const qm::CleanupViewModel::TrashDisplay state = model.trashState();
    const QByteArray text = state.kind == Kind::size    ? "size " + QByteArray::number(state.bytes)
                            : state.kind == Kind::empty ? QByteArray("empty")
                                                        : QByteArray("unknown");
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    return 0;
}
