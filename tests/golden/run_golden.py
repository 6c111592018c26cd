#!/usr/bin/env python3
"""Runs one golden case of autorun-sim: a small menu folder in, the expected outputs out.

A case is a folder tests/golden/<case>/ that holds the menu (autorun.ini, .reg files, play
scripts) and:
  pictures       optional; one picture a line, "NAME = EXPRESSION", the expression built with
                 tests/support/bmp.py (bmp, solid, framed), e.g. "a.bmp = solid(20, 10, 0xFF0000)"
  copy-from      optional; folders copied into the menu first, one a line, {source} and {build}
                 standing for the source and build trees
  <name>.run     one run of autorun-sim each, in name order:
                   args OPTIONS COMMAND ARGUMENTS   (words split as a shell does, no escapes)
                   exit N
                   stderr TEXT                      (standard error must contain it; without
                                                     this line it must be empty)
                   only REGEX                       (optional: only output lines it finds count)
                   ---
                   the expected standard output; for check, one finding a row instead:
                   LINE SEVERITY KEY WORDS...       (the words must occur in the message;
                                                     LINE is - for a finding about the file)
  *.png          the shots the scripts write, relative to the menu folder, compared byte for byte

Every run works in one scratch copy of the menu, as its current directory. --update rewrites
the expected outputs and shots from what the runs give (check rows keep their key words while
line and severity still match), for a human to review with git diff."""

import argparse
import pathlib
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "support"))
import bmp  # noqa: E402


def words(text):
    lexer = shlex.shlex(text, posix=True)
    lexer.whitespace_split, lexer.escape, lexer.commenters = True, "", ""
    return list(lexer)


def parse_run(path):
    head, _, body = path.read_text("utf-8").partition("---\n")
    run = {"args": [], "exit": 0, "stderr": None, "only": None, "body": body}
    for line in head.splitlines():
        key, _, value = line.partition(" ")
        if key == "args":
            run["args"] = words(value)
        elif key == "exit":
            run["exit"] = int(value)
        elif key == "stderr":
            run["stderr"] = value
        elif key == "only":
            run["only"] = re.compile(value)
        elif key and not key.startswith("#"):
            sys.exit(f"{path}: unknown line {line!r}")
    return run


def findings(stdout):
    rows = []
    for line in stdout.splitlines():
        found = re.match(r"[^:]*:(?:(\d+):)? (\w+): (.*)", line)
        rows.append((found[1] or "-", found[2], found[3]))
    return rows


def compare_check(expected_body, stdout):
    """Problems of the check rows, and the rows that describe stdout."""
    expected = [row for row in expected_body.splitlines() if row.strip()]
    actual = findings(stdout)
    problems, rows = [], []
    for i, (number, severity, message) in enumerate(actual):
        row = expected[i] if i < len(expected) else ""
        parts = words(row)
        if parts[:2] != [number, severity] or not all(w in message for w in parts[2:]):
            problems.append(f"finding {i + 1}: expected {row or 'none'}, got "
                            f"{number} {severity}: {message}")
            quoted = message.split('"')[1:2] if '"' in message else []
            row = " ".join([number, severity] + [shlex.quote(w) for w in quoted])
        rows.append(row)
    if len(expected) > len(actual):
        problems.append(f"{len(expected) - len(actual)} expected findings missing, first: "
                        f"{expected[len(actual)]}")
    return problems, "".join(r + "\n" for r in rows)


def prepare_menu(case, work, source, build):
    """Fills work with the case's menu: copied folders, the case's files, the pictures."""
    copy_from = case / "copy-from"
    if copy_from.exists():
        for line in copy_from.read_text("utf-8").split():
            shutil.copytree(line.format(source=source, build=build), work, dirs_exist_ok=True)
    for item in case.iterdir():
        if item.suffix not in (".run", ".png") and item.name not in ("pictures", "copy-from"):
            (shutil.copytree if item.is_dir() else shutil.copy)(item, work / item.name)
    pictures = case / "pictures"
    if pictures.exists():
        for line in pictures.read_text("utf-8").splitlines():
            if line.strip() and not line.startswith("#"):
                name, _, expression = line.partition("=")
                target = work / name.strip().replace("\\", "/")
                target.parent.mkdir(parents=True, exist_ok=True)
                target.write_bytes(eval(expression, vars(bmp)))


def check_run(run_file, work, sim, wrapper, update):
    """Runs autorun-sim as run_file says; the problems found, and with update the file rewritten."""
    run = parse_run(run_file)
    # Everything autorun-sim prints is UTF-8; output that is not fails the run.
    done = subprocess.run(wrapper + [sim] + run["args"], cwd=work, capture_output=True)
    try:
        done.stdout, done.stderr = done.stdout.decode("utf-8"), done.stderr.decode("utf-8")
    except UnicodeDecodeError as error:
        return [f"{run_file.name}: the output is not UTF-8: {error}"]
    problems = []
    if done.returncode != run["exit"]:
        problems.append(f"exit {done.returncode}, expected {run['exit']}\n{done.stderr}")
    wanted = run["stderr"]
    if (wanted is None and done.stderr) or (wanted is not None and wanted not in done.stderr):
        problems.append(f"stderr is not as expected ({wanted!r}):\n{done.stderr}")
    stdout = done.stdout
    if run["only"]:
        stdout = "".join(line for line in stdout.splitlines(True) if run["only"].search(line))
    if "check" in run["args"]:
        found, body = compare_check(run["body"], stdout)
        problems += found
    else:
        body = stdout
        if body != run["body"]:
            problems.append("stdout differs; first differing line:\n" +
                            first_difference(run["body"], body))
    if update:
        head = run_file.read_text("utf-8").partition("---\n")[0].splitlines()
        head = [line for line in head if not line.startswith(("exit", "stderr"))]
        head.append(f"exit {done.returncode}")
        if done.stderr:
            head.append("stderr " + done.stderr.splitlines()[0])
        run_file.write_text("\n".join(head) + "\n---\n" + body, "utf-8")
    return [f"{run_file.name}: {problem}" for problem in problems]


def run_case(case, sim, source, build, update, wrapper):
    problems = []
    with tempfile.TemporaryDirectory(prefix="autorun-golden-") as scratch:
        work = pathlib.Path(scratch)
        prepare_menu(case, work, source, build)
        before = set(work.rglob("*.png"))
        for run_file in sorted(case.glob("*.run")):
            problems += check_run(run_file, work, sim, wrapper, update)
        shots = {p.relative_to(work) for p in set(work.rglob("*.png")) - before}
        expected = {p.relative_to(case) for p in case.rglob("*.png")}
        for shot in sorted(shots | expected):
            got = work / shot
            if update:
                (case / shot).unlink(missing_ok=True)
                if got.exists():
                    shutil.copy(got, case / shot)
            elif not got.exists() or not (case / shot).exists():
                problems.append(f"shot {shot}: {'not written' if not got.exists() else 'new'}")
            elif got.read_bytes() != (case / shot).read_bytes():
                problems.append(f"shot {shot} differs")
    return problems


def first_difference(expected, actual):
    pairs = zip(expected.splitlines() + ["<end>"], actual.splitlines() + ["<end>"])
    for number, (want, got) in enumerate(pairs, 1):
        if want != got:
            return f"  line {number}\n  expected: {want}\n  actual:   {got}"
    return "  (line ends differ)"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sim", required=True, help="the autorun-sim program")
    parser.add_argument("--source", default=".", help="the source tree")
    parser.add_argument("--build", default="build/native", help="the build tree")
    parser.add_argument("--wrapper", default="", help="a command put before autorun-sim")
    parser.add_argument("--update", action="store_true", help="rewrite the expected outputs")
    parser.add_argument("cases", nargs="+", type=pathlib.Path)
    options = parser.parse_args()
    status = 0
    for case in options.cases:
        problems = run_case(case, str(pathlib.Path(options.sim).resolve()),
                            str(pathlib.Path(options.source).resolve()),
                            str(pathlib.Path(options.build).resolve()), options.update,
                            words(options.wrapper))
        for problem in problems:
            print(f"{case.name}: {problem}")
        status |= bool(problems) and not options.update
    sys.exit(status)


if __name__ == "__main__":
    main()
