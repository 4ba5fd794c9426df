#!/usr/bin/env python3
"""Checks the layer rule: a file may include project headers only from its own folder and from the folders
its folder declares (sorn_module(... USES ...) or sorn_layer(...) in the folder's CMakeLists.txt; the
configure step writes every declaration to layers.txt in the build tree). Also checks that the declarations
form no cycle and that the table in README.md's layout section says the same.

  check_layers.py <source dir> <build dir>/layers.txt
Exits 1 and names every offending include."""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE_EXT = ('.c', '.cpp', '.h', '.rc')
SKIP_DIRS = {'build', '.git', 'corpus'}


TEST_FILE = re.compile(r'(_test\.cpp|_wintest\.cpp|_test_util\.h)$')


def read_table(path):
    """folder -> (uses, test-only uses)"""
    table, tests = {}, {}
    with open(path) as f:
        for line in f:
            line = line.strip()
            if not line:
                continue
            folder, _, rest = line.partition(':')
            uses, _, test_uses = rest.partition('|')
            table[folder] = set(uses.split())
            tests[folder] = set(test_uses.split())
    return table, tests


def owner(table, rel_dir):
    """The declared folder a directory belongs to: itself or its nearest declared parent."""
    d = rel_dir
    while d:
        if d in table:
            return d
        d = os.path.dirname(d)
    return None


def included_folder(table, include):
    """The declared folder an include path points into, or None for a system or unknown header."""
    d = os.path.dirname(include)
    return owner(table, d) if d else None


def find_cycle(table):
    state = {}

    def visit(n, path):
        state[n] = 1
        for m in sorted(table.get(n, ())):
            if state.get(m) == 1:
                return path + [n, m]
            if m not in state:
                c = visit(m, path + [n])
                if c:
                    return c
        state[n] = 2
        return None

    for n in sorted(table):
        if n not in state:
            c = visit(n, [])
            if c:
                return c
    return None


def readme_table(readme):
    """Rows of the README's dependency table: | `folder` | `a` `b` ... (tests: `c`) |"""
    rows = {}
    with open(readme) as f:
        text = f.read()
    m = re.search(r'<!-- layers -->(.*?)<!-- /layers -->', text, re.S)
    if not m:
        return None
    for line in m.group(1).splitlines():
        cells = [c.strip() for c in line.strip().strip('|').split('|')]
        if len(cells) < 2 or not cells[0].startswith('`'):
            continue
        main, _, tests = cells[1].partition('(tests:')
        rows[cells[0].strip('`')] = (set(re.findall(r'`([^`]+)`', main)), set(re.findall(r'`([^`]+)`', tests)))
    return rows


def main():
    src, table_file = sys.argv[1], sys.argv[2]
    table, test_uses = read_table(table_file)
    problems = []
    for folder, uses in sorted(table.items()):
        for u in sorted(uses | test_uses[folder]):
            if u not in table:
                problems.append(f'{folder}: declares "{u}", which is not a declared folder')
    cycle = find_cycle(table)
    if cycle:
        problems.append('the declared layers form a cycle: ' + ' -> '.join(cycle))
    checked = 0
    for root, dirs, files in os.walk(src):
        dirs[:] = [d for d in dirs if d not in SKIP_DIRS]
        rel = os.path.relpath(root, src)
        if rel == '.':
            continue
        me = owner(table, rel)
        for name in files:
            if not name.endswith(SOURCE_EXT):
                continue
            path = os.path.join(root, name)
            with open(path, errors='replace') as f:
                text = f.read()
            checked += 1
            for inc in INCLUDE.findall(text):
                target = included_folder(table, inc)
                if target is None:
                    if os.path.dirname(inc) and os.path.exists(os.path.join(src, inc)):
                        problems.append(f'{os.path.join(rel, name)}: includes "{inc}" from an undeclared folder')
                    continue
                if me is None:
                    problems.append(f'{os.path.join(rel, name)}: its folder declares no layer')
                    break
                allowed = table[me] | (test_uses[me] if TEST_FILE.search(name) else set())
                if target != me and target not in allowed:
                    problems.append(f'{os.path.join(rel, name)}: includes "{inc}", but {me} may not use {target}')
    rows = readme_table(os.path.join(src, 'README.md'))
    if rows is None:
        problems.append('README.md: no layer table between <!-- layers --> and <!-- /layers -->')
    else:
        declared = {f: (table[f], test_uses[f]) for f in table}
        for f in sorted(set(rows) | set(declared)):
            if rows.get(f) != declared.get(f):
                said = rows.get(f, (set(), set()))
                has = declared.get(f, (set(), set()))
                problems.append(f'README.md: the row of {f} says {sorted(said[0])} (tests: {sorted(said[1])}), '
                                f'its CMakeLists.txt declares {sorted(has[0])} (tests: {sorted(has[1])})')
    for p in problems:
        print(p)
    print(f'{checked} files checked against {len(table)} layers: {len(problems)} problems')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
