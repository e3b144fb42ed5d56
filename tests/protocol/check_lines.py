#!/usr/bin/env python3
"""Checks protocol lines against one definition of the protocol's JSON Schema.

Usage: check_lines.py SCHEMA DEFINITION   (DEFINITION: eventV1, commandV1, ...)

Reads lines on standard input and answers each at once with one line on standard
output: "ok", or "fault: " and what is wrong. One process checks a whole run of
the player, so the schema is loaded once.
"""

import json
import sys

from jsonschema import Draft202012Validator

# The keys that name a message; a failed oneOf is explained by the one
# definition whose name matched.
NAME_KEYS = ("type", "command")
MISSING_NAME = {f"{key!r} is a required property" for key in NAME_KEYS}


def load_validator(schema_path, definition):
    with open(schema_path, encoding="utf-8") as file:
        schema = json.load(file)
    Draft202012Validator.check_schema(schema)
    if definition not in schema.get("$defs", {}):
        raise KeyError(f"no definition {definition!r} in {schema_path}")
    entry = {key: schema[key] for key in ("$schema", "$id") if key in schema}
    entry["$defs"] = schema["$defs"]
    entry["$ref"] = f"#/$defs/{definition}"
    return Draft202012Validator(entry)


def describe(error):
    where = "/".join(str(part) for part in error.absolute_path)
    return f"{where}: {error.message}" if where else error.message


def explain(error):
    """The errors worth reading, from inside a oneOf when a definition's name matched."""
    if error.validator == "oneOf" and error.context:
        branches = {}
        for sub in error.context:
            branches.setdefault(sub.relative_schema_path[0], []).append(sub)
        named = [
            errors
            for errors in branches.values()
            if not any(
                len(e.absolute_path) == len(error.absolute_path) + 1
                and e.absolute_path[-1] in NAME_KEYS
                for e in errors
            )
            and not any(e.validator == "required" and e.message in MISSING_NAME for e in errors)
        ]
        if len(named) == 1:
            return [message for sub in named[0] for message in explain(sub)]
        instance = error.instance
        if isinstance(instance, dict):
            names = {k: instance[k] for k in NAME_KEYS if k in instance}
            return [f"no definition matches {json.dumps(names, ensure_ascii=False)}"]
    return [describe(error)]


def problems(validator, line):
    """What is wrong with one line of text, as sentences; empty when it is valid."""
    try:
        instance = json.loads(line)
    except ValueError as error:
        return [f"not JSON: {error}"]
    found = []
    for error in sorted(validator.iter_errors(instance), key=lambda e: list(e.path)):
        found.extend(explain(error))
    return found


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    validator = load_validator(sys.argv[1], sys.argv[2])
    stdin = open(sys.stdin.fileno(), "rb", buffering=0, closefd=False)
    for raw in iter(stdin.readline, b""):
        line = raw.rstrip(b"\n").decode("utf-8", "replace")
        found = problems(validator, line)
        sys.stdout.write("fault: " + "; ".join(found) + "\n" if found else "ok\n")
        sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
