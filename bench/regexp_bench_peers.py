#!/usr/bin/env python3
"""Times the regular-expression engine against two common backtracking engines on one file.

regexp_bench.exe writes its generated text to a file (UTF-8) and times the engine on it
under Wine, in the 8-bit form (the file's bytes) and in the 16-bit form (the same text
decoded). On the same file, natively, Python's re.finditer (bytes, re.M, plus re.I where
the pattern ignores case) and `grep -P -o` (C locale) find every match of the same patterns.
Every figure is megabytes of the file per second, the best of a few runs; the ratio is the
engine's speed over the faster peer's.

Usage: bench/regexp_bench_peers.py [megabytes, 24] [runs, 3]
The build folder is $VELQUIN_BUILD_DIR (default: build beside bench/).
"""
import os
import re
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("VELQUIN_BUILD_DIR", os.path.join(ROOT, "build"))
EXE = os.path.join(BUILD, "bench", "regexp_bench.exe")
IGNORE_CASE = 8  # the engine's flag bit


def engine(*args):
    """Runs the benchmark program under Wine with the project's environment."""
    script = 'source "$0/scripts/env.sh" && exec wine64 "$@"'
    done = subprocess.run(["bash", "-c", script, ROOT, EXE, *args],
                          capture_output=True, text=True, check=True)
    return done.stdout.splitlines()


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def best(runs, measure):
    """The shortest time of `runs` calls of measure() -> (seconds, matches)."""
    results = [measure() for _ in range(runs)]
    return min(r[0] for r in results), results[0][1]


def time_python(pattern, flags, data):
    compiled = re.compile(pattern.encode("utf-8"),
                          re.M | (re.I if flags & IGNORE_CASE else 0))
    start = time.perf_counter()
    count = sum(1 for _ in compiled.finditer(data))
    return time.perf_counter() - start, count


def time_grep(pattern, flags, path):
    command = ["grep", "-P", "-o"] + (["-i"] if flags & IGNORE_CASE else []) + ["--", pattern, path]
    start = time.perf_counter()
    done = subprocess.run(command, capture_output=True, env={"LC_ALL": "C", "PATH": os.environ["PATH"]})
    seconds = time.perf_counter() - start
    if done.returncode not in (0, 1):
        raise RuntimeError("grep failed: " + done.stderr.decode(errors="replace"))
    return seconds, done.stdout.count(b"\n")


def main():
    megabytes = sys.argv[1] if len(sys.argv) > 1 else "24"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    if not os.path.exists(EXE):
        sys.exit(f"no {EXE}: build the target regexp_bench first")
    patterns = [line.split("\t", 2) for line in engine("--patterns")]
    with tempfile.TemporaryDirectory(prefix="regexp_bench_") as folder:
        path = os.path.join(folder, "text.txt")
        engine("--write", windows_path(path), megabytes)
        with open(path, "rb") as f:
            data = f.read()
        mb = len(data) / (1024.0 * 1024.0)

        ours = {}  # (name, width) -> (seconds, matches)
        for _ in range(runs):
            for line in engine("--file", windows_path(path)):
                name, width, seconds, matches = line.split("\t")
                key = (name, width)
                seconds, matches = float(seconds), int(matches)
                if key not in ours or seconds < ours[key][0]:
                    ours[key] = (seconds, matches)

        print(f"regexp_bench_peers: {mb:.1f} MB of generated text, every match, multi-line, "
              f"best of {runs}; MB/s of the file for every engine")
        print("the engine runs the mingw build under Wine (8-bit: the file's bytes; 16-bit: the "
              "same text as UTF-16); Python re (bytes) and grep -P -o (C locale) run natively")
        print(f"{'pattern':16} {'8-bit':>8} {'16-bit':>8} {'Python':>8} {'grep -P':>8} "
              f"{'8/best':>7} {'16/best':>7}   matches 8-bit/16-bit/Python/grep")
        notes = []
        for name, flags, pattern in patterns:
            flags = int(flags)
            narrow = ours[(name, "8-bit")]
            wide = ours[(name, "16-bit")]
            py = best(runs, lambda: time_python(pattern, flags, data))
            grep = best(runs, lambda: time_grep(pattern, flags, path))
            peer = min(py[0], grep[0])
            print(f"{name:16} {mb / narrow[0]:8.1f} {mb / wide[0]:8.1f} {mb / py[0]:8.1f} "
                  f"{mb / grep[0]:8.1f} {peer / narrow[0]:6.2f}x {peer / wide[0]:6.2f}x   "
                  f"{narrow[1]}/{wide[1]}/{py[1]}/{grep[1]}")
            if len({narrow[1], wide[1], py[1]}) != 1:
                notes.append(f"{name}: the engine and Python count differently")
            if grep[1] < py[1]:
                notes.append(f"{name}: grep counts {py[1] - grep[1]} fewer: it works line by line, "
                             "so a match that spans a line break is not found there")
            elif grep[1] != py[1]:
                notes.append(f"{name}: grep counts differently")
        for note in notes:
            print("note: " + note)


if __name__ == "__main__":
    main()
