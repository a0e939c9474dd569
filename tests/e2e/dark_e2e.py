#!/usr/bin/env python3
"""The popover in a KDE session with a Breeze Dark colour scheme stays readable.

The home holds Breeze Dark's colours in ~/.config/kdeglobals and the program runs with
XDG_CURRENT_DESKTOP=KDE and KDE_SESSION_VERSION=5, where Qt's KDE theme takes its palette from
that file. Text on the dark popover must be lighter than its background: a cluster of pixels
darker than the background is text drawn in a dark colour on it (an unset placeholder colour is
black in that theme), which nobody can read. The screenshot goes to ARTIFACTS.
Exits 0 when it is readable, 1 naming the failed step, 77 when the display stack cannot start.
"""

import argparse
import collections
import os
import shutil
import subprocess
import sys
import time

SKIPPED = 77
try:
    from desktopstack import DesktopStack, StackUnavailable, StepFailed
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)
from tray_e2e import open_popover, prepare_home, wait_for_tray_item

# Breeze Dark as Plasma 5 writes it.
KDEGLOBALS = """[General]
ColorScheme=BreezeDark

[Colors:Window]
BackgroundNormal=32,35,38
ForegroundNormal=252,252,252
ForegroundInactive=161,169,177

[Colors:View]
BackgroundNormal=27,30,32
ForegroundNormal=252,252,252
ForegroundInactive=161,169,177

[Colors:Button]
BackgroundNormal=49,54,59
ForegroundNormal=252,252,252

[Colors:Selection]
BackgroundNormal=61,174,233
ForegroundNormal=252,252,252

[Colors:Tooltip]
BackgroundNormal=49,54,59
ForegroundNormal=252,252,252
"""
# Text in a dark colour on the dark background: its pixels lie between it and black (an
# unset placeholder colour is half-transparent black, about 1.2:1 against Breeze Dark's window).
DARKER_BY = 1.1
# Runs of dark pixels this long are lines of frames, not strokes of glyphs.
LONGEST_STROKE = 14
# More such pixels than the corners of frames leave.
MOST_DARK_PIXELS = 400


def luminance(rgb):
    def channel(value):
        value /= 255.0
        return value / 12.92 if value <= 0.03928 else ((value + 0.055) / 1.055) ** 2.4
    red, green, blue = (channel(value) for value in rgb)
    return 0.2126 * red + 0.7152 * green + 0.0722 * blue


def contrast(first, second):
    lighter, darker = sorted((luminance(first), luminance(second)), reverse=True)
    return (lighter + 0.05) / (darker + 0.05)


def run(stack, program, artifacts):
    with stack.step("start the desktop"):
        stack.start_desktop()
    with stack.step("write a home with records and a Breeze Dark kdeglobals"):
        prepare_home(stack)
        config = os.path.join(stack.home, ".config")
        os.makedirs(config, exist_ok=True)
        with open(os.path.join(config, "kdeglobals"), "w") as scheme:
            scheme.write(KDEGLOBALS)
    with stack.step("start the program in a KDE session"):
        stack.program_runs += 1
        stack.program = stack.start_process(
            "quillmere-dark", [program],
            env=stack.environment(QT_QPA_PLATFORM="xcb", XDG_CURRENT_DESKTOP="KDE",
                                  KDE_SESSION_VERSION="5"))
        item = wait_for_tray_item(stack, stack.program.pid)
    with stack.step("open the popover"):
        popover = open_popover(stack, item)
        time.sleep(1)  # the scan's first paint
        pixels = stack.window_pixels(popover["id"])
        subprocess.run(["import", "-window", popover["id"],
                        os.path.join(artifacts, "popover-dark.png")],
                       env=stack.environment(), check=False, timeout=20)
    with stack.step("the popover is dark and its text lighter than its background"):
        width, height = popover["width"], popover["height"]
        triples = [tuple(pixels[i:i + 3]) for i in range(0, width * height * 3, 3)]
        background = collections.Counter(triples).most_common(1)[0][0]
        if luminance(background) > 0.1:
            raise StepFailed("the popover's background %s is not dark: the scheme was not read"
                             % (background,))
        dark = [luminance(rgb) < luminance(background) and contrast(rgb, background) >= DARKER_BY
                for rgb in triples]
        text = text_pixels(dark, width, height)
        print("background %s, %d text pixels darker than it" % (background, len(text)),
              flush=True)
        if len(text) > MOST_DARK_PIXELS:
            raise StepFailed("%d pixels of text darker than the background %s, first at %s"
                             % (len(text), background, text[0]))


def text_pixels(dark, width, height):
    """The dark pixels outside long straight runs: frames and separator lines are such runs,
    the strokes of glyphs are short."""
    def run_length(index, step, first, end):
        length, position = 0, index
        while first <= position < end and dark[position]:
            length += 1
            position += step
        return length

    found = []
    for y in range(height):
        for x in range(width):
            index = y * width + x
            if not dark[index]:
                continue
            row = (y * width, (y + 1) * width)
            across = run_length(index, 1, *row) + run_length(index, -1, *row) - 1
            down = (run_length(index, width, 0, width * height)
                    + run_length(index, -width, 0, width * height) - 1)
            if across < LONGEST_STROKE and down < LONGEST_STROKE:
                found.append((x, y))
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--artifacts", required=True)
    arguments = parser.parse_args()
    shutil.rmtree(arguments.artifacts, ignore_errors=True)
    try:
        with DesktopStack(arguments.artifacts, "sni") as stack:
            run(stack, os.path.abspath(arguments.program), arguments.artifacts)
    except StackUnavailable as error:
        print("SKIPPED: the display stack cannot start here: %s" % error, flush=True)
        return SKIPPED
    except StepFailed as error:
        print("E2E FAILED: %s" % error, flush=True)
        return 1
    print("E2E passed; screenshot in %s" % arguments.artifacts, flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
