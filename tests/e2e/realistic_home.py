"""A home folder as a user's looks after a month with Quillmere: documents, downloads, caches, a
Trash, and 30 days of records (snapshots.json, children.json) ending yesterday, so that the
program measures today itself."""

import datetime
import json
import os

MB = 1000 * 1000
GB = 1000 * MB

# Files of the tree: path below the home -> size in bytes. Small enough to write in a moment.
TREE = {
    "Documents/thesis/draft.odt": 900_000,
    "Documents/thesis/figures/plot-1.png": 350_000,
    "Documents/taxes-2026.pdf": 420_000,
    "Downloads/debian-netinst.iso": 2_400_000,
    "Downloads/photos.zip": 1_100_000,
    "Pictures/2026/holiday-001.jpg": 600_000,
    "Pictures/2026/holiday-002.jpg": 640_000,
    "Videos/clip.webm": 1_500_000,
    "Desktop/notes.txt": 4_000,
    ".cache/pip/http/wheel.bin": 800_000,
    ".cache/thumbnails/large/a.png": 60_000,
    ".config/Code/Cache/data_1": 500_000,
    ".config/libreoffice/registrymodifications.xcu": 90_000,
    ".local/share/Steam/steamapps/game.pak": 3_000_000,
    ".local/share/fonts/Inter.ttf": 300_000,
    ".local/share/Trash/files/old-report.pdf": 250_000,
    ".local/share/Trash/info/old-report.pdf.trashinfo": 90,
    ".npm/_cacache/index": 120_000,
    ".cargo/registry/index.bin": 700_000,
}

# The sizes of the watched folders a month ago, and how much each grew per day since.
FOLDER_GROWTH = {
    "~/.cache": (400 * MB, 12 * MB),
    "~/.local/share": (9 * GB, 40 * MB),
    "~/.config": (600 * MB, 2 * MB),
    "~/Downloads": (3 * GB, 90 * MB),
    "~/Documents": (2 * GB, 5 * MB),
    "~/Desktop": (20 * MB, 0),
    "~/Videos": (14 * GB, 0),
    "~/Pictures": (6 * GB, 25 * MB),
    "~/.npm": (300 * MB, 3 * MB),
    "~/.cargo": (1 * GB, 8 * MB),
    "/var/log": (200 * MB, 1 * MB),
}
CHILDREN = {
    "~/.local/share": {"Steam": 6 * GB, "fonts": 300 * MB, "flatpak": 1 * GB},
    "~/.config": {"Code": 350 * MB, "libreoffice": 90 * MB},
}


def write_tree(home):
    for relative, size in TREE.items():
        path = os.path.join(home, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(os.urandom(min(size, 4096)) * (size // 4096) + os.urandom(size % 4096))


def records(today, free_today, days=30):
    """`days` daily records ending yesterday; free space went down by ~0.2 GB a day."""
    snapshots = []
    for back in range(days, 0, -1):
        day = today - datetime.timedelta(days=back)
        age = days - back
        snapshots.append({
            "date": day.isoformat(),
            "free": free_today + back * 200 * MB,
            "entries": {path: start + age * daily for path, (start, daily) in FOLDER_GROWTH.items()},
            "scannedAt": day.isoformat() + "T00:42:05Z",
            "durationSeconds": 3.5,
            "trashBytes": 250_000 + age * 10 * MB,
        })
    breakdown = {}
    for back in range(7, 0, -1):
        day = today - datetime.timedelta(days=back)
        breakdown[day.isoformat()] = {
            folder: {name: size + (7 - back) * 5 * MB for name, size in children.items()}
            for folder, children in CHILDREN.items()
        }
    return snapshots, breakdown


def write_home(home, today, free_today, settings):
    """Writes the tree, the records and settings.json into `home`."""
    write_tree(home)
    snapshots, breakdown = records(today, free_today)
    data = os.path.join(home, ".local/share/Quillmere")
    os.makedirs(data, exist_ok=True)
    for name, value in (("snapshots.json", snapshots), ("children.json", breakdown),
                        ("settings.json", settings)):
        with open(os.path.join(data, name), "w") as f:
            json.dump(value, f, sort_keys=True, separators=(",", ":"))
