# -*- coding: utf-8 -*-
# Copyright: (c) 2026 The VisionAccess developers
# MIT License (see LICENSE in the VisionAccess sources)
"""Runs VisionAccess with -j and reads what it prints: one JSON object per
line (doc/visionaccess-jsonl.schema.json), each turned back into the text
line the tool prints without -j, for messages people read."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json
import os

# The indent of a line: scan-level lines, a camera's heading, its lines.
SCAN_INDENT = '    '
CAMERA_INDENT = '        '

IDENTITY_LABELS = {
    'vendor': 'Vendor', 'model': 'Model', 'family': 'Family',
    'version': 'Version', 'serial': 'Serial', 'user-name': 'User name',
}
# As a failure names the field.
IDENTITY_NAMES = {
    'vendor': 'vendor', 'model': 'model', 'family': 'family',
    'version': 'version', 'serial': 'serial', 'user-name': 'user name',
}


class ToolFailed(Exception):
    """The tool could not be run, ended with a status the caller does not
    accept, or printed something that is not JSON Lines."""


def elapsed_text(seconds):
    """The time stamp of a scan's line, HH:MM:SS, from seconds since the start."""
    whole = int(seconds)
    return '%02d:%02d:%02d' % (whole // 3600, whole // 60 % 60, whole % 60)


def selectors_text(selectors):
    """' [A=x, B=y]' after a feature's name, or '' without selectors."""
    if not selectors:
        return ''
    return ' [' + ', '.join('%s=%s' % (name, value) for name, value in selectors.items()) + ']'


def _listed_name(event):
    path = event['path']
    return (path + '/' if path else '') + event['feature']


def _not_applied(event):
    line = 'Configuration %s not applied: %d values failed; ' % (event['file'], event['count'])
    if event['restored']:
        return line + 'the previous settings are restored'
    return line + 'restoring the previous settings failed too: ' + event['reason']


def _difference(event):
    line = 'Feature ' + event['feature'] + selectors_text(event['selectors'])
    if 'reason' in event:
        line += ' cannot be read (%s)' % event['reason']
    else:
        line += ' is ' + event['text']
    return line + ', the file has ' + event['wanted']


def _listed(event):
    line = 'Feature %s (%s, %s) ' % (_listed_name(event), event['type'], event['access'])
    if 'reason' in event:
        return line + 'cannot be read: ' + event['reason']
    return line + 'read as ' + event['text']


def _failed_register(event):
    line = 'Could not %s register %s' % (event['operation'], event['address'])
    return line + (': ' + event['reason'] if 'reason' in event else '')


def _identity(event):
    label = IDENTITY_LABELS[event['field']] + ':'
    return label + (' ' + event['value'] if event['value'] else '')


# Each event's text line: its indent and its words.
_LINES = {
    'log-file': ('', lambda e: 'Output directed to %s.  PRESS ANY KEY TO EXIT' % e['file']),
    'scan': ('', lambda e: elapsed_text(e['elapsed']) + ' Camera scan ....'),
    'no-cameras': (SCAN_INDENT, lambda e: 'No cameras found !!'),
    'out-of-memory': (SCAN_INDENT, lambda e: 'Out of memory error.'),
    'records-failed': (SCAN_INDENT, lambda e: 'Unable to read camera id info (Error %s)' % e['status']),
    'camera': (SCAN_INDENT, lambda e: 'Camera %d' % e['camera']),
    'no-match': (SCAN_INDENT, lambda e: 'No camera matches ' + e['selection']),
    'prompt': ('', lambda e: 'PRESS ANY KEY TO EXIT (after %d ms delay)' % e['delay']),
    'identity': (CAMERA_INDENT, _identity),
    'identity-failed': (CAMERA_INDENT, lambda e: "Could not read the camera's " + IDENTITY_NAMES[e['field']]),
    'register-read': (CAMERA_INDENT, lambda e: 'Register %s read as %s' % (e['address'], e['text'])),
    'register-written': (CAMERA_INDENT, lambda e: 'Register %s written with value %s' % (e['address'], e['text'])),
    'register-failed': (CAMERA_INDENT, _failed_register),
    'feature-read': (CAMERA_INDENT, lambda e: 'Feature %s read as %s' % (e['feature'], e['text'])),
    'feature-written': (CAMERA_INDENT, lambda e: 'Feature %s written with value %s' % (e['feature'], e['text'])),
    'feature-failed': (CAMERA_INDENT,
                       lambda e: 'Could not %s feature %s: %s' % (e['operation'], e['feature'], e['reason'])),
    'description-saved': (CAMERA_INDENT, lambda e: 'GenICam description saved to ' + e['file']),
    'description-failed': (CAMERA_INDENT,
                           lambda e: 'Could not save the GenICam description to %s: %s' % (e['file'], e['reason'])),
    'description-unreadable': (CAMERA_INDENT, lambda e: 'Could not read the GenICam description: ' + e['reason']),
    'feature': (CAMERA_INDENT, _listed),
    'listing-failed': (CAMERA_INDENT, lambda e: 'Could not list the features: ' + e['reason']),
    'configuration-applied': (CAMERA_INDENT, lambda e: 'Configuration %s applied: %d values written and verified'
                              % (e['file'], e['count'])),
    'value-failed': (CAMERA_INDENT, lambda e: 'Could not apply feature %s%s: %s'
                     % (e['feature'], selectors_text(e['selectors']), e['reason'])),
    'configuration-not-applied': (CAMERA_INDENT, _not_applied),
    'difference': (CAMERA_INDENT, _difference),
    'selectors-not-set-back': (CAMERA_INDENT,
                               lambda e: 'Could not set the selectors back after comparing: ' + e['reason']),
    'configuration-matches': (CAMERA_INDENT, lambda e: 'Configuration matches ' + e['file']),
    'configuration-differs': (CAMERA_INDENT, lambda e: 'Configuration differs from %s in %d values'
                              % (e['file'], e['count'])),
    'configuration-saved': (CAMERA_INDENT, lambda e: 'Configuration saved to %s (%d values)'
                            % (e['file'], e['count'])),
    'configuration-not-saved': (CAMERA_INDENT, lambda e: 'Could not save the configuration: ' + e['reason']),
}

EVENTS = frozenset(_LINES)


def text_line(event):
    """The line VisionAccess prints without -j for this object, indent
    included; KeyError for an event it does not know."""
    indent, words = _LINES[event['event']]
    return indent + words(event)


def said(event):
    """What an object says, as its text line without the indent; for an
    event this version does not know, its JSON."""
    if event.get('event') not in _LINES:
        return json.dumps(event, sort_keys=True)
    try:
        return text_line(event).strip()
    except (KeyError, TypeError, ValueError):
        return json.dumps(event, sort_keys=True)


def parse_lines(output):
    """The objects of a JSON Lines text, in order; ToolFailed naming the
    first line that is not a JSON object with an event."""
    events = []
    for number, line in enumerate(output.splitlines(), 1):
        if not line.strip():
            continue
        try:
            event = json.loads(line)
        except ValueError as error:
            raise ToolFailed('VisionAccess printed line %d, which is not JSON (%s): %s' % (number, error, line[:200]))
        if not isinstance(event, dict) or not isinstance(event.get('event'), str):
            raise ToolFailed('VisionAccess printed line %d, which is no object with an event: %s' % (number, line[:200]))
        events.append(event)
    return events


def tool_path(module, tool):
    """The program to run: a path as given, else found on the PATH."""
    if os.sep in tool:
        return tool
    return module.get_bin_path(tool, required=True)


def run_tool(module, argv, accepted):
    """Runs the tool and returns its exit status and objects; ToolFailed
    when its status is not among those accepted or its output is no JSON
    Lines.  The C locale, so that nothing it prints depends on the host's."""
    rc, out, err = module.run_command(argv, check_rc=False, environ_update={'LC_ALL': 'C'})
    if rc not in accepted:
        said_error = ' '.join(err.strip().splitlines()[:3]) or 'nothing on standard error'
        raise ToolFailed('%s ended with status %d: %s' % (' '.join(argv), rc, said_error))
    return rc, parse_lines(out)


def cameras_of(events):
    """The cameras the output is about, in order: (number, its objects)."""
    cameras = []
    turns = {}
    for event in events:
        number = event.get('camera')
        if not isinstance(number, int) or isinstance(number, bool):
            continue
        if number not in turns:
            turns[number] = []
            cameras.append((number, turns[number]))
        turns[number].append(event)
    return cameras


# Scan-level lines that mean the tool could not look at the cameras asked for.
SCAN_FAILURES = frozenset(['out-of-memory', 'records-failed', 'no-match'])


def scan_failures(events):
    """What went wrong for the whole scan, as the tool says it."""
    return [said(event) for event in events if event['event'] in SCAN_FAILURES]


def selection_arguments(cameras):
    """-s for each camera asked for."""
    arguments = []
    for camera in cameras:
        arguments.extend(['-s', str(camera)])
    return arguments


def description_arguments(description):
    return ['-g', description] if description else []
