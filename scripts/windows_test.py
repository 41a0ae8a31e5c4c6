#!/usr/bin/env python3
"""Proves the Windows qirvex.exe and qirvex-rescue.exe: runs them under Wine beside the Linux
build on the cases of windows_cases.py and windows_rescue_cases.py and asserts identical target
files, standard output, standard error and exit statuses; then the cases where Windows differs by
design, against what Windows must do.

Wine gets a throwaway prefix in a temporary folder and no messages of its own (WINEDEBUG=-all);
its server is kept running for the cases and stopped at the end. Run as root, the Windows program
runs as the user nobody: Wine would otherwise let root write a read-only file, which Windows
refuses even to an administrator.

A status of -1 reaches a Unix caller as 255, from the Linux program and through Wine alike, so
the statuses compare as they are; the cases run through cmd show what %ERRORLEVEL% holds (-1).

Wine on rare runs fails an assertion of the host's dynamic loader (dl-fini.c:87) as a program
ends; a case whose Windows run shows exactly that is run once more.

Usage: windows_test.py LINUX_BUILD_FOLDER WINDOWS_BUILD_FOLDER   (needs wine64, sox, lame,
       oggenc and sndfile-convert)
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from windows_cases import Outcome, make_inputs, shared_cases, windows_cases
from windows_rescue_cases import make_recordings, rescue_cases, rescue_windows_cases

UNPRIVILEGED = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"]
# Run by cmd, the program's status is echoed as %ERRORLEVEL% on a line of its own.
STATUS_BATCH = '@"%~dp0qirvex.exe" %*\r\n@echo status %ERRORLEVEL%\r\n'
ECHOED_STATUS = re.compile(rb"status (-?\d+)\r\n\Z")
PROGRAMS = ("qirvex", "qirvex-rescue")
WINE_FLAKE = b"dl-fini.c:87"


def find_program(candidates):
    for candidate in candidates:
        found = shutil.which(candidate)
        if found:
            return found
    sys.exit("windows_test: none of %s found (apt-get install --no-install-recommends wine64)"
             % ", ".join(candidates))


def hand_over(path, user):
    """Makes a folder and everything in it the Windows program's, when it runs as another user."""
    if not user:
        return
    for item in [path] + list(path.rglob("*")):
        shutil.chown(item, "nobody", "nogroup")


def windows_path(path):
    """Wine's drive Z: is the Unix root."""
    return "Z:" + str(path).replace("/", "\\")


class Wine:
    def __init__(self, work):
        self.loader = find_program(["/usr/lib/wine/wine64", "wine64", "wine"])
        self.server = find_program(["/usr/lib/wine/wineserver", "wineserver"])
        self.user = UNPRIVILEGED if os.geteuid() == 0 else []
        self.prefix = work / "prefix"
        # C.UTF-8: Wine turns the UTF-8 arguments and file names into UTF-16 by the locale.
        self.env = dict(os.environ, WINEPREFIX=str(self.prefix), WINEDEBUG="-all",
                        WINELOADER=self.loader, LC_ALL="C.UTF-8", HOME=str(work))

    def command(self, arguments):
        return self.user + arguments

    def start(self):
        """Creates the prefix (Wine's slow first start, whose messages no case should see) and
        keeps its server running until stop."""
        self.prefix.mkdir()
        hand_over(self.prefix, self.user)
        subprocess.run(self.command([self.server, "-p"]), env=self.env, check=True)
        # Not captured: the services that wineboot starts keep whatever output they inherit.
        subprocess.run(self.command([self.loader, "wineboot", "-i"]), env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)

    def stop(self):
        subprocess.run(self.command([self.server, "-k"]), env=self.env, check=False)

    def run(self, arguments, folder, merged=None, stdin=None):
        return run_captured(self.command([self.loader] + arguments), folder, self.env, merged,
                            stdin)


def run_captured(command, folder, env=None, merged=None, stdin=None):
    """Runs a command in a folder, with `stdin` through a pipe into its standard input. With
    `merged` (a file outside the folder), standard output and standard error both go into that
    file, as `> log 2>&1` sends them, and its bytes stand as the standard output: the order of
    the two streams' messages is then part of the outcome."""
    if merged is None:
        return subprocess.run(command, cwd=folder, env=env, capture_output=True, check=False,
                              input=stdin)
    with open(merged, "wb") as log:
        result = subprocess.run(command, cwd=folder, env=env, stdout=log,
                                stderr=subprocess.STDOUT, check=False)
    return subprocess.CompletedProcess(command, result.returncode, merged.read_bytes(), b"")


def merged_log(case, folder):
    return folder.with_name(folder.name + ".log") if case.merged else None


def snapshot(folder):
    return {str(path.relative_to(folder)): path.read_bytes()
            for path in sorted(folder.rglob("*")) if path.is_file()}


def prepare(folder, case):
    folder.mkdir(parents=True)
    for name, data in case.files.items():
        path = folder / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
    for name in case.read_only:
        (folder / name).chmod(0o444)


class Runner:
    def __init__(self, linux_build, windows_build, work):
        self.linux_build = linux_build
        self.work = work
        self.wine = Wine(work)
        self.bin = work / "bin"
        self.bin.mkdir()
        for program in PROGRAMS:
            shutil.copy(windows_build / (program + ".exe"), self.bin / (program + ".exe"))
        (self.bin / "status.cmd").write_bytes(STATUS_BATCH.encode())
        hand_over(work, self.wine.user)
        self.count = 0
        self.failures = []

    def linux(self, case, folder):
        prepare(folder, case)
        result = run_captured([str(self.linux_build / case.program)] + case.args, folder,
                              merged=merged_log(case, folder), stdin=case.stdin)
        return Outcome(snapshot(folder), result.returncode, result.stdout, result.stderr)

    def windows(self, case, folder):
        prepare(folder, case)
        hand_over(folder, self.wine.user)
        arguments = case.windows_args if case.windows_args is not None else case.args
        if not case.through_cmd:
            command = [str(self.bin / (case.program + ".exe"))] + arguments
            result = self.wine.run(command, folder, merged_log(case, folder), case.stdin)
            if WINE_FLAKE in result.stderr:
                shutil.rmtree(folder)
                prepare(folder, case)
                hand_over(folder, self.wine.user)
                result = self.wine.run(command, folder, merged_log(case, folder), case.stdin)
            return Outcome(snapshot(folder), result.returncode, result.stdout, result.stderr)
        result = self.wine.run(["cmd", "/c", windows_path(self.bin / "status.cmd")] + arguments,
                               folder)
        echoed = ECHOED_STATUS.search(result.stdout)
        if echoed is None:
            return Outcome(snapshot(folder), None, result.stdout, result.stderr)
        # cmd shows the status as the signed 32-bit exit code; a Unix caller sees its low byte.
        stdout = result.stdout[:echoed.start()]
        return Outcome(snapshot(folder), int(echoed.group(1)) & 0xFF, stdout, result.stderr)

    def check(self, case):
        self.count += 1
        folder = self.work / ("case-%03d" % self.count)
        expected = case.expected or self.linux(case, folder / "linux")
        found = self.windows(case, folder / "windows")
        if found != expected:
            self.failures.append(describe(case, expected, found))
        shutil.rmtree(folder)


def describe(case, expected, found):
    lines = ["%s (%s %s):" % (case.label, case.program, " ".join(case.windows_args or case.args))]
    if expected.status != found.status:
        lines.append("  status %s, expected %s" % (found.status, expected.status))
    for stream in ("stdout", "stderr"):
        if getattr(expected, stream) != getattr(found, stream):
            lines.append("  %s %r,\n    expected %r" % (stream, getattr(found, stream)[:300],
                                                     getattr(expected, stream)[:300]))
    for name in sorted(set(expected.files) | set(found.files)):
        if expected.files.get(name) != found.files.get(name):
            lines.append("  file %s differs or is missing" % name)
    return "\n".join(lines)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    linux_build, windows_build = (Path(name).resolve() for name in sys.argv[1:])
    started = time.monotonic()
    work = Path(tempfile.mkdtemp(prefix="qirvex-windows-"))
    runner = None
    try:
        runner = Runner(linux_build, windows_build, work)
        inputs = make_inputs(linux_build / "qirvex", work)
        recordings = make_recordings(linux_build / "qirvex", work)
        print("Inputs made in %.1f s" % (time.monotonic() - started), flush=True)
        runner.wine.start()
        print("Wine prefix ready in %.1f s" % (time.monotonic() - started), flush=True)
        shared = shared_cases(inputs) + rescue_cases(inputs, recordings)
        windows_only = windows_cases(inputs) + rescue_windows_cases(recordings)
        for case in shared + windows_only:
            runner.check(case)
    finally:
        if runner is not None:
            runner.wine.stop()
        shutil.rmtree(work)
    for failure in runner.failures:
        print(failure)
    counts = {program: sum(case.program == program for case in shared + windows_only)
              for program in PROGRAMS}
    print("%d cases (%d against the Linux build, %d Windows only; %d of qirvex, %d of "
          "qirvex-rescue), %d differ; %.1f s in all"
          % (runner.count, len(shared), len(windows_only), counts["qirvex"],
             counts["qirvex-rescue"], len(runner.failures), time.monotonic() - started))
    sys.exit(1 if runner.failures else 0)


if __name__ == "__main__":
    main()
