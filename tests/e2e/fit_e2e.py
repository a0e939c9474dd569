#!/usr/bin/python3
"""The popover and the Settings window on a small, scaled screen: both must lie wholly on it.

    fit_e2e.py --host sni|xembed --program build/src/quillmere --artifacts DIR

The program runs at QT_SCALE_FACTOR=2 on a 1024x768 display (a 512x384 screen in the program's
own pixels), where the Settings window once opened at 1440x1024 from (-208, -128), its sidebar
and title off screen. Opens the popover from the tray item, then Settings with Ctrl+, and reads
both windows' geometry from the X server. Screenshots popover and settings go to DIR. Exits 0
when both fit, 1 naming the failed step, 77 when the display stack cannot start here.
"""

import sys
import time

SKIPPED = 77
try:
    from desktopstack import e2e_main, SCREEN, StepFailed
    from tray_e2e import activate, prepare_home, settings_window, wait_for_tray_item
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)

SCALE = "2"


def screen_rect():
    width, height = (int(n) for n in SCREEN.split("x")[:2])
    return 0, 0, width, height


def check_inside(what, window):
    left, top, width, height = screen_rect()
    if window["x"] < left or window["y"] < top or window["x"] + window["width"] > width \
            or window["y"] + window["height"] > height:
        raise StepFailed("%s lies partly off the %dx%d screen: %dx%d at (%d, %d)"
                         % (what, width, height, window["width"], window["height"],
                            window["x"], window["y"]))


def popover(stack):
    for window in stack.program_windows():
        if window["override_redirect"] and window["width"] > 200:
            return window
    return None


def run(stack, program):
    with stack.step("start the desktop (%s tray host)" % stack.tray_host):
        stack.start_desktop()
    with stack.step("write a home with 30 days of records"):
        prepare_home(stack)
    with stack.step("tray item appears at scale %s" % SCALE):
        stack.program_runs += 1
        stack.program = stack.start_process(
            "quillmere-run%d" % stack.program_runs, [program],
            env=stack.environment(QT_QPA_PLATFORM="xcb", QT_SCALE_FACTOR=SCALE))
        item = wait_for_tray_item(stack, stack.program.pid)
    with stack.step("the popover lies on the screen"):
        deadline = time.monotonic() + 30
        shown = None
        while shown is None:
            activate(stack, item)
            try:
                shown = stack.wait_until("the popover on screen", lambda: popover(stack),
                                         timeout=1.5)
            except StepFailed:
                if time.monotonic() > deadline:
                    raise
        time.sleep(0.5)  # the content has taken its size
        shown = popover(stack)
        stack.screenshot("popover")
        check_inside("the popover", shown)
    with stack.step("Ctrl+, opens Settings, which lies on the screen"):
        stack.press_keys("ctrl+comma")
        window = stack.wait_until("the Settings window on screen", lambda: settings_window(stack))
        time.sleep(0.5)
        window = settings_window(stack)
        stack.screenshot("settings")
        check_inside("the Settings window", window)


def main():
    return e2e_main(__doc__, "windows at scale %s" % SCALE, lambda stack, program, arguments: run(stack, program))


if __name__ == "__main__":
    sys.exit(main())
