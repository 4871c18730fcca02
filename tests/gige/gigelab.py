"""The peer's simulated GigE Vision cameras (arv-fake-gv-camera-0.8, Debian
aravis-tools) where a test can reach them without a packet leaving this
machine: as root, in a network namespace of the test's own (its loopback
up, 127.0.0.2 added), two cameras, on 127.0.0.1 and 127.0.0.2; otherwise
one camera on this machine's loopback, 127.0.0.1 (tests that do so share it
through a CTest resource lock). Every run of VisionAccess is confined to
the cameras' addresses (QRV_U3V_GIGE), and arv-tool-0.8 is always given
-a <address>: neither ever broadcasts.

The cameras serve the peer's own description with <Streamable>Yes</Streamable>
added to 17 features of their registers, TriggerSelector selecting the
trigger's features, and the features its categories leave out
categorised, so that a saved configuration holds 20 values: the peer's
description marks none."""

import fcntl
import os
import re
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'jsonl'))
import testsupport  # noqa: E402

FAKE = 'arv-fake-gv-camera-0.8'
ARV_TOOL = 'arv-tool-0.8'
F_SETPIPE_SZ = 1031
# The features made Streamable in the cameras' description, in its order.
STREAMABLE = ['Width', 'Height', 'OffsetX', 'OffsetY', 'BinningHorizontal', 'BinningVertical', 'PixelFormat',
              'AcquisitionMode', 'AcquisitionFrameRate', 'TriggerSelector', 'TriggerMode', 'TriggerSource',
              'TriggerActivation', 'ExposureTimeAbs', 'GainRaw', 'GainAuto', 'TestRegister']
SELECTED = ['TriggerMode', 'TriggerSource', 'TriggerActivation']


def require_peer(test):
    """The peer's programs, or the test gives up naming their packages."""
    testsupport.require_program(FAKE, 'aravis-tools', test)
    testsupport.require_program(ARV_TOOL, 'aravis-tools-cli', test)


def fnv31(text):
    """A camera number as the open SDK makes it of a serial that is not a
    decimal number: the 31-bit FNV-1a hash of its bytes, 0 taken as 1."""
    value = 2166136261
    for byte in text.encode():
        value = ((value ^ byte) * 16777619) & 0xFFFFFFFF
    value &= 0x7FFFFFFF
    return value or 1


def streamable_description(xml):
    """The peer's description with the STREAMABLE features marked so."""
    for name in STREAMABLE:
        xml, count = re.subn(r'(<(Integer|IntReg|Float|Enumeration) Name="%s"[^>]*>)' % name,
                             r'\1\n\t\t<Streamable>Yes</Streamable>', xml, count=1)
        if count != 1:
            raise RuntimeError('the peer\'s description has no feature %s' % name)
    selected = ''.join('\n\t\t<pSelected>%s</pSelected>' % name for name in SELECTED)
    # Features the peer's categories leave out, categorised.
    for anchor, added in [('<pValue>TriggerSelectorInteger</pValue>', selected),
                          ('<pFeature>Debug</pFeature>', '\n\t\t<pFeature>AnalogControl</pFeature>'),
                          ('<pFeature>AcquisitionMode</pFeature>', '\n\t\t<pFeature>AcquisitionFrameRate</pFeature>')]:
        if anchor not in xml:
            raise RuntimeError('the peer\'s description has no %s' % anchor)
        xml = xml.replace(anchor, anchor + added, 1)
    return xml


def stock_description(prefix=(), log=os.devnull):
    """The description the peer's camera serves of itself, from one on
    127.0.0.1 (in the namespace prefix enters) for the time it takes."""
    with open(log, 'w') as output:
        process = subprocess.Popen(list(prefix) + [FAKE, '-i', '127.0.0.1', '-s', 'STOCK'], stdout=output,
                                   stderr=subprocess.STDOUT)
    try:
        deadline = time.time() + 20
        while time.time() < deadline and process.poll() is None:
            run = subprocess.run(list(prefix) + [ARV_TOOL, '-a', '127.0.0.1', 'genicam'], capture_output=True,
                                 text=True, timeout=60)
            if run.returncode == 0 and '<RegisterDescription' in run.stdout:
                return run.stdout
            time.sleep(0.1)
        raise RuntimeError('%s -i 127.0.0.1 does not answer' % FAKE)
    finally:
        process.terminate()
        process.wait(timeout=10)


class Lab:
    """Cameras of the peer, and VisionAccess and arv-tool beside them."""

    def __init__(self, work, tool, sdk, test, emulator=()):
        self.work = os.path.abspath(work)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.tool = list(emulator) + [os.path.abspath(tool)]
        self.sdk = os.path.abspath(sdk)
        self.test = test
        self.cameras = []  # (address, serial, process)
        self.namespace = None
        self.prefix = []
        if os.geteuid() == 0 and shutil.which('ip'):
            self.namespace = 'va-%s-%d' % (re.sub(r'[^a-z0-9]', '', test.lower())[:12], os.getpid())
            if subprocess.run(['ip', 'netns', 'add', self.namespace], capture_output=True).returncode != 0:
                self.namespace = None
        if self.namespace:
            self.prefix = ['ip', 'netns', 'exec', self.namespace]
            self.must(['ip', '-n', self.namespace, 'link', 'set', 'lo', 'up'])
            self.must(['ip', '-n', self.namespace, 'addr', 'add', '127.0.0.2/8', 'dev', 'lo'])
            self.addresses = ['127.0.0.1', '127.0.0.2']
        else:
            self.addresses = ['127.0.0.1']
        self.description = self.path('camera.xml')
        with open(self.description, 'w') as file:
            file.write(streamable_description(stock_description(self.prefix, self.path('stock.log'))))
        for k, address in enumerate(self.addresses):
            self.start(address, 'CAM%d' % (k + 1))

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def must(self, command):
        run = subprocess.run(command, capture_output=True, text=True)
        if run.returncode != 0:
            raise RuntimeError('%s: %s' % (' '.join(command), run.stderr.strip()))

    def spawn(self, address, serial, extra):
        log = open(self.path('%s-%s.log' % (serial, address)), 'w')
        process = subprocess.Popen(self.prefix + [FAKE, '-i', address, '-s', serial] + extra, stdout=log,
                                   stderr=subprocess.STDOUT)
        deadline = time.time() + 20
        while time.time() < deadline:
            if process.poll() is not None:
                raise RuntimeError('%s -i %s ended: see %s' % (FAKE, address, log.name))
            if self.arv_run(address, 'control', 'DeviceVendorName').returncode == 0:
                return process
            time.sleep(0.1)
        raise RuntimeError('%s -i %s does not answer' % (FAKE, address))

    def start(self, address, serial):
        self.cameras.append((address, serial, self.spawn(address, serial, ['-g', self.description])))

    def stop(self, process):
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()

    def close(self):
        for _, _, process in self.cameras:
            self.stop(process)
        self.cameras = []
        if self.namespace:
            subprocess.run(['ip', 'netns', 'del', self.namespace], capture_output=True)
            self.namespace = None

    def number(self, serial):
        return fnv31(serial)

    def environment(self, extra=None):
        env = dict(os.environ)
        env.update({'LD_LIBRARY_PATH': self.sdk, 'QRV_U3V_GIGE': ' '.join(self.addresses),
                    'XDG_CACHE_HOME': self.path('cache'), 'HOME': self.work})
        env.update(extra or {})
        return env

    def run(self, args, extra=None, **kwargs):
        """VisionAccess, confined to the cameras' addresses."""
        return subprocess.run(self.prefix + self.tool + list(args), capture_output=True, text=True,
                              env=self.environment(extra), cwd=self.work, **kwargs)

    def popen(self, args, **kwargs):
        return subprocess.Popen(self.prefix + list(args), **kwargs)

    def arv_run(self, address, *args):
        return subprocess.run(self.prefix + [ARV_TOOL, '-a', address] + list(args), capture_output=True, text=True,
                              timeout=60)

    def arv(self, address, *args):
        """arv-tool-0.8 -a address ..., its standard output; failing loudly."""
        run = self.arv_run(address, *args)
        if run.returncode != 0:
            raise RuntimeError('%s -a %s %s: %s' % (ARV_TOOL, address, ' '.join(args), run.stderr.strip()))
        return run.stdout

    def hold(self, address):
        """arv-tool holding control of the camera at address, its output
        waiting in a full pipe, until release(); a context manager."""
        lab = self

        class Held:
            def __enter__(self):
                reader, writer = os.pipe()
                fcntl.fcntl(writer, F_SETPIPE_SZ, 4096)
                self.reader = reader
                self.holder = lab.popen([ARV_TOOL, '-a', address, 'genicam'], stdout=writer,
                                        stderr=subprocess.DEVNULL)
                os.close(writer)
                deadline = time.time() + 20
                self.held = False
                while not self.held and time.time() < deadline:
                    self.held = '0x00000002' in lab.run(['-r', 'A00'], {'QRV_U3V_GIGE': address}).stdout
                    time.sleep(0.05)
                return self

            def __exit__(self, *exception):
                os.set_blocking(self.reader, False)
                while self.holder.poll() is None:
                    try:
                        os.read(self.reader, 65536)
                    except BlockingIOError:
                        time.sleep(0.01)
                os.close(self.reader)
                return False

        return Held()

    def arv_values(self, address, *features):
        """What arv-tool reads of each feature (or R[0x...] register), as text."""
        values = {}
        for line in self.arv(address, 'control', *features).splitlines():
            match = re.match(r'^(\S+) = (.*?)(?: min:.*)?$', line)
            if match:
                values[match.group(1)] = match.group(2)
        return values


if __name__ == '__main__':
    # gigelab.py --description FILE: writes the cameras' description (for bench/run).
    if len(sys.argv) != 3 or sys.argv[1] != '--description':
        sys.exit('usage: gigelab.py --description FILE')
    with open(sys.argv[2], 'w') as out:
        out.write(streamable_description(stock_description()))
