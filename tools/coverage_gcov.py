#!/usr/bin/env python3
"""Reads the gcov data of coverage build trees with each tree's own gcov (in
its JSON format) and writes them as one gcovr JSON tracefile, merged by
source file, for the product folders only.

    coverage_gcov.py ROOT OUT.json TREE=GCOV [TREE=GCOV ...]

Why not gcovr's own gcov reading: GCC 12's gcov prints no "(throw)" mark on
a branch that never ran, so gcovr cannot leave out the exception edges of
code that no test runs, and merging such a line with one that ran (the same
source in another object or tree) then adds up the wrong branches.  gcov's
JSON format marks every exception edge, run or not.

Left out, as no test can take them (docs/coverage.md):
- exception edges (a call that may throw);
- branches on lines without code of their own ("}", "{", comments), which
  are the compiler's (destructor calls at the end of a scope);
- branches on lines that call SSE2/AVX2 intrinsics and decide nothing
  themselves (no if, for, while, switch, ?:, && or ||): at -O0 GCC gives such
  a vector builtin an exception edge that gcov neither marks as one nor
  counts as a call (compiled with -fno-exceptions the same lines have none).
Lines on which a tree's build has branches that the other's has not (code
for one platform only) are merged branch by branch and named on stderr.
"""
import concurrent.futures
import json
import os
import re
import subprocess
import sys

PRODUCT = ("app", "show", "config", "image", "jpeg", "win32")
INTRINSICS_ONLY = re.compile(
    r"(?!.*(\bif\b|\bfor\b|\bwhile\b|\bswitch\b|\?|&&|\|\|)).*\b_mm(256)?_\w+\(")
COMMENTS = re.compile(r"//.*$|/\*.*?\*/")
PRUNED_DIRECTORIES = ("dosdevices", "drive_c")  # Wine prefixes: z: leads to /


def notes_files(tree):
    for top, dirs, files in os.walk(tree):
        dirs[:] = [d for d in dirs if d not in PRUNED_DIRECTORIES]
        for name in files:
            if name.endswith(".gcno"):
                yield os.path.abspath(os.path.join(top, name))


def run_gcov(gcov, notes):
    # gcov reads X.gcno and, when there is one, X.gcda (a program that never
    # ran leaves none: every count is then zero).
    stem = notes[:-len(".gcno")]
    result = subprocess.run([gcov, "-b", "--json-format", "--stdout", "-o", stem + ".gcda", stem],
                            capture_output=True, text=True, cwd=os.path.dirname(notes))
    if result.returncode != 0 or not result.stdout.strip():
        raise RuntimeError(f"{gcov} failed on {notes}: {result.stderr.strip()}")
    # One JSON document per line of output.
    return [json.loads(line) for line in result.stdout.splitlines() if line.strip()]


class Source:
    def __init__(self, root, path):
        self.path = path
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            self.text = f.read().split("\n")
        self.lines = {}       # line number -> [count, [branch dicts]]
        self.functions = {}   # (line, name) -> execution count
        self.mismatches = []

    def code(self, number):
        raw = self.text[number - 1] if 0 < number <= len(self.text) else ""
        return COMMENTS.sub("", raw).strip()

    def keeps_branches(self, number):
        code = self.code(number)
        if code.replace(" ", "") in ("", "{", "}", "{}", "};"):
            return False
        return not INTRINSICS_ONLY.match(self.text[number - 1])

    def add_line(self, entry, tree):
        number = entry["line_number"]
        branches = [b for b in entry["branches"] if not b["throw"]]
        if not self.keeps_branches(number):
            branches = []
        line = self.lines.setdefault(number, [0, None, tree])
        line[0] += entry["count"]
        if line[1] is None:
            line[1] = [dict(b) for b in branches]
            return
        if branches and line[1] and len(branches) != len(line[1]):
            self.mismatches.append((number, line[2], len(line[1]), tree, len(branches)))
        for i, b in enumerate(branches):
            if i < len(line[1]):
                line[1][i]["count"] += b["count"]
            else:
                line[1].append(dict(b))

    def add_function(self, entry):
        key = (entry["start_line"], entry["demangled_name"])
        self.functions[key] = self.functions.get(key, 0) + entry["execution_count"]

    def as_gcovr(self):
        lines = []
        for number in sorted(self.lines):
            count, branches, _ = self.lines[number]
            code = self.code(number)
            if count == 0 and code in ("", "{", "}", "{}", "};", "else"):
                continue  # no code of its own
            lines.append({
                "line_number": number, "count": count,
                "branches": [{"count": b["count"], "fallthrough": b["fallthrough"],
                              "throw": False} for b in branches or []],
                "gcovr/noncode": False, "gcovr/excluded": False})
        functions = [{"lineno": line, "name": name, "execution_count": count}
                     for (line, name), count in sorted(self.functions.items())]
        return {"file": self.path, "lines": lines, "functions": functions}


def main():
    root, out = sys.argv[1], sys.argv[2]
    root = os.path.realpath(root)
    product = re.compile(re.escape(root) + r"/(" + "|".join(PRODUCT) + r")/")
    sources = {}
    for pair in sys.argv[3:]:
        tree, gcov = pair.split("=", 1)
        notes = sorted(notes_files(tree))
        if not notes:
            sys.exit(f"coverage_gcov: no .gcno files in {tree}")
        with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count()) as pool:
            documents = [d for ds in pool.map(lambda n: run_gcov(gcov, n), notes) for d in ds]
        for document in documents:
            cwd = document.get("current_working_directory", root)
            for entry in document["files"]:
                path = os.path.realpath(os.path.join(cwd, entry["file"]))
                if not product.match(path):
                    continue
                relative = os.path.relpath(path, root)
                source = sources.get(relative)
                if source is None:
                    source = sources[relative] = Source(root, relative)
                for line in entry["lines"]:
                    source.add_line(line, tree)
                for function in entry["functions"]:
                    source.add_function(function)

    mismatches = [(s.path, m) for s in sources.values() for m in s.mismatches]
    if mismatches:
        print(f"coverage: warning: {len(mismatches)} times a line has another number of "
              "branches in another object or tree (merged branch by branch), e.g.:",
              file=sys.stderr)
        for path, (number, tree_a, a, tree_b, b) in mismatches[:5]:
            print(f"  {path}:{number}: {a} in {tree_a}, {b} in {tree_b}", file=sys.stderr)
    with open(out, "w") as f:
        json.dump({"gcovr/format_version": "0.3",
                   "files": [sources[k].as_gcovr() for k in sorted(sources)]}, f)


if __name__ == "__main__":
    main()
