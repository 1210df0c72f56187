#!/usr/bin/env python3
"""Times Velquin's windowless search against the floor of the platform layer and native tools.

Builds (once, cached) a tree of text files in UTF-8, UTF-16LE and Windows-1252, binary
files, a few large files and a few .docx files, then measures as medians of several runs:
  - `Velquin.exe /in criteria.velquin /out result.velquin` for a name-only search, a size
    and date search and a one-word content search;
  - walk_bench_ref.exe under the same Wine: a bare breadth-first walk and a bare read of
    every file (the floor any search through this layer can reach);
  - natively, `fdfind`/`find` for the names and `rg -F`/`grep -rF` for the word, where
    installed (missing ones are skipped and named).
Every Wine figure is the wall time of the whole process, so each includes the start of
a Wine process (shown on its own as "Wine start"); figures compared with each other are
taken in turn, round after round. Output goes to a file; the start of a windowless run of an
empty folder is also taken with the output read from a pipe, which would wait for any desktop
process Wine started for the program (the windowless run starts none). The start pair (the
windowless run of an empty folder beside the bare console program walking it) takes the
median of seven rounds whatever --runs says.

Usage: bench/walk_bench.py [--files N, 100000] [--runs N, 3] [--tree FOLDER]
The tree goes to FOLDER (default /tmp/walk_bench_tree_N) and is reused when complete.
The build folder is $VELQUIN_BUILD_DIR (default: build beside bench/); it needs the
targets Velquin and walk_bench_ref.
"""
import argparse
import datetime
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("VELQUIN_BUILD_DIR", os.path.join(ROOT, "build"))
VELQUIN = os.path.join(BUILD, "bin", "Velquin.exe")
REFERENCE = os.path.join(BUILD, "bench", "walk_bench_ref.exe")

WORD = "quokka"  # the content search's word, planted in some files of every kind
NAME_PATTERN = "*.txt"
SIZE_OVER_KB = 4
DATE_AFTER = datetime.datetime(2020, 1, 1, tzinfo=datetime.timezone.utc)
STAMP = ".walk_bench_complete"
START_RUNS = 7  # rounds of the start pair

FILLER = ("alpha beta gamma delta river stone paper window garden yellow market signal "
          "number folder letter winter summer planet silver bridge").split()
ACCENTED = "café naïve résumé façade señor über déjà Grüße".split()


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def wine(*args, pipe=False):
    """Runs a program under Wine with the project's environment -> (seconds, code, stdout).

    The output goes to a file, so the time is the program's own: a GUI-subsystem program
    makes Wine start its desktop process, which inherits the output and lives on for about
    a second after the program, and a caller reading a pipe waits for it (pipe=True).
    """
    script = 'source "$0/scripts/env.sh" && exec wine64 "$@"'
    with tempfile.TemporaryFile() as out:
        start = time.perf_counter()
        if pipe:
            done = subprocess.run(["bash", "-c", script, ROOT, *args], capture_output=True)
        else:
            done = subprocess.run(["bash", "-c", script, ROOT, *args], stdout=out,
                                  stderr=subprocess.DEVNULL)
        seconds = time.perf_counter() - start
        out.seek(0)
        text = done.stdout if pipe else out.read()
    return seconds, done.returncode, text.decode(errors="replace")


def keep_wineserver():
    """Keeps the Wine server of the prefix up between runs (it ends on its own when idle)."""
    script = 'source "$0/scripts/env.sh" && exec wineserver -p 20'
    subprocess.run(["bash", "-c", script, ROOT], capture_output=True)


# ---- the tree ------------------------------------------------------------------------

def text_body(rng, words, plant):
    parts = [rng.choice(words) for _ in range(rng.randint(30, 900))]
    if plant:
        parts.insert(rng.randrange(len(parts) + 1), WORD)
    lines, line = [], []
    for w in parts:
        line.append(w)
        if len(line) >= 12:
            lines.append(" ".join(line))
            line = []
    lines.append(" ".join(line))
    return "\r\n".join(lines) + "\r\n"


def docx_bytes(text):
    import io
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.'
                   'openxmlformats.org/package/2006/content-types"><Default Extension="xml" '
                   'ContentType="application/xml"/></Types>')
        z.writestr("word/document.xml",
                   '<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w="http://schemas.'
                   'openxmlformats.org/wordprocessingml/2006/main"><w:body><w:p><w:r><w:t>'
                   + text + "</w:t></w:r></w:p></w:body></w:document>")
    return data.getvalue()


def build_tree(root, files):
    """Writes about `files` files into files/10 folders; returns nothing, marks completion."""
    if os.path.exists(os.path.join(root, STAMP)):
        return
    if os.path.exists(root):
        shutil.rmtree(root)
    rng = random.Random(9)
    folders = max(1, files // 10)
    top = max(1, int(folders ** 0.5))
    paths = []
    for i in range(folders):
        paths.append(os.path.join(root, f"d{i % top:03d}", f"sub{i // top:04d}"))
    first = datetime.datetime(2015, 1, 1, tzinfo=datetime.timezone.utc).timestamp()
    last = datetime.datetime(2024, 12, 31, tzinfo=datetime.timezone.utc).timestamp()
    print(f"building the tree in {root}: {files} files in {folders} folders ...", flush=True)
    started = time.perf_counter()
    for folder in paths:
        os.makedirs(folder, exist_ok=True)
    for i in range(files):
        folder = paths[i % folders]
        kind = i % 10
        plant = rng.random() < 0.02
        if kind <= 3:
            name, data = f"note_{i}.txt", text_body(rng, FILLER, plant).encode("utf-8")
        elif kind <= 5:
            body = text_body(rng, FILLER + ["Grüße", "ĀŁŒ"], plant).encode("utf-16-le")
            name, data = f"wide_{i}.txt", (b"\xff\xfe" + body if kind == 4 else body)
        elif kind <= 7:
            name, data = f"latin_{i}.log", text_body(rng, FILLER + ACCENTED, plant).encode("cp1252")
        elif kind == 8:
            name, data = f"blob_{i}.bin", rng.randbytes(rng.randint(64, 16384))
        else:
            name, data = f"data_{i}.csv", ",".join(rng.choice(FILLER) for _ in range(
                rng.randint(20, 400))).encode("utf-8")
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        stamp = rng.uniform(first, last)
        os.utime(path, (stamp, stamp))
    # A few large files (tens of MB): text with the word near the end, and binary.
    for n in range(4):
        path = os.path.join(paths[n * 7 % folders], f"large_{n}.{'txt' if n % 2 == 0 else 'bin'}")
        with open(path, "wb") as f:
            block = (" ".join(FILLER) + "\r\n").encode("utf-8") * 4096
            for _ in range((20 + 5 * n) * 1024 * 1024 // len(block)):
                f.write(block if n % 2 == 0 else rng.randbytes(len(block)))
            if n == 0:
                f.write(f"the end {WORD}\r\n".encode("utf-8"))
    # A few .docx files, every other one holding the word in its (compressed) text.
    for n in range(20):
        text = text_body(rng, FILLER, n % 2 == 0)
        path = os.path.join(paths[(n * 131) % folders], f"letter_{n}.docx")
        with open(path, "wb") as f:
            f.write(docx_bytes(text))
    with open(os.path.join(root, STAMP), "w") as f:
        f.write(f"{files}\n")
    print(f"  built in {time.perf_counter() - started:.1f} s", flush=True)


# ---- the runs ------------------------------------------------------------------------

def criteria_file(path, root, fields):
    """Writes a saved-search file holding only criteria, UTF-16LE with a byte-order mark."""
    text = "Velquin03\r\nsearchinfo = " + windows_path(root) + "\r\n"
    for key, value in fields:
        text += f"\t{key} = {value}\r\n"
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))


def result_count(path):
    """Items in a result file: the name lines after the first folder line."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        return None
    text = data.decode("utf-16-le", errors="replace").lstrip("\ufeff")
    count, items = 0, False
    for line in text.split("\r\n"):
        if line.startswith("folder = "):
            items = True
        elif items and line.startswith("\tname = "):
            count += 1
    return count


def run_velquin(criteria, result, pipe=False):
    if os.path.exists(result):
        os.remove(result)
    seconds, code, _ = wine(VELQUIN, "/in", windows_path(criteria), "/out", windows_path(result),
                            pipe=pipe)
    if code != 0:
        return seconds, f"exit {code}"
    return seconds, result_count(result)


def run_velquin_folder(folder, result, pipe=False):
    """`Velquin.exe <folder> /out <result>` -> (seconds, result items or "exit N")."""
    if os.path.exists(result):
        os.remove(result)
    seconds, code, _ = wine(VELQUIN, windows_path(folder), "/out", windows_path(result), pipe=pipe)
    if code != 0:
        return seconds, f"exit {code}"
    return seconds, result_count(result)


def run_reference(mode, root, pipe=False):
    seconds, code, out = wine(REFERENCE, mode, windows_path(root), pipe=pipe)
    fields = out.strip().split("\t")
    if code != 0 or len(fields) != 4:
        return seconds, f"exit {code}", None
    return seconds, int(fields[1]), float(fields[3])


def run_native(command):
    start = time.perf_counter()
    done = subprocess.run(command, capture_output=True, env={"LC_ALL": "C", "PATH": os.environ["PATH"]})
    seconds = time.perf_counter() - start
    if done.returncode not in (0, 1):
        return seconds, f"exit {done.returncode}"
    return seconds, done.stdout.count(b"\n")


def net(seconds, start):
    """Seconds less a process start, never below a millisecond."""
    return max(seconds - start, 0.001)


def median_of(runs, measure):
    """Median seconds of `runs` calls of measure() -> (seconds, found[, ...]) and the first result."""
    results = [measure() for _ in range(runs)]
    return statistics.median(r[0] for r in results), results[0]


def medians_interleaved(runs, *measures):
    """Like median_of for several measures at once, taken in turn round after round, so that
    the figures compared with each other see the same load on a shared machine."""
    results = [[] for _ in measures]
    for _ in range(runs):
        for taken, measure in zip(results, measures):
            taken.append(measure())
    return [(statistics.median(r[0] for r in taken), taken[0]) for taken in results]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--files", type=int, default=100000)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--tree", default=None)
    args = parser.parse_args()
    for exe, target in ((VELQUIN, "Velquin"), (REFERENCE, "walk_bench_ref")):
        if not os.path.exists(exe):
            sys.exit(f"no {exe}: build the target {target} first")
    root = args.tree or os.path.join(tempfile.gettempdir(), f"walk_bench_tree_{args.files}")
    build_tree(root, args.files)

    keep_wineserver()
    rows, notes = [], []
    with tempfile.TemporaryDirectory(prefix="walk_bench_") as work:
        empty = os.path.join(work, "empty")
        os.makedirs(empty)
        result = os.path.join(work, "result.velquin")
        names = os.path.join(work, "names.velquin")
        sizes = os.path.join(work, "sizes.velquin")
        words = os.path.join(work, "words.velquin")
        criteria_file(names, root, [("name", NAME_PATTERN)])
        # Size over 4 KB (size_mode 1: KB, logic 4: greater), modified after 2020-01-01
        # (a FILETIME count; the runs use UTC as local time).
        filetime = int((DATE_AFTER.timestamp() + 11644473600) * 10_000_000)
        criteria_file(sizes, root, [("size_mode", 1), ("size_logic1", 4), ("size1", SIZE_OVER_KB),
                                    ("date_logic1", 4), ("date1", filetime)])
        criteria_file(words, root, [("word", WORD)])

        # Warm the file cache once so that every contender sees the same state.
        run_reference("read", root)
        criteria_file(os.path.join(work, "idle.velquin"), empty, [("name", NAME_PATTERN)])
        (start, _), (vstart, _) = medians_interleaved(
            args.runs, lambda: run_reference("walk", empty),
            lambda: run_velquin(os.path.join(work, "idle.velquin"), result))
        # The start pair, with the output in a file and read from a pipe.
        (ref_start, _), (vfolder, _), (ref_piped, _), (vpiped, _) = medians_interleaved(
            START_RUNS, lambda: run_reference("walk", empty),
            lambda: run_velquin_folder(empty, result),
            lambda: run_reference("walk", empty, pipe=True),
            lambda: run_velquin_folder(empty, result, pipe=True))
        (walk_s, walk), (vname_s, vname), (vsize_s, vsize) = medians_interleaved(
            args.runs, lambda: run_reference("walk", root), lambda: run_velquin(names, result),
            lambda: run_velquin(sizes, result))
        (read_s, read), (vword_s, vword) = medians_interleaved(
            args.runs, lambda: run_reference("read", root), lambda: run_velquin(words, result))

        rows.append(("Wine start (reference, empty folder)", start, "", ""))
        rows.append(("Velquin start (name search, empty folder)", vstart, "", ""))
        rows.append(("reference start (median of 7)", ref_start, "", ""))
        rows.append(("Velquin <empty> /out (median of 7)", vfolder, "",
                     f"{vfolder / ref_start:.2f}x the reference start (goal <= 1.5)"))
        rows.append(("reference start, output read from a pipe", ref_piped, "", ""))
        rows.append(("Velquin <empty> /out, output read from a pipe", vpiped, "",
                     f"{vpiped / ref_piped:.2f}x the reference through a pipe"))
        rows.append(("reference: bare walk (entries)", walk_s, walk[1], f"in-process {walk[2]} s (first run)"))
        rows.append(("reference: bare read (bytes)", read_s, read[1], f"in-process {read[2]} s (first run)"))
        rows.append((f"Velquin: name {NAME_PATTERN}", vname_s, vname[1],
                     f"{vname_s / walk_s:.2f}x bare walk (goal <= 1.2); "
                     f"{net(vname_s, vstart) / net(walk_s, start):.2f}x without the starts"))
        rows.append((f"Velquin: size > {SIZE_OVER_KB} KB, modified > 2020-01-01", vsize_s, vsize[1],
                     f"{vsize_s / walk_s:.2f}x bare walk"))
        rows.append((f"Velquin: word {WORD}", vword_s, vword[1],
                     f"{vword_s / read_s:.2f}x bare read (goal <= 1.5); "
                     f"{net(vword_s, vstart) / net(read_s, start):.2f}x without the starts"))

        peers = [
            ("fdfind", ["fdfind", "-u", "-t", "f", "-g", NAME_PATTERN, root], "names"),
            ("find", ["find", root, "-type", "f", "-name", NAME_PATTERN], "names"),
            ("find", ["find", root, "-type", "f", "-size", f"+{SIZE_OVER_KB * 1024}c",
                      "-newermt", DATE_AFTER.strftime("%Y-%m-%d %H:%M:%S UTC")], "size and date"),
            ("rg", ["rg", "-uuu", "-l", "-F", WORD, root], "word"),
            ("grep", ["grep", "-r", "-l", "-F", WORD, root], "word"),
        ]
        for tool, command, what in peers:
            if shutil.which(tool) is None:
                notes.append(f"{tool} is not installed: skipped ({what})")
                continue
            seconds, found = median_of(args.runs, lambda: run_native(command))
            velquin = {"names": vname_s, "size and date": vsize_s, "word": vword_s}[what]
            rows.append((f"native {tool}: {what}", seconds, found[1],
                         f"Velquin {velquin / seconds:.2f}x this"))

    print(f"walk_bench: {args.files} files (+4 large, +20 .docx) in {max(1, args.files // 10)} "
          f"folders at {root}; median of {args.runs} runs; Wine figures are whole-process wall time")
    print(f"{'contender':48} {'seconds':>8} {'found':>12}  ratio")
    for what, seconds, found, ratio in rows:
        print(f"{what:48} {seconds:8.3f} {str(found):>12}  {ratio}")
    print("found: entries (walk), bytes (read), result items (Velquin), lines = files (native)")
    print("note: grep and rg read bytes, so they do not find the word in UTF-16LE text "
          "nor in the compressed .docx text")
    print("note: Velquin compares the size as the list shows it (KB to two decimals, so 4,097 "
          "to 4,106 bytes is 4.00 KB, not over 4) and, by default, the date by day (a file of "
          "2020-01-01 is not after it); find counts both")
    for note in notes:
        print("note: " + note)


if __name__ == "__main__":
    main()
