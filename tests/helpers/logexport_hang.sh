#!/bin/sh
# A log tool that never finishes; it prints something first, which must not reach the file.
echo partial
exec sleep 30
