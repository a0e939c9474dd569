#!/usr/bin/python3
"""`make demo`: Quillmere on a virtual desktop for a person to look at.

    demo.py --program build/src/quillmere --out build/demo [--host sni|xembed|gnome]

Starts the same stack as the end-to-end test (a tray host, dunst, a home with 30 days of records
and the warning line above the free space), takes screenshots of the tray, the notification, the
main window its click opens, the popover on both tabs and the Settings window, and says where they
are. Then the panel of each other tray host (xfce4-panel, trayer, GNOME Shell's top bar) with the
item in it. From a terminal the first desktop stays up until Enter is pressed.
"""

import argparse
import os
import shutil
import sys

from desktopstack import DesktopStack, StackUnavailable, StepFailed
from tray_e2e import (close_popover, open_main_window_from_notification,
                      open_popover_on_both_tabs, open_settings_from_popover, prepare_home,
                      wait_for_tray_item)


def tray_of(host, program, out):
    """A screenshot of the panel of another tray host with the item in it: tray-HOST.png."""
    folder = os.path.join(out, host)
    with DesktopStack(folder, host) as stack:
        with stack.step("the item on the %s tray host" % host):
            stack.start_desktop()
            prepare_home(stack)
            process = stack.start_program(program)
            wait_for_tray_item(stack, process.pid)
            os.replace(stack.screenshot("tray-" + host), os.path.join(out, "tray-%s.png" % host))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--host", choices=("sni", "xembed", "gnome"), default="sni")
    arguments = parser.parse_args()
    out = os.path.abspath(arguments.out)
    shutil.rmtree(out, ignore_errors=True)
    try:
        with DesktopStack(out, arguments.host) as stack:
            with stack.step("start the desktop"):
                stack.start_desktop()
            with stack.step("start Quillmere on a home with 30 days of records"):
                prepare_home(stack)
                process = stack.start_program(os.path.abspath(arguments.program))
                item = wait_for_tray_item(stack, process.pid)
                stack.screenshot("tray")
            with stack.step("show the low-space notification"):
                stack.wait_until("the notification", stack.notifications)
                stack.screenshot("notification")
            with stack.step("click the notification: the main window"):
                _, layout = open_main_window_from_notification(stack)
            with stack.step("open the popover on both tabs"):
                open_popover_on_both_tabs(stack, item, layout)
                close_popover(stack, item)
            with stack.step("open Settings"):
                open_settings_from_popover(stack, item)
            for other in ("sni", "xembed", "gnome"):
                if other != arguments.host:
                    tray_of(other, os.path.abspath(arguments.program), out)
            shots = sorted(name for name in os.listdir(out) if name.endswith(".png"))
            print("Demo screenshots are in %s: %s" % (out, ", ".join(shots)), flush=True)
            if sys.stdin.isatty():
                print("The desktop runs on DISPLAY=%s (session bus %s); press Enter to end it."
                      % (stack.display, stack.bus_address), flush=True)
                sys.stdin.readline()
    except StackUnavailable as error:
        print("make demo: the virtual desktop cannot start here: %s" % error)
        return 1
    except StepFailed as error:
        print("make demo failed: %s" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
