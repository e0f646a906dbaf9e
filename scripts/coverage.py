#!/usr/bin/env python3
"""Which branches of src/ each test executes, to find tests that restate others.

    scripts/coverage.py run BUILD      runs every CTest test of the coverage
                                       build BUILD alone (two at a time), each
                                       writing its counters to a folder of its
                                       own, then reports (below)
    scripts/coverage.py report BUILD   reads the counters again and writes
                                       BUILD/coverage-report.txt and
                                       BUILD/coverage-arcs.txt
    scripts/coverage.py compare OLD NEW  the arcs OLD's suite executed that
                                       NEW's does not (two coverage-arcs.txt)

`make coverage` configures and builds BUILD/coverage with gcc's --coverage
and runs `run`. An arc is one counted edge of gcc's flow graph: a branch
taken, a call returned. A test's variants (each dialect, pg.*, desktop.*)
count as one test. The report lists, per test, the arcs only it executes and
the three tests that execute most of its arcs; a test that executes nothing
the others do not is no proof of redundancy (it may assert what nobody else
does), but it is where to look first.
"""
import collections
import concurrent.futures
import json
import os
import re
import shutil
import struct
import subprocess
import sys

FUNCTION_TAG = 0x01000000
ARCS_TAG = 0x01A10000


def read_gcda(path):
    """(function ident, counter index) of every arc counted at least once."""
    data = open(path, 'rb').read()
    pos, fn = 16, None  # magic, version, stamp, checksum
    while pos + 8 <= len(data):
        tag, length = struct.unpack_from('<Ii', data, pos)
        pos += 8
        if tag == 0:
            break
        if tag == FUNCTION_TAG and length >= 4:
            fn = struct.unpack_from('<I', data, pos)[0]
        elif tag == ARCS_TAG and length > 0:  # a negative length: all zero, not stored
            values = struct.unpack_from('<%dq' % (length // 8), data, pos)
            yield from ((fn, i) for i, v in enumerate(values) if v)
        pos += max(length, 0)


def function_names(gcno):
    """function ident -> mangled name, from the notes file gcc wrote beside the object."""
    data = open(gcno, 'rb').read()
    size = struct.unpack_from('<I', data, 16)[0]
    pos, names = 16 + 4 + size + 4, {}  # the header, the folder (unpadded), a flag
    while pos + 8 <= len(data):
        tag, length = struct.unpack_from('<II', data, pos)
        pos += 8
        if tag == FUNCTION_TAG:
            size = struct.unpack_from('<I', data, pos + 12)[0]
            names[struct.unpack_from('<I', data, pos)[0]] = data[pos + 16:pos + 16 + size].rstrip(b'\0').decode()
        pos += length
    return names


def variant_of(name):
    """The test a CTest name runs: engine, binding and dialect left out."""
    name = re.sub(r'^(pg\.)?(desktop\.)?', '', name)
    name = re.sub(r'\s+#.*$', '', name)
    name = re.sub(r'^\w+/', '', name)
    return re.sub(r'/\w+$', '', name)


def run(build):
    listing = json.loads(subprocess.run(['ctest', '--show-only=json-v1'], cwd=build, check=True,
                                        capture_output=True).stdout)
    tests = listing['tests']
    props = lambda t: {p['name']: p['value'] for p in t.get('properties', [])}
    counters = os.path.join(build, 'coverage-counters')
    shutil.rmtree(counters, ignore_errors=True)

    def one(t):
        p = props(t)
        env = dict(os.environ)
        for e in p.get('ENVIRONMENT', []):
            k, v = e.split('=', 1)
            env[k] = v
        for e in p.get('ENVIRONMENT_MODIFICATION', []):
            k, v = e.split('=', 1)
            if v.startswith('set:'):
                env[k] = v[4:]
        # Every process the test starts writes beside it: the counters of the
        # verbs and clerk programs a test runs count as its own.
        env['GCOV_PREFIX'] = os.path.join(counters, t['name'].replace('/', '%'))
        r = subprocess.run(t['command'], cwd=p.get('WORKING_DIRECTORY', build), env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return t['name'], r.returncode

    setup = [t for t in tests if 'FIXTURES_SETUP' in props(t)]
    cleanup = [t for t in tests if 'FIXTURES_CLEANUP' in props(t)]
    rest = [t for t in tests if t not in setup and t not in cleanup]
    failed = [n for n, rc in map(one, setup) if rc]
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        failed += [n for n, rc in pool.map(one, rest) if rc]
    failed += [n for n, rc in map(one, cleanup) if rc]
    for n in failed:
        print('failed:', n)
    report(build)
    return 1 if failed else 0


def gather(build):
    """Per test, the set of arcs of src/ it executed, as ids into `arcs`."""
    counters = os.path.join(build, 'coverage-counters')
    build = os.path.realpath(build)
    arcs, covered, names = {}, collections.defaultdict(set), {}
    for test in os.listdir(counters):
        objects = os.path.join(counters, test) + build + '/src'
        ids = covered[variant_of(test.replace('%', '/'))]
        for folder, _, files in os.walk(objects):
            for f in files:
                if not f.endswith('.gcda'):
                    continue
                path = os.path.join(folder, f)
                obj = path[len(objects) - 3:]
                if obj not in names:
                    names[obj] = function_names(os.path.join(build, obj[:-5] + '.gcno'))
                # By the function's name: an inline function is compiled into
                # many objects, and the linker keeps the copy of whichever comes first.
                for fn, i in read_gcda(path):
                    ids.add(arcs.setdefault((names[obj].get(fn, '?'), i), len(arcs)))
    return arcs, covered


def test_bodies(root):
    """Suite.Name -> (file, line, non-blank lines of its body)."""
    bodies = {}
    for folder, _, files in os.walk(os.path.join(root, 'tests')):
        for f in files:
            if not f.endswith('.cpp'):
                continue
            path = os.path.join(folder, f)
            lines = open(path, encoding='utf-8').read().split('\n')
            for i, line in enumerate(lines):
                m = re.match(r'TEST(?:_F|_P)?\((\w+),\s*(\w+)\)', line)
                if m:
                    end = next((j for j in range(i + 1, len(lines)) if lines[j] == '}'), len(lines) - 1)
                    size = sum(1 for x in lines[i:end + 1] if x.strip())
                    bodies[m.group(1) + '.' + m.group(2)] = (os.path.relpath(path, root), i + 1, size)
    return bodies


def report(build):
    root = os.path.dirname(os.path.dirname(os.path.realpath(__file__)))
    arcs, covered = gather(build)
    bodies = test_bodies(root)
    masks = {}
    for test, ids in covered.items():
        bits = bytearray((len(arcs) + 7) // 8)
        for j in ids:
            bits[j >> 3] |= 1 << (j & 7)
        masks[test] = int.from_bytes(bits, 'little')
    once = twice = 0
    for m in masks.values():
        twice |= once & m
        once |= m
    count = lambda m: bin(m).count('1')
    rows = []
    for test, m in masks.items():
        total = count(m)
        unique = count(m & ~twice)
        near = sorted(((count(m & o) / total if total else 0, t) for t, o in masks.items() if t != test),
                      reverse=True)[:3]
        where = bodies.get(test, ('?', 0, 0))
        rows.append((unique, test, total, where, near))
    with open(os.path.join(build, 'coverage-report.txt'), 'w') as out:
        out.write('%d tests execute %d arcs of src/\n' % (len(masks), count(once)))
        out.write('unique  arcs  lines  test, then the tests that execute most of its arcs\n')
        for unique, test, total, (path, line, size), near in sorted(rows):
            out.write('%6d %6d %5d  %s (%s:%d)\n' % (unique, total, size, test, path, line))
            out.write('                     %s\n' % '; '.join('%s %.0f%%' % (t, 100 * r) for r, t in near))
    names = {j: k for k, j in arcs.items()}
    with open(os.path.join(build, 'coverage-arcs.txt'), 'w') as out:
        out.writelines('%s %s\n' % names[j] for j in range(len(arcs)) if once >> j & 1)
    print('%d tests, %d arcs: %s' % (len(masks), count(once), os.path.join(build, 'coverage-report.txt')))


def compare(old, new):
    lost = collections.Counter(arc.split()[0] for arc in set(open(old)) - set(open(new)))
    readable = subprocess.run(['c++filt'], input='\n'.join(lost), capture_output=True, text=True).stdout.split('\n')
    ours = 0
    for (fn, n), name in zip(lost.items(), readable):
        # The standard library's templates instantiated in src/ are where the
        # test that used them happens to be linked; only ours are a loss.
        if name.startswith('fo::'):
            ours += n
            print('lost: %d arcs of %s' % (n, name))
    print('%d arcs of src/ executed before are not executed now (%d more of library templates)' %
          (ours, sum(lost.values()) - ours))
    return 1 if ours else 0


if __name__ == '__main__':
    # The tests run in folders of their own: the counters' folder is named absolutely.
    if len(sys.argv) == 3 and sys.argv[1] == 'run':
        sys.exit(run(os.path.realpath(sys.argv[2])))
    if len(sys.argv) == 3 and sys.argv[1] == 'report':
        sys.exit(report(os.path.realpath(sys.argv[2])))
    if len(sys.argv) == 4 and sys.argv[1] == 'compare':
        sys.exit(compare(sys.argv[2], sys.argv[3]))
    sys.exit(__doc__)
