#!/usr/bin/python3
"""Validates JSON documents against the command-line tool's schema (docs/cli-json-schema.json)
with the jsonschema library. Arguments: the schema file, then one file per document. Prints one
line per document, "ok" or the first validation error, and exits with 1 if any is invalid."""
import json
import sys

import jsonschema

with open(sys.argv[1], encoding="utf-8") as f:
    schema = json.load(f)
validator_class = jsonschema.validators.validator_for(schema)
validator_class.check_schema(schema)
validator = validator_class(schema)
failed = False
for path in sys.argv[2:]:
    with open(path, encoding="utf-8") as f:
        document = json.load(f)
    errors = sorted(validator.iter_errors(document), key=lambda e: list(e.path))
    if errors:
        failed = True
        best = jsonschema.exceptions.best_match(errors)
        print(f"{path}: {best.message} at {list(best.absolute_path)}")
    else:
        print("ok")
sys.exit(1 if failed else 0)
