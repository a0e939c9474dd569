#!/usr/bin/python3
"""End-to-end run of Quillmere on a real tray host, notification daemon and X display.

    tray_e2e.py --host sni|xembed --program build/src/quillmere --artifacts DIR

On a home with 30 days of records and the warning line above the free space: the tray item
appears (a StatusNotifierItem whose tooltip and icon, read over D-Bus, carry the free space and
the warning colour; or a window embedded in an XEmbed tray showing that colour); exactly one
low-space notification reaches dunst that day, also across a restart of the program, and its
default action opens the main window on the Growth tab; activating the item opens the popover and
a second activation closes it; "Show in Folder" on a grown folder asks the file manager to show
it; Ctrl+, in the popover opens the Settings window. Screenshots of the tray, the notification,
the main window, the popover on both tabs and the Settings window go to DIR. Exits 0 when every
step passed, 1 naming the failed step, 77 when the display stack cannot start here.
"""

import datetime
import json
import os
import re
import sys
import time
import urllib.parse

SKIPPED = 77
try:
    from desktopstack import (e2e_main, PANEL_HEIGHT, WARNING_COLOURS,
                              StepFailed, has_colour)
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)
from realistic_home import write_home

UNITS = {"MB": 10**6, "GB": 10**9, "TB": 10**12}
# The width of the popover's content and of the main window that shows the same content.
CONTENT_WIDTH = 360
SHOW_IN_FOLDER = "Show in Folder: "


def today():
    return datetime.datetime.now(datetime.timezone.utc).date()


def free_bytes(path):
    info = os.statvfs(path)
    return info.f_bavail * info.f_frsize


def prepare_home(stack):
    """The records and a warning line above today's free space (settings.json)."""
    free = free_bytes(stack.home)
    info = os.statvfs(stack.home)
    # The program keeps the line within the volume's capacity.
    warning_line = min(free // 10**9 + 10, info.f_blocks * info.f_frsize // 10**9)
    if warning_line * 10**9 <= free:
        raise StepFailed("the volume of %s is too empty to set a warning line above its free "
                         "space" % stack.home)
    settings = {"thresholdGB": warning_line, "criticalGB": 1, "notifyEnabled": True}
    write_home(stack.home, today(), free, settings)
    return warning_line


# The free space as the label, tooltip and menu show it ("75 GB").
FREE_TEXT = re.compile(r"(\d+(?:\.\d+)?) (MB|GB|TB)")


def check_free_text(stack, what, text):
    """True when `text` is a free-space text; fails when it is one but far from the home
    volume's free space; False otherwise."""
    match = FREE_TEXT.fullmatch(text)
    if not match:
        return False
    shown, actual = float(match.group(1)) * UNITS[match.group(2)], free_bytes(stack.home)
    if abs(shown - actual) > max(1.5 * 10**9, actual * 0.02):
        raise StepFailed("%s says %s, but %.2f GB are free" % (what, text, actual / 1e9))
    return True


def wait_for_tray_item(stack, pid):
    """Waits until the program's tray item shows the free space in the warning colour.

    The colour appears only once the first free-space reading has been handled, which is also
    when the program decides about the day's notification."""
    if stack.tray_host in ("sni", "gnome"):
        item = stack.wait_until("the item registered with the StatusNotifierWatcher",
                                lambda: stack.sni_item(pid))

        def free_text():
            # The tooltip's title names the program, its text and the label beside the icon
            # carry the free space.
            _, _, title, text = stack.sni_property(item, "ToolTip")
            label = str(stack.sni_property(item, "XAyatanaLabel"))
            if str(title) != "Quillmere" or label != str(text):
                return None
            return label if check_free_text(stack, "the tooltip", label) else None

        stack.wait_until("the free space in the item's tooltip", free_text)

        def coloured_pixmap():
            for width, height, argb in stack.sni_property(item, "IconPixmap"):
                pixels = bytes(argb)
                if width > 0 and len(pixels) == width * height * 4 and has_colour(
                        pixels, WARNING_COLOURS, channels=4, offset=1):
                    return True
            return False

        stack.wait_until("the icon pixmap in the warning colour", coloured_pixmap)
        return item
    window = stack.wait_until("the program's icon window embedded in trayer", stack.xembed_icon)
    stack.wait_until("the embedded icon to be shown",
                     lambda: stack.window_geometry(window)["viewable"])
    stack.wait_until("the embedded icon in the warning colour",
                     lambda: has_colour(stack.window_pixels(window), WARNING_COLOURS))
    return window


# Where each StatusNotifierItem's icon sits in the panel, found on its first activation.
_icon_positions = {}


def activate(stack, item):
    """Activates the tray item as the host does on a left click: the StatusNotifierItem's
    Activate method with the pointer on the item's icon in the panel (the panel holds nothing
    else, so the icon is what stands out from its background; found before anything covers it),
    or a click at the embedded icon. The icon's warning colour may be a sliver of a few pixels,
    too thin to find the icon by."""
    if stack.tray_host == "sni":
        if item not in _icon_positions:
            _icon_positions[item] = stack.wait_until(
                "the item's icon in the panel", lambda: stack.foreground_position(
                    0, 0, stack.screen_size[0], PANEL_HEIGHT))
        x, y = _icon_positions[item]
        stack.move_pointer(x, y)
        stack.sni_activate(item, x, y)
    else:
        stack.click_window(item)


def open_popover(stack, item, timeout=30.0):
    """Activates the item until the popover is on screen and returns its window. The program
    ignores an activation that follows a close within a moment (the click on the item that
    closed the popover as an outside click), so an ignored one is repeated."""
    deadline = time.monotonic() + timeout
    while True:
        activate(stack, item)
        try:
            return stack.wait_until("the popover on screen",
                                    lambda: program_window(stack, popup=True), timeout=1.0)
        except StepFailed:
            if time.monotonic() > deadline:
                raise


def program_window(stack, popup, name=None):
    """The program's window on screen as wide as the content (`popup`: the popover, else a
    framed window such as the main window), or None."""
    for window in stack.program_windows():
        if window["override_redirect"] == popup and abs(window["width"] - CONTENT_WIDTH) <= 8 \
                and (name is None or window["name"] == name):
            return window
    return None


def settings_window(stack):
    """The Settings window: a framed window of the program other than the main window."""
    for window in stack.program_windows():
        if not window["override_redirect"] and window["name"] != "Quillmere":
            return window
    return None


def widget_in(stack, window, name, prefix=False):
    """The widget named `name` (or with a name that starts with it) inside `window`."""
    for widget in stack.widgets(stack.program.pid):
        centre_x = widget["x"] + widget["width"] // 2
        centre_y = widget["y"] + widget["height"] // 2
        named = widget["name"].startswith(name) if prefix else widget["name"] == name
        if named and window["x"] <= centre_x < window["x"] + window["width"] \
                and window["y"] <= centre_y < window["y"] + window["height"]:
            return widget
    return None


def content_layout(stack, window):
    """Where the content's widgets sit in the main window, relative to its top left corner. The
    popover shows the same content; Qt leaves popups out of the accessibility tree, so this is
    how the popover's widgets are found."""
    layout = {}
    for widget in stack.widgets(stack.program.pid):
        if widget["name"] and widget["name"] not in layout \
                and window["x"] <= widget["x"] < window["x"] + window["width"]:
            layout[widget["name"]] = dict(widget, x=widget["x"] - window["x"],
                                          y=widget["y"] - window["y"])
    for needed in ("Growth", "Cleanup"):
        if needed not in layout:
            raise StepFailed("no %r button in the main window: %r" % (needed, sorted(layout)))
    return layout


def in_popover(popover, widget):
    """A widget of content_layout() where the popover shows it (inside its border)."""
    border = (popover["width"] - CONTENT_WIDTH) // 2
    return dict(widget, x=popover["x"] + border + widget["x"],
                y=popover["y"] + border + widget["y"])


def tab_pixels(stack, popover, layout):
    """The pixels of the popover below the tab picker, where the picked tab shows."""
    picker = layout["Growth"]
    pixels = stack.window_pixels(popover["id"])
    return pixels[(picker["y"] + picker["height"]) * popover["width"] * 3:]


def pick_tab(stack, popover, layout, tab, shown_before):
    """Clicks the tab picker's `tab` button in the popover and waits until the tab below it
    changed; returns its pixels."""
    stack.click_widget(in_popover(popover, layout[tab]))

    def changed():
        now = tab_pixels(stack, popover, layout)
        return now if now != shown_before else None

    return stack.wait_until("the %s tab shown in the popover" % tab, changed)


def expected_folder_uri(stack, folder_name):
    """The file:// URI of the watched folder called `folder_name` in the latest record."""
    with open(os.path.join(stack.data_dir, "snapshots.json")) as f:
        entries = max(json.load(f), key=lambda record: record["date"])["entries"]
    # The name is the path below the home, or the last part of a path elsewhere.
    paths = [p for p in entries if p == "~/" + folder_name or p.rsplit("/", 1)[-1] == folder_name]
    if len(paths) != 1:
        raise StepFailed("the latest record has %d folders called %r: %r"
                         % (len(paths), folder_name, sorted(entries)))
    path = stack.home + paths[0][1:] if paths[0].startswith("~/") else paths[0]
    return "file://" + urllib.parse.quote(path)


def open_main_window_from_notification(stack):
    """Invokes the notification's default action; the main window must open on the Growth tab,
    the click logged. Screenshot main-window. Returns the window and its content_layout()."""
    stack.invoke_notification_default_action()
    window = stack.wait_until("the main window on screen",
                              lambda: program_window(stack, popup=False, name="Quillmere"))
    clicked = "通知がクリックされた(しきい値)。pid %d" % stack.program.pid
    stack.wait_until("the click in the program's log", lambda: clicked in stack.program_log())
    stack.wait_until("the Growth tab picked in the main window",
                     lambda: (widget_in(stack, window, "Growth") or {}).get("checked"))
    stack.screenshot("main-window")
    return window, content_layout(stack, window)


def open_popover_on_both_tabs(stack, item, layout):
    """Activates the item; the popover must open. Screenshots popover-growth and
    popover-cleanup, picking each tab with a click; the Growth tab is left picked."""
    popover = open_popover(stack, item)
    growth = tab_pixels(stack, popover, layout)
    stack.screenshot("popover-growth")
    cleanup = pick_tab(stack, popover, layout, "Cleanup", growth)
    stack.screenshot("popover-cleanup")
    pick_tab(stack, popover, layout, "Growth", cleanup)
    return popover


def close_popover(stack, item):
    activate(stack, item)
    stack.wait_until("the popover closed", lambda: not program_window(stack, popup=True))


def open_settings_from_popover(stack, item):
    """Opens the popover and presses Ctrl+,: the Settings window must open in its place.
    Screenshot settings."""
    open_popover(stack, item)
    stack.press_keys("ctrl+comma")
    stack.wait_until("the Settings window on screen", lambda: settings_window(stack))
    stack.wait_until("the popover closed", lambda: not program_window(stack, popup=True))
    stack.screenshot("settings")


def close_with_keyboard(stack, window):
    """Gives `window` the keyboard (as a window manager does on a click) and presses Ctrl+W."""
    stack.focus_window(window["id"])
    stack.press_keys("ctrl+w")
    stack.wait_until("the window closed by Ctrl+W", lambda: not stack.window_shown(window["id"]))


def run(stack, program):
    """The steps of one run, in the order a user meets them. Steps for windows of the program go
    where the user would open them: the notification's default action opens the main window,
    whose widgets are found by their accessible names (widget_in(), content_layout()), and
    Ctrl+W closes it; the popover's steps after that, each opening the popover anew
    (open_popover(), program_window(), in_popover() for where the popover shows a widget of the
    same content)."""
    days = set()
    with stack.step("start the desktop (%s tray host)" % stack.tray_host):
        stack.start_desktop()

    with stack.step("write a home with 30 days of records"):
        warning_line = prepare_home(stack)

    with stack.step("tray item appears"):
        days.add(today())
        process = stack.start_program(program)
        item = wait_for_tray_item(stack, process.pid)
        stack.screenshot("tray")

    with stack.step("one low-space notification reaches dunst"):
        shown = stack.wait_until("a notification shown by dunst", stack.notifications)
        expected = "Free space dropped below %d GB" % warning_line
        if shown[0]["app"] != "Quillmere" or shown[0]["summary"] != expected \
                or not shown[0]["body"].startswith("Free now: "):
            raise StepFailed("unexpected notification %r (summary should be %r)"
                             % (shown[0], expected))
        stack.screenshot("notification")

    with stack.step("the notification's default action opens the main window on the Growth tab"):
        main_window, layout = open_main_window_from_notification(stack)

    with stack.step("Ctrl+W closes the main window"):
        close_with_keyboard(stack, main_window)

    with stack.step("activating the tray item opens the popover, on both tabs"):
        popover = open_popover_on_both_tabs(stack, item, layout)

    with stack.step("Show in Folder asks the file manager to show the grown folder"):
        button = [w for name, w in layout.items() if name.startswith(SHOW_IN_FOLDER)]
        if not button:
            raise StepFailed("no grown folder with a Show in Folder button: %r" % sorted(layout))
        # The program isolates every name from the disk (U+2068 ... U+2069) in what it shows.
        name = button[0]["name"][len(SHOW_IN_FOLDER):].strip("\u2068\u2069")
        expected_uri = expected_folder_uri(stack, name)
        stack.click_widget(in_popover(popover, button[0]))
        calls = stack.wait_until("the file manager's ShowItems call", stack.file_manager_calls)
        if calls != [{"method": "ShowItems", "uris": [expected_uri], "startup": ""}]:
            raise StepFailed("the file manager was called %r; expected one ShowItems of %s"
                             % (calls, expected_uri))

    with stack.step("a second activation closes the popover"):
        close_popover(stack, item)

    with stack.step("Ctrl+, in the popover opens the Settings window"):
        open_settings_from_popover(stack, item)

    with stack.step("the notified day and today's record are saved"):
        stack.wait_until("lastNotifiedDate in settings.json",
                         lambda: stack.settings().get("lastNotifiedDate") in
                         {d.isoformat() for d in days | {today()}})
        stack.wait_until("today's record in snapshots.json",
                         lambda: today().isoformat() in stack.snapshot_dates())
        days.add(today())
        check_count(stack, days)

    with stack.step("no second notification after a restart"):
        stack.end_program()
        days.add(today())
        process = stack.start_program(program)
        wait_for_tray_item(stack, process.pid)
        days.add(today())
        check_count(stack, days)


def check_count(stack, days):
    """One notification a day: exactly one, or one per day the run has spanned, also when
    watched for a while after the program's last decision."""
    count = stack.notification_count()
    if not 1 <= count <= len(days):
        raise StepFailed("dunst received %d notifications on %d day(s): %r"
                         % (count, len(days), stack.notifications()))
    stack.expect_no_more_notifications(len(days))


def main():
    return e2e_main(__doc__, None, lambda stack, program, arguments: run(stack, program))


if __name__ == "__main__":
    sys.exit(main())
