#!/usr/bin/python3
"""End-to-end run of Quillmere on a real tray host, notification daemon and X display.

    tray_e2e.py --host sni|xembed --program build/src/quillmere --artifacts DIR

On a home with 30 days of records and the warning line above the free space: the tray item
appears (a StatusNotifierItem whose tooltip and icon, read over D-Bus, carry the free space and
the warning colour; or a window embedded in an XEmbed tray showing that colour), and exactly one
low-space notification reaches dunst that day, also across a restart of the program. Screenshots
of the tray and the notification go to DIR. Exits 0 when every step passed, 1 naming the failed
step, 77 when the display stack cannot start here.
"""

import argparse
import datetime
import os
import re
import shutil
import sys
import time

SKIPPED = 77
try:
    from desktopstack import (WARNING_COLOURS, DesktopStack, StackUnavailable, StepFailed,
                              has_colour)
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)
from realistic_home import write_home

UNITS = {"MB": 10**6, "GB": 10**9, "TB": 10**12}


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


def wait_for_tray_item(stack, pid):
    """Waits until the program's tray item shows the free space in the warning colour.

    The colour appears only once the first free-space reading has been handled, which is also
    when the program decides about the day's notification."""
    if stack.tray_host == "sni":
        item = stack.wait_until("the item registered with the StatusNotifierWatcher",
                                lambda: stack.sni_item(pid))

        def free_text():
            title = str(stack.sni_property(item, "ToolTip")[2])
            return title if re.fullmatch(r"\d+(\.\d+)? (MB|GB|TB)", title) else None

        title = stack.wait_until("the free space in the item's tooltip", free_text)
        number, unit = title.split()
        shown, actual = float(number) * UNITS[unit], free_bytes(stack.home)
        if abs(shown - actual) > max(1.5 * 10**9, actual * 0.02):
            raise StepFailed("tooltip says %s, but %.2f GB are free" % (title, actual / 1e9))

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


def run(stack, program):
    """The steps of one run, in the order a user meets them. Steps for windows of the program go
    where the user would open them: after "tray item appears" the popover (stack.sni_activate
    or stack.click_window on the item, then stack.find_windows / stack.window_geometry for the
    window; stack.file_manager_calls() for "Show in Folder"), and after the notification step
    its default action (stack.invoke_notification_default_action())."""
    days = set()
    with stack.step("start the desktop (%s tray host)" % stack.tray_host):
        stack.start_desktop()

    with stack.step("write a home with 30 days of records"):
        warning_line = prepare_home(stack)

    with stack.step("tray item appears"):
        days.add(today())
        process = stack.start_program(program)
        wait_for_tray_item(stack, process.pid)
        stack.screenshot("tray")

    with stack.step("one low-space notification reaches dunst"):
        shown = stack.wait_until("a notification shown by dunst", stack.notifications)
        expected = "Free space dropped below %d GB" % warning_line
        if shown[0]["app"] != "Quillmere" or shown[0]["summary"] != expected \
                or not shown[0]["body"].startswith("Free now: "):
            raise StepFailed("unexpected notification %r (summary should be %r)"
                             % (shown[0], expected))
        stack.screenshot("notification")

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
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", choices=("sni", "xembed"), required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--artifacts", required=True)
    arguments = parser.parse_args()
    shutil.rmtree(arguments.artifacts, ignore_errors=True)

    started = time.monotonic()
    try:
        with DesktopStack(arguments.artifacts, arguments.host) as stack:
            run(stack, os.path.abspath(arguments.program))
    except StackUnavailable as error:
        print("SKIPPED: the display stack cannot start here: %s" % error, flush=True)
        return SKIPPED
    except StepFailed as error:
        print("E2E FAILED (%s tray host): %s" % (arguments.host, error), flush=True)
        return 1
    print("E2E passed (%s tray host) in %.1f s; screenshots in %s"
          % (arguments.host, time.monotonic() - started, arguments.artifacts), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
