#!/usr/bin/python3
"""The collection as the build ships it: the tarball ansible-galaxy built
holds the modules and nothing else, names the project's version, installs,
ansible-doc renders both modules with every section, and the sanity tests
of ansible-test that need nothing from the network pass on it.

    AnsibleCollectionTest.py --collection TARBALL --work DIR --version VERSION"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tarfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'jsonl'))
import testsupport  # noqa: E402
from testsupport import check  # noqa: E402

TEST = 'AnsibleCollection'
FILES = ['MANIFEST.json', 'FILES.json', 'README.md', 'meta/runtime.yml', 'plugins/action/configuration.py',
         'plugins/doc_fragments/visionaccess.py', 'plugins/module_utils/visionaccess.py',
         'plugins/modules/configuration.py', 'plugins/modules/info.py']
MODULES = {
    'visionaccess.cameras.configuration': ['path', 'src', 'cameras', 'tool', 'description'],
    'visionaccess.cameras.info': ['cameras', 'features', 'all_features', 'tool', 'description'],
}
# ansible-test's sanity tests that run from its own code, without a
# virtual environment to download.
SANITY = ['action-plugin-docs', 'compile', 'empty-init', 'future-import-boilerplate', 'line-endings',
          'metaclass-boilerplate', 'no-assert', 'no-basestring', 'no-get-exception', 'no-illegal-filenames',
          'no-main-display', 'no-smart-quotes', 'no-unicode-literals', 'replace-urlopen', 'shebang', 'symlinks',
          'use-argspec-type-path', 'use-compat-six']

def environment(work):
    """Ansible's settings in the work folder, none from the user's."""
    env = dict((name, value) for name, value in os.environ.items() if not name.startswith('ANSIBLE_'))
    env.update(ANSIBLE_COLLECTIONS_PATH=os.path.join(work, 'collections'), ANSIBLE_HOME=os.path.join(work, 'home'),
               ANSIBLE_LOCAL_TEMP=os.path.join(work, 'tmp'), ANSIBLE_NOCOLOR='1',
               ANSIBLE_CONFIG=os.path.join(work, 'ansible.cfg'), PYTHONDONTWRITEBYTECODE='1')
    return env


def run(command, work, cwd=None):
    return subprocess.run(command, capture_output=True, text=True, env=environment(work), cwd=cwd)


def check_tarball(tarball, version):
    with tarfile.open(tarball) as archive:
        names = sorted(member.name for member in archive.getmembers() if member.isfile())
        manifest = json.load(archive.extractfile('MANIFEST.json'))
    check(names == sorted(FILES), 'the tarball holds the collection\'s files and nothing else', names)
    info = manifest['collection_info']
    check((info['namespace'], info['name'], info['version']) == ('visionaccess', 'cameras', version),
          'the tarball is visionaccess.cameras %s' % version, info)
    check(info['license'] == ['MIT'], 'the collection is under the project\'s license', info['license'])
    with open(os.path.join(testsupport.COLLECTION, 'galaxy.yml')) as file:
        declared = re.search(r'^version: *(\S+)$', file.read(), re.MULTILINE)
    check(declared and declared.group(1) == version, 'ansible/galaxy.yml has the project\'s version %s' % version,
          declared and declared.group(1))


def check_documentation(work):
    listing = run(['ansible-doc', '-t', 'module', '-l', 'visionaccess.cameras'], work)
    listed = sorted(re.findall(r'^(visionaccess\.cameras\.\w+)', listing.stdout, re.MULTILINE))
    check(listed == sorted(MODULES), 'ansible-doc lists both modules', listing.stdout + listing.stderr)
    for module, options in MODULES.items():
        page = run(['ansible-doc', module], work)
        problems = [line for line in page.stderr.splitlines() if 'locale' not in line]
        check(page.returncode == 0 and not problems, 'ansible-doc %s renders without a complaint' % module,
              page.returncode, *problems)
        for section in ('OPTIONS', 'ATTRIBUTES', 'EXAMPLES', 'RETURN VALUES', 'AUTHOR'):
            check(re.search(r'^%s\b' % section, page.stdout, re.MULTILINE),
                  'ansible-doc %s has its %s' % (module, section), page.stdout[:2000])
        documented = run(['ansible-doc', '--json', module], work)
        try:
            doc = json.loads(documented.stdout)[module]['doc']
        except (ValueError, KeyError) as error:
            check(False, 'ansible-doc --json %s' % module, error, documented.stderr)
            continue
        check(sorted(doc['options']) == sorted(options), '%s documents its options' % module, sorted(doc['options']))
        undescribed = [name for name, option in doc['options'].items()
                       if not option.get('description') or 'type' not in option]
        check(not undescribed, '%s describes each option with its type' % module, undescribed)


def check_sanity(work):
    """ansible-test works on a collection at ansible_collections/NS/NAME."""
    tree = os.path.join(work, 'sanity', 'ansible_collections', 'visionaccess', 'cameras')
    shutil.copytree(os.path.join(work, 'collections', 'ansible_collections', 'visionaccess', 'cameras'), tree,
                    ignore=shutil.ignore_patterns('MANIFEST.json', 'FILES.json'))
    python = '%d.%d' % sys.version_info[:2]
    command = ['ansible-test', 'sanity', '--python', python]
    for name in SANITY:
        command += ['--test', name]
    sanity = run(command, work, cwd=tree)
    check(sanity.returncode == 0, 'ansible-test sanity passes (%s)' % ', '.join(SANITY),
          *(sanity.stdout + sanity.stderr).splitlines()[-30:])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--collection', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--version', required=True)
    options = parser.parse_args()
    for program in ('ansible-galaxy', 'ansible-doc', 'ansible-test'):
        testsupport.require_program(program, 'ansible-core', TEST)
    if not os.path.isfile(options.collection):
        sys.exit('%s: no collection at %s: build the target ansible-collection' % (TEST, options.collection))
    work = os.path.abspath(options.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    with open(os.path.join(work, 'ansible.cfg'), 'w') as file:
        file.write('[defaults]\n')
    check_tarball(options.collection, options.version)
    install = run(['ansible-galaxy', 'collection', 'install', '-p', os.path.join(work, 'collections'),
                   options.collection], work)
    if check(install.returncode == 0, 'the tarball installs', install.stdout + install.stderr):
        check_documentation(work)
        check_sanity(work)
    return testsupport.verdict('every check passed')


if __name__ == '__main__':
    sys.exit(main())
