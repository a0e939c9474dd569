#!/bin/sh
# A slow du for the snapshot scheduler's tests: appends its arguments as one line to
# SCHEDULER_DU_LOG, waits SCHEDULER_DU_SECONDS, then runs the real du with the same arguments.
# The folder named by SCHEDULER_DU_HANG is never measured: its run only sleeps until killed.
log=${SCHEDULER_DU_LOG:-/dev/null}
echo "$*" >>"$log"
# The folder is the last argument.
for folder; do :; done
if [ -n "$SCHEDULER_DU_HANG" ] && [ "$folder" = "$SCHEDULER_DU_HANG" ]; then
    exec sleep 30
fi
sleep "${SCHEDULER_DU_SECONDS:-0}"
exec /usr/bin/du "$@"
