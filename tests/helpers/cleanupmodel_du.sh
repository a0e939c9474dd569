#!/bin/sh
# Stands in for du in the cleanup model's tests ("du -d 1 -k <folder>"). Each run appends
# "<pid> <folder>" to CLEANUPMODEL_DU_LOG, then measures with the real du, except:
# - with CLEANUPMODEL_DU_HANG set, it sleeps until it is killed;
# - the folder named by CLEANUPMODEL_DU_FAIL is refused, as du refuses a folder it cannot read.
folder=$4
echo "$$ $folder" >>"${CLEANUPMODEL_DU_LOG:-/dev/null}"
if [ -n "$CLEANUPMODEL_DU_HANG" ]; then
    exec sleep 60
fi
if [ -n "$CLEANUPMODEL_DU_FAIL" ] && [ "$folder" = "$CLEANUPMODEL_DU_FAIL" ]; then
    echo "du: cannot read directory '$folder': Permission denied" >&2
    exit 1
fi
exec /usr/bin/du "$@"
