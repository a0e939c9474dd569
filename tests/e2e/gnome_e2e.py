#!/usr/bin/python3
"""The tray item in GNOME Shell's top bar (the AppIndicator extension): the free space as a label.

    gnome_e2e.py --host gnome --program build/src/quillmere --artifacts DIR

GNOME Shell runs on X11 with the AppIndicator extension switched on; the top bar hosts the
program's StatusNotifierItem and draws its label beside the icon. Checks: the label read over
D-Bus equals the free space of the test home's volume in the chosen style, and the top bar shows
it (read back from a screenshot with OCR) once: the icon beside it is the gauge glyph; a click on
the item opens its menu (the shell opens an item's menu on a click and activates it only on a
double click), whose "Open Quillmere" opens the popover under the item; a double click opens
the popover beside the item and another closes it; choosing another style and one decimal in
Settings (from the menu) changes the label at once, and switching the gauge off changes the
icon within a second; the shell restarting brings the item back; the right-click menu's "Quit
Quillmere" ends the program. Screenshots go to DIR. Exits 0 when all hold, 1 naming the
failed step, 77 when the display stack cannot start here.
"""

import os
import re
import shutil
import subprocess
import sys
import time

SKIPPED = 77
try:
    from desktopstack import PANEL_HEIGHT, e2e_main, StepFailed
    from tray_e2e import check_free_text, prepare_home, program_window, widget_in
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)

SNI_ITEM = "org.kde.StatusNotifierItem"


def top_bar(stack, name):
    """A screenshot of the top bar, cut from the whole screen; its path."""
    whole = stack.screenshot(name + "-screen")
    path = os.path.join(stack.artifacts, name + ".png")
    subprocess.run(["convert", whole, "-crop", "%dx%d+0+0" % (stack.screen_size[0], PANEL_HEIGHT),
                    "+repage", path], check=True, timeout=30)
    return path


def ocr_words(path, scale=4, area=None):
    """The words tesseract reads in the picture (or in its `area`, (x, y, width, height)),
    each with its box in the picture's pixels."""
    enlarged = path[:-4] + "-ocr.png"
    crop = ["-crop", "%dx%d+%d+%d" % (area[2], area[3], area[0], area[1]), "+repage"] \
        if area else []
    subprocess.run(["convert", path] + crop + ["-resize", "%d%%" % (scale * 100), "-colorspace",
                                               "Gray", "-negate", enlarged],
                   check=True, timeout=30)
    result = subprocess.run(["tesseract", enlarged, "-", "--psm", "11", "tsv"],
                            capture_output=True, text=True, timeout=60)
    left, top = (area[0], area[1]) if area else (0, 0)
    words = []
    for line in result.stdout.splitlines()[1:]:
        cells = line.split("\t")
        if len(cells) == 12 and cells[11].strip():
            x, y, width, height = (int(c) // scale for c in cells[6:10])
            words.append({"text": cells[11].strip(), "x": left + x, "y": top + y,
                          "width": width, "height": height})
    return words


def label(stack, item):
    return str(stack.sni_property(item, "XAyatanaLabel"))


def icon_pixmap(stack, item, size=22):
    """The item's icon at `size` pixels as (width, height, ARGB bytes) read over D-Bus."""
    for width, height, data in stack.sni_property(item, "IconPixmap"):
        if int(width) == size:
            return int(width), int(height), bytes(data)
    raise StepFailed("the item has no %d-pixel icon" % size)


def is_gauge_glyph(pixmap):
    """Whether the icon is the gauge glyph (a bar across the middle, clear above and below it)
    rather than the icon that carries the number itself on a plate: a shell that draws the label
    beside the icon must not show the number twice."""
    width, height, data = pixmap
    top_rows = data[:4 * width * 2]
    return all(top_rows[i] == 0 for i in range(0, len(top_rows), 4))


def label_on_screen(stack, name, text):
    """Where the top bar shows `text` (its first word), read back by OCR; None if not seen."""
    path = top_bar(stack, name)
    # Items sit in the right half of the bar, away from the clock and "Activities".
    width = stack.screen_size[0]
    first = text.split()[0]
    whole = "".join(text.split())
    for scale in (4, 3, 5):
        words = ocr_words(path, scale=scale, area=(width // 2, 0, width - width // 2, PANEL_HEIGHT))
        for word in words:
            # The icon beside the label may be read as a sign before it ("=75"), and the
            # space between number and unit may be lost ("=75GB").
            read = word["text"].replace(",", ".")
            if read.endswith(first) or read.endswith(whole):
                return word
        print("OCR read %s" % [w["text"] for w in words], flush=True)
    return None


def start_program(stack, program):
    stack.program_runs += 1
    stack.program = stack.start_process(
        "quillmere-run%d" % stack.program_runs, [program],
        env=stack.environment(QT_QPA_PLATFORM="xcb", XDG_CURRENT_DESKTOP="GNOME"))
    return stack.wait_until("the item registered with the StatusNotifierWatcher",
                            lambda: stack.sni_item(stack.program.pid))


def choose_from_menu(stack, x, y, button, word, name):
    """Opens the item's menu with a click of `button` at (x, y) and clicks the topmost entry
    whose text starts with `word`, found by OCR in a screenshot of the open menu (read at more
    than one enlargement: a single one misreads a word now and then). A click the shell did
    not take as opening the menu (one that closed something else first) is made again."""
    for attempt in range(3):
        stack.click_at(x, y, button=button)
        time.sleep(1)
        shot = stack.screenshot("%s-%d" % (name, attempt))
        # The menu hangs below the item: read only there, away from the top bar.
        width, height = stack.screen_size
        left = max(0, x - 400)
        area = (left, PANEL_HEIGHT, min(800, width - left), min(400, height - PANEL_HEIGHT))
        for scale in (2, 3, 4):
            found = [w for w in ocr_words(shot, scale=scale, area=area)
                     if w["text"].lower().startswith(word.lower()) and w["y"] > PANEL_HEIGHT]
            if found:
                entry = min(found, key=lambda w: w["y"])
                stack.click_at(entry["x"] + entry["width"] // 2,
                               entry["y"] + entry["height"] // 2)
                return
        stack.press_keys("Escape")
        time.sleep(0.5)
    raise StepFailed("no \"%s\" in the item's menu (see %s-*.png)" % (word, name))


def popover(stack):
    return program_window(stack, popup=True)


def run(stack, program, arguments):
    with stack.step("start GNOME Shell with the AppIndicator extension"):
        stack.start_desktop()
    with stack.step("write a home with 30 days of records"):
        prepare_home(stack)
    with stack.step("the item appears with the free space as its label"):
        item = start_program(stack, program)
        text = stack.wait_until("the free space as the item's label",
                                lambda: label(stack, item) if check_free_text(
                                    stack, "the label", label(stack, item)) else None)
        guide = str(stack.sni_property(item, "XAyatanaLabelGuide"))
        print("label %r, guide %r" % (text, guide), flush=True)
        if not is_gauge_glyph(icon_pixmap(stack, item)):
            raise StepFailed("the icon beside the label carries the number too")
    with stack.step("the top bar shows the label"):
        seen = stack.wait_until("the label in the top bar",
                                lambda: label_on_screen(stack, "top-bar", text), timeout=10)
    with stack.step("a click opens the item's menu, whose Open Quillmere opens the popover"):
        stack.leave_overview()
        x, y = seen["x"] + seen["width"] // 2, seen["y"] + seen["height"] // 2
        choose_from_menu(stack, x, y, 1, "Open", "menu-open")
        shown = stack.wait_until("the popover on screen", lambda: popover(stack), timeout=10)
        time.sleep(0.5)
        shown = popover(stack)
        stack.screenshot("popover")
        if abs(shown["x"] + shown["width"] // 2 - x) > shown["width"] or \
                shown["y"] > PANEL_HEIGHT + 120:
            raise StepFailed("the popover opened at (%d, %d), %dx%d, far from the item at "
                             "(%d, %d)" % (shown["x"], shown["y"], shown["width"],
                                           shown["height"], x, y))
        # A click outside closes it (the shell may keep the keyboard for itself).
        stack.click_at(20, stack.screen_size[1] - 20)
        stack.wait_until("the popover closed", lambda: popover(stack) is None, timeout=10)
    with stack.step("a double click activates the item: the popover opens beside it, closes again"):
        # The shell opens an item's menu on a single click and activates it on a double one.
        stack.leave_overview()
        stack.double_click_at(x, y)
        shown = stack.wait_until("the popover on screen", lambda: popover(stack), timeout=10)
        if abs(shown["x"] + shown["width"] // 2 - x) > shown["width"]:
            raise StepFailed("the popover opened at x %d, far from the item at %d"
                             % (shown["x"], x))
        stack.screenshot("popover-activated")
        stack.double_click_at(x, y)
        stack.wait_until("the popover closed by the second activation",
                         lambda: popover(stack) is None, timeout=10)
    with stack.step("one decimal, then the percentage style, in Settings change the label at once"):
        choose_from_menu(stack, x, y, 1, "Settings", "menu-settings")
        # The window manager frames the window: its widgets are looked for on the whole screen.
        width, height = stack.screen_size
        screen = {"x": 0, "y": 0, "width": width, "height": height}
        entry = stack.wait_until("the Settings window's Menu Bar section",
                                 lambda: widget_in(stack, screen, "Menu Bar"), timeout=15)
        stack.click_widget(entry)
        # One decimal applies to sizes: the free space gains one.
        decimal = stack.wait_until("the one-decimal choice",
                                   lambda: widget_in(stack, screen, "Show one decimal",
                                                     prefix=True), timeout=10)
        stack.click_widget(decimal)
        stack.wait_until("the free space with one decimal as the label",
                         lambda: re.fullmatch(r"\d+\.\d (MB|GB|TB)", label(stack, item)),
                         timeout=5)
        choice = stack.wait_until("the percentage style",
                                  lambda: widget_in(stack, screen, "Free Space (%)", prefix=True),
                                  timeout=10)
        stack.click_widget(choice)
        started = time.monotonic()
        percent = stack.wait_until("a percentage as the label",
                                   lambda: re.fullmatch(r"\d+(\.\d)?%", label(stack, item)),
                                   timeout=5)
        print("label %r after %.2f s" % (percent.group(0), time.monotonic() - started),
              flush=True)
        stack.wait_until("the percentage in the top bar",
                         lambda: label_on_screen(stack, "top-bar-percent", percent.group(0)),
                         timeout=10)
        # The gauge switched off empties the glyph's bar.
        before = icon_pixmap(stack, item)
        gauge = stack.wait_until("the gauge choice",
                                 lambda: widget_in(stack, screen, "Show Gauge"), timeout=10)
        stack.click_widget(gauge)
        stack.wait_until("a new icon without the gauge's fill",
                         lambda: icon_pixmap(stack, item) != before, timeout=1)
        if not is_gauge_glyph(icon_pixmap(stack, item)):
            raise StepFailed("the icon without a gauge is not the empty glyph")
    with stack.step("the shell restarting brings the item back"):
        # The shell's notification service leaves with the shell.
        for name in ("gnome-shell-notifications", "gnome-shell"):
            stack.end_process(next(p for n, p in stack._processes if n == name))
        stack.wait_until("the watcher gone", lambda: not stack.has_name("org.kde.StatusNotifierWatcher"),
                         timeout=10)
        stack.start_tray_host()
        item = stack.wait_until("the item registered again",
                                lambda: stack.sni_item(stack.program.pid), timeout=30)
        stack.wait_until("the label in the top bar again",
                         lambda: label_on_screen(stack, "top-bar-again", label(stack, item)),
                         timeout=15)
    with stack.step("the right-click menu lists the commands; Quit Quillmere ends the program"):
        seen = label_on_screen(stack, "top-bar-menu", label(stack, item))
        choose_from_menu(stack, seen["x"] + seen["width"] // 2, seen["y"] + seen["height"] // 2,
                         3, "Quit", "menu-quit")
        program = stack.program
        deadline = time.monotonic() + 10
        while program.poll() is None and time.monotonic() < deadline:
            time.sleep(0.1)
        if program.poll() is None:
            raise StepFailed("the program still runs after \"Quit Quillmere\"")
        stack.end_process(program)
        stack.program = None


def main():
    if shutil.which("tesseract") is None:
        print("SKIPPED: tesseract (OCR) is not installed", flush=True)
        return SKIPPED
    return e2e_main(__doc__, "label in GNOME Shell's top bar", run)


if __name__ == "__main__":
    sys.exit(main())
