#!/usr/bin/python3
"""ansible-playbook brings the cameras of several hosts to one configuration
file with the collection built by this project: an inventory of four hosts
on the local connection, each with its own cameras and state through the
environment. Check mode reports every difference and writes nothing; the
first run configures every camera; the second changes nothing; a host whose
camera is locked fails with the feature and the reason while the others
succeed, its camera left as it was; the info module reads back what was
applied. Every line the tool printed is checked against the JSON Lines
schema.

    AnsiblePlaybookTest.py --collection TARBALL --work DIR
        (--tool VisionAccess [--description camera.xml] [--emulator WORD]... | --fake fake-visionaccess)

With --tool, the simulated cameras of the real VisionAccess serve camera.xml;
a tool whose --help lists no -j, -m or -p skips the test. With --fake, a stand-in
answers for the tool (fake-visionaccess)."""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'jsonl'))
import testsupport  # noqa: E402
from testsupport import check  # noqa: E402

TEST = 'AnsiblePlaybook'
HERE = os.path.dirname(os.path.abspath(__file__))
CONFIGURATION = os.path.join(HERE, 'line.pfs')
# host: its cameras, and whether its cameras' Width is locked.
HOSTS = {
    'line-a': ([1001, 1002], False),
    'line-b': ([2001], False),
    'line-c': ([3001], False),
    'line-locked': ([4001], True),
}
GOOD = ['line-a', 'line-b', 'line-c']
# The simulated cameras' registers that camera.xml describes, at power-up.
REGISTERS = {0x60018: 1920, 0x60030: 0x01080001, 0x60034: 0, 0x60038: 0, 0x60040: 0x461C4000,
             0x60080: 0, 0x60084: 0, 0x60088: 0}
WIDTH, LOCK = 0x60018, 0x60038
# The stand-in's cameras, at power-up.
FAKE_VALUES = {'Width': '1920', 'PixelFormat': 'Mono8', 'ExposureTime': '10000', 'ReverseX': '0',
               'GainSelector': 'All', 'Gain [GainSelector=Red]': '0', 'Gain [GainSelector=All]': '0'}

# The options this test needs of the tool: JSON Lines, compare, apply.
NEEDED_OPTIONS = ['-j', '-m', '-p']


def missing_options(tool):
    """The options this test needs that the tool's --help does not list."""
    run = subprocess.run(tool + ['--help'], capture_output=True, text=True)
    return [option for option in NEEDED_OPTIONS
            if re.search(r'^\s+%s\b' % re.escape(option), run.stdout, re.MULTILINE) is None]


class Fleet:
    def __init__(self, options):
        self.work = os.path.abspath(options.work)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.fake = options.fake is not None
        self.sdk = options.sdk
        self.logs = self.path('logs')
        os.makedirs(self.logs)
        real = [os.path.abspath(options.fake)] if self.fake else list(options.emulator) + [options.tool]
        self.tool = self.wrapper(real)
        self.description = os.path.abspath(options.description)
        self.install(options.collection)
        for host in HOSTS:
            self.power_up(host)
        self.write_play()

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def wrapper(self, real):
        """A VisionAccess that runs the one tested and keeps what it printed."""
        path = self.path('bin', 'VisionAccess')
        os.makedirs(os.path.dirname(path))
        with open(path, 'w') as file:
            file.write('#!%s\n' % sys.executable +
                       'import subprocess, sys, tempfile\n'
                       'run = subprocess.run(%r + sys.argv[1:], stdout=subprocess.PIPE)\n' % real +
                       'with tempfile.NamedTemporaryFile(dir=%r, suffix=".jsonl", delete=False) as log:\n' % self.logs +
                       '    log.write(run.stdout)\n'
                       'sys.stdout.buffer.write(run.stdout)\n'
                       'sys.exit(run.returncode)\n')
        os.chmod(path, 0o755)
        return path

    def install(self, tarball):
        run = subprocess.run(['ansible-galaxy', 'collection', 'install', '--force', '-p', self.path('collections'),
                              tarball], capture_output=True, text=True, env=self.environment())
        if run.returncode != 0:
            print(run.stdout + run.stderr)
            sys.exit('%s: the collection %s does not install' % (TEST, tarball))

    def power_up(self, host):
        """The host's cameras as they come out of the box."""
        folder = self.path('hosts', host)
        os.makedirs(folder, exist_ok=True)
        cameras, locked = HOSTS[host]
        if self.fake:
            state = {'cameras': dict((str(number), {'values': dict(FAKE_VALUES), 'locked': ['Width'] if locked else []})
                                     for number in cameras)}
            with open(os.path.join(folder, 'state.json'), 'w') as file:
                json.dump(state, file, indent=1, sort_keys=True)
            return
        lines = ['camera %d' % number for number in cameras]
        lines.append('genicam * %s' % self.description)
        lines += ['register * 0x%X 0x%X' % item for item in sorted(REGISTERS.items())]
        if locked:
            lines += ['register %d 0x%X 1' % (number, LOCK) for number in cameras]
        with open(os.path.join(folder, 'sim.cfg'), 'w') as file:
            file.write('\n'.join(lines) + '\n')

    def host_environment(self, host):
        folder = self.path('hosts', host)
        if self.fake:
            return {'FAKE_VISIONACCESS_STATE': os.path.join(folder, 'state.json')}
        environment = {'QRV_SIM_CONFIG': os.path.join(folder, 'sim.cfg'),
                       'QRV_SIM_STATE': os.path.join(folder, 'registers'),
                       'XDG_CACHE_HOME': os.path.join(folder, 'cache')}
        if self.sdk:
            # A sanitized tool's dlopen does not search the tool's RUNPATH.
            environment['LD_LIBRARY_PATH'] = self.sdk
        return environment

    def state(self, host):
        """What the host's cameras hold: the stand-in's values, or every
        register of camera.xml on each camera, from the simulator's state
        file (the last line for a register winning) or else as powered up."""
        folder = self.path('hosts', host)
        if self.fake:
            with open(os.path.join(folder, 'state.json')) as file:
                return json.load(file)
        cameras, locked = HOSTS[host]
        held = {}
        for camera in cameras:
            for address, value in REGISTERS.items():
                held[(camera, address)] = 1 if locked and address == LOCK else value
        try:
            with open(os.path.join(folder, 'registers')) as file:
                for line in file:
                    if line.startswith('#') or not line.strip():
                        continue
                    camera, address, value = line.split()
                    held[(int(camera), int(address, 16))] = int(value, 16)
        except FileNotFoundError:
            pass
        return held

    def width(self, host, camera):
        state = self.state(host)
        if self.fake:
            return int(state['cameras'][str(camera)]['values']['Width'])
        return state[(camera, WIDTH)]

    def write_play(self):
        play = self.path('play')
        os.makedirs(play)
        shutil.copy(CONFIGURATION, os.path.join(play, 'line.pfs'))
        inventory = {'line': {'hosts': dict((host, {'va_environment': self.host_environment(host)}) for host in HOSTS),
                              'vars': {'ansible_connection': 'local', 'ansible_python_interpreter': sys.executable,
                                       'va_tool': self.tool}}}
        with open(os.path.join(play, 'inventory.json'), 'w') as file:
            json.dump(inventory, file, indent=1)
        with open(os.path.join(play, 'configure.yml'), 'w') as file:
            file.write('- name: The line\'s cameras to one configuration\n'
                       '  hosts: line\n'
                       '  gather_facts: false\n'
                       '  environment: "{{ va_environment }}"\n'
                       '  tasks:\n'
                       '    - name: Every camera to line.pfs\n'
                       '      visionaccess.cameras.configuration:\n'
                       '        src: line.pfs\n'
                       '        tool: "{{ va_tool }}"\n')
        with open(os.path.join(play, 'info.yml'), 'w') as file:
            file.write('- name: What the line\'s cameras hold\n'
                       '  hosts: line\n'
                       '  gather_facts: false\n'
                       '  environment: "{{ va_environment }}"\n'
                       '  tasks:\n'
                       '    - name: Identity, Width and PixelFormat of every camera\n'
                       '      visionaccess.cameras.info:\n'
                       '        features: [Width, PixelFormat]\n'
                       '        tool: "{{ va_tool }}"\n')
        with open(os.path.join(play, 'ansible.cfg'), 'w') as file:
            file.write('[defaults]\n')

    def environment(self, tree=None):
        env = dict(os.environ)
        for name in list(env):
            if name.startswith('ANSIBLE_'):
                del env[name]
        env.update({
            'ANSIBLE_CONFIG': self.path('play', 'ansible.cfg'),
            'ANSIBLE_HOME': self.path('ansible-home'),
            'ANSIBLE_COLLECTIONS_PATH': self.path('collections'),
            'ANSIBLE_LOCAL_TEMP': self.path('tmp', 'local'),
            'ANSIBLE_REMOTE_TMP': self.path('tmp', 'remote'),
            'ANSIBLE_NOCOLOR': '1',
            'ANSIBLE_RETRY_FILES_ENABLED': 'false',
            'ANSIBLE_LOCALHOST_WARNING': 'false',
        })
        if tree:
            env.update({'ANSIBLE_CALLBACKS_ENABLED': 'tree', 'ANSIBLE_CALLBACK_TREE_DIR': tree})
        return env

    def play(self, name, playbook, *arguments):
        """Runs a playbook; its exit status, output, and each host's result."""
        tree = self.path('results', name)
        run = subprocess.run(['ansible-playbook', '-i', 'inventory.json', playbook] + list(arguments),
                             cwd=self.path('play'), capture_output=True, text=True, env=self.environment(tree))
        print('== %s: ansible-playbook %s %s: status %d' % (name, playbook, ' '.join(arguments), run.returncode))
        results = {}
        for host in HOSTS:
            try:
                with open(os.path.join(tree, host)) as file:
                    results[host] = json.load(file)
            except FileNotFoundError:
                pass
        return run.returncode, run.stdout + run.stderr, results


def statuses(result):
    return [camera['status'] for camera in result.get('cameras', [])]


def run_scenario(fleet):
    good = ','.join(GOOD)
    before = dict((host, fleet.state(host)) for host in HOSTS)

    # Check mode, with diffs: every camera differs, nothing is written.
    status, output, results = fleet.play('check', 'configure.yml', '--check', '--diff', '--limit', good)
    check(status == 0, 'check mode succeeds on the good hosts', output)
    for host in GOOD:
        result = results.get(host, {})
        check(result.get('changed') is True, '%s: check mode reports a change' % host, result)
        check(statuses(result) == ['differs'] * len(HOSTS[host][0]), '%s: every camera differs' % host, result)
        widths = [d for camera in result.get('cameras', []) for d in camera['differences'] if d['feature'] == 'Width']
        check([(d['before'], d['wanted']) for d in widths] == [('1920', '1024')] * len(HOSTS[host][0]),
              '%s: each camera reports Width 1920 against the file\'s 1024' % host, widths)
        check(fleet.state(host) == before[host], '%s: check mode wrote nothing' % host)
    check('-Width: 1920' in output and '+Width: 1024' in output, 'diff mode shows Width before and after', output)

    # The first run configures every camera of every host.
    status, output, results = fleet.play('first', 'configure.yml', '--limit', good)
    check(status == 0, 'the first run succeeds', output)
    for host in GOOD:
        result = results.get(host, {})
        check(result.get('changed') is True, '%s: the first run changes it' % host, result)
        check(statuses(result) == ['applied'] * len(HOSTS[host][0]), '%s: every camera applied' % host, result)
        check(result.get('src') == 'line.pfs', '%s: the result names the controller\'s file' % host, result)
        for camera in HOSTS[host][0]:
            check(fleet.width(host, camera) == 1024, '%s: camera %d has Width 1024' % (host, camera))
    check(re.search(r'line-a +: ok=1 +changed=1 ', output), 'the recap counts line-a as changed', output)

    # The second run changes nothing.
    applied = dict((host, fleet.state(host)) for host in GOOD)
    status, output, results = fleet.play('second', 'configure.yml', '--limit', good)
    check(status == 0, 'the second run succeeds', output)
    for host in GOOD:
        result = results.get(host, {})
        check(result.get('changed') is False, '%s: the second run changes nothing' % host, result)
        check(statuses(result) == ['unchanged'] * len(HOSTS[host][0]), '%s: every camera unchanged' % host, result)
        if fleet.fake:
            check(fleet.state(host) == applied[host], '%s: the second run wrote nothing' % host)
    check(re.search(r'line-b +: ok=1 +changed=0 +unreachable=0 +failed=0', output),
          'the recap counts line-b as unchanged', output)

    # Every host: the locked camera fails its host, the others succeed.
    status, output, results = fleet.play('locked', 'configure.yml')
    check(status == 2, 'a failed host makes ansible-playbook end with status 2', status, output)
    locked = results.get('line-locked', {})
    check(re.search(r'line-locked +: ok=0 +changed=0 +unreachable=0 +failed=1 ', output), 'the locked host fails',
          output)
    message = locked.get('msg', '')
    check('camera 4001' in message and 'Width' in message and 'locked' in message,
          'the failure names the camera, the feature and the reason', message)
    check(statuses(locked) == ['failed'], 'the locked camera has failed', locked)
    check(fleet.state('line-locked') == before['line-locked'], 'the locked camera is left as it was, every value',
          fleet.state('line-locked'))
    check('fatal: [line-locked]' in output, 'the output names the failed host', output)
    for host in GOOD:
        result = results.get(host, {})
        check(not result.get('failed') and result.get('changed') is False, '%s: succeeds beside it' % host, result)

    # The info module reads back what was applied.
    status, output, results = fleet.play('info', 'info.yml', '--limit', good)
    check(status == 0, 'the info playbook succeeds', output)
    for host in GOOD:
        cameras = results.get(host, {}).get('ansible_facts', {}).get('visionaccess_cameras', [])
        check([camera['number'] for camera in cameras] == HOSTS[host][0], '%s: info lists its cameras' % host, cameras)
        for camera in cameras:
            check(camera['identity']['serial'] == str(camera['number']), '%s: each camera\'s serial' % host, camera)
            check([(f['name'], f.get('value')) for f in camera['features']] == [('Width', 1024),
                                                                                 ('PixelFormat', 'Mono16')],
                  '%s: camera %d reads Width 1024 and PixelFormat Mono16' % (host, camera['number']), camera)


def validate_logs(fleet):
    import jsonlcheck
    validator = jsonlcheck.load_validator()
    logs = sorted(os.listdir(fleet.logs))
    check(len(logs) >= 12, 'the tool ran for every host and step (%d runs)' % len(logs))
    for name in logs:
        faults = jsonlcheck.check_file(validator, os.path.join(fleet.logs, name))
        check(not faults, 'every line the tool printed is valid: %s' % name, *faults[:10])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--collection', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--tool')
    parser.add_argument('--fake')
    parser.add_argument('--sdk', help="the simulated SDK's folder, for the tool's LD_LIBRARY_PATH")
    parser.add_argument('--description', default=os.path.join(HERE, 'camera.xml'))
    parser.add_argument('--emulator', action='append', default=[])
    options = parser.parse_args()
    testsupport.require_program('ansible-playbook', 'ansible-core', TEST)
    testsupport.require_module('jsonschema', 'python3-jsonschema', TEST)
    if (options.tool is None) == (options.fake is None):
        parser.error('give either --tool or --fake')
    missing = missing_options(list(options.emulator) + [options.tool]) if options.tool is not None else []
    if missing:
        # Not a missing package: options this test needs are not built yet.
        sys.stderr.write('%s: SKIPPED: the tool has no %s yet\n' % (TEST, ' or '.join(missing)))
        return testsupport.SKIPPED
    if not os.path.isfile(options.collection):
        sys.exit('%s: no collection at %s: build the target ansible-collection' % (TEST, options.collection))
    fleet = Fleet(options)
    run_scenario(fleet)
    validate_logs(fleet)
    return testsupport.verdict('every check passed')


if __name__ == '__main__':
    sys.exit(main())
