#!/bin/sh
# Plays "tmutil listlocalsnapshots /" for the Time Machine tests, in the way
# CLEANUP_FAKE_TMUTIL names. CLEANUP_FAKE_TMUTIL_OUTPUT is a recorded output to print.
if [ "$#" -ne 2 ] || [ "$1" != listlocalsnapshots ] || [ "$2" != / ]; then
    echo "usage: tmutil listlocalsnapshots <mount point>" >&2
    exit 64
fi
case "$CLEANUP_FAKE_TMUTIL" in
list)
    cat "$CLEANUP_FAKE_TMUTIL_OUTPUT"
    echo "tmutil: a warning on standard error" >&2
    ;;
fail)
    # Some snapshot lines, then an error exit.
    cat "$CLEANUP_FAKE_TMUTIL_OUTPUT"
    echo "tmutil: something went wrong" >&2
    exit 1
    ;;
crash)
    cat "$CLEANUP_FAKE_TMUTIL_OUTPUT"
    ulimit -c 0
    kill -SEGV $$
    ;;
hang)
    cat "$CLEANUP_FAKE_TMUTIL_OUTPUT"
    exec sleep 30
    ;;
*)
    echo "$0: unknown CLEANUP_FAKE_TMUTIL mode '$CLEANUP_FAKE_TMUTIL'" >&2
    exit 2
    ;;
esac
