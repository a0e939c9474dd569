#!/usr/bin/python3
"""One copy of the program runs, scans and answers quillmere-cli under a runtime folder whose
path is too long for a socket address.

    long_runtime_dir_e2e.py --host sni --program build/src/quillmere \
        --cli build/src/quillmere-cli --artifacts DIR

XDG_RUNTIME_DIR is a folder of more than 107 bytes. The first copy logs how it reaches its
socket, holds the name and writes today's record; `quillmere-cli scan` is answered by it; a
second copy asks it to quit and takes over, and the tool then reaches the second one. Exits 0
when every step passed, 1 naming the failed step, 77 when the display stack cannot start.
"""

import os
import subprocess
import sys

SKIPPED = 77
try:
    from desktopstack import e2e_main, StepFailed
except ImportError as missing:  # python3-dbus, which `make deps` installs
    print("SKIPPED: the display stack cannot start here: %s" % missing, flush=True)
    sys.exit(SKIPPED)

FALLBACK = "ソケットのパスが %d バイトで長すぎるので /proc/self/fd/"
SCANNED = "スキャン完了"


def run(stack, program, tool):
    runtime = os.path.join(stack.root, "runtime-" + "r" * 110)
    os.makedirs(runtime, mode=0o700)
    socket_path = os.path.join(runtime, "org.quillmere.Quillmere-%d" % os.getuid())
    os.makedirs(os.path.join(stack.home, "Documents"), exist_ok=True)
    os.makedirs(stack.data_dir, exist_ok=True)
    with open(os.path.join(stack.data_dir, "settings.json"), "w") as f:
        f.write('{"watchEntries":[{"path":"~/Documents","enabled":true}]}')

    def scan_answer():
        result = subprocess.run([tool, "scan"], env=env, cwd=stack.root, capture_output=True,
                                text=True, timeout=60)
        return result.returncode, result.stdout.strip()

    with stack.step("the desktop starts"):
        stack.start_desktop()
    env = stack.environment(QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)

    with stack.step("the first copy holds the name, says how, and scans"):
        first = stack.start_process("quillmere-first", [program], env=env)
        line = FALLBACK % len(os.fsencode(socket_path))
        stack.wait_until("the fallback line in the log", lambda: line in stack.program_log())
        stack.wait_until("the first scan", lambda: SCANNED in stack.program_log())
        if not os.path.exists(socket_path):
            raise StepFailed("no socket at %s" % socket_path)

    with stack.step("quillmere-cli scan asks the first copy"):
        code, said = scan_answer()
        expected = "Quillmere (process %d) is scanning now." % first.pid
        if (code, said) != (0, expected):
            raise StepFailed("the tool said %r, exit %d; expected %r" % (said, code, expected))
        stack.wait_until("the asked scan", lambda: stack.program_log().count(SCANNED) >= 2)

    with stack.step("a second copy takes over"):
        second = stack.start_process("quillmere-second", [program], env=env)
        stack.wait_until("the first copy to quit", lambda: first.poll() is not None)
        stack.end_process(first)
        if first.returncode != 0:
            raise StepFailed("the first copy ended with %d" % first.returncode)
        stack.wait_until("the second copy's word to the first",
                         lambda: "既に起動中のインスタンス pid %d を終了する" % first.pid
                         in stack.program_log())
        # Once it holds the name, the second copy answers the tool.
        expected = "Quillmere (process %d) is scanning now." % second.pid
        answers = []
        stack.wait_until("the tool to reach the second copy",
                         lambda: answers.append(scan_answer()) or answers[-1] == (0, expected))
        if second.poll() is not None:
            raise StepFailed("the second copy ended with %d" % second.returncode)
        stack.end_process(second)


def main():
    def add_arguments(parser):
        parser.add_argument("--cli", required=True)

    return e2e_main(__doc__, "long runtime folder", lambda stack, program, arguments:
                    run(stack, program, os.path.abspath(arguments.cli)), add_arguments)


if __name__ == "__main__":
    sys.exit(main())
