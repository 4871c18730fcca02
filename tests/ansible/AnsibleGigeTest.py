#!/usr/bin/python3
"""The collection configures GigE Vision cameras as it does USB ones: a host
whose cameras are the peer's simulated GigE Vision cameras (tests/gige/
gigelab.py), reached by the real VisionAccess on the open SDK. A file
saved from one camera is the line's configuration; check mode reports
every camera different and writes nothing; the first run applies it to
every camera, as arv-tool-0.8 reads back; the second changes nothing; the
info module gathers each camera's identity and features; a camera whose
control arv-tool holds fails its host with the camera and the reason, and
is left as it was.

    AnsibleGigeTest.py --collection TARBALL --work DIR --tool VisionAccess --sdk SDK_FOLDER [--emulator WORD]..."""

import argparse
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'gige'))
sys.path.insert(0, os.path.join(HERE, '..', 'jsonl'))
import gigelab  # noqa: E402
import testsupport  # noqa: E402
from testsupport import check  # noqa: E402

TEST = 'AnsibleGige'
HOST = 'gige-line'
# What the line's file sets, and what the cameras hold at power-up.
WANTED = {'Width': '640', 'PixelFormat': 'Mono16', 'GainRaw': '4'}
POWER_UP = {'Width': '512', 'PixelFormat': 'Mono8', 'GainRaw': '0'}


class Play:
    def __init__(self, lab, collection, tool):
        self.lab = lab
        self.folder = lab.path('play')
        os.makedirs(self.folder)
        self.install(collection)
        # The tool as the host runs it: in the cameras' namespace, where they are in one.
        wrapper = lab.path('VisionAccess')
        with open(wrapper, 'w') as file:
            file.write('#!/bin/sh\nexec %s "$@"\n' % ' '.join("'%s'" % word for word in lab.prefix + lab.tool))
        os.chmod(wrapper, 0o755)
        environment = lab.environment()
        host_env = dict((name, environment[name]) for name in ('LD_LIBRARY_PATH', 'QRV_U3V_GIGE', 'XDG_CACHE_HOME'))
        inventory = {'line': {'hosts': {HOST: {'va_environment': host_env}},
                              'vars': {'ansible_connection': 'local', 'ansible_python_interpreter': sys.executable,
                                       'va_tool': wrapper}}}
        with open(os.path.join(self.folder, 'inventory.json'), 'w') as file:
            json.dump(inventory, file, indent=1)
        for name, task in (('configure.yml', '      visionaccess.cameras.configuration:\n'
                                             '        src: line.pfs\n'),
                           ('info.yml', '      visionaccess.cameras.info:\n'
                                        '        features: [Width, PixelFormat]\n')):
            with open(os.path.join(self.folder, name), 'w') as file:
                file.write('- hosts: line\n'
                           '  gather_facts: false\n'
                           '  environment: "{{ va_environment }}"\n'
                           '  tasks:\n'
                           '    - name: %s\n' % name +
                           task + '        tool: "{{ va_tool }}"\n')
        with open(os.path.join(self.folder, 'ansible.cfg'), 'w') as file:
            file.write('[defaults]\n')

    def environment(self, tree=None):
        env = dict((name, value) for name, value in os.environ.items() if not name.startswith('ANSIBLE_'))
        env.update({'ANSIBLE_CONFIG': os.path.join(self.folder, 'ansible.cfg'),
                    'ANSIBLE_HOME': self.lab.path('ansible-home'),
                    'ANSIBLE_COLLECTIONS_PATH': self.lab.path('collections'),
                    'ANSIBLE_LOCAL_TEMP': self.lab.path('tmp'), 'ANSIBLE_NOCOLOR': '1',
                    'ANSIBLE_RETRY_FILES_ENABLED': 'false', 'ANSIBLE_LOCALHOST_WARNING': 'false'})
        if tree:
            env.update({'ANSIBLE_CALLBACKS_ENABLED': 'tree', 'ANSIBLE_CALLBACK_TREE_DIR': tree})
        return env

    def install(self, tarball):
        run = subprocess.run(['ansible-galaxy', 'collection', 'install', '--force', '-p', self.lab.path('collections'),
                              tarball], capture_output=True, text=True, env=self.environment())
        if run.returncode != 0:
            sys.exit('%s: the collection %s does not install: %s' % (TEST, tarball, run.stdout + run.stderr))

    def run(self, name, playbook, *arguments):
        tree = self.lab.path('results', name)
        run = subprocess.run(['ansible-playbook', '-i', 'inventory.json', playbook] + list(arguments),
                             cwd=self.folder, capture_output=True, text=True, env=self.environment(tree))
        print('== %s: ansible-playbook %s %s: status %d' % (name, playbook, ' '.join(arguments), run.returncode))
        try:
            with open(os.path.join(tree, HOST)) as file:
                result = json.load(file)
        except FileNotFoundError:
            result = {}
        return run.returncode, run.stdout + run.stderr, result


def statuses(result):
    return [camera['status'] for camera in result.get('cameras', [])]


def scenario(lab, play):
    numbers = [lab.number(serial) for _, serial, _ in lab.cameras]
    values = list(WANTED)

    def peer_values():
        return [lab.arv_values(address, *values) for address, _, _ in lab.cameras]

    # The line's file: the first camera, tuned by hand and saved.
    first = lab.cameras[0][1]
    setting = []
    for name, value in WANTED.items():
        setting += ['-w', name, value]
    lab.run(['-s', first] + setting)
    saved = lab.run(['-s', first, '-o', play.folder])
    os.rename(os.path.join(play.folder, '%d.pfs' % numbers[0]), os.path.join(play.folder, 'line.pfs'))
    check('(20 values)' in saved.stdout, 'the line\'s configuration is saved from a camera', saved.stdout)
    lab.run(['-s', first, '-w', 'Width', POWER_UP['Width'], '-w', 'PixelFormat', POWER_UP['PixelFormat'],
             '-w', 'GainRaw', POWER_UP['GainRaw']])
    check(peer_values() == [POWER_UP] * len(numbers), 'every camera as it powered up', peer_values())

    status, output, result = play.run('check', 'configure.yml', '--check', '--diff')
    check(status == 0 and result.get('changed') is True and statuses(result) == ['differs'] * len(numbers),
          'check mode reports every camera different', output, result)
    check(peer_values() == [POWER_UP] * len(numbers), 'check mode writes nothing', peer_values())

    status, output, result = play.run('first', 'configure.yml')
    check(status == 0 and statuses(result) == ['applied'] * len(numbers), 'the first run applies the file',
          output, result)
    check(peer_values() == [WANTED] * len(numbers), 'arv-tool reads the file\'s values on every camera',
          peer_values())

    status, output, result = play.run('second', 'configure.yml')
    check(status == 0 and result.get('changed') is False and statuses(result) == ['unchanged'] * len(numbers),
          'the second run changes nothing', output, result)

    status, output, result = play.run('info', 'info.yml')
    cameras = result.get('ansible_facts', {}).get('visionaccess_cameras', [])
    check(status == 0 and [camera['number'] for camera in cameras] == numbers, 'info lists the cameras', output,
          cameras)
    for camera, (_, serial, _) in zip(cameras, lab.cameras):
        check(camera['identity'].get('serial') == serial and camera['identity'].get('vendor') == 'Aravis',
              'camera %s: its identity' % serial, camera)
        check([(f['name'], f.get('value')) for f in camera['features']] == [('Width', 640), ('PixelFormat', 'Mono16')],
              'camera %s: Width and PixelFormat' % serial, camera)

    # Back to power-up values on the first camera, while arv-tool holds it.
    lab.run(['-s', first, '-w', 'Width', POWER_UP['Width']])
    with lab.hold(lab.cameras[0][0]):
        status, output, result = play.run('held', 'configure.yml')
    message = result.get('msg', '')
    check(status == 2 and 'camera %d' % numbers[0] in message and 'Width' in message,
          'a camera another application controls fails its host, named with the feature', output, message)
    check(lab.arv_values(lab.cameras[0][0], 'Width') == {'Width': POWER_UP['Width']}, 'and is left as it was')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--collection', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--tool', required=True)
    parser.add_argument('--sdk', required=True)
    parser.add_argument('--emulator', action='append', default=[])
    options = parser.parse_args()
    testsupport.require_program('ansible-playbook', 'ansible-core', TEST)
    gigelab.require_peer(TEST)
    if not os.path.isfile(options.collection):
        sys.exit('%s: no collection at %s: build the target ansible-collection' % (TEST, options.collection))
    lab = gigelab.Lab(options.work, options.tool, options.sdk, TEST, options.emulator)
    try:
        scenario(lab, Play(lab, options.collection, options.tool))
    finally:
        lab.close()
    return testsupport.verdict('every check passed')


if __name__ == '__main__':
    sys.exit(main())
