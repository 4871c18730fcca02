#!/usr/bin/python3
"""The collection's modules on recorded -j output: which VisionAccess runs
they make, with which arguments, and what a playbook sees of each outcome
(changed, each camera's status, differences, facts, the failure message)."""

import json
import os
import sys
import tempfile
import unittest
from unittest import mock

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'jsonl'))
import testsupport  # noqa: E402

testsupport.require_module('ansible', 'ansible-core', 'AnsibleModules')
WORK = tempfile.TemporaryDirectory(prefix='visionaccess-modules-')
sys.path.insert(0, testsupport.collection_root(WORK.name))

from ansible.module_utils import basic  # noqa: E402
from ansible_collections.visionaccess.cameras.plugins.modules import configuration, info  # noqa: E402
from ansible_collections.visionaccess.cameras.plugins.doc_fragments import visionaccess as fragment  # noqa: E402

TOOL = '/opt/va/VisionAccess'
FILE = '/etc/cameras/line.pfs'


def sample(name):
    with open(os.path.join(testsupport.SAMPLES, name + '.jsonl')) as file:
        return file.read()


def lines(*objects):
    return ''.join(json.dumps(obj) + '\n' for obj in objects)


class Ended(Exception):
    def __init__(self, outcome, result):
        super().__init__(outcome)
        self.outcome = outcome
        self.result = result


def run_module(module, args, runs, check_mode=False, diff=False):
    """Runs a module's main() with these arguments, each VisionAccess run
    answered in turn from runs, (status, standard output, standard error).
    Returns 'ok' or 'failed', the result, and the command lines run."""
    args = dict(args)
    args['_ansible_check_mode'] = check_mode
    args['_ansible_diff'] = diff
    answers = list(runs)
    calls = []

    def run_command(self, argv, **kwargs):
        calls.append(list(argv))
        if not answers:
            raise AssertionError('an unexpected run: %s' % argv)
        return answers.pop(0)

    def ended(outcome):
        def end(self, **result):
            raise Ended(outcome, result)
        return end

    with mock.patch.object(basic, '_ANSIBLE_ARGS', json.dumps({'ANSIBLE_MODULE_ARGS': args}).encode()), \
            mock.patch.object(basic.AnsibleModule, 'run_command', run_command), \
            mock.patch.object(basic.AnsibleModule, 'get_bin_path', lambda self, name, **kw: '/usr/bin/' + name), \
            mock.patch.object(basic.AnsibleModule, 'exit_json', ended('ok')), \
            mock.patch.object(basic.AnsibleModule, 'fail_json', ended('failed')):
        try:
            module.main()
        except Ended as end:
            if answers:
                raise AssertionError('runs left unmade: %d' % len(answers))
            return end.outcome, end.result, calls
    raise AssertionError('the module neither exited nor failed')


def configure(runs, check_mode=False, diff=False, **args):
    args.setdefault('path', FILE)
    args.setdefault('tool', TOOL)
    args = dict((name, value) for name, value in args.items() if value is not None)
    return run_module(configuration, args, runs, check_mode, diff)


def statuses(result):
    return [(camera['number'], camera['status']) for camera in result['cameras']]


COMPARE = [TOOL, '-j', '-m', FILE]
APPLY = [TOOL, '-j', '-p', FILE]


class Configuration(unittest.TestCase):
    def test_matching_cameras_are_compared_and_left_alone(self):
        outcome, result, calls = configure([(0, sample('compare-matches'), '')])
        self.assertEqual(outcome, 'ok')
        self.assertEqual(calls, [COMPARE])
        self.assertFalse(result['changed'])
        self.assertEqual(statuses(result), [(1001, 'unchanged'), (1002, 'unchanged')])
        self.assertEqual(result['cameras'][0]['differences'], [])
        self.assertNotIn('path', result)
        self.assertNotIn('diff', result)

    def test_only_the_differing_camera_gets_the_file(self):
        outcome, result, calls = configure([(4, sample('compare-differs'), ''), (0, sample('apply-applied'), '')])
        self.assertEqual(outcome, 'ok')
        self.assertEqual(calls, [COMPARE, APPLY + ['-s', '1001']])
        self.assertTrue(result['changed'])
        self.assertEqual(statuses(result), [(1001, 'applied'), (1002, 'unchanged')])
        self.assertEqual(result['cameras'][0]['differences'], [
            {'feature': 'Width', 'selectors': {}, 'before': '1920', 'wanted': '1024'},
            {'feature': 'Gain', 'selectors': {'GainSelector': 'Red'}, 'before': '0', 'wanted': '6'},
            {'feature': 'AcquisitionFrameRate', 'selectors': {}, 'before': None, 'wanted': '20',
             'reason': 'not available now'},
        ])
        self.assertEqual(result['cameras'][0]['reasons'], [])

    def test_cameras_and_description_reach_both_runs(self):
        outcome, result, calls = configure([(4, sample('compare-differs'), ''), (0, sample('apply-applied'), '')],
                                           cameras=['left', 1001], description='/etc/cameras/model.zip')
        self.assertEqual(outcome, 'ok')
        self.assertEqual(calls, [COMPARE + ['-s', 'left', '-s', '1001', '-g', '/etc/cameras/model.zip'],
                                 APPLY + ['-s', '1001', '-g', '/etc/cameras/model.zip']])

    def test_a_tool_by_name_is_found_on_the_path(self):
        outcome, result, calls = configure([(0, sample('compare-matches'), '')], tool='VisionAccess')
        self.assertEqual(calls, [['/usr/bin/VisionAccess', '-j', '-m', FILE]])

    def test_check_mode_compares_only(self):
        outcome, result, calls = configure([(4, sample('compare-differs'), '')], check_mode=True)
        self.assertEqual(outcome, 'ok')
        self.assertEqual(calls, [COMPARE])
        self.assertTrue(result['changed'])
        self.assertEqual(statuses(result), [(1001, 'differs'), (1002, 'unchanged')])

    def test_diff_mode_shows_each_differing_value_before_and_after(self):
        outcome, result, calls = configure([(4, sample('compare-differs'), '')], check_mode=True, diff=True)
        self.assertEqual(result['diff'], [{
            'before_header': 'camera 1001', 'after_header': 'camera 1001',
            'before': 'Width: 1920\nGain [GainSelector=Red]: 0\n'
                      'AcquisitionFrameRate: (cannot be read: not available now)\n',
            'after': 'Width: 1024\nGain [GainSelector=Red]: 6\nAcquisitionFrameRate: 20\n',
        }])

    def test_a_locked_camera_fails_the_task_with_feature_and_reason(self):
        outcome, result, calls = configure([(4, sample('compare-locked'), ''), (4, sample('apply-locked'), '')])
        self.assertEqual(outcome, 'failed')
        self.assertEqual(calls, [COMPARE, APPLY + ['-s', '4001']])
        self.assertEqual(result['msg'], 'camera 4001: Could not apply feature Width: locked; Configuration line.pfs '
                                        'not applied: 1 values failed; the previous settings are restored')
        self.assertFalse(result['changed'])
        self.assertEqual(statuses(result), [(4001, 'failed')])
        self.assertEqual(result['cameras'][0]['differences'][0]['feature'], 'Width')

    def test_a_restore_that_failed_too_is_said(self):
        compared = lines({'event': 'camera', 'elapsed': 0, 'camera': 1001},
                         {'event': 'configuration-differs', 'elapsed': 0, 'camera': 1001, 'file': FILE, 'count': 1})
        outcome, result, calls = configure([(4, compared, ''), (4, sample('apply-restore-failed'), '')])
        self.assertEqual(outcome, 'failed')
        self.assertEqual(result['cameras'][0]['reasons'], [
            'Could not apply feature ColorTransformationValue [ColorTransformationSelector=RGBtoRGB, '
            'ColorTransformationValueSelector=Gain01]: above the maximum (-8 to 8)',
            'Configuration /etc/cameras/line.pfs not applied: 1 values failed; restoring the previous settings '
            'failed too: register 0x60018 could not be written (status 0x8000F00A)'])

    def test_one_camera_failing_still_reports_the_other_as_changed(self):
        compared = lines(
            {'event': 'camera', 'elapsed': 0, 'camera': 1001},
            {'event': 'configuration-differs', 'elapsed': 0, 'camera': 1001, 'file': FILE, 'count': 1},
            {'event': 'camera', 'elapsed': 0, 'camera': 4001},
            {'event': 'configuration-differs', 'elapsed': 0, 'camera': 4001, 'file': FILE, 'count': 1})
        applied = lines(
            {'event': 'camera', 'elapsed': 0, 'camera': 1001},
            {'event': 'configuration-applied', 'elapsed': 0, 'camera': 1001, 'file': FILE, 'count': 9},
            {'event': 'camera', 'elapsed': 0, 'camera': 4001},
            {'event': 'value-failed', 'elapsed': 0, 'camera': 4001, 'feature': 'Width', 'selectors': {},
             'reason': 'locked'},
            {'event': 'configuration-not-applied', 'elapsed': 0, 'camera': 4001, 'file': FILE, 'count': 1,
             'restored': True})
        outcome, result, calls = configure([(4, compared, ''), (4, applied, '')])
        self.assertEqual(outcome, 'failed')
        self.assertEqual(calls[1], APPLY + ['-s', '1001', '-s', '4001'])
        self.assertTrue(result['changed'])
        self.assertEqual(statuses(result), [(1001, 'applied'), (4001, 'failed')])
        self.assertTrue(result['msg'].startswith('camera 4001: Could not apply feature Width: locked; '))

    def test_a_camera_gone_before_the_apply_fails(self):
        outcome, result, calls = configure([(4, sample('compare-differs'), ''), (0, sample('no-cameras'), '')])
        self.assertEqual(outcome, 'failed')
        self.assertEqual(result['msg'],
                         'camera 1001: the camera was not found when the configuration was to be applied')

    def test_a_scan_that_failed_while_applying_says_why(self):
        failed = lines({'event': 'scan', 'elapsed': 0}, {'event': 'out-of-memory', 'elapsed': 0})
        outcome, result, calls = configure([(4, sample('compare-locked'), ''), (0, failed, '')])
        self.assertEqual(outcome, 'failed')
        self.assertEqual(result['msg'], 'Out of memory error.; camera 4001: the camera was not found when the '
                                        'configuration was to be applied')

    def test_a_camera_without_a_verdict_fails_with_what_the_tool_said(self):
        outcome, result, calls = configure([(4, sample('compare-unreadable'), '')])
        self.assertEqual(outcome, 'failed')
        self.assertEqual(calls, [COMPARE])
        self.assertEqual(statuses(result), [(5001, 'failed'), (5002, 'unchanged')])
        self.assertEqual(result['msg'], 'camera 5001: Could not read the GenICam description: SHA-1 mismatch')

    def test_a_camera_with_two_verdicts_is_not_trusted(self):
        output = lines({'event': 'camera', 'elapsed': 0, 'camera': 1001},
                       {'event': 'configuration-matches', 'elapsed': 0, 'camera': 1001, 'file': FILE},
                       {'event': 'configuration-matches', 'elapsed': 0, 'camera': 1001, 'file': FILE})
        outcome, result, calls = configure([(0, output, '')])
        self.assertEqual(outcome, 'failed')
        self.assertIn('no single verdict', result['msg'])

    def test_whole_scan_failures_fail_the_task(self):
        cases = [
            ('no camera at all', sample('no-cameras'), {}, 'no camera found'),
            ('a camera asked for is not there', sample('no-match'), {'cameras': ['1001', 'left\tcamera']},
             'No camera matches left\\x09camera'),
            ('the records could not be read', lines({'event': 'scan', 'elapsed': 0},
                                                    {'event': 'records-failed', 'elapsed': 0, 'status': '0x8000F00B'}),
             {}, 'Unable to read camera id info (Error 0x8000F00B)'),
        ]
        for name, output, args, message in cases:
            with self.subTest(case=name):
                outcome, result, calls = configure([(0, output, '')], **args)
                self.assertEqual((outcome, result['msg']), ('failed', message))
                self.assertFalse(result['changed'])

    def test_a_tool_that_fails_or_prints_no_json_lines_fails_the_task(self):
        cases = [
            ('no -j', (1, '', "VisionAccess: '-j' is not an option\n\nPrints info on all ...\n"),
             "%s -j -m %s ended with status 1: VisionAccess: '-j' is not an option" % (TOOL, FILE)),
            ('no SDK', (3, '', 'VisionAccess: cannot load the camera SDK libQrVApi.so\n'),
             'ended with status 3: VisionAccess: cannot load the camera SDK libQrVApi.so'),
            ('output lost', (2, sample('compare-matches'), ''), 'ended with status 2: nothing on standard error'),
            ('text lines', (0, '00:00:00 Camera scan ....\n', ''),
             'VisionAccess printed line 1, which is not JSON'),
            ('an object without an event', (0, '{"elapsed": 0}\n', ''),
             'VisionAccess printed line 1, which is no object with an event: {"elapsed": 0}'),
        ]
        for name, answer, message in cases:
            with self.subTest(case=name):
                outcome, result, calls = configure([answer])
                self.assertEqual(outcome, 'failed')
                self.assertIn(message, result['msg'])
                self.assertEqual((result['changed'], result['cameras']), (False, []))

    def test_src_without_its_action_plugin_is_refused(self):
        outcome, result, calls = configure([], path=None, src='line.pfs')
        self.assertEqual(outcome, 'failed')
        self.assertIn('action plugin', result['msg'])
        self.assertEqual(calls, [])

    def test_path_and_src_exclude_each_other(self):
        outcome, result, calls = configure([], src='line.pfs')
        self.assertEqual(outcome, 'failed')
        self.assertIn('mutually exclusive', result['msg'])


def gather(runs, **args):
    args.setdefault('tool', TOOL)
    return run_module(info, args, runs)


class Info(unittest.TestCase):
    def test_identity_and_features_as_facts(self):
        outcome, result, calls = gather([(0, sample('info'), '')],
                                        features=['Width', 'PixelFormat', 'ReverseX', 'ExposureTime', 'DeviceUserID',
                                                  'LUTValueAll', '60018', 'Nope'])
        self.assertEqual(outcome, 'ok')
        self.assertEqual(calls, [[TOOL, '-j', '-v', '-r', 'Width', '-r', 'PixelFormat', '-r', 'ReverseX',
                                  '-r', 'ExposureTime', '-r', 'DeviceUserID', '-r', 'LUTValueAll', '-r', '60018',
                                  '-r', 'Nope']])
        self.assertFalse(result['changed'])
        first, second = result['cameras']
        self.assertEqual(first['number'], 21330417)
        self.assertEqual(first['identity'], {'vendor': 'QrVApi simulator', 'model': 'Simulated\\xFFcamera',
                                             'family': None, 'version': '1.0.0', 'serial': '21330417',
                                             'user_name': 'left'})
        self.assertEqual(first['reasons'], ["Could not read the camera's family"])
        self.assertEqual(first['features'], [
            {'name': 'Width', 'value': 1920, 'text': '1920'},
            {'name': 'PixelFormat', 'value': 'Mono8', 'text': 'Mono8'},
            {'name': 'ReverseX', 'value': False, 'text': 'false'},
            {'name': 'ExposureTime', 'value': 0.10000000149011612, 'text': '0.10000000149011612'},
            {'name': 'DeviceUserID', 'value': '', 'text': ''},
            {'name': 'LUTValueAll', 'value': '00 1f ff 80', 'text': '00 1f ff 80'},
            {'name': '0x60018', 'address': '0x60018', 'value': 1920, 'text': '0x00000780'},
            {'name': 'Nope', 'reason': 'no such feature'},
        ])
        self.assertEqual(first['all_features'], [])
        self.assertEqual(second['identity'], {'vendor': 'QrVApi simulator', 'model': 'Simulated camera',
                                              'family': '', 'version': '', 'serial': '', 'user_name': ''})
        self.assertEqual(second['features'][1], {
            'name': 'PixelFormat', 'reason': 'register 0x60030 could not be read (status 0x8000F00A)'})
        self.assertEqual(second['features'][3], {'name': 'ExposureTime', 'value': None, 'text': 'inf'})
        self.assertEqual(second['features'][6], {'name': '0x60018', 'address': '0x60018',
                                                 'reason': 'could not be read'})
        self.assertEqual(result['ansible_facts'], {'visionaccess_cameras': result['cameras']})

    def test_every_feature_on_request(self):
        outcome, result, calls = gather([(0, sample('info-all'), '')], all_features=True, cameras=['21330417'],
                                        description='/d.xml')
        self.assertEqual(calls, [[TOOL, '-j', '-v', '-a', '-s', '21330417', '-g', '/d.xml']])
        first, second = result['cameras']
        self.assertEqual(first['all_features'][1], {'name': 'PixelFormat', 'path': 'ImageFormatControl',
                                                    'type': 'Enumeration', 'access': 'RW', 'value': 'Mono8',
                                                    'text': 'Mono8'})
        self.assertEqual(first['all_features'][3], {'name': 'AcquisitionStart', 'path': 'AcquisitionControl',
                                                    'type': 'Command', 'access': 'WO',
                                                    'reason': 'a command: it is executed, not read'})
        self.assertEqual(second['all_features'], [])
        self.assertEqual(second['reasons'],
                         ['Could not list the features: the camera has no GenICam description (no manifest)'])

    def test_a_host_without_cameras_has_none(self):
        outcome, result, calls = gather([(0, sample('no-cameras'), '')])
        self.assertEqual((outcome, result['cameras']), ('ok', []))

    def test_a_camera_asked_for_that_is_not_there_fails(self):
        outcome, result, calls = gather([(0, sample('no-match'), '')], cameras=['left\tcamera'])
        self.assertEqual((outcome, result['msg']), ('failed', 'No camera matches left\\x09camera'))

    def test_any_status_but_0_fails(self):
        outcome, result, calls = gather([(4, sample('no-cameras'), 'VisionAccess: something\n')])
        self.assertEqual(outcome, 'failed')
        self.assertIn('ended with status 4: VisionAccess: something', result['msg'])


def documented_options(module):
    """A module's options as ansible-doc shows them: its own, merged into
    those of the documentation fragments it extends, option by option."""
    import yaml
    doc = yaml.safe_load(module.DOCUMENTATION)
    options = {}
    for name in doc.get('extends_documentation_fragment', []):
        if name != 'visionaccess.cameras.visionaccess':
            raise AssertionError('an unknown documentation fragment: %s' % name)
        options.update(yaml.safe_load(fragment.ModuleDocFragment.DOCUMENTATION)['options'])
    for option, documented in doc['options'].items():
        options[option] = dict(options.get(option, {}), **documented)
    return options


class Documentation(unittest.TestCase):
    """What ansible-doc shows is what the modules take."""
    MODULES = {'visionaccess.cameras.configuration': configuration, 'visionaccess.cameras.info': info}

    def argument_spec(self, module):
        captured = {}

        def init(self, **kwargs):
            captured.update(kwargs)
            raise Ended('arguments', {})
        with mock.patch.object(basic.AnsibleModule, '__init__', init):
            try:
                module.main()
            except Ended:
                pass
        return captured['argument_spec']

    def test_every_option_is_documented_with_its_type_and_default(self):
        for name, module in self.MODULES.items():
            with self.subTest(module=name):
                options = documented_options(module)
                taken = self.argument_spec(module)
                self.assertEqual(sorted(options), sorted(taken))
                for option, doc in options.items():
                    self.assertEqual((doc.get('type', 'str'), doc.get('default'), doc.get('elements')),
                                     (taken[option].get('type', 'str'), taken[option].get('default'),
                                      taken[option].get('elements')), option)

    def test_the_examples_use_documented_options_only(self):
        import yaml
        for name, module in self.MODULES.items():
            with self.subTest(module=name):
                options = set(documented_options(module))
                tasks = [task for task in yaml.safe_load(module.EXAMPLES) if name in task]
                self.assertTrue(tasks)
                for task in tasks:
                    self.assertLessEqual(set(task[name] or {}), options, task)
                yaml.safe_load(module.RETURN)


if __name__ == '__main__':
    unittest.main()
