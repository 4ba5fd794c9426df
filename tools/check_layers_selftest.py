#!/usr/bin/env python3
"""The layer check must fail on the mistakes it exists for: a display/ file that includes a shell/ header, a
test-only folder used by production code, a cycle, and a README table that says otherwise. Builds small
trees in a temporary folder and runs check_layers.py on each."""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
README = """<!-- layers -->
| Folder | May include | What |
|---|---|---|
{rows}
<!-- /layers -->
"""


def run_case(files, layers, readme_rows):
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, 'w') as f:
                f.write(text)
        with open(os.path.join(root, 'README.md'), 'w') as f:
            f.write(README.format(rows='\n'.join(readme_rows)))
        table = os.path.join(root, 'layers.txt')
        with open(table, 'w') as f:
            f.write('\n'.join(layers) + '\n')
        r = subprocess.run([sys.executable, os.path.join(HERE, 'check_layers.py'), root, table],
                           capture_output=True, text=True)
        return r.returncode, r.stdout


GOOD_LAYERS = ['platform:  | ', 'display: platform | ', 'shell: platform display | ']
GOOD_ROWS = ['| `platform` |  | x |', '| `display` | `platform` | x |', '| `shell` | `platform` `display` | x |']
BASE = {'platform/a.h': '#pragma once\n', 'display/d.h': '#include "platform/a.h"\n',
        'shell/s.cpp': '#include "display/d.h"\n#include "platform/a.h"\n'}

CASES = [
    ('a clean tree passes', BASE, GOOD_LAYERS, GOOD_ROWS, 0, None),
    ('display including shell fails', dict(BASE, **{'display/bad.cpp': '#include "shell/s.h"\n',
                                                    'shell/s.h': '#pragma once\n'}),
     GOOD_LAYERS, GOOD_ROWS, 1, 'display may not use shell'),
    ('a test-only folder in production code fails',
     dict(BASE, **{'display/x.cpp': '#include "shell/s.h"\n', 'display/x_test.cpp': '#include "shell/s.h"\n',
                   'shell/s.h': '#pragma once\n'}),
     ['platform:  | ', 'display: platform | shell', 'shell: platform display | '],
     ['| `platform` |  | x |', '| `display` | `platform` (tests: `shell`) | x |',
      '| `shell` | `platform` `display` | x |'], 1, 'display/x.cpp: includes "shell/s.h"'),
    ('a cycle fails', BASE, ['platform: display | ', 'display: platform | ', 'shell: platform display | '],
     ['| `platform` | `display` | x |', '| `display` | `platform` | x |', '| `shell` | `platform` `display` | x |'],
     1, 'cycle'),
    ('a README that differs fails', BASE, GOOD_LAYERS,
     ['| `platform` |  | x |', '| `display` |  | x |', '| `shell` | `platform` `display` | x |'], 1,
     'README.md: the row of display'),
]


def main():
    failed = 0
    for name, files, layers, rows, want, text in CASES:
        rc, out = run_case(files, layers, rows)
        ok = rc == want and (text is None or text in out)
        print(('ok   ' if ok else 'FAIL ') + name + ('' if ok else f' (exit {rc}):\n{out}'))
        failed += not ok
    print(f'{len(CASES) - failed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
