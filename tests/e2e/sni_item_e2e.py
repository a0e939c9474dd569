#!/usr/bin/python3
"""End-to-end run of Quillmere's own StatusNotifierItem on xfce4-panel.

    sni_item_e2e.py --host sni --program build/src/quillmere --artifacts DIR

What a StatusNotifierItem host reads and does, over the real session bus. The panel starts
after the program (which shows its main window while no tray is there): the item then registers
with the panel's watcher, and Qt's tray icon, no longer needed, is not embedded beside it. The
item shows the free space of the home's volume as its label (the text GNOME Shell draws beside
the icon) and as its tooltip's text, under the title "Quillmere", with icon pictures of several
sizes; Activate(x, y) opens the popover centred under that point and a
second Activate closes it; a right click on the icon shows the panel's menu, whose "Open in
Window" opens the main window; the menu read over dbusmenu lists the tray menu's commands and its
"Settings…" item opens the Settings window; after the panel quits and starts again the item is
registered with the new watcher and drawn in the panel. Screenshots of the popover and of the
panel after its restart go to DIR. Exits 0 when every step passed, 1 naming the failed step, 77
when the display stack cannot start here.
"""

import sys

SKIPPED = 77
try:
    import dbus
    from desktopstack import e2e_main, PANEL_HEIGHT, SNI_WATCHER, StepFailed
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)
from tray_e2e import (check_free_text, close_with_keyboard, program_window,
                      settings_window)

DBUSMENU = "com.canonical.dbusmenu"
SNI_ITEM = "org.kde.StatusNotifierItem"
# Where the host says the click was: well inside the screen, so the popover centres on it.
CLICK = (500, PANEL_HEIGHT // 2)


def item_properties(stack, item):
    service, path = item
    return stack.bus().get_object(service, path).GetAll(
        SNI_ITEM, dbus_interface=dbus.PROPERTIES_IFACE)


def check_label(stack, item):
    def label():
        properties = item_properties(stack, item)
        text = str(properties["XAyatanaLabel"])
        tooltip = properties["ToolTip"]
        if str(tooltip[2]) != "Quillmere" or str(tooltip[3]) != text:
            return None
        return text if check_free_text(stack, "the label", text) else None

    stack.wait_until("the free space as the item's label and tooltip", label)
    properties = item_properties(stack, item)
    expected = {"Title": "Quillmere", "Category": "Hardware", "Status": "Active",
                "ItemIsMenu": False}
    for name, value in expected.items():
        if properties[name] != value:
            raise StepFailed("%s is %r, not %r" % (name, properties[name], value))
    sizes = sorted(int(width) for width, _, _ in properties["IconPixmap"])
    if not {16, 22, 24} <= set(sizes):
        raise StepFailed("icon pictures of sizes %s" % sizes)


def embedded_icons(stack):
    """The program's windows inside another window (an icon embedded by XEmbed)."""
    return [w for w in stack.windows() if "quillmere" in w["classes"] and w["ancestors"]
            and stack.window_shown(w["id"])]


def activate_at(stack, item, point):
    stack.move_pointer(*point)
    stack.sni_activate(item, *point)


def check_popover_at_point(stack, item):
    activate_at(stack, item, CLICK)
    popover = stack.wait_until("the popover on screen", lambda: program_window(stack, popup=True))
    centre = popover["x"] + popover["width"] / 2
    if abs(centre - CLICK[0]) > 2 or popover["y"] < CLICK[1]:
        raise StepFailed("popover at %d,%d (%d wide) for a click at %d,%d"
                         % (popover["x"], popover["y"], popover["width"], *CLICK))
    stack.screenshot("popover-at-click")
    activate_at(stack, item, CLICK)
    stack.wait_until("the popover closed", lambda: not program_window(stack, popup=True))


def menu_items(stack, item):
    """(id, label) of each visible item of the item's dbusmenu, as a host reads them."""
    service, _ = item
    path = str(item_properties(stack, item)["Menu"])
    menu = dbus.Interface(stack.bus().get_object(service, path), DBUSMENU)
    menu.AboutToShow(dbus.Int32(0))
    _, (_, _, children) = menu.GetLayout(dbus.Int32(0), dbus.Int32(-1), dbus.Array([], "s"))
    items = [(int(child[0]), str(child[1].get("label", "")))
             for child in children if child[1].get("visible", True)]
    return menu, items


def check_menu(stack, item):
    menu, items = menu_items(stack, item)
    labels = [label for _, label in items if label]
    if labels != ["Settings…", "Open in Window", "Quit Quillmere"]:
        raise StepFailed("menu items %r" % labels)
    settings = next(id for id, label in items if label == "Settings…")
    menu.Event(dbus.Int32(settings), "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0))
    stack.wait_until("the Settings window on screen", lambda: settings_window(stack))


def panel_popups(stack):
    """Override-redirect windows on screen other than the program's (the panel's menus, drawn
    by its plugin's own process), as {id: geometry}."""
    shown = {}
    for window in stack.windows():
        if window["ancestors"] or "quillmere" in window["classes"]:
            continue
        geometry = stack.window_geometry(window["id"])
        if geometry["viewable"] and geometry["override_redirect"]:
            shown[window["id"]] = geometry
    return shown


def check_panel_menu(stack):
    """A right click on the icon: the panel reads the menu over dbusmenu and shows it; its
    "Open in Window" opens the main window."""
    x, y = stack.wait_until("the item's icon in the panel", lambda: stack.foreground_position(
        0, 0, stack.screen_size[0], PANEL_HEIGHT))
    before = set(panel_popups(stack))
    stack.click_at(x, y, button=3)

    def menu():
        new = {w: g for w, g in panel_popups(stack).items() if w not in before}
        # Three commands and a separator at least.
        return next((g for g in new.values() if g["height"] >= 3 * 16), None)

    stack.wait_until("the panel's menu of the item", menu)
    stack.screenshot("panel-menu")
    # The second command, chosen with the keyboard in the panel's menu.
    stack.press_keys("Down", "Down", "Return")
    stack.wait_until("the main window opened from the panel's menu",
                     lambda: program_window(stack, popup=False, name="Quillmere"))


def restart_panel(stack, pid):
    panel = next(process for name, process in stack._processes if name == "xfce4-panel")
    stack.end_process(panel)
    stack.wait_until("the watcher gone", lambda: not stack.has_name(SNI_WATCHER))
    stack.start_process("xfce4-panel", ["xfce4-panel", "--disable-wm-check"])
    stack.wait_until("the StatusNotifierWatcher again", lambda: stack.has_name(SNI_WATCHER))
    item = stack.wait_until("the item registered with the new watcher",
                            lambda: stack.sni_item(pid))
    stack.wait_until("the item's icon in the panel", lambda: stack.foreground_position(
        0, 0, stack.screen_size[0], PANEL_HEIGHT))
    stack.screenshot("panel-restarted")
    return item


def run(stack, program):
    if stack.tray_host != "sni":
        raise StepFailed("this run needs a StatusNotifierItem host (--host sni)")
    with stack.step("start the desktop without its panel"):
        stack.start_display()
        stack.start_bus()
        stack.start_accessibility()
        stack.start_notifications()
        stack.start_file_manager()
    with stack.step("the panel starts after the program: the item moves to it, shown once"):
        pid = stack.start_program(program).pid
        main_window = stack.wait_until(
            "the program's main window, standing in for the missing tray",
            lambda: program_window(stack, popup=False, name="Quillmere"))
        stack.start_tray_host()
        item = stack.wait_until("the item registered with the StatusNotifierWatcher",
                                lambda: stack.sni_item(pid))
        check_label(stack, item)
        # Qt's tray icon, shown while there was no watcher, is gone: the panel embeds nothing
        # of the program's beside the StatusNotifierItem.
        stack.wait_until("no embedded icon of the program", lambda: not embedded_icons(stack))
        close_with_keyboard(stack, main_window)
    with stack.step("Activate(x, y) opens the popover under the point, a second closes it"):
        check_popover_at_point(stack, item)
    with stack.step("a right click on the icon shows the menu; Open in Window works"):
        check_panel_menu(stack)
    with stack.step("the dbusmenu lists the commands and Settings… opens Settings"):
        check_menu(stack, item)
    with stack.step("after the panel restarts the item is registered and drawn again"):
        item = restart_panel(stack, pid)
        check_label(stack, item)
    stack.end_program()


def main():
    return e2e_main(__doc__, "own StatusNotifierItem",
                    lambda stack, program, arguments: run(stack, program))


if __name__ == "__main__":
    sys.exit(main())
