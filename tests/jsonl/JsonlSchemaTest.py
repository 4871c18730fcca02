#!/usr/bin/python3
"""The JSON Lines schema of -j and its validator: every sample validates and
turns back into exactly the text lines beside it, the samples and the text
lines cover every event the schema names, and objects a faulty -j could
print are refused, each for its own fault."""

import glob
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import testsupport  # noqa: E402

testsupport.require_module('jsonschema', 'python3-jsonschema', 'JsonlSchema')
import jsonlcheck  # noqa: E402

sys.path.insert(0, os.path.join(testsupport.COLLECTION, 'plugins', 'module_utils'))
import visionaccess  # noqa: E402

VALIDATOR = jsonlcheck.load_validator()


def faults(obj):
    return [error.message for error in VALIDATOR.iter_errors(obj)]


class Samples(unittest.TestCase):
    def samples(self):
        paths = sorted(glob.glob(os.path.join(testsupport.SAMPLES, '*.jsonl')))
        self.assertGreater(len(paths), 5)
        return paths

    def test_every_sample_validates(self):
        for path in self.samples():
            with self.subTest(sample=os.path.basename(path)):
                self.assertEqual(jsonlcheck.check_file(VALIDATOR, path), [])

    def test_every_sample_is_its_text_lines(self):
        for path in self.samples():
            with self.subTest(sample=os.path.basename(path)):
                with open(path) as file:
                    events = [jsonlcheck.parse_line(line) for line in file]
                with open(path[:-len('.jsonl')] + '.txt') as file:
                    expected = file.read().split('\n')[:-1]
                self.assertEqual([visionaccess.text_line(event) for event in events], expected)

    def test_the_samples_cover_every_event_of_the_schema(self):
        named = set(VALIDATOR.schema['properties']['event']['enum'])
        seen = set()
        for path in self.samples():
            with open(path) as file:
                seen.update(jsonlcheck.parse_line(line)['event'] for line in file)
        self.assertEqual(seen, named)
        self.assertEqual(set(visionaccess.EVENTS), named)


def good(event, **fields):
    """A valid object of this event, with these fields changed (None: removed)."""
    base = {
        'scan': {},
        'camera': {'camera': 1001},
        'register-read': {'camera': 1001, 'address': '0x60018', 'value': 1920, 'text': '0x00000780'},
        'register-written': {'camera': 1001, 'address': '0x60018', 'value': 1920, 'text': '0x00000780'},
        'register-failed': {'camera': 1001, 'address': '0x60018', 'operation': 'read'},
        'feature-read': {'camera': 1001, 'feature': 'Width', 'value': 1920, 'text': '1920'},
        'feature-failed': {'camera': 1001, 'feature': 'Width', 'operation': 'write', 'reason': 'locked'},
        'identity': {'camera': 1001, 'field': 'model', 'value': 'Cam'},
        'feature': {'camera': 1001, 'path': '', 'feature': 'Width', 'type': 'IntReg', 'access': 'RW',
                    'value': 1920, 'text': '1920'},
        'difference': {'camera': 1001, 'feature': 'Gain', 'selectors': {'GainSelector': 'All'},
                       'value': 0, 'text': '0', 'wanted': '6'},
        'value-failed': {'camera': 1001, 'feature': 'Gain', 'selectors': {}, 'reason': 'locked'},
        'configuration-not-applied': {'camera': 1001, 'file': 'a.pfs', 'count': 1, 'restored': True},
        'configuration-differs': {'camera': 1001, 'file': 'a.pfs', 'count': 2},
        'no-match': {'selection': 'left'},
        'prompt': {'delay': 5000},
        'records-failed': {'status': '0x8000F00B'},
    }[event]
    obj = {'event': event, 'elapsed': 0.25}
    obj.update(base)
    for name, value in fields.items():
        if value is None:
            obj.pop(name, None)
        else:
            obj[name] = value
    return obj


class Objects(unittest.TestCase):
    def test_the_good_base_objects_are_valid(self):
        for event in ['scan', 'camera', 'register-read', 'register-written', 'register-failed', 'feature-read',
                      'feature-failed', 'identity', 'feature', 'difference', 'value-failed',
                      'configuration-not-applied', 'configuration-differs', 'no-match', 'prompt',
                      'records-failed']:
            with self.subTest(event=event):
                self.assertEqual(faults(good(event)), [])

    def test_what_a_faulty_tool_could_print_is_refused(self):
        cases = [
            ('no event', {'elapsed': 0}, "'event' is a required property"),
            ('an unknown event', {'event': 'register', 'elapsed': 0}, "'register' is not one of"),
            ('no elapsed', good('scan', elapsed=None), "'elapsed' is a required property"),
            ('elapsed as text', good('scan', elapsed='00:00:01'), "'00:00:01' is not of type 'number'"),
            ('elapsed before the start', good('scan', elapsed=-0.5), '-0.5 is less than the minimum of 0'),
            ('a camera on a scan line', good('scan', camera=1001), "'camera' was unexpected"),
            ('a camera line without its number', good('camera', camera=None), "'camera' is a required property"),
            ('a camera number as text', good('camera', camera='1001'), "'1001' is not of type 'integer'"),
            ('a camera number beyond 32 bits', good('camera', camera=2 ** 31), 'is greater than the maximum'),
            ('a lower-case address', good('register-read', address='0x6001c'), 'does not match'),
            ('an address without 0x', good('register-read', address='60018'), 'does not match'),
            ('an address with leading zeros', good('register-read', address='0x00060018'), 'does not match'),
            ('a register value as hex text', good('register-read', value='0x780'), "is not of type 'number', 'null'"),
            ('a written value beyond 32 bits', good('register-written', value=2 ** 32), 'greater than the maximum'),
            ('a written value not as the line shows it', good('register-written', text='0x780'), 'does not match'),
            ('an operation other than read or write', good('register-failed', operation='execute'),
             "'execute' is not one of ['read', 'write']"),
            ('a field the line does not have', good('feature-read', unit='px'), "'unit' was unexpected"),
            ('a feature value as a list', good('feature-read', value=[1]), 'is not valid under any of the given schemas'),
            ('a newline after a reason', good('feature-failed', reason='locked\n'), 'should not be valid under'),
            ('a control character in a text', good('feature-read', text='19\x1b[2J20'), 'should not be valid under'),
            ('a newline after a name', good('feature-read', feature='Width\n'), 'should not be valid under'),
            ('a byte beyond ASCII, unescaped', good('identity', value='Caméra'), 'should not be valid under'),
            ('an identity field of another name', good('identity', field='user name'), "'user name' is not one of"),
            ('a feature name that is no GenICam name', good('feature-read', feature='Width!'), 'does not match'),
            ('a listed feature with both value and reason', good('feature', reason='locked'), 'is valid under each of'),
            ('a listed feature with neither', good('feature', value=None, text=None),
             'is not valid under any of the given schemas'),
            ('a listed feature with an unknown access', good('feature', access='R/W'), "'R/W' is not one of"),
            ('a difference without the file value', good('difference', wanted=None), "'wanted' is a required property"),
            ('a difference without selectors', good('difference', selectors=None), "'selectors' is a required property"),
            ('selectors as a list', good('difference', selectors=['GainSelector=All']), "is not of type 'object'"),
            ('a selector value as a number', good('value-failed', selectors={'LUTIndex': 5}), "5 is not of type 'string'"),
            ('a selector name that is no GenICam name', good('value-failed', selectors={'1st': 'a'}), 'does not match'),
            ('not restored, without the reason', good('configuration-not-applied', restored=False),
             "'reason' is a required property"),
            ('restored, yet with a reason', good('configuration-not-applied', reason='x'), 'should not be valid under'),
            ('restored as text', good('configuration-not-applied', restored='yes'), "'yes' is not of type 'boolean'"),
            ('a negative count', good('configuration-not-applied', count=-1), 'less than the minimum of 0'),
            ('differs in no value', good('configuration-differs', count=0), 'less than the minimum of 1'),
            ('an empty -s value', good('no-match', selection=''), 'should be non-empty|is too short'),
            ('a delay as text', good('prompt', delay='5000'), "'5000' is not of type 'integer'"),
            ('a status as a number', good('records-failed', status=2147545099), "is not of type 'string'"),
        ]
        for name, obj, expected in cases:
            with self.subTest(case=name):
                # One of the fragments ('|' between them: jsonschema's
                # wording differs between its versions) in some message.
                messages = faults(obj)
                self.assertTrue(any(part in message for message in messages for part in expected.split('|')),
                                messages)


class Streams(unittest.TestCase):
    def check(self, text):
        return jsonlcheck.check_text(VALIDATOR, text, 'out')

    def test_faults_of_the_stream_itself_are_named_by_line(self):
        scan = '{"event": "scan", "elapsed": 0}\n'
        cases = [
            ('valid', scan + scan, []),
            ('nothing at all', '', []),
            ('a blank line', scan + '\n' + scan, ['out:2: not JSON']),
            ('no final newline', scan + scan[:-1], ['out:2: the last line has no newline']),
            ('two objects on a line', scan[:-1] + scan, ['out:1: not JSON']),
            ('NaN', '{"event": "scan", "elapsed": NaN}\n', ['out:1: not JSON (NaN is no JSON value)']),
            ('a name given twice', '{"event": "scan", "elapsed": 0, "elapsed": 1}\n',
             ['out:1: not JSON (the name elapsed is given twice)']),
            ('an array', '[]\n', ["out:1: [] is not of type 'object'"]),
            ('a fault in a field', scan + '{"event": "camera", "elapsed": 0, "camera": "x"}\n',
             ["out:2: camera: 'x' is not of type 'integer'"]),
        ]
        for name, text, expected in cases:
            with self.subTest(case=name):
                found = self.check(text)
                self.assertEqual(len(found), len(expected), found)
                for fault, start in zip(found, expected):
                    self.assertTrue(fault.startswith(start), (fault, start))

    def test_the_command_line_validates_files_and_says_where(self):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'jsonlcheck.py')
        sample = os.path.join(testsupport.SAMPLES, 'info.jsonl')
        with tempfile.NamedTemporaryFile('w', suffix='.jsonl', delete=False) as bad:
            bad.write('{"event": "scan", "elapsed": 0}\n{"event": "camera", "elapsed": 0}\n')
        try:
            run = subprocess.run([sys.executable, script, sample], capture_output=True, text=True)
            self.assertEqual((run.returncode, run.stdout), (0, ''))
            run = subprocess.run([sys.executable, script, sample, bad.name], capture_output=True, text=True)
            self.assertEqual(run.returncode, 1)
            self.assertEqual(run.stdout, "%s:2: 'camera' is a required property\n" % bad.name)
        finally:
            os.remove(bad.name)


if __name__ == '__main__':
    unittest.main()
