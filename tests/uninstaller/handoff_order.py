#!/usr/bin/env python3
"""The uninstaller's copy must ask who started it while its starter still runs:
Windows does not name the image of a process that has ended (Wine does, so
only the order of the calls can show the fault here). Runs one install and
uninstall with Wine's call trace on for three calls and checks that the copy's
QueryFullProcessImageNameW comes before its starter's ExitProcess.
  handoff_order.py <wine-run.sh> <test_uninstall.exe> <tallyuninstall.exe>"""
import os
import re
import subprocess
import sys
import tempfile

CALLS = "kernel32.CreateProcessW;kernel32.ExitProcess;kernel32.QueryFullProcessImageNameW"
CALL = re.compile(r"^(\d+\.\d+):([0-9a-f]+):[0-9a-f]+:Call KERNEL32\.(\w+)\((.*)$")


def main():
    wine_run, test_exe, uninstaller = sys.argv[1:4]
    here = os.path.dirname(os.path.abspath(wine_run))
    root = os.environ.get("TALLY_WINE_ROOT", os.path.join(here, "..", "build", "wine"))
    prefix = os.environ.get("TALLY_WINE_PREFIX", os.path.join(root, "prefix"))
    # One wineserver for the three runs, so the setting is there when the traced programs start.
    private = tempfile.mkdtemp(prefix="tb.", dir="/tmp")
    env = dict(os.environ, TALLY_TMP=private, TMPDIR=private)
    key = r"HKCU\Software\Wine\Debug"
    try:
        subprocess.run([wine_run, "reg", "add", key, "/v", "RelayInclude", "/t", "REG_SZ", "/d", CALLS, "/f"],
                       env=env, check=True, capture_output=True, timeout=120)
        traced = subprocess.run([wine_run, test_exe, uninstaller, "traced"], capture_output=True, text=True,
                                errors="replace", timeout=300,
                                env=dict(env, WINEDEBUG="+timestamp,+pid,+relay"))
        subprocess.run([wine_run, "reg", "delete", key, "/v", "RelayInclude", "/f"],
                       env=env, capture_output=True, timeout=120)
    finally:
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=dict(env, WINEPREFIX=prefix), capture_output=True)
        subprocess.run(["rm", "-rf", private])
    print(traced.stdout, end="")
    if traced.returncode != 0:
        print(f"FAIL: the traced uninstall exited with status {traced.returncode}; its last lines:")
        print("\n".join([l for l in traced.stderr.splitlines() if ":Call " not in l and ":Ret " not in l][-15:]))
        return 1
    calls = [m.groups() for m in map(CALL.match, traced.stderr.splitlines()) if m]
    starters = [(t, pid) for t, pid, name, args in calls if name == "CreateProcessW" and "--finish" in args]
    if len(starters) != 1:
        print(f"FAIL: expected one hand-off (CreateProcessW with --finish), saw {len(starters)}")
        return 1
    handed_at, starter = starters[0]
    # Times have millisecond steps: within one, the trace's own order (each line
    # is written as its call is made) tells which came first.
    exits = [(float(t), i) for i, (t, pid, name, _) in enumerate(calls) if pid == starter and name == "ExitProcess"]
    asks = [(float(t), i) for i, (t, pid, name, _) in enumerate(calls)
            if pid != starter and name == "QueryFullProcessImageNameW" and float(t) >= float(handed_at)]
    for t, pid, name, args in calls:
        if float(t) >= float(handed_at):
            print(f"  {t} process {pid}: {name}({args[:60]}")
    if not exits or not asks:
        print(f"FAIL: starter {starter} ExitProcess calls {len(exits)}, the copy's image queries {len(asks)}")
        return 1
    if asks[0] >= exits[0]:
        print(f"FAIL: the copy asked for its starter's image at {asks[0][0]:.3f}, after the starter ended at "
              f"{exits[0][0]:.3f}; Windows would not have answered")
        return 1
    print(f"ok: the copy checked its starter at {asks[0][0]:.3f}, {1000 * (exits[0][0] - asks[0][0]):.0f} ms before it ended")
    return 0


if __name__ == "__main__":
    sys.exit(main())
