#!/usr/bin/env python3
"""Mutation check: plants each fault of faults.txt in a copy of the sources, rebuilds and runs
the fast tests, and counts the faults the tests catch.

    nice -n 10 tests/mutation/mutate.py [--source DIR] [--work DIR] [--only ID,...] [--jobs N]
                                        [--keep-going] [--check]

The checkout is never touched: the git-tracked files of --source are copied to WORK/src and built
in WORK/build (Debug at -O0, no sanitizers, no benchmarks; ccache through the environment's
CMAKE_CXX_COMPILER_LAUNCHER). A later run reuses both and only refreshes files that differ. For
each fault: plant it, build (ninja rebuilds what depends on the file), run the tests labelled
unit or e2e, put the file back. Results: caught (a test failed, or the tests ran longer than
three times the unmutated run plus a minute: a hang), survived, build-error (not counted),
stale (the original text is not in the file exactly once: not counted).
"""
import argparse
import os
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
TEST_LABELS = "unit|e2e"  # in-process cases and runs of the quenara program; no Wine, no GUI


def parse_faults(path):
    """The fault list: [(id, file, original, replacement, description)]."""
    faults, current = [], None
    for number, line in enumerate(path.read_text().splitlines(), 1):
        if line.startswith("== "):
            head, _, description = line[3:].partition(" | ")
            fault_id, _, file = head.strip().partition(" ")
            current = {"id": fault_id, "file": file.strip(), "old": [], "new": [],
                       "what": description.strip()}
            faults.append(current)
        elif line[:1] in ("-", "+") and current is not None and line[1:2] in ("", " "):
            current["old" if line[0] == "-" else "new"].append(line[2:])
        elif line.strip() and not line.startswith("#"):
            sys.exit(f"{path}:{number}: not a fault line: {line!r}")
    ids = [f["id"] for f in faults]
    if len(ids) != len(set(ids)) or any(not f["old"] or not f["file"] for f in faults):
        sys.exit(f"{path}: duplicate ids, or a fault without file or original text")
    return [(f["id"], f["file"], "\n".join(f["old"]), "\n".join(f["new"]), f["what"])
            for f in faults]


def sync_sources(source, src):
    """Copies the git-tracked files; unchanged files keep their time stamps (no rebuild)."""
    files = subprocess.run(["git", "-C", str(source), "ls-files", "-z"], check=True,
                           capture_output=True).stdout.decode().split("\0")
    files = {f for f in files if f and (source / f).is_file()}
    for name in files:
        data = (source / name).read_bytes()
        target = src / name
        if not target.is_file() or target.read_bytes() != data:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(data)
            os.chmod(target, (source / name).stat().st_mode & 0o777)
    for target in [p for p in src.rglob("*") if p.is_file()]:
        if str(target.relative_to(src)) not in files:
            target.unlink()


def run(command, log, timeout=None):
    """Runs a command with its output appended to log. Returns the exit status, None on
    timeout (the whole process group is ended)."""
    with open(log, "a") as out:
        out.write(f"\n$ {' '.join(command)}\n")
        out.flush()
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, 9)
            process.wait()
            return None


def failed_tests(build):
    path = build / "Testing" / "Temporary" / "LastTestsFailed.log"
    if not path.is_file():
        return []
    return [line.partition(":")[2] for line in path.read_text().splitlines() if ":" in line]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--source", type=Path, default=HERE.parent.parent,
                        help="the repository to test (default: the one this script is in)")
    parser.add_argument("--work", type=Path, default=Path("/tmp/quenara-mutation"),
                        help="scratch directory for the copy and its build tree")
    parser.add_argument("--faults", type=Path, default=HERE / "faults.txt")
    parser.add_argument("--only", help="comma-separated fault ids")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--keep-going", action="store_true",
                        help="run every test of a mutant (default: stop at the first failure) "
                             "and report how many failed")
    parser.add_argument("--check", action="store_true",
                        help="only check that every fault's original text is found once")
    args = parser.parse_args()
    if os.nice(0) < 10:
        os.nice(10 - os.nice(0))  # a shared machine: others build here too

    source = args.source.resolve()
    faults = parse_faults(args.faults)
    if args.only:
        wanted = set(args.only.split(","))
        unknown = wanted - {f[0] for f in faults}
        if unknown:
            sys.exit(f"unknown fault ids: {', '.join(sorted(unknown))}")
        faults = [f for f in faults if f[0] in wanted]

    def applicable(file, old):
        path = source / file
        return path.is_file() and path.read_text().count(old) == 1

    if args.check:
        stale = [f[0] for f in faults if not applicable(f[1], f[2])]
        print(f"{len(faults)} faults, stale: {', '.join(stale) or 'none'}")
        return 1 if stale else 0

    work = args.work.resolve()
    src, build, log = work / "src", work / "build", work / "mutation.log"
    src.mkdir(parents=True, exist_ok=True)
    log.write_text("")
    started = time.time()
    sync_sources(source, src)
    if not (build / "build.ninja").is_file():
        configure = ["cmake", "-S", str(src), "-B", str(build), "-G", "Ninja",
                     "-DCMAKE_BUILD_TYPE=Debug", "-DCMAKE_CXX_FLAGS_DEBUG=-O0",
                     "-DCMAKE_C_FLAGS_DEBUG=-O0", "-DQUENARA_BUILD_BENCHMARKS=OFF"]
        if run(configure, log) != 0:
            sys.exit(f"configure failed, see {log}")
    build_cmd = ["ninja", "-C", str(build), f"-j{args.jobs}"]
    test_cmd = ["ctest", "--test-dir", str(build), "-L", TEST_LABELS, "-j", str(args.jobs)]
    if not args.keep_going:
        test_cmd.append("--stop-on-failure")

    if run(build_cmd, log) != 0:
        sys.exit(f"*** the unmutated sources do not build, see {log}")
    test_start = time.time()
    if run(test_cmd, log) != 0:
        sys.exit(f"*** the unmutated sources fail their tests ({', '.join(failed_tests(build))}), "
                 f"see {log}")
    baseline = time.time() - test_start
    timeout = 3 * baseline + 60
    print(f"baseline: built and tested in {time.time() - started:.0f} s (tests {baseline:.0f} s; "
          f"a mutant's tests time out after {timeout:.0f} s)", flush=True)

    results = []
    for fault_id, file, old, new, what in faults:
        path = src / file
        if not applicable(file, old) or path.read_text().count(old) != 1:
            results.append((fault_id, "stale", 0, what, ""))
            print(f"{'stale':12} {fault_id:26} {what}", flush=True)
            continue
        original = path.read_text()
        fault_start = time.time()
        note = ""
        try:
            path.write_text(original.replace(old, new))
            with open(log, "a") as out:
                out.write(f"\n==== {fault_id}: {what}\n")
            if run(build_cmd, log) != 0:
                state = "build-error"
            else:
                status = run(test_cmd, log, timeout=timeout)
                failed = failed_tests(build)
                if status is None:
                    state, note = "caught", "timed out"
                elif status != 0:
                    state = "caught"
                    note = failed[0] if failed else f"ctest exit {status}"
                    if args.keep_going:
                        note = f"{len(failed)} tests, first {note}"
                else:
                    state = "survived"
        finally:
            # Back to the original text with a fresh time stamp, newer than the mutant's
            # objects, so that the next build recompiles it (a ccache hit).
            path.write_text(original)
            os.utime(path, None)
        seconds = time.time() - fault_start
        results.append((fault_id, state, seconds, what, note))
        print(f"{state:12} {fault_id:26} {seconds:5.0f} s  {what}{'  [' + note + ']' if note else ''}",
              flush=True)

    counted = [r for r in results if r[1] in ("caught", "survived")]
    caught = sum(1 for r in counted if r[1] == "caught")
    lines = [f"mutation check of {source} ({time.strftime('%Y-%m-%d %H:%M')})",
             f"caught {caught} of {len(counted)}"]
    for state in ("survived", "build-error", "stale"):
        ids = [r[0] for r in results if r[1] == state]
        lines.append(f"{state}: {len(ids)}{' (' + ', '.join(ids) + ')' if ids else ''}")
    lines.append(f"wall time {time.time() - started:.0f} s, tests labelled {TEST_LABELS}")
    lines += [""] + [f"{r[1]:12} {r[0]:26} {r[2]:5.0f} s  {r[3]}" +
                     (f"  [{r[4]}]" if r[4] else "") for r in results]
    (work / "report.txt").write_text("\n".join(lines) + "\n")
    print("\n".join(lines[1:5]))
    print(f"report: {work / 'report.txt'}, build and test output: {log}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
