// Prints the Full Disk Access probe result of its one argument ("readable",
// "permissionDenied" or "missing"), so a test can probe as another user.
#include "platform/FullDiskAccess.h"

#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH\n", argv[0]);
        return 2;
    }
    using qm::FullDiskAccess::ProbeResult;
    const char *name = "missing";
    switch (qm::FullDiskAccess::probeLocation(QFile::decodeName(argv[1]))) {
    case ProbeResult::readable:
        name = "readable";
        break;
    case ProbeResult::permissionDenied:
        name = "permissionDenied";
        break;
    case ProbeResult::missing:
        break;
    }
    std::printf("%s\n", name);
    return 0;
}
