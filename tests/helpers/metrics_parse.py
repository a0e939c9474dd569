#!/usr/bin/python3
"""Parses a Prometheus text-format file with prometheus_client's own parser and prints every
sample as one JSON line: {"family", "type", "help", "name", "labels", "value"}. The value is
written as Python's repr of the float ("1e+11", "inf") so that JSON readers need no extension.
A file the parser rejects ends the script with exit code 1 and the parser's message."""
import json
import sys

from prometheus_client.parser import text_string_to_metric_families

with open(sys.argv[1], encoding="utf-8") as f:
    text = f.read()
try:
    for family in text_string_to_metric_families(text):
        for sample in family.samples:
            print(json.dumps({"family": family.name, "type": family.type,
                              "help": family.documentation, "name": sample.name,
                              "labels": sample.labels, "value": repr(float(sample.value))},
                             ensure_ascii=False))
except Exception as error:  # the parser raises ValueError and others for bad input
    print(f"parse error: {error}", file=sys.stderr)
    sys.exit(1)
