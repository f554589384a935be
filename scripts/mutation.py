#!/usr/bin/env python3
"""Mutation pass: plants one single-line fault at a time in the sources, rebuilds and
runs the whole suite, and reports which faults no test catches.

    scripts/mutation.py [--faults FILE] [--tree DIR] [--build DIR] [--only SUBSTRING]
                        [--locales C,it_IT.UTF-8] [--slow REGEX]

--faults   the list of faults (default scripts/mutants/own.tsv): one a line, subsystem,
           file, text on the line and replacement separated by tabs, with "\\n", "\\t"
           and "\\\\" for a line feed, a tab and a backslash; lines starting with "#"
           and blank lines are skipped.  The text must stand exactly once in the file;
           a fault whose text does not is reported "not found" and left out.
--only     keeps the faults whose subsystem or file contains SUBSTRING.
--locales  runs the suite under each of these LC_ALL values in turn, up to the first
           that catches the fault (a number written or read through the C library
           shows only in Italian); without it, under the caller's locale.
--slow     the tests (a ctest regex) run only after all the others pass, such as the
           comparison with the peer simulator: a caught fault then costs seconds.

Run it on a copy of the tree (git worktree add /tmp/mut HEAD), since every fault is
written into the sources for the length of one build.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ESCAPES = {"n": "\n", "t": "\t", "\\": "\\"}


def unescape(field, where):
    def one(match):
        if match.group(1) not in ESCAPES:
            raise SystemExit(f"{where}: unknown escape \\{match.group(1)}")
        return ESCAPES[match.group(1)]
    return re.sub(r"\\(.)", one, field)


def read_faults(path):
    faults = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split("\t")
            where = f"{path}:{number}"
            if len(fields) != 4:
                raise SystemExit(f"{where}: {len(fields)} fields, 4 expected (tab-separated)")
            faults.append(tuple(unescape(field, where) for field in fields))
    return faults


# Plants the fault; nothing when its text does not stand exactly once in the file (the
# code has moved on since the fault was written down).
def apply(tree, path, find, replace):
    full = os.path.join(tree, path)
    with open(full, encoding="utf-8") as f:
        text = f.read()
    if text.count(find) != 1:
        return None
    with open(full, "w", encoding="utf-8") as f:
        f.write(text.replace(find, replace))
    return full, text


# The line of the anchor that the fault changes, for the report.
def changed_line(find, replace):
    for old, new in zip(find.split("\n"), replace.split("\n")):
        if old != new:
            return old.strip()
    return find.split("\n")[0].strip()


def run_suite(build, locales, slow):
    """The verdict and the failing tests, trying each locale until one catches.  The
    tests matching `slow` run only when the others have all passed: a fault most tests
    catch in seconds then costs seconds, and the verdict is the whole suite's."""
    selections = [["-E", slow], ["-R", slow]] if slow else [[]]
    for locale in locales:
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        if locale:
            env.update(LC_ALL=locale, LANG=locale)
        for selection in selections:
            with tempfile.TemporaryDirectory() as runtime:
                env["XDG_RUNTIME_DIR"] = runtime
                run = subprocess.run(["ctest", "--test-dir", build, "-j2", "--timeout", "300",
                                      "--output-on-failure", *selection],
                                     capture_output=True, text=True, env=env)
            if run.returncode != 0:
                failing = sorted(set(re.findall(r"FAIL!  : (\w+::\w+)", run.stdout)))
                tests = failing or sorted(set(re.findall(r"\d+ - (\w+) \(", run.stdout)))
                return "caught", [f"{t} ({locale})" if locale else t for t in tests]
    return "SURVIVED", []


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--faults", default=os.path.join(HERE, "mutants", "own.tsv"))
    parser.add_argument("--tree", default=os.path.join(HERE, ".."))
    parser.add_argument("--build", default=None)
    parser.add_argument("--only", default="")
    parser.add_argument("--locales", default="", help="comma-separated LC_ALL values, e.g. C,it_IT.UTF-8")
    parser.add_argument("--slow", default="", help="regex of the tests run last, only when the rest pass")
    args = parser.parse_args()
    tree = os.path.abspath(args.tree)
    build = os.path.abspath(args.build or os.path.join(tree, "build-mutation"))
    locales = [l for l in args.locales.split(",") if l] or [None]
    faults = read_faults(args.faults)
    subprocess.run(["cmake", "-S", tree, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "-j2"], check=True, stdout=subprocess.DEVNULL)
    rows, caught = [], 0
    chosen = [f for f in faults if args.only in f[1] or args.only in f[0]]
    for number, (subsystem, path, find, replace) in enumerate(chosen, 1):
        line = changed_line(find, replace)
        planted = apply(tree, path, find, replace)
        if planted is None:
            rows.append((subsystem, path, line, "not found", []))
            print(f"{number:3}/{len(chosen)} {'not found':14} {subsystem:14} {path}: {line[:70]}", flush=True)
            continue
        full, original = planted
        started = time.time()
        try:
            built = subprocess.run(["cmake", "--build", build, "-j2"], capture_output=True, text=True)
            if built.returncode != 0:
                verdict, failing = "does not build", []
            else:
                verdict, failing = run_suite(build, locales, args.slow)
        finally:
            with open(full, "w", encoding="utf-8") as f:
                f.write(original)
        caught += verdict == "caught"
        rows.append((subsystem, path, line, verdict, failing))
        print(f"{number:3}/{len(chosen)} {verdict:14} {subsystem:14} {path}: {line[:70]}  "
              f"[{', '.join(failing)[:120]}] {time.time() - started:.0f}s", flush=True)
    subprocess.run(["cmake", "--build", build, "-j2"], stdout=subprocess.DEVNULL)
    counted = [r for r in rows if r[3] not in ("does not build", "not found")]
    for subsystem, path, line, verdict, _ in rows:
        if verdict == "not found":
            print(f"not found, update {args.faults}: {path}: {line}")
    print(f"\n{caught} of {len(counted)} faults caught ({100.0 * caught / max(1, len(counted)):.1f} %)")
    return 0 if caught == len(counted) == len(rows) else 1


if __name__ == "__main__":
    sys.exit(main())
