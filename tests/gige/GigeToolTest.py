#!/usr/bin/python3
"""VisionAccess on the open SDK against the peer's simulated GigE Vision
cameras (gigelab.py: two in a network namespace of the test's own where it
runs as root, else one on this machine's loopback), every answer compared
with arv-tool-0.8's on the same camera: the cameras listed and numbered by
their serials, their identity (-v) and -s by serial and by user-defined
name, features and registers read alike (an unaligned register too),
values written by either read back by the other, a configuration saved,
changed by arv-tool, compared and brought back, the description saved with
-x as the camera serves it, JSON Lines, a camera arv-tool holds control of
read but refused a write with a clear line, two cameras with one serial
numbered by their addresses, and the README's session. No run broadcasts (the trace shows each
discovery's packets).

    GigeToolTest.py --tool VisionAccess --sdk SDK_FOLDER --work DIR [--without-module] [--emulator WORD]..."""

import argparse
import json
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'jsonl'))
import gigelab  # noqa: E402
import testsupport  # noqa: E402
from testsupport import check  # noqa: E402

TEST = 'GigeTool'
STAMP = '00:00:00 Camera scan ....\n'


def lines_of(run):
    """The tool's lines under each camera's heading: {camera number: [line, ...]}."""
    cameras, current = {}, None
    for line in run.stdout.splitlines():
        heading = re.match(r'^    Camera (\d+)$', line)
        if heading:
            current = int(heading.group(1))
            cameras[current] = []
        elif current is not None and line.startswith('        '):
            cameras[current].append(line.strip())
    return cameras


def read_values(lines):
    """{name: text} of each 'Feature X read as V' and 'Register 0xA read as V' line."""
    values = {}
    for line in lines:
        match = re.match(r'^(?:Feature|Register) (\S+) read as (.*)$', line)
        if match:
            values[match.group(1)] = match.group(2)
    return values


def same_number(a, b):
    try:
        return abs(float(a) - float(b)) <= 1e-6 * max(1.0, abs(float(b)))
    except ValueError:
        return a == b


class Scenario:
    def __init__(self, lab):
        self.lab = lab
        self.serials = [serial for _, serial, _ in lab.cameras]
        self.first = lab.cameras[0][0]
        self.numbers = [lab.number(serial) for serial in self.serials]

    def tool(self, *args, **kwargs):
        run = self.lab.run(args, **kwargs)
        print('== VisionAccess %s: status %d' % (' '.join(args), run.returncode))
        return run

    def listing(self):
        trace = self.lab.path('trace-listing')
        run = self.tool('-v', extra={'QRV_U3V_TRACE': trace})
        check(run.returncode == 0 and run.stderr == '', 'a listing succeeds quietly', run.stdout, run.stderr)
        cameras = lines_of(run)
        check(list(cameras) == self.numbers, 'the cameras are listed, numbered by their serials', run.stdout)
        for (address, serial, _), number in zip(self.lab.cameras, self.numbers):
            peer = self.lab.arv_values(address, 'DeviceVendorName', 'DeviceModelName', 'DeviceVersion', 'DeviceID')
            expected = ['Vendor: ' + peer['DeviceVendorName'], 'Model: ' + peer['DeviceModelName'],
                        'Version: ' + peer['DeviceVersion'], 'Serial: ' + serial]
            check(cameras.get(number) == expected, 'camera %s: -v gives what arv-tool reads' % serial,
                  cameras.get(number), expected)
        with open(trace) as file:
            discovery = [line.strip() for line in file if line.startswith('gige discovery')]
        asked = ['gige discovery to ' + address for address in self.lab.addresses]
        check(discovery[:len(asked)] == asked and not any('broadcast' in line for line in discovery),
              'discovery asks the addresses given, and broadcasts nothing', discovery)

    def selection(self):
        last = self.serials[-1]
        run = self.tool('-s', last)
        check(list(lines_of(run)) == [self.numbers[-1]], '-s by serial takes that camera', run.stdout)
        # A user-defined name, written to its bootstrap register by address.
        address = self.lab.cameras[-1][0]
        run = self.tool('-s', last, '-w', 'E8', '6C656674', '-w', 'EC', '0')
        check(run.returncode == 0, 'the user-defined name is written', run.stdout, run.stderr)
        run = self.tool('-s', 'left', '-v')
        check(list(lines_of(run)) == [self.numbers[-1]] and 'User name: left' in lines_of(run).get(self.numbers[-1], []),
              '-s by user-defined name takes that camera, and -v shows the name', run.stdout)
        run = self.tool('-s', 'nobody')
        check(run.stdout.endswith('    No camera matches nobody\n'), '-s of no camera says so', run.stdout)
        self.tool('-s', last, '-w', 'E8', '0')

    def reads(self):
        features = ['Width', 'Height', 'PixelFormat', 'OffsetX', 'GainRaw', 'AcquisitionMode', 'ExposureTimeAbs',
                    'AcquisitionFrameRate', 'TriggerMode']
        registers = [0x100, 0x104, 0x110, 0x0, 0x24, 0x938, 0x102]
        args = []
        for name in features:
            args += ['-r', name]
        for address in registers:
            args += ['-r', '%X' % address]
        run = self.tool(*args)
        cameras = lines_of(run)
        for (address, serial, _), number in zip(self.lab.cameras, self.numbers):
            ours = read_values(cameras.get(number, []))
            peer = self.lab.arv_values(address, *(features + ['R[0x%X]' % a for a in registers]))
            for name in features:
                check(same_number(ours.get(name, '?'), peer.get(name, '!')),
                      'camera %s: %s reads as arv-tool reads it' % (serial, name), ours.get(name), peer.get(name))
            for register in registers:
                theirs = peer.get('R[0x%08x]' % register)
                mine = ours.get('0x%X' % register)
                check(mine is not None and theirs is not None and int(mine, 16) == int(theirs, 16),
                      'camera %s: register 0x%X holds the number arv-tool reads' % (serial, register), mine, theirs)

    def writes(self):
        serial, address = self.serials[0], self.first
        run = self.tool('-s', serial, '-w', 'Width', '640', '-w', 'PixelFormat', 'Mono16', '-w', '110', '5')
        check(run.returncode == 0 and run.stderr == '', 'features and a register are written', run.stdout,
              run.stderr)
        peer = self.lab.arv_values(address, 'Width', 'PixelFormat', 'GainRaw')
        check(peer == {'Width': '640', 'PixelFormat': 'Mono16', 'GainRaw': '5'},
              'arv-tool reads back what VisionAccess wrote', peer)
        self.lab.arv(address, 'control', 'Height=256', 'R[0x110]=0x3')
        ours = read_values(lines_of(self.tool('-s', serial, '-r', 'Height', '-r', 'GainRaw')).get(self.numbers[0], []))
        check(ours == {'Height': '256', 'GainRaw': '3'}, 'VisionAccess reads back what arv-tool wrote', ours)

    def configuration(self):
        serial, address = self.serials[0], self.first
        folder = self.lab.path('configs')
        os.makedirs(folder, exist_ok=True)
        saved = os.path.join(folder, '%d.pfs' % self.numbers[0])
        run = self.tool('-s', serial, '-o', folder)
        check('Configuration saved to %s (20 values)' % saved in run.stdout, 'the configuration is saved',
              run.stdout, run.stderr)
        before = self.lab.arv_values(address, *gigelab.STREAMABLE[:9])
        self.lab.arv(address, 'control', 'Width=320', 'PixelFormat=RGB8', 'GainRaw=7', 'AcquisitionMode=SingleFrame',
                     'ExposureTimeAbs=500', 'OffsetX=8')
        run = self.tool('-s', serial, '-m', saved)
        differences = [line for line in lines_of(run).get(self.numbers[0], []) if line.startswith('Feature ')]
        check(run.returncode == 4 and len(differences) == 6 and 'Feature Width is 320, the file has 640' in differences,
              '-m finds the six values arv-tool changed', run.stdout, run.stderr)
        run = self.tool('-s', serial, '-p', saved)
        check(run.returncode == 0 and 'Configuration %s applied: 20 values written and verified' % saved in run.stdout,
              '-p applies the file', run.stdout, run.stderr)
        after = self.lab.arv_values(address, *gigelab.STREAMABLE[:9])
        check(after == before, 'arv-tool reads every value as it was saved', before, after)
        others = self.serials[1:]
        if others:
            run = self.tool('-s', others[0], '-p', saved)
            check(run.returncode == 0, 'the file applies to the other camera', run.stdout, run.stderr)
        run = self.tool('-m', saved)
        check(run.returncode == 0 and run.stdout.count('Configuration matches %s' % saved) == len(self.serials),
              '-m finds every camera matching', run.stdout, run.stderr)
        return saved

    def description(self):
        folder = self.lab.path('descriptions')
        os.makedirs(folder, exist_ok=True)
        run = self.tool('-s', self.serials[0], '-x', folder)
        saved = os.path.join(folder, '%d.xml' % self.numbers[0])
        served = self.lab.arv(self.first, 'genicam')
        check(os.path.exists(saved) and open(saved).read().strip() == served.strip(),
              '-x saves the description the camera serves', run.stdout, run.stderr)

    def json_lines(self):
        run = self.tool('-j', '-s', self.serials[0], '-v', '-r', 'Width', '-r', '100')
        events = [json.loads(line) for line in run.stdout.splitlines()]
        kinds = [event.get('event') for event in events]
        check(run.returncode == 0 and kinds[:2] == ['scan', 'camera'] and events[1].get('camera') == self.numbers[0],
              '-j lists the camera', run.stdout)
        width = [e for e in events if e.get('event') == 'feature-read' and e.get('feature') == 'Width']
        register = [e for e in events if e.get('event') == 'register-read']
        check(width and width[0].get('value') == 640 and register and register[0].get('value') == 640,
              '-j gives Width and register 0x100 as numbers', run.stdout)

    def held_by_another(self, saved):
        """arv-tool holds control while its output waits in a full pipe."""
        serial, address = self.serials[0], self.first
        with self.lab.hold(address) as held:
            check(held.held, 'arv-tool holds control of the camera')
            run = self.tool('-s', serial, '-w', 'Width', '100', '-r', 'Width')
            lines = lines_of(run).get(self.numbers[0], [])
            check(lines == ['Could not write feature Width: register 0x100 could not be written (status 0x80010012)',
                            'Feature Width read as 640'], 'a write is refused, and the camera is read', run.stdout)
            check(run.returncode == 0 and
                  run.stderr == 'QrVApi (GigE Vision): the camera at %s (serial "%s") is controlled by another '
                                'application: it can be read, not written (man visionaccess-u3v: GIGE VISION)\n'
                  % (address, serial), 'one line on standard error says why', run.stderr)
            run = self.tool('-s', serial, '-p', saved)
            check(run.returncode == 4 and 'not applied' in run.stdout, 'a configuration is not applied either',
                  run.stdout)
        run = self.tool('-s', serial, '-w', 'Width', '640')
        check(run.returncode == 0 and run.stderr == '', 'once arv-tool has gone, the camera is written', run.stdout,
              run.stderr)

    def readme(self):
        """The README's session: the peer's camera as it comes (serial GV01),
        and the tool's lines as the README shows them."""
        if not self.lab.namespace:
            print('NOTE the README\'s session needs an address of its own: root only')
            return
        with open(os.path.join(testsupport.SOURCE_DIR, 'README.md')) as file:
            section = file.read().split('## GigE Vision cameras', 1)[1].split('\n## ', 1)[0]
        block = [line[4:] for line in section.splitlines() if line.startswith('    ')]
        command = next(line for line in block if line.startswith('$ QRV_U3V_GIGE='))
        shown = block[block.index(command) + 1:]
        shown = shown[:next((k for k, line in enumerate(shown) if not line.startswith(('00:', '    '))), len(shown))]
        args = command.split('./build/VisionAccess ', 1)[1].split()
        self.lab.must(['ip', '-n', self.lab.namespace, 'addr', 'add', '127.0.0.4/8', 'dev', 'lo'])
        process = self.lab.spawn('127.0.0.4', 'GV01', [])
        try:
            run = self.tool(*args, extra={'QRV_U3V_GIGE': '127.0.0.4'})
        finally:
            self.lab.stop(process)
        printed = run.stdout.splitlines()
        # The peer's version is the installed Aravis's.
        check([line for line in printed if 'Version:' not in line] == [line for line in shown if 'Version:' not in line],
              'the README\'s session prints what the README shows', printed, shown)

    def shared_serial(self):
        """A third camera copying the first's serial: both numbered by their addresses."""
        if not self.lab.namespace:
            print('NOTE a camera sharing a serial needs a third loopback address: root only')
            return
        self.lab.must(['ip', '-n', self.lab.namespace, 'addr', 'add', '127.0.0.3/8', 'dev', 'lo'])
        self.lab.start('127.0.0.3', self.serials[0])
        try:
            run = self.tool(extra={'QRV_U3V_GIGE': '127.0.0.1 127.0.0.3'})
            numbers = [self.lab.number('gige:127.0.0.1'), self.lab.number('gige:127.0.0.3')]
            check(list(lines_of(run)) == numbers, 'two cameras of one serial are numbered by their addresses',
                  run.stdout)
            check(run.stderr == 'QrVApi (GigE Vision): the cameras GigE Vision camera at 127.0.0.1 (serial "%s") and '
                                'GigE Vision camera at 127.0.0.3 (serial "%s") claim camera number %d: each is '
                                'numbered by its place instead (man visionaccess-u3v: CAMERA NUMBERS)\n'
                  % (self.serials[0], self.serials[0], self.numbers[0]), 'one line says so', run.stderr)
        finally:
            address, _, process = self.lab.cameras.pop()
            self.lab.stop(process)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--tool', required=True)
    parser.add_argument('--sdk', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--without-module', action='store_true')
    parser.add_argument('--emulator', action='append', default=[])
    options = parser.parse_args()
    gigelab.require_peer(TEST)
    if options.without_module:
        testsupport.give_up('needs the GenICam module, not built (pugixml, minizip, zlib or libmd missing). install '
                            'with: sudo apt-get install libpugixml-dev libminizip-dev zlib1g-dev libmd-dev pkg-config, '
                            'then build again', TEST)
    lab = gigelab.Lab(options.work, options.tool, options.sdk, TEST, options.emulator)
    try:
        print('cameras: %s%s' % (', '.join('%s on %s' % (s, a) for a, s, _ in lab.cameras),
                                 ' (network namespace %s)' % lab.namespace if lab.namespace else ''))
        scenario = Scenario(lab)
        scenario.listing()
        scenario.selection()
        scenario.reads()
        scenario.writes()
        saved = scenario.configuration()
        scenario.description()
        scenario.json_lines()
        scenario.held_by_another(saved)
        scenario.shared_serial()
        scenario.readme()
    finally:
        lab.close()
    return testsupport.verdict('every check passed')


if __name__ == '__main__':
    sys.exit(main())
