#!/usr/bin/python3
"""A wrong clock never erases a record: quillmere-cli scan and the program under faketime.

    clock_e2e.py --host sni --program build/src/quillmere --cli build/src/quillmere-cli \
        --artifacts DIR

Each run starts from thirty daily records ending yesterday, as scans write them. Under a clock
ten days behind, `quillmere-cli scan` keeps every record (the day the clock shows already has a
real one: the scan says so and exits 5). Under a clock ten years ahead for two days and then the
right clock, the tool and the real program each keep all thirty days and the days ahead, which
wait for their dates: `quillmere-cli status` names today's record as the latest. Under
TZ=Pacific/Apia, a record of 30 December 2011 (a day that zone skipped) stays. Exits 0 when every
step passed, 1 naming the failed step, 77 when faketime or the display stack is missing.
"""

import datetime
import json
import os
import shutil
import subprocess
import sys

SKIPPED = 77
try:
    from desktopstack import e2e_main, StepFailed, StackUnavailable
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)

AHEAD = ["2036-12-10", "2036-12-11"]


def day_keys(last, count):
    """`count` day keys ending with `last`, oldest first."""
    return [(last - datetime.timedelta(days=age)).isoformat() for age in range(count - 1, -1, -1)]


def real_today():
    return datetime.datetime.now(datetime.timezone.utc).date()


def prepare(stack, dates):
    """A home watching one small folder, and a record scanned at noon UTC for each date."""
    documents = os.path.join(stack.home, "Documents")
    os.makedirs(documents, exist_ok=True)
    with open(os.path.join(documents, "notes.txt"), "wb") as f:
        f.write(b"x" * 40000)
    os.makedirs(stack.data_dir, exist_ok=True)
    with open(os.path.join(stack.data_dir, "settings.json"), "w") as f:
        json.dump({"watchEntries": [{"path": "~/Documents", "enabled": True}]}, f)
    for name in ("snapshots.json", "children.json"):
        path = os.path.join(stack.data_dir, name)
        if os.path.exists(path):
            os.remove(path)
    records = [{"date": date, "entries": {"~/Documents": 40960 + number},
                "free": 10**11 - number, "scannedAt": date + "T12:00:00Z"}
               for number, date in enumerate(dates)]
    with open(os.path.join(stack.data_dir, "snapshots.json"), "w") as f:
        json.dump(records, f)
    return records


def stored(stack):
    with open(os.path.join(stack.data_dir, "snapshots.json")) as f:
        return json.load(f)


def faketime(at):
    """The command prefix that runs a program at `at` (a running clock), or nothing."""
    if at is None:
        return []
    # The clock starts at `at` and runs; time-outs keep the real monotonic clock. faketime's
    # library comes before AddressSanitizer's in a sanitizer build, which would refuse to start.
    at = at if at.startswith(("-", "+")) else "@" + at
    options = ":".join(o for o in (os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0") if o)
    return ["env", "ASAN_OPTIONS=" + options, "faketime", "-f", at]


def cli(stack, tool, at, *arguments, zone="UTC"):
    env = stack.environment(TZ=zone, FAKETIME_DONT_FAKE_MONOTONIC="1")
    result = subprocess.run(faketime(at) + [tool] + list(arguments), env=env, cwd=stack.root,
                            capture_output=True, text=True, timeout=60)
    with open(os.path.join(stack.artifacts, "cli.log"), "a") as log:
        log.write("$ %s %s (TZ=%s)\n%s%s[exit %d]\n" % (at or "now", " ".join(arguments), zone,
                                                       result.stdout, result.stderr,
                                                       result.returncode))
    return result


def expect_kept(records, after, extra_dates):
    """Every record of `records` is in `after` unchanged, and the other dates are `extra_dates`."""
    by_date = {record["date"]: record for record in after}
    for record in records:
        if by_date.get(record["date"]) != record:
            raise StepFailed("the record of %s is %s after the scan; it was %s"
                             % (record["date"], by_date.get(record["date"]), record))
    others = sorted(set(by_date) - {record["date"] for record in records})
    if others != sorted(extra_dates):
        raise StepFailed("the file holds the days %s besides the history; expected %s"
                         % (others, sorted(extra_dates)))
    dates = [record["date"] for record in after]
    if dates != sorted(dates):
        raise StepFailed("the records are not in date order: %s" % dates)


def run_program_once(stack, program, at, wanted_date):
    """Starts the program at `at`, waits until its record of `wanted_date` is written, ends it."""
    env = stack.environment(QT_QPA_PLATFORM="xcb", FAKETIME_DONT_FAKE_MONOTONIC="1")
    stack.program_runs += 1
    process = stack.start_process("quillmere-run%d" % stack.program_runs,
                                  faketime(at) + [program], env=env)
    try:
        stack.wait_until("the program's record of %s" % wanted_date,
                         lambda: wanted_date in [r["date"] for r in stored(stack)], timeout=30)
    finally:
        stack.end_process(process)


def run(stack, program, tool):
    if shutil.which("faketime") is None:
        raise StackUnavailable("faketime is not installed (`make deps` installs it)")
    today = real_today()
    history = day_keys(today - datetime.timedelta(days=1), 30)

    with stack.step("ten days behind: quillmere-cli scan keeps every record"):
        records = prepare(stack, history)
        result = cli(stack, tool, "-10d", "scan")
        expect_kept(records, stored(stack), [])
        if result.returncode != 5 or "clock is behind" not in result.stdout:
            raise StepFailed("the scan should say that the clock is behind the records and exit "
                             "5: %r, exit %d" % (result.stdout, result.returncode))
        # On a day without a record the scan writes it, and the records after it wait.
        behind = (today - datetime.timedelta(days=10)).isoformat()
        records = prepare(stack, [date for date in history if date != behind])
        result = cli(stack, tool, "-10d", "scan")
        if result.returncode != 0:
            raise StepFailed("scan on a day without record: exit %d: %s"
                             % (result.returncode, result.stdout + result.stderr))
        expect_kept(records, stored(stack), [behind])

    with stack.step("ten years ahead for two days, then the right clock: quillmere-cli keeps "
                    "the thirty days"):
        records = prepare(stack, history)
        for day in AHEAD + [None]:
            result = cli(stack, tool, day + " 12:00:00" if day else None, "scan")
            if result.returncode != 0:
                raise StepFailed("scan at %s: exit %d: %s"
                                 % (day or "the right clock", result.returncode, result.stdout))
        expect_kept(records, stored(stack), AHEAD + [today.isoformat()])
        status = json.loads(cli(stack, tool, None, "status", "--json").stdout)
        if status.get("latestRecord") != today.isoformat():
            raise StepFailed("status names %r as the latest record, not today's"
                             % status.get("latestRecord"))

    with stack.step("TZ=Pacific/Apia: the record of a day the zone skipped stays"):
        records = prepare(stack, day_keys(datetime.date(2012, 1, 3), 9))
        if "2011-12-30" not in [record["date"] for record in records]:
            raise StepFailed("the history lacks 30 December 2011")
        result = cli(stack, tool, "2012-01-04 12:00:00", "scan", "--json", zone="Pacific/Apia")
        if result.returncode != 0:
            raise StepFailed("scan in Apia: exit %d: %s" % (result.returncode, result.stdout))
        expect_kept(records, stored(stack), [json.loads(result.stdout)["record"]["date"]])

    with stack.step("the program: ten years ahead for two days, then the right clock"):
        stack.start_desktop()
        records = prepare(stack, history)
        # The log from here on is the program's alone (the tool's refusal above is in it).
        os.remove(os.path.join(stack.state_dir, "Quillmere.log"))
        for day in AHEAD + [None]:
            run_program_once(stack, program, day + " 12:00:00" if day else None,
                             day or today.isoformat())
        expect_kept(records, stored(stack), AHEAD + [today.isoformat()])
        if "snapshots.json の保存に失敗" in stack.program_log():
            raise StepFailed("the program could not save its records")


def main():
    def add_arguments(parser):
        parser.add_argument("--cli", required=True)

    return e2e_main(__doc__, "clock", lambda stack, program, arguments:
                    run(stack, program, os.path.abspath(arguments.cli)), add_arguments)


if __name__ == "__main__":
    sys.exit(main())
