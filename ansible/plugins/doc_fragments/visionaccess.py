# -*- coding: utf-8 -*-
# Copyright: (c) 2026 The VisionAccess developers
# MIT License (see LICENSE in the VisionAccess sources)

from __future__ import absolute_import, division, print_function
__metaclass__ = type


class ModuleDocFragment(object):
    """The options and note every module of the collection shares: which
    cameras, which VisionAccess, which GenICam description."""

    DOCUMENTATION = r'''
options:
  cameras:
    description:
      - The cameras to work on, each as VisionAccess's C(-s) takes it; a camera number, a serial
        number or a user-defined name.
      - Every camera on the host when empty.
      - A value that matches no camera fails the task.
    type: list
    elements: str
    default: []
  tool:
    description:
      - The VisionAccess program, a path or a name looked up on the PATH.
      - It must know C(-j), and the other options the module runs it with.
    type: str
    default: VisionAccess
  description:
    description:
      - A GenICam description (XML, or ZIP holding one) on the managed host, used for every camera
        instead of the camera's own (VisionAccess C(-g)).
    type: path
notes:
  - The C(tool) runs with the environment of the task, so the C(environment) keyword reaches it
    (for example C(LD_LIBRARY_PATH) for another camera SDK, or the simulated cameras' C(QRV_SIM_CONFIG)).
'''
