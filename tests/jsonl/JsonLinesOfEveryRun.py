#!/usr/bin/python3
"""-j on every run of the end-to-end suite: the test harness (ToolHarness.cpp)
records each run of the tool, its folder as the run found it, its arguments,
environment and input; this replays each record twice from that folder, as
it was and with -j, and checks what a script would see go wrong:

  - the same exit status and the same standard error;
  - every file the runs leave (the simulator's state and trace, saved
    descriptions) the same, except the lines the tool printed: standard
    output and the -l files, where every line of the -j run is a JSON object
    valid against the schema (only a rejected command line prints text, its
    usage text), whose elapsed never goes back, and which text_line() turns
    into the line of the run without -j, scan time stamps aside.

    JsonLinesOfEveryRun.py --tool VisionAccess --runs DIR [--emulator WORD]...

A run the replay cannot repeat alike (its text output differs from the
suite's) is listed and left out; so are runs that are no scan (--help) and
runs already given -j.  Skipped when nothing was recorded: the records come
from the suite's own tests, which CTest runs first (fixture ToolRuns)."""

import argparse
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import testsupport  # noqa: E402

TEST = 'JsonLinesOfEveryRun'
ALONE_WORDS = ('--help', '--version', '--sdk')
TIME_STAMP = re.compile(r'^-?\d+:-?\d+:-?\d+ Camera scan \.\.\.\.$')
# The words after each option (also in upper case), to find the files of -l.
VALUE_WORDS = {'c': 0, 'd': 1, 'r': 1, 'w': 2, 'i': 0, 'f': 0, 'l': 1, 'v': 0, 's': 1, 'x': 1, 'g': 1, 'a': 0,
               'j': 0, 'o': 1, 'p': 1, 'm': 1}
# What a trace of the open SDK measures: the time each call took.
MEASURED = re.compile(rb'elapsed=\d+us')
REJECTED = 1
OUTPUT_FAILED = 2
# How many lines of a disagreement are shown.
SHOWN = 12


def words(path):
    """The words of a file of words each ended by a NUL byte."""
    with open(path, 'rb') as file:
        data = file.read()
    return [word for word in data.split(b'\0')[:-1]]


def read_text(path):
    with open(path, 'rb') as file:
        return file.read().decode('latin-1')


def log_files(args, folder):
    """The files of the -l options of a command line, relative to folder,
    up to the first word that is no option."""
    files = []
    at = 0
    while at < len(args):
        word = args[at].decode('latin-1')
        letter = word[1:].lower() if len(word) == 2 and word[0] == '-' else ''
        if letter not in VALUE_WORDS:
            break
        if letter == 'l' and at + 1 < len(args):
            path = os.path.join(folder, args[at + 1].decode('latin-1'))
            files.append(os.path.relpath(os.path.normpath(path), folder))
        at += 1 + VALUE_WORDS[letter]
    return files


def comparable(lines):
    return ['HH:MM:SS Camera scan ....' if TIME_STAMP.match(line) else line for line in lines]


class Record:
    def __init__(self, path):
        self.path = path
        self.folder = read_text(os.path.join(path, 'folder'))
        self.args = words(os.path.join(path, 'args'))
        self.env = dict(entry.split(b'=', 1) for entry in words(os.path.join(path, 'env')) if b'=' in entry)
        self.input = read_text(os.path.join(path, 'input')).strip()
        self.status = int(read_text(os.path.join(path, 'status')))
        self.stdout = read_text(os.path.join(path, 'stdout')) if os.path.exists(
            os.path.join(path, 'stdout')) else ''

    def label(self):
        shown = ' '.join(word.decode('latin-1') for word in self.args)
        if len(shown) > 160:
            shown = shown[:160] + '...'
        return 'VisionAccess %s (%s)' % (shown, os.path.basename(self.path))

    def why_not_replayed(self):
        """Why this record is not a run to replay with -j, or None."""
        if len(self.args) == 1 and self.args[0].decode('latin-1') in ALONE_WORDS:
            return 'no scan'
        if b'-j' in self.args or b'-J' in self.args:
            return 'given -j already'
        if self.status >= 128:
            return 'ended by a signal'
        return None


class Replay:
    def __init__(self, tool, emulator):
        self.tool = os.path.abspath(tool)
        self.emulator = emulator

    def command(self, args):
        """argv[0] is VisionAccess, as the harness runs it (the usage text
        names it)."""
        if self.emulator:
            return [word.encode() for word in self.emulator] + [b'-0', b'VisionAccess', self.tool.encode()] + args
        return [b'VisionAccess'] + args

    def run(self, record, args):
        """Runs the tool from the record's folder as it was, in that folder's
        place; its status and every file it left, by relative path."""
        folder = record.folder
        shutil.copytree(os.path.join(record.path, 'before'), folder, symlinks=True)
        try:
            return self._run_in(record, folder, args), files_of(folder)
        finally:
            shutil.rmtree(folder, ignore_errors=True)

    def _run_in(self, record, folder, args):
        out = os.open(os.path.join(folder, 'stdout'), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        err = os.open(os.path.join(folder, 'stderr'), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        keep_open = None
        preexec = None
        if record.input == 'waiting':
            stdin, keep_open = os.pipe()
        elif record.input == 'closed':
            stdin = subprocess.DEVNULL
            preexec = lambda: os.close(0)  # noqa: E731
        else:
            stdin = subprocess.DEVNULL
        command = self.command(args)
        program = self.emulator[0] if self.emulator else self.tool
        try:
            run = subprocess.run(command, executable=program, cwd=folder, env=record.env, stdin=stdin,
                                 stdout=out, stderr=err, preexec_fn=preexec, timeout=120)
            return run.returncode
        finally:
            os.close(out)
            os.close(err)
            if keep_open is not None:
                os.close(stdin)
                os.close(keep_open)


def files_of(folder):
    files = {}
    for top, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(top, name)
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, 'rb') as file:
                    files[os.path.relpath(path, folder)] = file.read()
    return files


class Checker:
    def __init__(self, validator, jsonlcheck, renderer):
        self.validator = validator
        self.jsonlcheck = jsonlcheck
        self.renderer = renderer
        self.failures = []

    def fail(self, record, what, details=()):
        self.failures.append(record.label())
        print('FAILED: %s: %s' % (record.label(), what))
        for detail in list(details)[:SHOWN]:
            print('  %s' % (detail,))

    def printed_lines(self, record, name, data, status):
        """The lines the -j run printed into a file, each object turned into
        its text line; None, after saying why, where they fail."""
        try:
            text = data.decode('ascii')
        except UnicodeDecodeError as error:
            self.fail(record, '%s with -j is not ASCII (%s)' % (name, error))
            return None
        lines = text.split('\n')
        if lines[-1] != '':
            self.fail(record, 'the last line of %s with -j has no newline' % name, lines[-1:])
            return None
        lines.pop()
        rendered = []
        objects = []
        for number, line in enumerate(lines, 1):
            if not line.startswith('{'):
                if status != REJECTED:
                    self.fail(record, '%s:%d with -j is no JSON object' % (name, number), [line])
                    return None
                rendered.append(line)
                continue
            faults = self.jsonlcheck.check_text(self.validator, line + '\n', '%s:%d' % (name, number))
            if faults:
                self.fail(record, 'an object of %s is not valid' % name, faults)
                return None
            obj = self.jsonlcheck.parse_line(line)
            objects.append(obj)
            rendered.append(self.renderer.text_line(obj))
        elapsed = [obj['elapsed'] for obj in objects]
        if elapsed != sorted(elapsed):
            self.fail(record, 'elapsed goes back in %s' % name, [elapsed])
            return None
        return rendered

    def agree(self, record, text_run, json_run):
        text_status, text_files = text_run
        json_status, json_files = json_run
        if json_status != text_status:
            self.fail(record, 'status %d with -j, %d without' % (json_status, text_status))
            return
        if json_files.get('stderr') != text_files.get('stderr'):
            self.fail(record, 'standard error differs with -j',
                      ['without: %r' % text_files.get('stderr'), 'with:    %r' % json_files.get('stderr')])
            return
        printed_files = ['stdout'] + log_files(record.args, record.folder)
        for name in sorted(set(text_files) | set(json_files)):
            if name not in text_files or name not in json_files:
                self.fail(record, '%s is left only %s -j' % (name, 'with' if name in json_files else 'without'))
                continue
            text, printed = text_files[name], json_files[name]
            if name not in printed_files:
                if MEASURED.sub(b'', text) != MEASURED.sub(b'', printed):
                    self.fail(record, '-j changes %s, which holds no line the tool printed' % name)
                continue
            if name == 'stdout' and printed and json_status not in (REJECTED, OUTPUT_FAILED) and text == printed:
                self.fail(record, 'standard output is text with -j', printed.decode('latin-1').splitlines())
                continue
            if text == printed or json_status == OUTPUT_FAILED:
                continue
            rendered = self.printed_lines(record, name, printed, json_status)
            if rendered is None:
                continue
            expected = text.decode('latin-1').split('\n')[:-1]
            if comparable(rendered) != comparable(expected):
                self.fail(record, '%s with -j does not say what its text lines say' % name,
                          difference(comparable(expected), comparable(rendered)))


def difference(expected, rendered):
    for number, (line, got) in enumerate(zip(expected, rendered), 1):
        if line != got:
            return ['line %d without -j: %s' % (number, line), 'line %d with -j:    %s' % (number, got)]
    return ['%d lines without -j, %d with' % (len(expected), len(rendered))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--tool', required=True)
    parser.add_argument('--runs', required=True)
    parser.add_argument('--emulator', action='append', default=[])
    options = parser.parse_args()
    testsupport.require_module('jsonschema', 'python3-jsonschema', TEST)
    import jsonlcheck
    sys.path.insert(0, os.path.join(testsupport.COLLECTION, 'plugins', 'module_utils'))
    import visionaccess

    paths = sorted(os.path.join(options.runs, name) for name in os.listdir(options.runs)) if os.path.isdir(
        options.runs) else []
    paths = [path for path in paths if os.path.exists(os.path.join(path, 'status'))]
    if not paths:
        # No run to check is no failure of -j: the suite's tests record them.
        sys.stderr.write('%s: SKIPPED: no runs recorded in %s: run the suite (ctest), whose tool tests record '
                         'them\n' % (TEST, options.runs))
        return testsupport.SKIPPED
    checker = Checker(jsonlcheck.load_validator(), jsonlcheck, visionaccess)
    replay = Replay(options.tool, options.emulator)
    replayed, left_out, unrepeatable = 0, {}, []
    for path in paths:
        record = Record(path)
        why = record.why_not_replayed()
        if why is None and os.path.lexists(record.folder):
            why = 'its folder is in use'
        if why is not None:
            left_out[why] = left_out.get(why, 0) + 1
            continue
        text_run = replay.run(record, record.args)
        if text_run[0] != record.status or comparable(text_run[1].get('stdout', b'').decode(
                'latin-1').split('\n')) != comparable(record.stdout.split('\n')):
            unrepeatable.append(record.label())
            continue
        checker.agree(record, text_run, replay.run(record, [b'-j'] + record.args))
        replayed += 1
    for label in unrepeatable:
        print('not repeatable alike, left out: %s' % label)
    print('%d runs replayed with -j; left out: %s' % (
        replayed, ', '.join('%d %s' % (count, why) for why, count in sorted(left_out.items())) or 'none'))
    if len(unrepeatable) * 10 > len(paths):
        print('FAILED: more than a tenth of the runs could not be repeated alike')
        return 1
    print('%d failed' % len(checker.failures) if checker.failures else 'every run agrees')
    return 1 if checker.failures else 0


if __name__ == '__main__':
    sys.exit(main())
