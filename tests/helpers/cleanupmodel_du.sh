#!/bin/sh
# Stands in for du in the cleanup model's tests ("du -d 1 -k -D <folder>"). Each run appends
# "<pid> <folder>" to CLEANUPMODEL_DU_LOG, then measures with the real du, except:
# - with CLEANUPMODEL_DU_HANG set, it sleeps until it is killed;
# - the folder named by CLEANUPMODEL_DU_FAIL is refused, as du refuses a folder it cannot read;
# - the folder named by CLEANUPMODEL_DU_HOLD is measured before the run is noted, and reported
#   only once the file named by CLEANUPMODEL_DU_RELEASE exists (at most 20 seconds later): a slow
#   du whose figure is that of its start.
# The folder is the last argument.
for folder; do :; done
held=
if [ -n "$CLEANUPMODEL_DU_HOLD" ] && [ "$folder" = "$CLEANUPMODEL_DU_HOLD" ]; then
    held=1
    output=$(/usr/bin/du "$@")
    status=$?
fi
echo "$$ $folder" >>"${CLEANUPMODEL_DU_LOG:-/dev/null}"
if [ -n "$CLEANUPMODEL_DU_HANG" ]; then
    exec sleep 60
fi
if [ -n "$CLEANUPMODEL_DU_FAIL" ] && [ "$folder" = "$CLEANUPMODEL_DU_FAIL" ]; then
    echo "du: cannot read directory '$folder': Permission denied" >&2
    exit 1
fi
if [ -n "$held" ]; then
    waited=0
    while [ ! -e "$CLEANUPMODEL_DU_RELEASE" ] && [ "$waited" -lt 400 ]; do
        sleep 0.05
        waited=$((waited + 1))
    done
    [ -n "$output" ] && printf '%s\n' "$output"
    exit $status
fi
exec /usr/bin/du "$@"
