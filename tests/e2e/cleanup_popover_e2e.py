#!/usr/bin/python3
"""A cache folder moved to the Trash from the tray's popover, many times over, on a real tray host.

    cleanup_popover_e2e.py --host sni|xembed --program build/src/quillmere --artifacts DIR
        [--rounds N]

The steps a user takes: activate the tray item, pick the Cleanup tab, click a row's trash button,
confirm "Move to Trash". The question must appear inside the popover (no window of its own, which
would take the focus and close the popover under it), the popover must stay open through the
move, the folder must land in the Trash, and the program must live on. After each round the test
puts the folder back, as a file manager's "Restore" does, so every round meets the same rows.
Exits 0 when every round passed, 1 naming the failed step, 77 when the display stack cannot start.
"""

import os
import shutil
import sys
import time

SKIPPED = 77
try:
    from desktopstack import e2e_main, StepFailed
    from tray_e2e import (close_popover, close_with_keyboard, content_layout, in_popover,
                          open_main_window_from_notification, open_popover, prepare_home,
                          program_window, wait_for_tray_item, widget_in)
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)

# The one cache folder left in the home, so that the Cleanup tab holds one row in every round.
CACHE = ".npm/_cacache"
# The other cache folders of the realistic home, removed so they do not add rows.
OTHER_CACHES = (".cache", ".config/Code/Cache", ".cargo")
TRASH_PREFIXES = ("Move to Trash: ", "Move Contents to Trash: ")


def leave_one_cache_row(stack):
    for folder in OTHER_CACHES:
        shutil.rmtree(os.path.join(stack.home, folder), ignore_errors=True)


def trash_files(stack):
    return os.path.join(stack.home, ".local/share/Trash/files")


def restore(stack):
    """Moves the cache folder back from the Trash and drops its info file."""
    moved = os.path.join(trash_files(stack), os.path.basename(CACHE))
    os.rename(moved, os.path.join(stack.home, CACHE))
    os.remove(os.path.join(stack.home, ".local/share/Trash/info",
                           os.path.basename(CACHE) + ".trashinfo"))


def cleanup_row_button(stack):
    """Opens the main window from the notification, picks its Cleanup tab and gives where the
    row's trash button sits in the content (the popover shows the same content)."""
    stack.wait_until("the low-space notification", stack.notifications)
    window, _ = open_main_window_from_notification(stack)
    stack.click_widget(widget_in(stack, window, "Cleanup"))

    def one_button():
        layout = content_layout(stack, window)
        buttons = [w for name, w in layout.items() if name.startswith(TRASH_PREFIXES)]
        if len(buttons) > 1:
            raise StepFailed("more than one cleanup row: %r" % [b["name"] for b in buttons])
        return buttons[0] if buttons else None

    button = stack.wait_until("the cache row's trash button in the main window", one_button)
    layout = content_layout(stack, window)
    close_with_keyboard(stack, window)
    return button, layout


def popover_pixels(stack, popover):
    return stack.window_pixels(popover["id"])


def changed_share(before, after):
    """The share of bytes that differ between two pictures of the same window."""
    if len(before) != len(after) or not before:
        return 1.0
    step = 97  # a sample is enough to tell a sheet over the whole popover from a spinner
    samples = range(0, len(before), step)
    return sum(1 for i in samples if before[i] != after[i]) / len(samples)


def one_round(stack, item, button, layout, number):
    popover = open_popover(stack, item)
    stack.click_widget(in_popover(popover, layout["Cleanup"]))
    target = in_popover(popover, button)
    moved = os.path.join(trash_files(stack), os.path.basename(CACHE))

    # The row is there once the tab has listed it: click until the question covers the popover.
    def question_shown():
        before = popover_pixels(stack, popover)
        stack.click_widget(target)
        time.sleep(0.3)
        return changed_share(before, popover_pixels(stack, popover)) > 0.03

    stack.wait_until("the question shown over the popover (round %d)" % number, question_shown,
                     timeout=20)
    if number == 1:
        stack.screenshot("question-in-popover")
    shown = program_window(stack, popup=True)
    if not shown or shown["id"] != popover["id"]:
        raise StepFailed("the popover closed when the question appeared (round %d)" % number)
    others = [w for w in stack.program_windows() if w["id"] != popover["id"]]
    if others:
        raise StepFailed("the question opened a window of its own: %r" % others)

    # Cancel has the keyboard; Tab reaches "Move to Trash", Space presses it.
    stack.press_keys("Tab", "space")
    stack.wait_until("the folder in the Trash (round %d)" % number, lambda: os.path.isdir(moved))
    time.sleep(0.5)  # the result line is drawn and the row measured again
    if not program_window(stack, popup=True):
        raise StepFailed("the popover closed during the move (round %d)" % number)
    if number == 1:
        stack.screenshot("result-in-popover")
    close_popover(stack, item)
    restore(stack)


def run(stack, program, rounds):
    with stack.step("start the desktop (%s tray host)" % stack.tray_host):
        stack.start_desktop()
    with stack.step("write a home with one cache folder"):
        prepare_home(stack)
        leave_one_cache_row(stack)
    with stack.step("tray item appears"):
        process = stack.start_program(program)
        item = wait_for_tray_item(stack, process.pid)
    with stack.step("the cache row's place, from the main window"):
        button, layout = cleanup_row_button(stack)
    for number in range(1, rounds + 1):
        with stack.step("round %d: move to the Trash from the popover" % number):
            one_round(stack, item, button, layout, number)
    with stack.step("the program lives on after %d moves" % rounds):
        if process.poll() is not None:
            raise StepFailed("the program ended with status %s" % process.returncode)
        if "Cannot destroy paint device" in stack.program_log():
            raise StepFailed("a paint device was destroyed while painted (see the log)")


def main():
    return e2e_main(__doc__, "cleanup from the popover", lambda stack, program, arguments: run(stack, program, arguments.rounds), lambda parser: parser.add_argument("--rounds", type=int, default=8))


if __name__ == "__main__":
    sys.exit(main())
