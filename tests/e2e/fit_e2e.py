#!/usr/bin/python3
"""The popover and every section of Settings lie wholly on small and scaled screens.

    fit_e2e.py --host sni|xembed --program build/src/quillmere --artifacts DIR
               [--screen 800x600] [--scales 1,1.5,2] [--themes light,dark]

For each scale and colour scheme the program starts anew at that QT_SCALE_FACTOR on a display of
the given size (at scale 2 on 1024x768, a 512x384 screen in the program's own pixels, the
Settings window once opened at 1440x1024 from (-208, -128), its sidebar and title off screen).
The dark scheme is Breeze Dark read from ~/.config/kdeglobals in a KDE session. Opens the
popover from the tray item, then Settings with Ctrl+, and picks each of its sections; reads the
windows' geometry from the X server. A screenshot of each, named by screen, scale and scheme,
goes to DIR for a look. Exits 0 when all fit, 1 naming the failed step, 77 when the display
stack cannot start here.
"""

import os
import sys
import time

SKIPPED = 77
try:
    from desktopstack import e2e_main, StepFailed
    from tray_e2e import activate, prepare_home, settings_window, wait_for_tray_item
    from dark_e2e import KDEGLOBALS
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)

SECTIONS = ("General", "Menu Bar", "Notifications", "Watched Folders", "About")


def check_inside(stack, what, window):
    width, height = stack.screen_size
    if window["x"] < 0 or window["y"] < 0 or window["x"] + window["width"] > width \
            or window["y"] + window["height"] > height:
        raise StepFailed("%s lies partly off the %dx%d screen: %dx%d at (%d, %d)"
                         % (what, width, height, window["width"], window["height"],
                            window["x"], window["y"]))


def popover(stack):
    for window in stack.program_windows():
        if window["override_redirect"] and window["width"] > 200:
            return window
    return None


def start_program(stack, program, scale, theme):
    environment = {"QT_QPA_PLATFORM": "xcb", "QT_SCALE_FACTOR": scale}
    if theme == "dark":
        environment.update(XDG_CURRENT_DESKTOP="KDE", KDE_SESSION_VERSION="5")
    stack.end_program()
    stack.program_runs += 1
    stack.program = stack.start_process("quillmere-run%d" % stack.program_runs, [program],
                                        env=stack.environment(**environment))
    return wait_for_tray_item(stack, stack.program.pid)


def check_popover(stack, item, name):
    deadline = time.monotonic() + 30
    shown = None
    while shown is None:
        activate(stack, item)
        try:
            shown = stack.wait_until("the popover on screen", lambda: popover(stack), timeout=1.5)
        except StepFailed:
            if time.monotonic() > deadline:
                raise
    time.sleep(0.5)  # the content has taken its size
    shown = popover(stack)
    stack.screenshot("popover-" + name)
    check_inside(stack, "the popover", shown)


def sidebar_entry(stack, window, section, scale):
    """The sidebar entry of `section` in screen pixels: the accessibility bus gives positions
    in the program's own pixels, which the scale factor makes smaller than the screen's."""
    factor = float(scale)
    for widget in stack.widgets(stack.program.pid):
        if widget["name"] == section:
            entry = {key: int(widget[key] * factor) for key in ("x", "y", "width", "height")}
            centre_x = entry["x"] + entry["width"] // 2
            centre_y = entry["y"] + entry["height"] // 2
            if window["x"] <= centre_x < window["x"] + window["width"] \
                    and window["y"] <= centre_y < window["y"] + window["height"]:
                return entry
    return None


def check_settings(stack, name, scale):
    # From the open popover, which has the keyboard.
    stack.press_keys("ctrl+comma")
    window = stack.wait_until("the Settings window on screen", lambda: settings_window(stack))
    time.sleep(0.5)
    for section in SECTIONS:
        window = settings_window(stack)
        entry = stack.wait_until("the sidebar entry %s" % section,
                                 lambda: sidebar_entry(stack, window, section, scale), timeout=10)
        stack.click_widget(entry)
        time.sleep(0.4)
        window = settings_window(stack)
        stack.screenshot("settings-%s-%s" % (section.lower().replace(" ", ""), name))
        check_inside(stack, "the Settings window showing %s" % section, window)
    stack.press_keys("ctrl+w")
    stack.wait_until("the Settings window closed", lambda: settings_window(stack) is None,
                     timeout=5)


def run(stack, program, arguments):
    with stack.step("start the desktop (%s tray host) on %s" % (stack.tray_host, stack.screen)):
        stack.start_desktop()
    with stack.step("write a home with 30 days of records and a Breeze Dark kdeglobals"):
        prepare_home(stack)
        with open(os.path.join(stack.home, ".config", "kdeglobals"), "w") as scheme:
            scheme.write(KDEGLOBALS)
    screen = "%dx%d" % stack.screen_size
    for theme in arguments.themes.split(","):
        for scale in arguments.scales.split(","):
            name = "%s-%sx-%s" % (screen, scale, theme)
            with stack.step("tray item appears at scale %s, %s" % (scale, theme)):
                item = start_program(stack, program, scale, theme)
            with stack.step("the popover lies on the screen (%s)" % name):
                check_popover(stack, item, name)
            with stack.step("each section of Settings lies on the screen (%s)" % name):
                check_settings(stack, name, scale)


def add_arguments(parser):
    parser.add_argument("--screen", default="1024x768")
    parser.add_argument("--scales", default="2")
    parser.add_argument("--themes", default="light")


def main():
    return e2e_main(__doc__, "windows on small and scaled screens", run, add_arguments,
                    screen=lambda arguments: arguments.screen + "x24")


if __name__ == "__main__":
    sys.exit(main())
