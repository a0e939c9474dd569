#!/usr/bin/python3
"""The screens attacked from outside: hostile names, a foreign locale, a scaled small screen,
volumes coming and going and the tray host dying, all while the program's windows are open.

    screens_attack_e2e.py --host sni --program build/src/quillmere --artifacts DIR
        [--locale ja_JP.UTF-8] [--scale 1.5] [--rounds 20]

On an 800x600 screen, under the given locale and scale factor, on a home whose watched folders
and their children are called with a line break, a right-to-left override, 255 bytes, Hebrew
and bytes that are not UTF-8, each grown since yesterday:
- the low-space notification (a folder called like markup) and the main window's Growth rows
  and child list show each name visibly on one line (no raw control or override character),
  and the Watched Folders list holds every name;
- six file systems mounted under /media (named like the folders) and unmounted again, many
  times over while the popover is open, leave the program alive and the popover open; the
  volumes are listed, each with its free space (also the one whose mount point is not UTF-8),
  while they are there and gone when they are not;
- the tray host killed while the popover is open and again while its menu of the item is open:
  the program lives on, registers with the host that comes back, and opens its popover from it.
Screenshots of each screen go to DIR. Exits 0 when every step passed, 1 naming the failed
step, 77 when the display stack cannot start here (or file systems cannot be mounted).
"""

import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time

SKIPPED = 77
try:
    import dbus
    from desktopstack import e2e_main, PANEL_HEIGHT, SNI_WATCHER, StackUnavailable, StepFailed
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)
from realistic_home import FOLDER_GROWTH, MB
from sni_item_e2e import menu_items, panel_popups
from tray_e2e import prepare_home, today, wait_for_tray_item

SCREEN = "800x600x24"
LONG_NAME = "ü" * 127 + "x"  # 255 bytes in UTF-8, the longest name a Linux file system takes
# Watched folders below the home (their names are text: the watch list is JSON).
HOSTILE_FOLDERS = (
    "line one\nline two",
    "\u202egnp.exe",
    LONG_NAME,
    "תמונות ישנות",
)
# Children of ~/Downloads, as bytes: the last is not UTF-8.
HOSTILE_CHILDREN = (
    "two\nlines".encode(),
    "\u202ecod.exe".encode(),
    LONG_NAME.encode(),
    b"caf\xe9 latin-1",
)
# Only in the records: the folder that grew most yesterday, which the notification names; its
# name is markup as well, which a notification server that reads markup must show as text.
NOTIFIED_FOLDER = "<b>bold & \u202eabc\ndef<br>"
GROWN = 12 * MB  # above the size from which a child is recorded
VOLUMES = 6
RAW = {chr(c) for c in range(0x20)} | {"\x7f", "\u202a", "\u202b", "\u202c", "\u202d",
                                       "\u202e", "\u2066", "\u2067", "\u200e", "\u200f"}


def visible(name):
    """The name as the program shows it: control characters as their control pictures, bidi
    formatting characters as U+FFFD."""
    shown = []
    for c in name:
        if ord(c) < 0x20:
            shown.append(chr(0x2400 + ord(c)))
        elif c in RAW:
            shown.append("\ufffd")
        else:
            shown.append(c)
    return "".join(shown)


def name_text(raw):
    """A name from the disk as the program writes it: UTF-8 decoded, any other byte as
    "\\xHH"."""
    return re.sub(r"\\x([0-9a-f]{2})", lambda m: "\\x" + m.group(1).upper(),
                  raw.decode("utf-8", "backslashreplace"))


def fill(path, size):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        os.posix_fallocate(f.fileno(), 0, size)


def write_hostile_home(stack):
    """The realistic home, the hostile folders watched and grown since yesterday, and hostile
    children of ~/Downloads."""
    prepare_home(stack)
    home = stack.home.encode()
    for name in HOSTILE_FOLDERS:
        fill(os.path.join(home, name.encode(), b"data.bin"), GROWN)
    for name in HOSTILE_CHILDREN:
        fill(os.path.join(home, b"Downloads", name, b"data.bin"), GROWN)
    data = stack.data_dir
    with open(os.path.join(data, "snapshots.json")) as f:
        snapshots = json.load(f)
    for record in snapshots:
        for name in HOSTILE_FOLDERS:
            record["entries"]["~/" + name] = 1 * MB
        # Small in the records, so that today's measurement shows it grown, with its children.
        record["entries"]["~/Downloads"] = 1 * MB
        record["entries"]["~/" + NOTIFIED_FOLDER] = 1 * MB
    snapshots[-1]["entries"]["~/" + NOTIFIED_FOLDER] = 5000 * MB
    with open(os.path.join(data, "snapshots.json"), "w") as f:
        json.dump(snapshots, f, separators=(",", ":"))
    # Yesterday's breakdown of Downloads held no large child: today's are new.
    with open(os.path.join(data, "children.json")) as f:
        breakdown = json.load(f)
    breakdown[max(breakdown)]["~/Downloads"] = {}
    with open(os.path.join(data, "children.json"), "w") as f:
        json.dump(breakdown, f, sort_keys=True, separators=(",", ":"))
    settings = stack.settings()
    settings["watchEntries"] = [{"path": path, "enabled": True}
                                for path in list(FOLDER_GROWTH) + ["~/" + n for n in HOSTILE_FOLDERS]
                                + ["~/" + NOTIFIED_FOLDER]]
    with open(os.path.join(data, "settings.json"), "w") as f:
        json.dump(settings, f)


def shown_texts(stack):
    return [w["name"] for w in stack.widgets(stack.program.pid) if w["name"]]


def check_visible(what, texts):
    raw = [t for t in texts if RAW & set(t)]
    if raw:
        raise StepFailed("%s show raw control or override characters: %r" % (what, raw))


def check_names_shown(stack, what, names):
    def all_there():
        texts = shown_texts(stack)
        missing = [n for n in names if not any(visible(n) in t for t in texts)]
        return texts if not missing else None

    try:
        texts = stack.wait_until("%s naming every hostile folder" % what, all_there, timeout=20)
    except StepFailed:
        texts = shown_texts(stack)
        missing = [n for n in names if not any(visible(n) in t for t in texts)]
        raise StepFailed("%s lack %r; shown: %r" % (what, missing, texts))
    check_visible(what, texts)
    return texts


# --- Volumes ---------------------------------------------------------------------------------

class Volumes:
    """Small ext4 file systems on loop devices, each reached through a block device node of its
    own under /dev (the program leaves out sources called /dev/loop*, as disk images), mounted
    under /media in folders with hostile names."""

    def __init__(self, root, count):
        self.root = root
        self.count = count
        self.loops = []
        self.nodes = []
        self.parent = "/media/quillmere-attack-%d" % os.getpid()
        self.points = []

    @property
    def names(self):
        return [os.path.basename(point) for point in self.points]

    def __enter__(self):
        try:
            for n in range(self.count):
                image = os.path.join(self.root, "volume%d.img" % n)
                with open(image, "wb") as f:
                    f.truncate(8 * MB)
                subprocess.run(["mkfs.ext4", "-q", image], check=True, capture_output=True)
                loop = subprocess.run(["losetup", "-f", "--show", image], check=True,
                                      capture_output=True, text=True).stdout.strip()
                self.loops.append(loop)
                node = "/dev/quillmere-attack-%d-%d" % (os.getpid(), n)
                os.mknod(node, 0o600 | 0o060000, os.stat(loop).st_rdev)
                self.nodes.append(node)
                # The one that is not UTF-8 first, among those the popover shows.
                hostile = HOSTILE_CHILDREN[(n + 3) % len(HOSTILE_CHILDREN)]
                prefix = b"volume %d " % n
                name = prefix + hostile[:255 - len(prefix)]  # at most the longest name
                point = os.path.join(self.parent.encode(), name)
                os.makedirs(point)
                self.points.append(point)
        except (OSError, subprocess.CalledProcessError) as error:
            self.__exit__(None, None, None)
            raise StackUnavailable("cannot make loop file systems here: %s" % error)
        return self

    def mount_all(self):
        for node, point in zip(self.nodes, self.points):
            subprocess.run(["mount", "-t", "ext4", node, point], check=True, capture_output=True)

    def unmount_all(self):
        for point in self.points:
            subprocess.run(["umount", point], check=False, capture_output=True)

    def __exit__(self, *_):
        self.unmount_all()
        for node in self.nodes:
            os.remove(node)
        for loop in self.loops:
            subprocess.run(["losetup", "-d", loop], check=False, capture_output=True)
        shutil.rmtree(self.parent, ignore_errors=True)
        return False


def volume_lines(stack, window):
    return [w for w in widgets_in(stack, window)
            if w["name"].startswith("\u2068volume ") and "\u2069, " in w["name"]]


# --- Windows ----------------------------------------------------------------------------------

def main_window(stack):
    for window in stack.program_windows():
        if not window["override_redirect"] and window["name"] == "Quillmere":
            return window
    return None


def popover(stack):
    for window in stack.program_windows():
        if window["override_redirect"] and window["width"] > 200:
            return window
    return None


# The program's scale factor (QT_SCALE_FACTOR).
scale = 1.0


def widgets_in(stack, window):
    """The program's widgets inside `window`, in screen pixels: the accessibility bus gives the
    program's own pixels, which the scale factor makes smaller than the screen's."""
    found = []
    for widget in stack.widgets(stack.program.pid):
        widget = dict(widget, **{k: int(widget[k] * scale) for k in ("x", "y", "width", "height")})
        centre_x = widget["x"] + widget["width"] // 2
        centre_y = widget["y"] + widget["height"] // 2
        if window["x"] <= centre_x < window["x"] + window["width"] \
                and window["y"] <= centre_y < window["y"] + window["height"]:
            found.append(widget)
    return found


def widget_named(stack, window, name):
    return next((w for w in widgets_in(stack, window) if w["name"] == name), None)


def settings_window(stack):
    for window in stack.program_windows():
        if not window["override_redirect"] and window["name"] != "Quillmere":
            return window
    return None


def expand_downloads(stack, window):
    """Scrolls the Growth tab until the Downloads row shows whole between the tab picker and
    "Back to Top" below the tab, and clicks it open."""
    name = "\u2068Downloads\u2069"
    picker = stack.wait_until("the tab picker", lambda: widget_named(stack, window, "Growth"))
    stack.move_pointer(window["x"] + window["width"] // 2, picker["y"] + picker["height"] + 40)

    def row_in_view():
        shown = {w["name"]: w for w in reversed(widgets_in(stack, window))}
        row, below = shown.get(name), shown.get("Back to Top")
        if row and below and row["y"] >= picker["y"] + picker["height"] \
                and row["y"] + row["height"] <= below["y"]:
            return row
        subprocess.run(["xdotool", "click", "5"], env=stack.environment(), check=True)
        return None

    stack.click_widget(stack.wait_until("the Downloads row in view", row_in_view))


# --- The run ---------------------------------------------------------------------------------

def start_program(stack, program, arguments):
    stack.program_runs += 1
    stack.program = stack.start_process(
        "quillmere-run%d" % stack.program_runs, [program],
        env=stack.environment(QT_QPA_PLATFORM="xcb", QT_SCALE_FACTOR=arguments.scale,
                              LANG=arguments.locale, LC_ALL=arguments.locale))
    return wait_for_tray_item(stack, stack.program.pid)


# Where the item's icon sits in the panel, found before anything covers it.
icon = None


def activate(stack, item):
    """Activates the item as the panel does on a left click on its icon. The pointer is moved
    there without waiting for the move to be seen: the open popover holds the pointer."""
    subprocess.run(["xdotool", "mousemove", str(icon[0]), str(icon[1])],
                   env=stack.environment(), timeout=20, check=True)
    stack.sni_activate(item, *icon)


def open_popover(stack, item, timeout=30.0):
    """Activates the item until the popover is on screen (an activation right after a close
    is ignored) and returns its window."""
    deadline = time.monotonic() + timeout
    while True:
        activate(stack, item)
        try:
            return stack.wait_until("the popover on screen", lambda: popover(stack), timeout=1.5)
        except StepFailed:
            if time.monotonic() > deadline:
                raise


def close_popover(stack, item):
    activate(stack, item)
    stack.wait_until("the popover closed", lambda: not popover(stack))


def open_in_window(stack, item):
    """The tray menu's "Open in Window", as the host calls it over dbusmenu."""
    menu, items = menu_items(stack, item)
    command = next(id for id, label in items if label == "Open in Window")
    menu.Event(dbus.Int32(command), "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0))


def panel_icon(stack):
    return stack.wait_until("the item's icon in the panel", lambda: stack.foreground_position(
        0, 0, stack.screen_size[0], PANEL_HEIGHT))


def open_panel_menu(stack):
    """A right click on the item's icon: the panel shows its menu of the item."""
    before = set(panel_popups(stack))
    subprocess.run(["xdotool", "mousemove", str(icon[0]), str(icon[1]), "click", "3"],
                   env=stack.environment(), timeout=20, check=True)
    stack.wait_until("the panel's menu of the item", lambda: {
        w: g for w, g in panel_popups(stack).items() if w not in before and g["height"] >= 48})
    stack.screenshot("panel-menu")


def restart_panel(stack):
    """Kills the panel (SIGKILL: a crash, not a quit) and starts it again; the program must
    register its item with the new watcher, which draws it."""
    panel = next(process for name, process in stack._processes if name == "xfce4-panel")
    os.kill(panel.pid, signal.SIGKILL)
    stack.end_process(panel)
    stack.wait_until("the watcher gone", lambda: not stack.has_name(SNI_WATCHER))
    time.sleep(1)
    if stack.program.poll() is not None:
        raise StepFailed("the program ended with status %s" % stack.program.returncode)
    stack.start_process("xfce4-panel", ["xfce4-panel", "--disable-wm-check"])
    stack.wait_until("the StatusNotifierWatcher again", lambda: stack.has_name(SNI_WATCHER))
    item = stack.wait_until("the item registered with the new watcher",
                            lambda: stack.sni_item(stack.program.pid))
    global icon
    icon = panel_icon(stack)
    return item


def run(stack, program, arguments):
    global icon, scale
    with stack.step("start the desktop on %s" % stack.screen):
        stack.start_desktop()
    scale = float(arguments.scale)
    with stack.step("write a home with hostile folder names, grown since yesterday"):
        write_hostile_home(stack)
    with stack.step("tray item appears (%s, scale %s)" % (arguments.locale, arguments.scale)):
        item = start_program(stack, program, arguments)
        icon = panel_icon(stack)
        stack.wait_until("today's record", lambda: today().isoformat() in stack.snapshot_dates(),
                         timeout=60)
    with stack.step("the notification names a hostile folder visibly"):
        shown = stack.wait_until("the low-space notification", stack.notifications)
        stack.screenshot("notification")
        check_visible("the notification", [shown[0]["summary"], shown[0]["body"]])
        # dunst hands the body to its script as the program sent it: escaped for markup.
        escaped = visible(NOTIFIED_FOLDER).replace("&", "&amp;").replace("<", "&lt;").replace(
            ">", "&gt;")
        if escaped not in shown[0]["body"]:
            raise StepFailed("the notification does not name %r: %r" % (NOTIFIED_FOLDER, shown))
    with stack.step("the Growth rows name every hostile folder on one line"):
        stack.invoke_notification_default_action()
        window = stack.wait_until("the main window on screen", lambda: main_window(stack))
        time.sleep(1)
        stack.screenshot("main-window-growth")
        check_names_shown(stack, "the Growth rows", HOSTILE_FOLDERS)
    with stack.step("the child list of Downloads names every hostile child on one line"):
        expand_downloads(stack, window)
        stack.screenshot("main-window-children")
        children = [name_text(n) for n in HOSTILE_CHILDREN]
        check_names_shown(stack, "the child list", children)
    with stack.step("the Watched Folders list names every hostile folder"):
        # Ctrl+, as in the popover: on a small screen the footer's button may lie below the
        # part of the window in view.
        stack.focus_window(window["id"])
        stack.press_keys("ctrl+comma")
        settings = stack.wait_until("the Settings window", lambda: settings_window(stack))
        stack.click_widget(stack.wait_until("the Watched Folders entry", lambda: widget_named(
            stack, settings, "Watched Folders")))
        time.sleep(0.5)
        stack.move_pointer(settings["x"] + settings["width"] * 2 // 3,
                           settings["y"] + settings["height"] // 2)
        subprocess.run(["xdotool", "click", "--repeat", "12", "5"], env=stack.environment(),
                       check=True)
        time.sleep(0.3)
        stack.screenshot("settings-watched-folders")
        check_names_shown(stack, "the Watched Folders list", HOSTILE_FOLDERS)
        stack.focus_window(settings["id"])
        stack.press_keys("ctrl+w")
        stack.wait_until("the Settings window closed", lambda: not settings_window(stack))
        stack.focus_window(window["id"])
        stack.press_keys("ctrl+w")
        stack.wait_until("the main window closed", lambda: not main_window(stack))
    with Volumes(stack.root, VOLUMES) as volumes:
        with stack.step("six volumes mounted and unmounted %d times while the popover is open"
                        % arguments.rounds):
            shown = open_popover(stack, item)
            for _ in range(arguments.rounds):
                volumes.mount_all()
                time.sleep(0.15)
                volumes.unmount_all()
                time.sleep(0.15)
            volumes.mount_all()
            time.sleep(2)
            stack.screenshot("popover-six-volumes")
            if popover(stack) is None or popover(stack)["id"] != shown["id"]:
                raise StepFailed("the popover closed while volumes came and went")
        with stack.step("the mounted volumes are listed in the main window, gone once unmounted"):
            close_popover(stack, item)
            open_in_window(stack, item)
            window = stack.wait_until("the main window", lambda: main_window(stack))
            names = [name_text(n) for n in volumes.names]
            lines = stack.wait_until("the volume lines", lambda: volume_lines(stack, window))
            stack.screenshot("main-window-six-volumes")
            check_visible("the volume lines", [line["name"] for line in lines])
            # Each measured: its free space, not the dash of a volume that cannot be read.
            if len(lines) != 3 or not all(visible(names[n]) in lines[n]["name"]
                                          and ", Free " in lines[n]["name"] for n in range(3)):
                raise StepFailed("volume lines %r, expected the first three of %r, measured"
                                 % ([line["name"] for line in lines], names))
            # The rest, the 255-byte name among them, behind "and 3 more volumes".
            stack.click_widget(stack.wait_until("the more volumes link", lambda: widget_named(
                stack, window, "and 3 more volumes")))
            lines = stack.wait_until("every volume line", lambda: [
                line for line in [volume_lines(stack, window)] if len(line) == VOLUMES])[0]
            stack.screenshot("main-window-every-volume")
            if not all(visible(names[n]) in lines[n]["name"] and ", Free " in lines[n]["name"]
                       for n in range(VOLUMES)):
                raise StepFailed("volume lines %r, expected %r, measured"
                                 % ([line["name"] for line in lines], names))
            volumes.unmount_all()
            stack.wait_until("the volume lines gone", lambda: not volume_lines(stack, window))
            volumes.mount_all()
            stack.wait_until("the volume lines back", lambda: volume_lines(stack, window))
            stack.focus_window(window["id"])
            stack.press_keys("ctrl+w")
            stack.wait_until("the main window closed", lambda: not main_window(stack))
    with stack.step("the tray host killed and restarted while the popover is open"):
        open_popover(stack, item)
        item = restart_panel(stack)
        stack.screenshot("popover-after-panel-restart")
        # The popover of the item that went may stay or go; a new activation opens it.
        if popover(stack):
            close_popover(stack, item)
        open_popover(stack, item)
        close_popover(stack, item)
    with stack.step("the tray host killed and restarted while its menu of the item is open"):
        open_panel_menu(stack)
        item = restart_panel(stack)
        open_popover(stack, item)
        stack.screenshot("popover-after-second-panel-restart")
        close_popover(stack, item)
        open_in_window(stack, item)
        stack.wait_until("the main window from the new host's menu", lambda: main_window(stack))
    with stack.step("the program lives on"):
        if stack.program.poll() is not None:
            raise StepFailed("the program ended with status %s" % stack.program.returncode)


def add_arguments(parser):
    parser.add_argument("--locale", default="ja_JP.UTF-8")
    parser.add_argument("--scale", default="1.5")
    parser.add_argument("--rounds", type=int, default=20)


def main():
    return e2e_main(__doc__, "screens attacked", run, add_arguments, screen=SCREEN)


if __name__ == "__main__":
    sys.exit(main())
