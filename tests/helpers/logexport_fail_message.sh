#!/bin/sh
# A log tool that refuses with a message surrounded by white space.
printf '  denied \n\n' >&2
exit 1
