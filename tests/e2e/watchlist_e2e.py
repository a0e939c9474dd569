#!/usr/bin/python3
"""The Watched Folders settings with 2,020 folders on the list stay responsive, on a real tray host.

    watchlist_e2e.py --host sni --program build/src/quillmere --artifacts DIR

A home whose settings.json watches 2,020 folders. The steps a user takes: Ctrl+, in the popover
opens the Settings window, a click on "Watched Folders" opens the list, a click on the first
row's checkbox unticks it. While the list opens and after the tick, the tray item is asked for
its tooltip over and over: every answer must come within a generous bound (a frozen program
answers after seconds), and the tick must reach settings.json. Exits 0 when every step passed,
1 naming the failed step, 77 when the display stack cannot start.
"""

import json
import os
import sys
import time

SKIPPED = 77
try:
    import dbus
    from desktopstack import e2e_main, ATSPI_ACCESSIBLE, ATSPI_COMPONENT, \
        StepFailed
    from tray_e2e import (open_settings_from_popover, prepare_home, settings_window,
                          wait_for_tray_item, widget_in)
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)

FOLDERS = 2020
# Longest wait for one answer of the tray item. A frozen program took 5 to 25 s.
ANSWER_BOUND = 2.0
# How long the item is asked after each action.
WATCH_SECONDS = 6.0


def watched_paths():
    return ["~/projects/client %04d/build" % number for number in range(FOLDERS)]


def prepare_watch_list(stack):
    """The home of tray_e2e (records, a warning line) with 2,020 watched folders that exist."""
    prepare_home(stack)
    settings = stack.settings()
    settings["watchEntries"] = [{"path": path, "enabled": True} for path in watched_paths()]
    for path in watched_paths():
        os.makedirs(os.path.join(stack.home, path[2:]), exist_ok=True)
    with open(os.path.join(stack.data_dir, "settings.json"), "w") as f:
        json.dump(settings, f)


def slowest_answer(stack, item, seconds):
    """Asks the tray item for its tooltip for `seconds`; the longest wait for one answer."""
    slowest = 0.0
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        asked = time.monotonic()
        stack.sni_property(item, "ToolTip")
        slowest = max(slowest, time.monotonic() - asked)
        time.sleep(0.05)
    return slowest


def expect_responsive(stack, item, what):
    slowest = slowest_answer(stack, item, WATCH_SECONDS)
    print("  slowest answer of the tray item %s: %.2f s" % (what, slowest), flush=True)
    if slowest > ANSWER_BOUND:
        raise StepFailed("the tray item took %.1f s to answer %s" % (slowest, what))


def first_row(stack):
    """The first row of the watched folder list: its accessible name and place on screen."""
    # The rows are asked for one by one: the whole tree holds 2,020 of them.
    bus = stack.accessibility_bus()
    daemon = bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
    registry = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
    for service, path in registry.GetChildren(dbus_interface=ATSPI_ACCESSIBLE):
        if int(daemon.GetConnectionUnixProcessID(
                service, dbus_interface="org.freedesktop.DBus")) != stack.program.pid:
            continue
        found = find_named(bus, service, path, "Watched folder list", depth=0)
        if found is None:
            continue
        node = bus.get_object(*found)
        for index in range(int(node.Get(ATSPI_ACCESSIBLE, "ChildCount",
                                        dbus_interface=dbus.PROPERTIES_IFACE))):
            child_service, child_path = node.GetChildAtIndex(index, dbus_interface=ATSPI_ACCESSIBLE)
            child = bus.get_object(child_service, child_path)
            name = str(child.Get(ATSPI_ACCESSIBLE, "Name", dbus_interface=dbus.PROPERTIES_IFACE))
            if name.startswith("Watch "):
                x, y, width, height = child.GetExtents(dbus.UInt32(0),
                                                       dbus_interface=ATSPI_COMPONENT)
                return {"name": name, "x": int(x), "y": int(y), "width": int(width),
                        "height": int(height)}
    return None


def find_named(bus, service, path, name, depth):
    """The (service, path) of the first object named `name` below `path`, not entering lists."""
    if depth > 12:
        return None
    node = bus.get_object(service, path)
    for child_service, child_path in node.GetChildren(dbus_interface=ATSPI_ACCESSIBLE):
        child = bus.get_object(child_service, child_path)
        if str(child.Get(ATSPI_ACCESSIBLE, "Name", dbus_interface=dbus.PROPERTIES_IFACE)) == name:
            return child_service, child_path
        if str(child.GetRoleName(dbus_interface=ATSPI_ACCESSIBLE)) in ("list", "list item",
                                                                       "table", "table cell"):
            continue
        found = find_named(bus, child_service, child_path, name, depth + 1)
        if found:
            return found
    return None


def run(stack, program):
    with stack.step("start the desktop (%s tray host)" % stack.tray_host):
        stack.start_desktop()

    with stack.step("write a home that watches %d folders" % FOLDERS):
        prepare_watch_list(stack)

    with stack.step("tray item appears"):
        process = stack.start_program(program)
        item = wait_for_tray_item(stack, process.pid)

    with stack.step("Ctrl+, in the popover opens the Settings window"):
        open_settings_from_popover(stack, item)
        window = settings_window(stack)

    with stack.step("the Watched Folders section opens and the program keeps answering"):
        section = stack.wait_until("the Watched Folders section in the sidebar",
                                   lambda: widget_in(stack, window, "Watched Folders"))
        stack.click_widget(section)
        expect_responsive(stack, item, "while the list opens")
        row = stack.wait_until("the first watched folder's row", lambda: first_row(stack))
        if row["name"] != "Watch build":
            raise StepFailed("the first row is named %r" % row["name"])
        stack.screenshot("watched-folders")

    with stack.step("ticking a checkbox is saved and the program keeps answering"):
        # The checkbox sits at the row's left, after an 8-pixel margin.
        stack.click_at(row["x"] + 8 + 6, row["y"] + row["height"] // 2)
        expect_responsive(stack, item, "after the tick")
        stack.wait_until("the first folder unticked in settings.json",
                         lambda: stack.settings()["watchEntries"][0]["enabled"] is False,
                         timeout=10)
        entries = stack.settings()["watchEntries"]
        if len(entries) != FOLDERS or not all(entry["enabled"] for entry in entries[1:]):
            raise StepFailed("the tick changed more than the first folder")
        stack.screenshot("watched-folders-ticked")


def main():
    return e2e_main(__doc__, "2,020 watched folders", lambda stack, program, arguments: run(stack, program))


if __name__ == "__main__":
    sys.exit(main())
