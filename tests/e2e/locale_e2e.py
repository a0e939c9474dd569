#!/usr/bin/python3
"""Numbers and dates on screen in the language of the program's texts, whatever the locale.

    locale_e2e.py --host sni --program build/src/quillmere --artifacts DIR

On a home with 30 days of records, the program runs once under each of several system locales
(LANG and LC_ALL) in a session without a tray, where it shows its main window at once. The
window's texts, read over the accessibility bus, are English sentences: every digit in them is
an ASCII digit (no Arabic-Indic or Persian ones beside English words), and the comparison line
names its two days by English month names, each day isolated. A screenshot per locale goes to
DIR. Exits 0 when every step passed, 1 naming the failed step, 77 when the display stack cannot
start here.
"""

import re
import sys

SKIPPED = 77
try:
    from desktopstack import e2e_main, StepFailed
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)
from tray_e2e import prepare_home, program_window

LOCALES = ("ar_EG.UTF-8", "fa_IR.UTF-8", "he_IL.UTF-8", "de_DE.UTF-8")
MONTHS = "Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec"
# Month and day in the order of the locale's territory ("Dec 10" in Egypt, "10 Dec" in Israel).
DAY = "\u2068(?:(?:{0}) \\d{{1,2}}|\\d{{1,2}} (?:{0}))(?:,? \\d{{4}})?\u2069".format(MONTHS)
COMPARISON = re.compile("Comparing %s \u2192 %s" % (DAY, DAY))


def shown_texts(stack):
    return [widget["name"] for widget in stack.widgets(stack.program.pid) if widget["name"]]


def run(stack, program, arguments):
    with stack.step("start a display, a session bus and the accessibility bus, without a tray"):
        stack.start_display()
        stack.start_bus()
        stack.start_accessibility()
    with stack.step("write a home with 30 days of records"):
        prepare_home(stack)
    for locale in LOCALES:
        with stack.step("start the program under %s" % locale):
            stack.program_runs += 1
            stack.program = stack.start_process(
                "quillmere-%s" % locale.split(".")[0], [program],
                env=stack.environment(QT_QPA_PLATFORM="xcb", LANG=locale, LC_ALL=locale))
            stack.wait_until("the main window in place of a tray item",
                             lambda: program_window(stack, popup=False, name="Quillmere"))
        with stack.step("the texts under %s" % locale):
            def comparison():
                for text in shown_texts(stack):
                    if text.startswith("Comparing"):
                        return text
                return None
            line = stack.wait_until("the comparison line", comparison)
            stack.screenshot("main-window-%s" % locale.split(".")[0])
            if not COMPARISON.fullmatch(line):
                raise StepFailed("the comparison line reads %r" % line)
            texts = shown_texts(stack)
            with_digits = [text for text in texts if re.search(r"\d", text)]
            foreign = [text for text in with_digits if re.search(r"[^\x00-\x7f]", "".join(
                character for character in text if character.isdigit()))]
            if foreign:
                raise StepFailed("digits other than ASCII ones: %r" % foreign)
            if len(with_digits) < 3:
                raise StepFailed("too few texts with numbers to judge: %r" % texts)
            print("%s: %d texts with numbers, all ASCII digits; %s"
                  % (locale, len(with_digits), line), flush=True)
        with stack.step("end the program under %s" % locale):
            stack.end_program()


if __name__ == "__main__":
    sys.exit(e2e_main(__doc__, "locales", run))
