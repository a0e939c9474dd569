#!/usr/bin/python3
"""A stand-in for the desktop's file manager on a private session bus: owns
org.freedesktop.FileManager1 and appends every call to the file named by its argument, one JSON
line each ({"method": "ShowItems", "uris": [...], "startup": "..."}). It shows nothing."""

import json
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.FileManager1"


class FileManager(dbus.service.Object):
    def __init__(self, bus, log_path):
        super().__init__(bus, "/org/freedesktop/FileManager1")
        self.log_path = log_path

    def record(self, method, uris, startup):
        with open(self.log_path, "a") as log:
            log.write(json.dumps({"method": method, "uris": [str(u) for u in uris],
                                  "startup": str(startup)}) + "\n")

    @dbus.service.method(NAME, in_signature="ass", out_signature="")
    def ShowItems(self, uris, startup):
        self.record("ShowItems", uris, startup)

    @dbus.service.method(NAME, in_signature="ass", out_signature="")
    def ShowFolders(self, uris, startup):
        self.record("ShowFolders", uris, startup)

    @dbus.service.method(NAME, in_signature="ass", out_signature="")
    def ShowItemProperties(self, uris, startup):
        self.record("ShowItemProperties", uris, startup)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    service = FileManager(bus, sys.argv[1])
    name = dbus.service.BusName(NAME, bus, do_not_queue=True)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, 15, loop.quit)  # SIGTERM ends it cleanly
    loop.run()
    del name, service


if __name__ == "__main__":
    main()
