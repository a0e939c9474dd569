#!/bin/sh
# A log tool that fails without a word.
exit 1
