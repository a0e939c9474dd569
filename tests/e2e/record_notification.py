#!/usr/bin/python3
"""Run by dunst for every notification it shows (a `script` rule): appends one JSON line with the
application, summary and body to the file that QUILLMERE_NOTIFICATION_LOG names."""

import json
import os
import sys

app, summary, body = (sys.argv[1:4] + ["", "", ""])[:3]
with open(os.environ["QUILLMERE_NOTIFICATION_LOG"], "a") as log:
    log.write(json.dumps({"app": app, "summary": summary, "body": body}) + "\n")
