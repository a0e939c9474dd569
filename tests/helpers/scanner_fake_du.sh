#!/bin/sh
# Plays "du -d 1 -k -D <path>" for the size scanner's tests, in the way SCANNER_FAKE_DU names.
# SCANNER_FAKE_DU_LOG is a file that gets one line per event ("start <pid> <path>", "end <path>",
# "pid <pid>").
# The folder is the last argument.
for path; do :; done
log=${SCANNER_FAKE_DU_LOG:-/dev/null}
case "$SCANNER_FAKE_DU" in
slow)
    echo "start $$ $path" >>"$log"
    sleep "${SCANNER_FAKE_DU_SECONDS:-0.2}"
    printf '8\t%s\n' "$path"
    echo "end $path" >>"$log"
    ;;
hang)
    echo "pid $$" >>"$log"
    exec sleep 30
    ;;
privacy)
    echo "du: $path: Operation not permitted" >&2
    exit 1
    ;;
eacces)
    echo "du: $path: Permission denied" >&2
    exit 1
    ;;
crash)
    printf '8\t%s\n' "$path"
    ulimit -c 0
    kill -SEGV $$
    ;;
*)
    echo "$0: unknown SCANNER_FAKE_DU mode '$SCANNER_FAKE_DU'" >&2
    exit 2
    ;;
esac
