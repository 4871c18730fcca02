#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: (c) 2026 The VisionAccess developers
# MIT License (see LICENSE in the VisionAccess sources)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: configuration
short_description: Bring USB3 Vision cameras to one configuration file
version_added: "1.0.0"
description:
  - Compares every camera on the host, or those named in C(cameras), with a camera
    configuration file (a GenApi feature-stream file, C(.pfs)) by running C(VisionAccess -j -m),
    and applies the file with C(VisionAccess -j -p) only to the cameras that differ from it.
    Cameras that already match are not touched.
  - VisionAccess applies a file to a camera all or nothing. Every value is written, read back and
    verified, and when any value fails the camera's previous settings are restored.
  - A camera that fails (a value that cannot be applied, a camera that cannot be compared, a
    camera asked for that is not there) fails the task on that host, with the tool's own lines
    as reasons; other hosts go on as Ansible does.
  - A host without any camera fails the task too, so that a missing camera never passes as a
    configured one.
options:
  path:
    description:
      - The configuration file on the managed host.
      - Exactly one of C(path) and C(src) is given.
    type: path
  src:
    description:
      - The configuration file on the controller, copied to a temporary file on the managed host
        for the run and removed after it.
      - A relative path is looked up as the M(ansible.builtin.copy) module looks up its C(src)
        (the role's C(files/) folder, then the playbook's).
      - Exactly one of C(path) and C(src) is given.
    type: path
extends_documentation_fragment:
  - visionaccess.cameras.visionaccess
attributes:
  check_mode:
    support: full
    description: Compares only, writes nothing, and reports as changed the cameras that would be configured.
  diff_mode:
    support: full
    description: Shows, per camera, each differing feature's value before and the file's value after.
notes:
  - Through the action plugin of the same name, C(src) is copied in check mode too, since the
    comparison needs the file on the host.
seealso:
  - module: visionaccess.cameras.info
author:
  - The VisionAccess developers
'''

EXAMPLES = r'''
- name: Every camera of the line to the line's configuration
  visionaccess.cameras.configuration:
    src: files/line3.pfs

- name: Two cameras by serial number, with a description kept on the host
  visionaccess.cameras.configuration:
    path: /etc/cameras/inspection.pfs
    cameras:
      - SN042
      - SN043
    description: /etc/cameras/model-x.zip

- name: What would change, feature by feature (run with --check --diff)
  visionaccess.cameras.configuration:
    src: line3.pfs
  check_mode: true
  diff: true
  register: drift

- name: The cameras that differ
  ansible.builtin.debug:
    msg: "{{ drift.cameras | selectattr('status', 'eq', 'differs') | map(attribute='number') | list }}"
'''

RETURN = r'''
changed:
  description: Whether some camera was configured (in check mode, whether some camera differs from the file).
  returned: always
  type: bool
cameras:
  description: Each camera compared, in the order VisionAccess listed them.
  returned: always
  type: list
  elements: dict
  contains:
    number:
      description: The camera number.
      type: int
      sample: 21330417
    status:
      description:
        - C(unchanged) when the camera matched the file; C(applied) when the file was applied to it
          and verified; C(failed) when it could not be compared or the file could not be applied
          (its previous settings restored, unless its reasons say otherwise).
        - In check mode, C(differs) for a camera the file would be applied to.
      type: str
      choices: [unchanged, applied, failed, differs]
      sample: applied
    differences:
      description: The values in which the camera differed from the file before it was configured.
      type: list
      elements: dict
      contains:
        feature:
          description: The feature's name.
          type: str
          sample: Gain
        selectors:
          description: The selectors that select the value, with their values, in the order they select it.
          type: dict
          sample: {GainSelector: DigitalAll}
        before:
          description: The camera's value, as VisionAccess reads it; null when it could not be read.
          type: str
          sample: "0"
        wanted:
          description: The file's value, as the file has it.
          type: str
          sample: "6"
        reason:
          description: Why the camera's value could not be read, when it could not.
          type: str
          returned: when the value could not be read
          sample: not available now
    reasons:
      description: VisionAccess's lines that say why the camera failed; empty unless it failed.
      type: list
      elements: str
      sample: ["Could not apply feature Width: locked",
               "Configuration /tmp/line3.pfs not applied: 1 values failed; the previous settings are restored"]
src:
  description: The configuration file on the controller, when C(src) was given.
  returned: when C(src) was given
  type: str
  sample: files/line3.pfs
diff:
  description: In diff mode, one entry per camera that differs, with each differing value before and after.
  returned: in diff mode
  type: list
  elements: dict
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.visionaccess.cameras.plugins.module_utils.visionaccess import (
    ToolFailed, cameras_of, description_arguments, run_tool, said, scan_failures, selection_arguments, selectors_text,
    tool_path)

# -m and -p: 0 when every camera matched (or took the file), 4 when some
# camera differed (or failed); anything else is a failed run.
ACCEPTED = (0, 4)
FAILURE_EVENTS = frozenset(['value-failed', 'configuration-not-applied', 'description-unreadable',
                            'feature-failed', 'listing-failed'])


def difference_of(event):
    difference = {
        'feature': event['feature'],
        'selectors': dict(event.get('selectors') or {}),
        'before': event.get('text'),
        'wanted': event['wanted'],
    }
    if 'reason' in event:
        difference['reason'] = event['reason']
    return difference


def reasons_of(events):
    """The lines that say what went wrong for a camera."""
    return [said(event) for event in events if event['event'] in FAILURE_EVENTS]


def compared(number, events):
    """A camera's entry from its objects of the -m run."""
    camera = {'number': number, 'status': 'failed', 'differences': [], 'reasons': []}
    verdicts = [event['event'] for event in events
                if event['event'] in ('configuration-matches', 'configuration-differs')]
    camera['differences'] = [difference_of(event) for event in events if event['event'] == 'difference']
    if verdicts == ['configuration-matches'] and not camera['differences']:
        camera['status'] = 'unchanged'
    elif verdicts == ['configuration-differs']:
        camera['status'] = 'differs'
    else:
        camera['reasons'] = reasons_of(events) or ['VisionAccess gave no single verdict on the configuration '
                                                   'for this camera']
    return camera


def applied(camera, events):
    """A differing camera's entry once -p has run on it."""
    verdicts = [event['event'] for event in events
                if event['event'] in ('configuration-applied', 'configuration-not-applied')]
    if verdicts == ['configuration-applied']:
        camera['status'] = 'applied'
        return
    camera['status'] = 'failed'
    camera['reasons'] = reasons_of(events) or ['VisionAccess did not say whether the configuration was applied']


def diff_of(camera):
    """Diff mode: each differing value before, and as the file has it."""
    def line(difference, value):
        return '%s%s: %s\n' % (difference['feature'], selectors_text(difference['selectors']), value)

    def before(difference):
        if difference['before'] is None:
            return '(cannot be read: %s)' % difference.get('reason')
        return difference['before']
    header = 'camera %d' % camera['number']
    return {
        'before_header': header,
        'after_header': header,
        'before': ''.join(line(d, before(d)) for d in camera['differences']),
        'after': ''.join(line(d, d['wanted']) for d in camera['differences']),
    }


def failure_message(cameras, scan):
    parts = list(scan)
    for camera in cameras:
        if camera['status'] == 'failed':
            parts.append('camera %d: %s' % (camera['number'], '; '.join(camera['reasons'])))
    return '; '.join(parts)


def configure(module, path):
    """Compares, then applies the file where needed; the task's result."""
    params = module.params
    tool = tool_path(module, params['tool'])
    common = selection_arguments(params['cameras']) + description_arguments(params['description'])
    rc, events = run_tool(module, [tool, '-j', '-m', path] + common, ACCEPTED)
    scan = scan_failures(events)
    cameras = [compared(number, turn) for number, turn in cameras_of(events)]
    if not cameras and not scan:
        scan.append('no camera found' if not params['cameras'] else 'none of the cameras asked for was found')

    differing = [camera for camera in cameras if camera['status'] == 'differs']
    if differing and not module.check_mode:
        numbers = [camera['number'] for camera in differing]
        rc, events = run_tool(module, [tool, '-j', '-p', path] + selection_arguments(numbers) +
                              description_arguments(params['description']), ACCEPTED)
        turns = dict(cameras_of(events))
        # A camera that did not come back says so itself, below; a scan
        # that failed as a whole also says why.
        scan += [failure for failure in scan_failures(events) if not failure.startswith('No camera matches ')]
        for camera in differing:
            if camera['number'] in turns:
                applied(camera, turns[camera['number']])
            else:
                camera['status'] = 'failed'
                camera['reasons'] = ['the camera was not found when the configuration was to be applied']

    result = {
        'changed': any(camera['status'] in ('applied', 'differs') for camera in cameras),
        'cameras': cameras,
    }
    if module._diff:
        result['diff'] = [diff_of(camera) for camera in cameras if camera['differences']]
    failed = scan or any(camera['status'] == 'failed' for camera in cameras)
    return result, failure_message(cameras, scan) if failed else None


def main():
    module = AnsibleModule(
        argument_spec=dict(
            path=dict(type='path'),
            src=dict(type='path'),
            cameras=dict(type='list', elements='str', default=[]),
            tool=dict(type='str', default='VisionAccess'),
            description=dict(type='path'),
        ),
        mutually_exclusive=[('path', 'src')],
        required_one_of=[('path', 'src')],
        supports_check_mode=True,
    )
    if module.params['src'] is not None:
        module.fail_json(msg='src is copied to the host by the action plugin visionaccess.cameras.configuration, '
                             'which did not run: give path, a file on the managed host')
    path = module.params['path']
    try:
        result, failure = configure(module, path)
    except ToolFailed as error:
        module.fail_json(msg=str(error), changed=False, cameras=[])
    if failure:
        module.fail_json(msg=failure, **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
