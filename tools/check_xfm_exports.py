#!/usr/bin/env python3
"""Checks xfmhost/sorn96_exports.def against the XFM_EXPORT definitions of the host's Win32 files: every
service defined is exported under its name without the "xfm_" prefix, with the argument bytes of its
parameter list (4 per argument, 8 per double), and the list names nothing else.

usage: check_xfm_exports.py <source dir>"""
import re
import sys


def defined(root):
    out = {}
    for name in ("xfm_services_win.cpp", "xfm_host_win.cpp"):
        with open("%s/xfmhost/%s" % (root, name)) as f:
            text = f.read()
        for m in re.finditer(r"XFM_EXPORT\(([^)]*)\)\s*xfm_(\w+)\(([^)]*)\)\s*\{", text):
            args = [a.strip() for a in m.group(3).split(",") if a.strip() and a.strip() != "void"]
            out[m.group(2)] = sum(8 if a.startswith("double") and "*" not in a else 4 for a in args)
    return out


def exported(root):
    out = {}
    with open("%s/xfmhost/sorn96_exports.def" % root) as f:
        for line in f:
            m = re.match(r"\s*(\w+)\s*=\s*xfm_(\w+)@(\d+)\s*$", line)
            if m:
                if m.group(1) != m.group(2):
                    sys.exit("export %s names xfm_%s" % (m.group(1), m.group(2)))
                out[m.group(1)] = int(m.group(3))
    return out


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    d, e = defined(root), exported(root)
    problems = []
    for name, size in sorted(d.items()):
        if name not in e:
            problems.append("%s is defined but not exported" % name)
        elif e[name] != size:
            problems.append("%s pops %d bytes, the export list says %d" % (name, size, e[name]))
    for name in sorted(set(e) - set(d)):
        problems.append("%s is exported but not defined" % name)
    if len(d) < 80:
        problems.append("only %d services found: the pattern no longer matches the sources" % len(d))
    for p in problems:
        print(p)
    print("%d services, %d exports, %d problems" % (len(d), len(e), len(problems)))
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
