#!/usr/bin/python3
"""Validates JSON Lines that VisionAccess printed with -j against its schema,
every line, with Python's jsonschema (Debian: python3-jsonschema).

    jsonlcheck.py [--schema FILE] FILE...     ('-' for standard input)

prints one line per fault, FILE:LINE: what is wrong, and ends with status 1
when there is any; 0 when every line of every file is a valid object."""

import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import testsupport  # noqa: E402


def load_validator(schema_path=testsupport.SCHEMA):
    """A validator for the schema's draft, the schema itself checked first."""
    import jsonschema
    with open(schema_path, encoding='utf-8') as file:
        schema = json.load(file)
    validator_class = jsonschema.validators.validator_for(schema)
    validator_class.check_schema(schema)
    return validator_class(schema)


def _where(error):
    path = '/'.join(str(part) for part in error.absolute_path)
    return (path + ': ') if path else ''


def _no_constant(word):
    raise ValueError('%s is no JSON value' % word)


def _no_repeated_names(pairs):
    names = [name for name, _ in pairs]
    repeated = sorted(set(name for name in names if names.count(name) > 1))
    if repeated:
        raise ValueError('the name %s is given twice' % repeated[0])
    return dict(pairs)


def parse_line(line):
    """A line as strict JSON: no NaN or Infinity, no name given twice."""
    return json.loads(line, parse_constant=_no_constant, object_pairs_hook=_no_repeated_names)


def check_text(validator, text, name):
    """The faults of a JSON Lines text, each 'name:line: why'.  A blank line
    is a fault too: the tool prints none."""
    faults = []
    lines = text.split('\n')
    if lines and lines[-1] == '':
        lines.pop()
    elif lines:
        faults.append('%s:%d: the last line has no newline' % (name, len(lines)))
    for number, line in enumerate(lines, 1):
        try:
            value = parse_line(line)
        except ValueError as error:
            faults.append('%s:%d: not JSON (%s)' % (name, number, error))
            continue
        errors = sorted(validator.iter_errors(value), key=lambda error: list(error.absolute_path))
        for error in errors:
            faults.append('%s:%d: %s%s' % (name, number, _where(error), error.message))
    return faults


def check_file(validator, path):
    if path == '-':
        return check_text(validator, sys.stdin.read(), '<stdin>')
    with open(path, encoding='utf-8', errors='strict') as file:
        try:
            text = file.read()
        except UnicodeDecodeError as error:
            return ['%s: not UTF-8 (%s)' % (path, error)]
    return check_text(validator, text, path)


def main(argv):
    schema = testsupport.SCHEMA
    if len(argv) > 2 and argv[1] == '--schema':
        schema = argv[2]
        argv = argv[:1] + argv[3:]
    if len(argv) < 2:
        sys.stderr.write('usage: jsonlcheck.py [--schema FILE] FILE...\n')
        return 2
    testsupport.require_module('jsonschema', 'python3-jsonschema', 'jsonlcheck')
    validator = load_validator(schema)
    faults = []
    for path in argv[1:]:
        faults.extend(check_file(validator, path))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
