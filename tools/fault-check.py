#!/usr/bin/env python3
"""How many small mistakes does `make test` notice?

Applies each fault of tools/faults.txt, one at a time, to a scratch copy of the committed
sources, builds, runs the whole suite (it stops at the first failing entry) and prints which
faults were caught and by what. A failing entry counts only if it passes with the unchanged
program put back and fails again with the mistake; one that fails now and then (under load)
says nothing, and the suite is run once more. A fault after which both builds of setup.exe come out byte for
byte as before (the build is reproducible) cannot change what the program does: it is reported
as such and not counted. A fault in tools/ (the signing, the release) is always judged by the suite.

    tools/fault-check.py [--rev REV] [--only ID[,ID...]] [--scratch DIR]

--rev takes the sources, tests included, from another commit: run it at the commit before a
change to the tests and at the one after to see what the change bought. Uncommitted edits are
not seen. The scratch folder is kept, so a second run reuses its builds.
"""

import argparse
import hashlib
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
FAULT_LIST = REPO / "tools" / "faults.txt"


def read_faults(path):
    """The list: blocks of `== id file`, a line saying what a player would see, then `--- before`
    and `+++ after` sections holding the exact text and its replacement."""
    faults, current, section = [], None, None
    for line in path.read_text().splitlines(keepends=True):
        if line.startswith("#") and section is None:
            continue
        if line.startswith("== "):
            name, file = line[3:].split()
            current = {"id": name, "file": file, "what": "", "before": "", "after": ""}
            faults.append(current)
            section = "what"
        elif line.rstrip("\n") in ("--- before", "+++ after"):
            section = "before" if line.startswith("---") else "after"
        elif current is not None and section:
            current[section] += line
    for fault in faults:
        fault["what"] = fault["what"].strip()
        # The last newline of each section belongs to the list's layout, not to the text.
        fault["before"] = fault["before"][:-1] if fault["before"].endswith("\n") else fault["before"]
        fault["after"] = fault["after"][:-1] if fault["after"].endswith("\n") else fault["after"]
    return faults


def sh(command, log, cwd=None, env=None):
    with open(log, "a") as out:
        out.write(f"\n$ {command}\n")
        out.flush()
        return subprocess.run(command, shell=True, cwd=cwd, env=env, stdout=out, stderr=subprocess.STDOUT).returncode


def only(entries):
    """The ctest selection of exactly these entries."""
    return "-R '^({})$'".format("|".join(re.escape(e) for e in entries))


class Scratch:
    def __init__(self, folder, rev):
        self.folder, self.rev = folder, rev
        self.src = folder / "src"
        self.log = folder / "log.txt"
        self.run_dir = None

    def export(self):
        commit = subprocess.run(["git", "-C", str(REPO), "rev-parse", self.rev], capture_output=True, text=True,
                                check=True).stdout.strip()
        marker = self.folder / "commit"
        if marker.exists() and marker.read_text() == commit and self.src.exists():
            return commit
        shutil.rmtree(self.folder, ignore_errors=True)
        self.src.mkdir(parents=True)
        archive = subprocess.run(["git", "-C", str(REPO), "archive", commit], capture_output=True, check=True).stdout
        subprocess.run(["tar", "-x", "-C", str(self.src)], input=archive, check=True)
        marker.write_text(commit)
        return commit

    def build(self):
        """Both builds: the shipped one and, where it differs, the one the tests run."""
        if sh("make build", self.log, cwd=self.src) != 0:
            return False
        found = subprocess.run(["bash", "tools/runnable-build.sh"], cwd=self.src, capture_output=True, text=True)
        with open(self.log, "a") as out:
            out.write(found.stderr)
        if found.returncode != 0:
            return False
        self.run_dir = Path(found.stdout.strip().splitlines()[-1])
        return True

    def built(self):
        """Every built file that holds the program's code: setup.exe, and the in-process tests
        that link the same sources, in both builds."""
        return [folder / name for folder in sorted({self.src / "build", self.run_dir})
                for name in ("setup.exe", "tests/unit_tests.exe")]

    def programs(self):
        """The digest of every build of setup.exe: equal digests mean the same program."""
        digest = hashlib.sha256()
        for path in self.built():
            if path.name == "setup.exe":
                digest.update(path.read_bytes())
        return digest.hexdigest()

    def keep_clean(self):
        self.clean = self.folder / "clean"
        shutil.rmtree(self.clean, ignore_errors=True)
        self.clean.mkdir()
        for i, path in enumerate(self.built()):
            shutil.copy2(path, self.clean / str(i))

    def fail_without_the_mistake(self, entries):
        """Of the given suite entries, those that fail with the unchanged program too (an entry
        that fails now and then under load): the clean files are put in place for the run."""
        aside = self.folder / "faulty"
        shutil.rmtree(aside, ignore_errors=True)
        aside.mkdir()
        for i, path in enumerate(self.built()):
            shutil.copy2(path, aside / str(i))
            shutil.copy2(self.clean / str(i), path)
        try:
            return self.run_ctest(only(entries))
        finally:
            for i, path in enumerate(self.built()):
                shutil.copy2(aside / str(i), path)

    def suite(self):
        """Runs the suite as `make test` does, the quick in-process entries first; returns the
        names of the failing entries (empty when all pass)."""
        # In-process entries first; then the quick end-to-end suites; the three long ones last.
        long = "-R '^e2e\\.(runs|install|bad_input)$'"
        for stage in ("-E '^e2e\\.'", "-R '^e2e\\.' -E '^e2e\\.(runs|install|bad_input)$'", long):
            failing = self.run_ctest(f"--stop-on-failure {stage}")
            if failing:
                return failing
        return []

    def run_ctest(self, selection):
        command = f"xvfb-run -a -s '-screen 0 1024x768x24 -noreset' ctest -j2 {selection}"
        if sh(command, self.log, cwd=self.run_dir) == 0:
            return []
        failed = self.run_dir / "Testing" / "Temporary" / "LastTestsFailed.log"
        last = self.run_dir / "Testing" / "Temporary" / "LastTest.log"
        if last.exists():   # what the failing checks said, for the log
            with open(self.log, "a") as out, open(last, errors="replace") as printed:
                out.writelines(line for line in printed if line.startswith("FAIL"))
        names = [line.split(":", 1)[1].strip() for line in failed.read_text().splitlines() if ":" in line] \
            if failed.exists() else []
        return names or ["(ctest failed)"]

    def judge(self):
        """Caught when an entry fails that passes without the mistake. An entry that fails either
        way says nothing of the mistake; the suite is then run once more."""
        for _ in range(2):
            failing = self.suite()
            if not failing:
                return "MISSED", "every entry passes"
            either_way = self.fail_without_the_mistake(failing)
            suspects = [e for e in failing if e not in either_way]
            # And it fails again with the mistake: a failure now and then does not count.
            caught = self.run_ctest(only(suspects)) if suspects else []
            if caught:
                return "caught", ", ".join(caught)
        return "unsure", f"{', '.join(failing)} failed, but not only with the mistake"


def main():
    # Stopped from outside, the mistake in hand is still taken back out of the scratch copy.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rev", default="HEAD")
    parser.add_argument("--only", default="")
    parser.add_argument("--scratch")
    parser.add_argument("--faults", type=Path, default=FAULT_LIST,
                        help="another list, for a commit whose sources an edit since has changed")
    args = parser.parse_args()

    faults = read_faults(args.faults)
    if args.only:
        wanted = set(args.only.split(","))
        faults = [f for f in faults if f["id"] in wanted]
    name = re.sub(r"[^A-Za-z0-9._-]", "_", args.rev)
    scratch = Scratch(Path(args.scratch or f"/tmp/marvolen-faults/{name}"), args.rev)
    commit = scratch.export()
    print(f"sources of {commit[:10]} in {scratch.src}; the build and test output goes to {scratch.log}", flush=True)

    started = time.monotonic()
    if not scratch.build():
        sys.exit(f"the unchanged sources do not build; see {scratch.log}")
    clean = scratch.programs()
    scratch.keep_clean()
    passed = scratch.folder / "passed"   # the digest of the unchanged programs the suite passed
    if passed.exists() and passed.read_text() == clean:
        print("unchanged sources: the suite passed them in an earlier run of this folder", flush=True)
    else:
        failing = scratch.suite()
        if failing:
            sys.exit(f"the unchanged sources fail {', '.join(failing)}: nothing to measure; see {scratch.log}")
        passed.write_text(clean)
        print(f"unchanged sources: the suite passes ({time.monotonic() - started:.0f}s)", flush=True)

    results = []
    for fault in faults:
        path = scratch.src / fault["file"]
        original = path.read_text() if path.exists() else ""
        t0 = time.monotonic()
        if original.count(fault["before"]) != 1:
            verdict, detail = "does not apply", "the text is not there exactly once"
        else:
            path.write_text(original.replace(fault["before"], fault["after"]))
            try:
                if not scratch.build():
                    verdict, detail = "caught", "the build fails"
                elif not fault["file"].startswith("tools/") and scratch.programs() == clean:
                    verdict, detail = "no effect", "setup.exe comes out byte for byte the same"
                else:
                    verdict, detail = scratch.judge()
            finally:
                path.write_text(original)
        results.append((fault, verdict, detail))
        print(f"{verdict:>15}  {fault['id']:<34} {detail}  ({time.monotonic() - t0:.0f}s)", flush=True)

    scratch.build()   # leave the scratch builds as the sources are
    # An unsure verdict counts as missed: the suite did not show that it notices the mistake.
    counted = [r for r in results if r[1] in ("caught", "MISSED", "unsure")]
    caught = sum(r[1] == "caught" for r in counted)
    print(f"\n{commit[:10]}: caught {caught} of {len(counted)} faults that change the program", end="")
    others = len(results) - len(counted)
    print(f"; {others} change nothing or do not apply" if others else "")
    for fault, verdict, _ in results:
        if verdict in ("MISSED", "unsure"):
            print(f"  {verdict.lower()}: {fault['id']}: {fault['what']}")
    sys.exit(0 if caught == len(counted) else 1)


if __name__ == "__main__":
    main()
