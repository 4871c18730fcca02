#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: (c) 2026 The VisionAccess developers
# MIT License (see LICENSE in the VisionAccess sources)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: info
short_description: The USB3 Vision cameras of a host, their identity and features, as facts
version_added: "1.0.0"
description:
  - Lists every camera on the host, or those named in C(cameras), with its identity from its
    bootstrap registers (vendor, model, family, version, serial number, user-defined name), by
    running C(VisionAccess -j -v).
  - On request, reads features by name (C(-r)) or lists every feature of each camera's GenICam
    description with its value (C(-a)). It only reads; nothing is written and no command is executed.
  - The result is also set as the fact C(visionaccess_cameras).
  - A host without cameras gives an empty list; a value of C(cameras) that matches no camera fails the task.
options:
  features:
    description:
      - Features to read on each camera, by name (C(Width), C(PixelFormat)).
      - A name made of hexadecimal digits only is a register address, as for VisionAccess C(-r).
    type: list
    elements: str
    default: []
  all_features:
    description:
      - Whether to list every feature of each camera's description, with its category path, type,
        access and value.
    type: bool
    default: false
extends_documentation_fragment:
  - visionaccess.cameras.visionaccess
attributes:
  check_mode:
    support: full
    description: Reads the same in check mode; it never writes.
  diff_mode:
    support: none
  facts:
    support: full
seealso:
  - module: visionaccess.cameras.configuration
author:
  - The VisionAccess developers
'''

EXAMPLES = r'''
- name: Every camera's identity
  visionaccess.cameras.info:

- name: Width and pixel format of the camera named left
  visionaccess.cameras.info:
    cameras: [left]
    features: [Width, PixelFormat]

- name: Serial numbers of the host's cameras
  ansible.builtin.debug:
    msg: "{{ visionaccess_cameras | map(attribute='identity.serial') | list }}"

- name: Every feature of every camera, kept on the controller
  visionaccess.cameras.info:
    all_features: true
  register: cameras
'''

RETURN = r'''
cameras:
  description: Each camera, in the order VisionAccess listed them.
  returned: always
  type: list
  elements: dict
  contains:
    number:
      description: The camera number.
      type: int
      sample: 21330417
    identity:
      description:
        - The texts of the camera's bootstrap registers, each byte outside printable ASCII as C(\xNN).
        - An empty text is an empty string; one that could not be read is null, with its reason in C(cameras[].reasons).
      type: dict
      contains:
        vendor:
          type: str
          description: The vendor's name.
        model:
          type: str
          description: The model.
        family:
          type: str
          description: The model family.
        version:
          type: str
          description: The device version.
        serial:
          type: str
          description: The serial number.
        user_name:
          type: str
          description: The user-defined name.
    features:
      description: One entry per name of C(features), in their order.
      type: list
      elements: dict
      contains:
        name:
          description: The feature's name, or the register's address (C(0x60018)).
          type: str
        value:
          description:
            - The value in its own type; a number for Integers, Floats and registers, a bool for
              Booleans, a string for Enumerations, Strings and Registers (hexadecimal bytes).
            - Absent when the value could not be read.
          type: raw
          sample: 1920
        text:
          description: The value as VisionAccess prints it. Absent when it could not be read.
          type: str
          sample: "1920"
        reason:
          description: Why the value could not be read.
          type: str
          returned: when it could not be read
          sample: no such feature
    all_features:
      description: With C(all_features), every feature of the description, in category order.
      type: list
      elements: dict
      contains:
        name:
          description: The feature's name.
          type: str
        path:
          description: Its category path below the Root category.
          type: str
          sample: ImageFormatControl
        type:
          description: The description's node type.
          type: str
          sample: IntReg
        access:
          description: RO, RW, WO or NA.
          type: str
        value:
          description: As in C(cameras[].features[].value).
          type: raw
        text:
          description: As in C(cameras[].features[].text).
          type: str
        reason:
          description: Why the value could not be read.
          type: str
    reasons:
      description: VisionAccess's lines for what could not be read of the camera's identity or description.
      type: list
      elements: str
ansible_facts:
  description: The facts set.
  returned: always
  type: dict
  contains:
    visionaccess_cameras:
      description: The same list as C(cameras).
      type: list
      elements: dict
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.visionaccess.cameras.plugins.module_utils.visionaccess import (
    ToolFailed, cameras_of, description_arguments, run_tool, said, scan_failures, selection_arguments, tool_path)

IDENTITY_KEYS = {
    'vendor': 'vendor', 'model': 'model', 'family': 'family',
    'version': 'version', 'serial': 'serial', 'user-name': 'user_name',
}
REASON_EVENTS = frozenset(['identity-failed', 'description-unreadable', 'listing-failed'])


def value_entry(name, event):
    entry = {'name': name}
    if 'reason' in event or event['event'] in ('register-failed', 'feature-failed'):
        entry['reason'] = event.get('reason') or 'could not be %s' % event.get('operation', 'read')
    else:
        entry['value'] = event['value']
        entry['text'] = event['text']
    return entry


def camera_entry(number, events):
    camera = {'number': number, 'identity': dict((key, '') for key in IDENTITY_KEYS.values()),
              'features': [], 'all_features': [], 'reasons': []}
    for event in events:
        kind = event['event']
        if kind == 'identity':
            camera['identity'][IDENTITY_KEYS[event['field']]] = event['value']
        elif kind == 'identity-failed':
            camera['identity'][IDENTITY_KEYS[event['field']]] = None
        elif kind in ('feature-read', 'feature-failed'):
            camera['features'].append(value_entry(event['feature'], event))
        elif kind in ('register-read', 'register-failed'):
            entry = value_entry(event['address'], event)
            entry['address'] = event['address']
            camera['features'].append(entry)
        elif kind == 'feature':
            entry = value_entry(event['feature'], event)
            entry.update(path=event['path'], type=event['type'], access=event['access'])
            camera['all_features'].append(entry)
        if kind in REASON_EVENTS:
            camera['reasons'].append(said(event))
    return camera


def main():
    module = AnsibleModule(
        argument_spec=dict(
            cameras=dict(type='list', elements='str', default=[]),
            features=dict(type='list', elements='str', default=[]),
            all_features=dict(type='bool', default=False),
            tool=dict(type='str', default='VisionAccess'),
            description=dict(type='path'),
        ),
        supports_check_mode=True,
    )
    params = module.params
    argv = [tool_path(module, params['tool']), '-j', '-v']
    for name in params['features']:
        argv.extend(['-r', name])
    if params['all_features']:
        argv.append('-a')
    argv += selection_arguments(params['cameras']) + description_arguments(params['description'])
    try:
        rc, events = run_tool(module, argv, (0,))
    except ToolFailed as error:
        module.fail_json(msg=str(error))
    cameras = [camera_entry(number, turn) for number, turn in cameras_of(events)]
    result = {'changed': False, 'cameras': cameras, 'ansible_facts': {'visionaccess_cameras': cameras}}
    failures = scan_failures(events)
    if failures:
        module.fail_json(msg='; '.join(failures), **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
