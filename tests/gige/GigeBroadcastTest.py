#!/usr/bin/python3
"""Broadcast discovery, inside two network namespaces the test makes (as
root): VisionAccess in one, the peer's simulated GigE Vision camera in the
other, joined by a veth pair and nothing else, so that no broadcast reaches
an interface of this machine. The camera is found by a broadcast on the
interface QRV_U3V_GIGE names and on every interface when it is unset;
"none" looks nowhere; an interface that is not up finds nothing and says
so on standard error.

    GigeBroadcastTest.py --tool VisionAccess --sdk SDK_FOLDER --work DIR [--emulator WORD]..."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'jsonl'))
import gigelab  # noqa: E402
import testsupport  # noqa: E402
from testsupport import check  # noqa: E402

TEST = 'GigeBroadcast'
SERIAL = 'NETCAM'


class Namespaces:
    """Two namespaces joined by a veth pair: the tool's side and the camera's."""

    def __init__(self):
        tag = os.getpid() % 100000
        self.tool, self.camera = 'va-bc-tool-%d' % tag, 'va-bc-cam-%d' % tag
        self.near, self.far = 'vabc%da' % tag, 'vabc%db' % tag
        subnet = '10.%d.%d' % (200 + tag % 50, tag % 250)
        self.near_address, self.far_address = subnet + '.1', subnet + '.2'
        self.made = []
        for name in (self.tool, self.camera):
            self.ip('netns', 'add', name)
            self.made.append(name)
        self.ip('link', 'add', self.near, 'netns', self.tool, 'type', 'veth', 'peer', 'name', self.far, 'netns',
                self.camera)
        for namespace, link, address in ((self.tool, self.near, self.near_address),
                                         (self.camera, self.far, self.far_address)):
            self.ip('-n', namespace, 'addr', 'add', address + '/24', 'broadcast', subnet + '.255', 'dev', link)
            self.ip('-n', namespace, 'link', 'set', link, 'up')
            self.ip('-n', namespace, 'link', 'set', 'lo', 'up')

    @staticmethod
    def ip(*args):
        run = subprocess.run(['ip'] + list(args), capture_output=True, text=True)
        if run.returncode != 0:
            raise RuntimeError('ip %s: %s' % (' '.join(args), run.stderr.strip()))

    def close(self):
        for name in self.made:
            subprocess.run(['ip', 'netns', 'del', name], capture_output=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--tool', required=True)
    parser.add_argument('--sdk', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--emulator', action='append', default=[])
    options = parser.parse_args()
    gigelab.require_peer(TEST)
    testsupport.require_program('ip', 'iproute2', TEST)
    if os.geteuid() != 0:
        testsupport.give_up('needs root, to make the network namespaces it broadcasts in: run the tests as root', TEST)
    work = os.path.abspath(options.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    try:
        spaces = Namespaces()
    except RuntimeError as failure:
        testsupport.give_up('cannot make network namespaces here (%s)' % failure, TEST)
    camera = None
    try:
        with open(os.path.join(work, 'camera.log'), 'w') as log:
            camera = subprocess.Popen(['ip', 'netns', 'exec', spaces.camera, gigelab.FAKE, '-i', spaces.far, '-s',
                                       SERIAL], stdout=log, stderr=subprocess.STDOUT)
        tool = list(options.emulator) + [os.path.abspath(options.tool)]

        def run(gige, *args):
            env = dict(os.environ, LD_LIBRARY_PATH=os.path.abspath(options.sdk), XDG_CACHE_HOME=work,
                       QRV_U3V_TRACE=os.path.join(work, 'trace'))
            env.pop('QRV_U3V_GIGE', None)
            if gige is not None:
                env['QRV_U3V_GIGE'] = gige
            if os.path.exists(env['QRV_U3V_TRACE']):
                os.remove(env['QRV_U3V_TRACE'])
            result = subprocess.run(['ip', 'netns', 'exec', spaces.tool] + tool + list(args), capture_output=True,
                                    text=True, env=env, cwd=work)
            with open(env['QRV_U3V_TRACE']) as file:
                trace = [line.strip() for line in file if line.startswith('gige discovery')]
            print('== QRV_U3V_GIGE=%s VisionAccess %s: status %d' % (gige, ' '.join(args), result.returncode))
            return result, trace

        found = '    Camera %d\n        Feature Width read as 512\n' % gigelab.fnv31(SERIAL)
        deadline = time.time() + 20
        result, trace = run(spaces.near, '-r', 'Width')
        while found not in result.stdout and time.time() < deadline:
            time.sleep(0.2)
            result, trace = run(spaces.near, '-r', 'Width')
        check(result.stdout.endswith(found) and result.stderr == '',
              'a broadcast on the named interface finds the camera', result.stdout, result.stderr)
        check(trace == ['gige discovery broadcast on %s from %s' % (spaces.near, spaces.near_address),
                        'gige discovery answer from %s' % spaces.far_address],
              'one broadcast, on that interface alone, and its answer', trace)

        result, trace = run(None, '-r', 'Width')
        check(result.stdout.endswith(found), 'unset, every interface finds it', result.stdout, result.stderr)
        check('gige discovery broadcast on %s from %s' % (spaces.near, spaces.near_address) in trace and
              'gige discovery to 127.0.0.1' in trace, 'a broadcast on the veth, the loopback asked directly', trace)

        result, trace = run('none', '-r', 'Width')
        check(result.stdout.endswith('    No cameras found !!\n') and trace == [], '"none" looks nowhere',
              result.stdout, trace)

        result, trace = run('%s,eth9' % spaces.far, '-r', 'Width')
        check(result.stdout.endswith('    No cameras found !!\n') and trace == [],
              'interfaces that are not up here find nothing', result.stdout, trace)
        check(re.findall(r'names (\S+), which is no IPv4 interface that is up', result.stderr) == [spaces.far, 'eth9'],
              'each is named on standard error', result.stderr)
    finally:
        if camera is not None:
            camera.terminate()
            camera.wait(timeout=10)
        spaces.close()
    return testsupport.verdict('every check passed')


if __name__ == '__main__':
    sys.exit(main())
