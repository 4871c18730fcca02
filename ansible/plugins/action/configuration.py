# -*- coding: utf-8 -*-
# Copyright: (c) 2026 The VisionAccess developers
# MIT License (see LICENSE in the VisionAccess sources)
"""The controller's half of visionaccess.cameras.configuration: a src file on
the controller is copied to a temporary file on the managed host, the module
runs on it as path, and the file is removed."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

from ansible.errors import AnsibleError
from ansible.module_utils.common.text.converters import to_text
from ansible.plugins.action import ActionBase


class ActionModule(ActionBase):

    TRANSFERS_FILES = True

    def run(self, tmp=None, task_vars=None):
        result = super(ActionModule, self).run(tmp, task_vars)
        del tmp
        args = dict(self._task.args)
        src = args.pop('src', None)
        if src is None:
            result.update(self._execute_module(module_args=args, task_vars=task_vars))
            return result
        if args.get('path') is not None:
            result.update(failed=True, msg='parameters are mutually exclusive: path|src')
            return result
        try:
            local = self._find_needle('files', src)
        except AnsibleError as error:
            result.update(failed=True, msg=to_text(error))
            return result

        try:
            if self._connection._shell.tmpdir is None:
                self._make_tmp_path()
            remote = self._connection._shell.join_path(self._connection._shell.tmpdir, 'configuration.pfs')
            self._transfer_file(local, remote)
            self._fixup_perms2((self._connection._shell.tmpdir, remote))
            args['path'] = remote
            module_result = self._execute_module(module_args=args, task_vars=task_vars)
        finally:
            self._remove_tmp_path(self._connection._shell.tmpdir)
        # The temporary file is gone: the result names the controller's.
        module_result['src'] = src
        if isinstance(module_result.get('msg'), str):
            module_result['msg'] = module_result['msg'].replace(remote, src)
        for camera in module_result.get('cameras') or []:
            camera['reasons'] = [reason.replace(remote, src) for reason in camera.get('reasons', [])]
        result.update(module_result)
        return result
