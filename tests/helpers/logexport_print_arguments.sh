#!/bin/sh
# A log tool that succeeds: prints each of its arguments on a line of its own.
printf '%s\n' "$@"
