#!/usr/bin/env python3
"""Kills a Windows process that holds the store's temp file and checks that the file goes with it.

The store's temp files are opened delete-on-close, so the system removes them when the last handle goes,
also when the process dies without shutting the store down. This starts storage_wintests.exe under Wine
with only its child test selected (it makes and writes a temp file in the given directory, then waits),
kills the process from outside once it is ready, and waits for the directory to become empty.

    killed_store_check.py <repo> <storage_wintests.exe>
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time


def wine_path(p):
    return "Z:" + p.replace("/", "\\")


def kill_programs_of(prefix, pattern):
    """Kills (SIGKILL) the processes whose command line holds `pattern` and that were started for `prefix`
    (SORN_PREFIX, which the wrapper and everything it starts inherit): the same test may be running for
    another build on this machine, and its processes must live on."""
    found = subprocess.run(["pgrep", "-f", pattern], check=False, capture_output=True, text=True).stdout.split()
    killed = False
    for pid in found:
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                env = f.read().split(b"\0")
        except OSError:
            continue
        if ("SORN_PREFIX=" + prefix).encode() not in env:
            continue
        try:
            os.kill(int(pid), signal.SIGKILL)
            killed = True
        except ProcessLookupError:
            pass
    return killed


def files_in(d):
    return [n for n in os.listdir(d) if os.path.isfile(os.path.join(d, n))]


def main():
    repo, exe = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="sorn-killed-")
    temp = os.path.join(work, "temp")
    os.mkdir(temp)
    prefix = os.path.join(work, "prefix")
    env = dict(os.environ, SORN_STORE_CHILD_DIR=wine_path(temp), SORN_PREFIX=prefix)
    child = subprocess.Popen(
        [os.path.join(repo, "tools", "wine-run"), exe,
         "--gtest_filter=StoreWinTest.ChildHoldsTempFilesUntilKilled"],
        env=env, start_new_session=True, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    ready = os.path.join(work, "child-ready.txt")
    ok = False
    try:
        deadline = time.time() + 90
        while time.time() < deadline and not os.path.exists(ready) and child.poll() is None:
            time.sleep(0.2)
        if not os.path.exists(ready):
            out = child.stdout.read().decode(errors="replace") if child.poll() is not None else ""
            print("the child never got ready\n" + out)
            return 1
        held = files_in(temp)
        if not held:
            print("no temp file while the child lives")
            return 1
        print("child holds", held)
        # Kill the Windows program itself (not its wine-run wrapper, whose exit trap would stop the
        # wineserver that must notice the death and close the handles).
        if not kill_programs_of(prefix, "storage_wintests.exe --gtest_filter=StoreWinTest.Child"):
            print("found no process to kill")
            return 1
        deadline = time.time() + 30
        while time.time() < deadline and files_in(temp):
            time.sleep(0.2)
        left = files_in(temp)
        if left:
            print("temp files outlived the killed process:", left)
            return 1
        print("the temp file went with the killed process")
        ok = True
        return 0
    finally:
        try:
            os.killpg(child.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        child.wait()
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=prefix), check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if ok:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
