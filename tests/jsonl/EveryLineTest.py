#!/usr/bin/python3
"""The tool's output layer, one line of every kind (EveryLine.cpp, which calls
each function of src/Lines.h with fields at their edges): the text lines are
exactly the tool's, the configuration lines included; with -j each line is
one object, valid against the schema, that text_line() turns into its text
line, with its value in its own type; and every event of the schema has a
function that prints it.

    EveryLineTest.py --program EveryLine [--emulator WORD]..."""

import argparse
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import testsupport  # noqa: E402

TEST = 'EveryLine'
PROGRAM = []

# The text lines, in the order EveryLine.cpp prints them.
TEXT = r'''Output directed to scan.txt.  PRESS ANY KEY TO EXIT
01:02:05 Camera scan ....
    No cameras found !!
    Out of memory error.
    Unable to read camera id info (Error 0x8000F00B)
    Camera -5
        Vendor: Tab\x09Vendor\x7F
        Serial:
        User name: caf\xC3\xA9
        Could not read the camera's user name
        Register 0x60018 read as 0x00000780
        Register 0x0 read as -1
        Register 0x60050 read as 20.000000
        Register 0x60054 read as 0.100000
        Register 0x60058 read as nan
        Register 0x6005C read as -inf
        Register 0xFFFFFFFFFFFFFFFF read as 0x00000000
        Register 0xFFFFF0F00A0C written with value 0xFFFFFFFF
        Could not read register 0x12345
        Could not write register 0xFFFFF0F00A0C: the SDK reaches only 32-bit addresses
        Feature Offset read as -9223372036854775808
        Feature Gain read as 0.10000000149011612
        Feature Ratio read as inf
        Feature ReverseX read as true
        Feature PixelFormat read as Mono8
        Feature DeviceUserID read as left\x01camera\x0A
        Feature LUTValueAll read as 0a ff 10
        Feature ExposureTime written with value 5e3
        Feature ReverseX written with value 1
        Feature PixelFormat written with value 0x01100003
        Feature AcquisitionStart written with value execute
        Could not write feature Width: below the minimum (16 to 1920 in steps of 4)
        Could not read feature Width: register 0x60018 could not be read (status 0x8000F00A)
        GenICam description saved to descriptions/4294967291.xml
        Could not save the GenICam description to descriptions/7.xml: No space left on device
        Could not read the GenICam description: SHA-1 mismatch
        Feature AnalogControl/Advanced/Gain (Converter, RW) read as 2.5
        Feature Width (IntReg, RW) read as 1920
        Feature AcquisitionControl/AcquisitionStart (Command, WO) cannot be read: a command: it is executed, not read
        Feature Bro\x1B[2Jken (, ?) cannot be read: the description is faulty at Broken
        Could not list the features: the camera has no GenICam description (no manifest)
        Configuration saved to saved/4294967291.pfs (42 values)
        Could not save the configuration: the value of DeviceUserID holds a tab
        Configuration line.pfs applied: 12 values written and verified
        Could not apply feature ColorTransformationValue [ColorTransformationSelector=RGBtoRGB, ColorTransformationValueSelector=Gain01]: above the maximum (-8 to 8)
        Could not apply feature Width: locked
        Configuration /etc/cameras/line.pfs not applied: 1 values failed; the previous settings are restored
        Configuration line.pfs not applied: 2 values failed; restoring the previous settings failed too: register 0x60018 could not be written (status 0x8000F00A)
        Feature Gain [GainSelector=DigitalAll] is 0, the file has 6
        Feature ExposureTime is 10000.5, the file has 2e4
        Feature DeviceUserID is left\x09camera, the file has caf\xC3\xA9
        Feature AcquisitionFrameRate cannot be read (not available now), the file has 20
        Could not set the selectors back after comparing: its selector GainSelector cannot be set to Red: locked
        Configuration matches line.pfs
        Configuration differs from line.pfs in 3 values
    No camera matches left\x09camera
PRESS ANY KEY TO EXIT (after 5000 ms delay)
'''.split('\n')[:-1]

# Line number (from 1): the members of its object that carry its meaning.
OBJECTS = {
    1: {'event': 'log-file', 'file': 'scan.txt'},
    5: {'event': 'records-failed', 'status': '0x8000F00B'},
    6: {'event': 'camera', 'camera': -5},
    7: {'field': 'vendor', 'value': 'Tab\\x09Vendor\\x7F', 'camera': -5},
    8: {'field': 'serial', 'value': ''},
    10: {'event': 'identity-failed', 'field': 'user-name'},
    11: {'address': '0x60018', 'value': 1920, 'text': '0x00000780'},
    12: {'address': '0x0', 'value': -1},
    13: {'value': 20.0},
    14: {'value': 0.1, 'text': '0.100000'},
    15: {'value': None, 'text': 'nan'},
    16: {'value': None, 'text': '-inf'},
    17: {'address': '0xFFFFFFFFFFFFFFFF', 'value': 0},
    18: {'address': '0xFFFFF0F00A0C', 'value': 4294967295, 'text': '0xFFFFFFFF'},
    19: {'event': 'register-failed', 'operation': 'read'},
    20: {'operation': 'write', 'reason': 'the SDK reaches only 32-bit addresses'},
    21: {'value': -9223372036854775808},
    22: {'value': 0.10000000149011612},
    23: {'value': None, 'text': 'inf'},
    24: {'value': True},
    25: {'value': 'Mono8'},
    26: {'value': 'left\\x01camera\\x0A'},
    27: {'value': '0a ff 10'},
    28: {'event': 'feature-written', 'value': 5000.0, 'text': '5e3'},
    29: {'value': True, 'text': '1'},
    30: {'value': 'Mono16', 'text': '0x01100003'},
    31: {'value': None, 'text': 'execute'},
    32: {'event': 'feature-failed', 'operation': 'write'},
    37: {'event': 'feature', 'path': 'AnalogControl/Advanced', 'feature': 'Gain', 'value': 2.5, 'text': '2.5'},
    38: {'path': '', 'value': 1920},
    42: {'event': 'configuration-saved', 'file': 'saved/4294967291.pfs', 'count': 42},
    43: {'event': 'configuration-not-saved'},
    44: {'event': 'configuration-applied', 'count': 12},
    45: {'event': 'value-failed',
         'selectors': {'ColorTransformationSelector': 'RGBtoRGB', 'ColorTransformationValueSelector': 'Gain01'}},
    46: {'selectors': {}},
    47: {'event': 'configuration-not-applied', 'count': 1, 'restored': True},
    48: {'restored': False, 'reason': 'register 0x60018 could not be written (status 0x8000F00A)'},
    49: {'event': 'difference', 'selectors': {'GainSelector': 'DigitalAll'}, 'value': 0, 'text': '0',
         'wanted': '6'},
    50: {'value': 10000.5, 'wanted': '2e4'},
    51: {'value': 'left\\x09camera', 'wanted': 'caf\\xC3\\xA9'},
    52: {'event': 'difference', 'reason': 'not available now', 'wanted': '20'},
    53: {'event': 'selectors-not-set-back', 'reason': 'its selector GainSelector cannot be set to Red: locked'},
    55: {'event': 'configuration-differs', 'count': 3},
    56: {'event': 'no-match', 'selection': 'left\\x09camera'},
    57: {'event': 'prompt', 'delay': 5000},
}
# The lines of the run and its scans: the others belong to the camera.
SCAN_LINES = {1, 2, 3, 4, 5, 56, 57}


def printed(form):
    run = subprocess.run(PROGRAM + [form], capture_output=True)
    if run.returncode != 0 or run.stderr:
        raise AssertionError('EveryLine %s: status %d, %r' % (form, run.returncode, run.stderr))
    return run.stdout


class EveryLine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        import jsonlcheck
        sys.path.insert(0, os.path.join(testsupport.COLLECTION, 'plugins', 'module_utils'))
        import visionaccess
        cls.jsonlcheck = jsonlcheck
        cls.renderer = visionaccess
        cls.validator = jsonlcheck.load_validator()
        cls.text = printed('text').decode('latin-1').split('\n')[:-1]
        output = printed('json')
        cls.output = output.decode('ascii')
        cls.objects = [jsonlcheck.parse_line(line) for line in cls.output.split('\n')[:-1]]

    def test_the_text_lines_are_exactly_the_tools(self):
        self.assertEqual(self.text, TEXT)

    def test_every_object_is_valid_against_the_schema(self):
        self.assertEqual(len(self.objects), len(TEXT))
        self.assertEqual(self.jsonlcheck.check_text(self.validator, self.output, 'EveryLine'), [])

    def test_every_object_says_what_its_text_line_says(self):
        for number, (obj, line) in enumerate(zip(self.objects, TEXT), 1):
            with self.subTest(line=number):
                if obj['event'] == 'scan':
                    # Its time stamp is the text's; elapsed is the run's own.
                    self.assertEqual(self.renderer.text_line(obj), '00:00:00 Camera scan ....')
                else:
                    self.assertEqual(self.renderer.text_line(obj), line)

    def test_values_have_their_own_type(self):
        for number, members in sorted(OBJECTS.items()):
            obj = self.objects[number - 1]
            for name, value in members.items():
                with self.subTest(line=number, member=name):
                    self.assertIn(name, obj)
                    self.assertEqual(obj[name], value)
                    # True is no 1, 1 no 1.0 where the type is the point.
                    self.assertIs(type(obj[name]), type(value))

    def test_lines_of_a_camera_carry_its_number_and_no_others_do(self):
        for number, obj in enumerate(self.objects, 1):
            with self.subTest(line=number):
                if number in SCAN_LINES:
                    self.assertNotIn('camera', obj)
                else:
                    self.assertEqual(obj.get('camera'), -5)

    def test_members_keep_the_order_of_the_line(self):
        self.assertEqual(list(self.objects[44]), ['event', 'elapsed', 'camera', 'feature', 'selectors', 'reason'])
        self.assertEqual(list(self.objects[44]['selectors']),
                         ['ColorTransformationSelector', 'ColorTransformationValueSelector'])

    def test_every_event_of_the_schema_has_a_line(self):
        named = set(self.validator.schema['properties']['event']['enum'])
        self.assertEqual(set(obj['event'] for obj in self.objects), named)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--program', required=True)
    parser.add_argument('--emulator', action='append', default=[])
    options, rest = parser.parse_known_args()
    testsupport.require_module('jsonschema', 'python3-jsonschema', TEST)
    PROGRAM.extend(options.emulator + [os.path.abspath(options.program)])
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == '__main__':
    main()
