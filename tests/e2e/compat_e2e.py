#!/usr/bin/python3
"""Files of a later version, or edited by hand, outlive a start and a scan of the real program.

    compat_e2e.py --host xembed --program build/src/quillmere --artifacts DIR

A home whose settings.json has a watch entry this version cannot read ("enabled": 1), a key it
does not know, a refresh interval it does not offer and "launchAtLogin": true without an
autostart entry, and whose snapshots.json holds records of a later version. The program mirrors
the missing login item into settings.json and scans: the file keeps the unknown key, the
interval of 120 and the whole watch list; the records file keeps the later version's records
as they were written, and the day's record measures the folder of the good entry. Exits 0 when
every step passed, 1 naming the failed step, 77 when the display stack cannot start.
"""

import datetime
import json
import os
import sys

SKIPPED = 77
try:
    from desktopstack import e2e_main, StepFailed
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)

WATCH_ENTRIES = [{"path": "~/Projects", "enabled": True}, {"path": "~/Music", "enabled": 1}]
SETTINGS = {"watchEntries": WATCH_ENTRIES, "futureKey": 1, "refreshInterval": 120,
            "launchAtLogin": True}


def later_records():
    """Records of a later version, as it writes them (compact, keys in order)."""
    yesterday = (datetime.datetime.now(datetime.timezone.utc).date()
                 - datetime.timedelta(days=1)).isoformat()
    return [
        '{"date":{"day":1,"month":2,"year":2026},"free":5}',
        '{"date":"%s","entries":{"~/Projects":{"bytes":5,"files":2},"~/b":7},"free":"12",'
        '"inodes":{"used":40},"scannedAt":1773135600,"tags":["work"],"version":3}' % yesterday,
    ]


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def run(stack, program, _arguments):
    with stack.step("start the desktop (%s tray host)" % stack.tray_host):
        stack.start_desktop()

    with stack.step("write a home with files of a later version"):
        os.makedirs(stack.data_dir, exist_ok=True)
        os.makedirs(os.path.join(stack.home, "Projects"), exist_ok=True)
        with open(os.path.join(stack.home, "Projects", "a.bin"), "wb") as f:
            f.write(b"x" * 2_000_000)
        with open(os.path.join(stack.data_dir, "settings.json"), "w") as f:
            json.dump(SETTINGS, f)
        records = later_records()
        with open(os.path.join(stack.data_dir, "snapshots.json"), "w") as f:
            f.write("[" + ",".join(records) + "]")

    try:
        with stack.step("start the program; it mirrors the missing login item"):
            stack.start_program(program)
            settings = stack.wait_until(
                "settings.json saved with launchAtLogin false",
                lambda: (lambda s: s if s.get("launchAtLogin") is False else None)(
                    stack.settings()))

        with stack.step("settings.json keeps what this version does not understand"):
            for key, value in (("futureKey", 1), ("refreshInterval", 120),
                               ("watchEntries", WATCH_ENTRIES)):
                if settings.get(key) != value:
                    raise StepFailed("settings.json holds %s = %r, not %r"
                                     % (key, settings.get(key), value))

        with stack.step("the day's scan keeps the later version's records as written"):
            today = datetime.datetime.now(datetime.timezone.utc).date().isoformat()
            path = os.path.join(stack.data_dir, "snapshots.json")
            written = stack.wait_until(
                "a record of today in snapshots.json",
                lambda: (lambda text: text if '"date":"%s"' % today in text else None)(
                    read(path)),
                timeout=60)
            for record in records:
                if record not in written:
                    raise StepFailed("snapshots.json lost %s; it holds %s" % (record, written))
            entries = [r for r in json.loads(written)
                       if r.get("date") == today][0].get("entries", {})
            if sorted(entries) != ["~/Projects"]:
                raise StepFailed("today's record measured %s, not the good folder alone"
                                 % sorted(entries))
    finally:
        stack.keep_program_files()
        stack.end_program()


if __name__ == "__main__":
    sys.exit(e2e_main(__doc__, "files of a later version", run))
