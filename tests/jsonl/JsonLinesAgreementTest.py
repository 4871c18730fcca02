#!/usr/bin/python3
"""-j says exactly what the text lines say: for each command line of a table,
run on simulated cameras from the same state, the objects VisionAccess
prints with -j are valid against the schema, their elapsed never goes
back, each turns into the text line printed without -j (scan time stamps
aside), and the exit status is the same.

    JsonLinesAgreementTest.py --tool VisionAccess --work DIR [--emulator WORD]... [--without-module]

Skipped, with one line, while the tool's --help lists no -j; a case with an
option that --help does not list yet (-m, -p, -o) is left out, with one line
naming it; so is one whose configuration file the tool reads through the
GenICam module (-m, -p) when the build has no module (--without-module),
where the command line is rejected."""

import argparse
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import testsupport  # noqa: E402
from testsupport import check  # noqa: E402

TEST = 'JsonLinesAgreement'
DESCRIPTION = os.path.join(testsupport.SOURCE_DIR, 'tests', 'ansible', 'camera.xml')
CONFIGURATION = os.path.join(testsupport.SOURCE_DIR, 'tests', 'ansible', 'line.pfs')
# Two cameras of camera.xml, the first with its Width locked, and one
# listed that will not open.
SIMULATOR = """camera 4001
camera 4002
camera 4003 no-open
genicam * {description}
register * 0x60018 1920
register * 0x60030 0x01080001
register * 0x60034 0
register * 0x60038 0
register * 0x60040 0x461C4000
register * 0x60080 0
register * 0x60084 0
register * 0x60088 0
register 4001 0x60038 1
fault 4002 0x60034 read-fails
identity 4002 name left\x01camera
"""
# Each command line, after the tool; {folder} is a fresh folder for files.
CASES = [
    [],
    ['-v'],
    ['-v', '-s', '4002', '-s', 'left\x01camera', '-s', 'nobody'],
    ['-w', '60034', '1', '-w', '12345', '7', '-r', '60018', '-r', '12345', '-r', 'FFFFF0F00A0C'],
    ['-i', '-w', '60080', '-5', '-r', '60080'],
    ['-f', '-w', '60084', 'nan', '-r', '60040', '-r', '60084'],
    ['-w', 'Width', '1024', '-w', 'ReverseX', 'true', '-r', 'Width', '-r', 'PixelFormat', '-r', 'ExposureTime',
     '-r', 'ReverseX', '-r', 'Gain', '-r', 'Nope'],
    ['-a'],
    ['-x', '{folder}'],
    ['-m', 'line.pfs'],
    ['-p', 'line.pfs', '-m', 'line.pfs'],
    ['-o', '{folder}'],
    ['-c', '-d', '0'],
]
TIME_STAMP = re.compile(r'^-?\d+:-?\d+:-?\d+ Camera scan \.\.\.\.$')

def unlisted_options(arguments, help_text):
    """The options of a command line that --help does not list."""
    options = sorted(set(word for word in arguments if re.match(r'^-[a-z]$', word)))
    return [option for option in options
            if not re.search(r'^\s+%s\b' % re.escape(option), help_text, re.MULTILINE)
            and option not in ('-c', '-d', '-r', '-w', '-i', '-f', '-l')]


def comparable(lines):
    return ['HH:MM:SS Camera scan ....' if TIME_STAMP.match(line) else line for line in lines]


class Runs:
    def __init__(self, tool, work):
        self.tool = tool
        self.work = os.path.abspath(work)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        with open(self.path('sim.cfg'), 'w') as file:
            file.write(SIMULATOR.format(description=DESCRIPTION))
        shutil.copy(CONFIGURATION, self.path('line.pfs'))

    def path(self, name):
        return os.path.join(self.work, name)

    def run(self, arguments):
        """Runs the tool from power-up, in the work folder, with an empty
        folder 'files' for {folder}; its status and standard output."""
        for leftover in ('registers', 'files'):
            if os.path.isdir(self.path(leftover)):
                shutil.rmtree(self.path(leftover))
            elif os.path.exists(self.path(leftover)):
                os.remove(self.path(leftover))
        os.makedirs(self.path('files'))
        words = [word.replace('{folder}', 'files') for word in arguments]
        env = dict(os.environ, QRV_SIM_CONFIG=self.path('sim.cfg'), QRV_SIM_STATE=self.path('registers'),
                   XDG_CACHE_HOME=self.path('cache'))
        run = subprocess.run(self.tool + words, cwd=self.work, env=env, stdin=subprocess.DEVNULL,
                             capture_output=True)
        return run.returncode, run.stdout.decode('utf-8', 'backslashreplace')


def agree(runs, arguments, validator):
    import jsonlcheck
    sys.path.insert(0, os.path.join(testsupport.COLLECTION, 'plugins', 'module_utils'))
    import visionaccess
    label = 'VisionAccess %s' % ' '.join(arguments)
    text_status, text = runs.run(arguments)
    json_status, output = runs.run(['-j'] + arguments)
    check(json_status == text_status, '%s: the same status with -j' % label, (text_status, json_status))
    faults = jsonlcheck.check_text(validator, output, label)
    if not check(not faults, '%s: every object is valid' % label, *faults[:10]):
        return
    objects = [jsonlcheck.parse_line(line) for line in output.splitlines()]
    elapsed = [obj['elapsed'] for obj in objects]
    check(elapsed == sorted(elapsed), '%s: elapsed never goes back' % label, elapsed)
    rendered = comparable([visionaccess.text_line(obj) for obj in objects])
    check(rendered == comparable(text.splitlines()), '%s: -j says what the text lines say' % label,
          'text:', *text.splitlines(), '-j:', *rendered)


def log_file_agrees(runs, validator):
    """-l: the notice where the output goes at that moment, the rest in the file."""
    import jsonlcheck
    sys.path.insert(0, os.path.join(testsupport.COLLECTION, 'plugins', 'module_utils'))
    import visionaccess
    status, text = runs.run(['-r', '60018', '-l', 'scan.txt'])
    with open(runs.path('scan.txt')) as file:
        text_file = file.read()
    status, output = runs.run(['-j', '-r', '60018', '-l', 'scan.jsonl'])
    with open(runs.path('scan.jsonl')) as file:
        json_file = file.read()
    faults = jsonlcheck.check_text(validator, output, 'stdout') + jsonlcheck.check_text(validator, json_file, 'file')
    if not check(not faults, '-l: every object is valid', *faults):
        return
    notice = [visionaccess.text_line(jsonlcheck.parse_line(line)) for line in output.splitlines()]
    check(notice == ['Output directed to scan.jsonl.  PRESS ANY KEY TO EXIT'], '-l: the notice as an object', notice)
    rendered = comparable([visionaccess.text_line(jsonlcheck.parse_line(line)) for line in json_file.splitlines()])
    check(rendered == comparable(text_file.splitlines()), '-l: the file says what the text file says',
          text_file, rendered)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--tool', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--emulator', action='append', default=[])
    parser.add_argument('--without-module', action='store_true')
    options = parser.parse_args()
    testsupport.require_module('jsonschema', 'python3-jsonschema', TEST)
    tool = list(options.emulator) + [os.path.abspath(options.tool)]
    help_text = subprocess.run(tool + ['--help'], capture_output=True, text=True).stdout
    if not re.search(r'^\s+-j\b', help_text, re.MULTILINE):
        sys.stderr.write('%s: SKIPPED: the tool has no -j yet\n' % TEST)
        return testsupport.SKIPPED
    import jsonlcheck
    validator = jsonlcheck.load_validator()
    runs = Runs(tool, options.work)
    for arguments in CASES:
        missing = unlisted_options(arguments, help_text)
        if missing:
            print('left out until --help lists %s: VisionAccess %s' % (' '.join(missing), ' '.join(arguments)))
            continue
        if options.without_module and ({'-m', '-p'} & set(arguments)):
            print('left out, no GenICam module to read its file: VisionAccess %s' % ' '.join(arguments))
            continue
        agree(runs, arguments, validator)
    log_file_agrees(runs, validator)
    return testsupport.verdict('every case agrees')


if __name__ == '__main__':
    sys.exit(main())
