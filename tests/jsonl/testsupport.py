"""What the Python tests share: where the sources are, skipping a test
whose Debian package is missing (status 77, one line naming the package),
which under CI is a failure instead, and the checks a test counts."""

import importlib
import os
import shutil
import sys

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
SCHEMA = os.path.join(SOURCE_DIR, 'doc', 'visionaccess-jsonl.schema.json')
SAMPLES = os.path.join(SOURCE_DIR, 'tests', 'jsonl', 'samples')
COLLECTION = os.path.join(SOURCE_DIR, 'ansible')
SKIPPED = 77

# What the test's checks found wrong, one line each.
failures = []


def check(condition, what, *details):
    """Records and prints a check that failed, with its details; returns the condition."""
    if not condition:
        failures.append(what)
        print('FAILED: %s' % what)
        for detail in details:
            print('  %s' % (detail,))
    return condition


def verdict(passed):
    """Prints how many checks failed, or `passed` when none did; the test's status."""
    print('%d failed' % len(failures) if failures else passed)
    return 1 if failures else 0


def give_up(why, test):
    """Ends the test as skipped, or under CI as failed, saying why."""
    if os.environ.get('CI'):
        sys.stderr.write('%s: %s; CI is set, so this test must run\n' % (test, why))
        sys.exit(1)
    sys.stderr.write('%s: SKIPPED: %s\n' % (test, why))
    # The build's list of skips, which CTest prints after the run.
    if os.environ.get('SKIP_LOG'):
        with open(os.environ['SKIP_LOG'], 'a') as log:
            log.write('%s: %s\n' % (test, why))
    sys.exit(SKIPPED)


def _missing(package):
    return 'needs %s, not installed. install with: sudo apt-get install --no-install-recommends %s' % (
        package, package)


def require_module(name, package, test):
    """Imports a Python module that a Debian package brings, or gives up."""
    try:
        return importlib.import_module(name)
    except ImportError:
        give_up(_missing(package), test)


def require_program(name, package, test):
    """The path of a program that a Debian package brings, or gives up."""
    path = shutil.which(name)
    if path is None:
        give_up(_missing(package), test)
    return path


def collection_root(work):
    """A folder holding ansible_collections/visionaccess/cameras, a link to
    the collection's sources, for importing its modules in place."""
    namespace = os.path.join(work, 'ansible_collections', 'visionaccess')
    os.makedirs(namespace, exist_ok=True)
    link = os.path.join(namespace, 'cameras')
    if os.path.islink(link) and os.readlink(link) != COLLECTION:
        os.remove(link)
    if not os.path.lexists(link):
        os.symlink(COLLECTION, link)
    return work
