#!/usr/bin/env python3
"""Checks a transform plug-in DLL from the outside with objdump: it exports exactly the contract's entry
points under their undecorated names (QueryXfm, XfmInit, XfmSetup, XfmDo, XfmDestroy, optionally
XfmUpdate), and imports only from Windows system libraries, never from the program.

    check_plugin_exports.py <objdump> <plugin.xfm>
"""
import re
import subprocess
import sys

REQUIRED = {"QueryXfm", "XfmInit", "XfmSetup", "XfmDo", "XfmDestroy"}
OPTIONAL = {"XfmUpdate"}
SYSTEM = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll", "comctl32.dll",
          "comdlg32.dll", "shell32.dll", "winmm.dll", "ole32.dll"}


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    out = subprocess.run([sys.argv[1], "-p", sys.argv[2]], check=True, capture_output=True, text=True).stdout
    table = out.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) != 2:
        print("no export name table")
        return 1
    names = set()
    for line in table[1].splitlines()[1:]:
        m = re.match(r"\s*\[\s*\d+\]\s+(\S+)\s*$", line)
        if not m:
            break
        names.add(m.group(1))
    problems = []
    missing = REQUIRED - names
    if missing:
        problems.append("missing exports: %s" % ", ".join(sorted(missing)))
    extra = names - REQUIRED - OPTIONAL
    if extra:
        problems.append("exports beyond the contract (decorated or stray): %s" % ", ".join(sorted(extra)))
    dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", out)}
    foreign = dlls - SYSTEM
    if foreign:
        problems.append("imports from outside the system libraries: %s" % ", ".join(sorted(foreign)))
    for p in problems:
        print(p)
    if not problems:
        print("exports %s; imports %s" % (" ".join(sorted(names)), " ".join(sorted(dlls))))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
