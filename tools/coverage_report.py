#!/usr/bin/env python3
"""Reads the merged tracefile of tools/coverage.sh (gcovr's JSON format) and
prints line and branch coverage per product folder; writes every branch that
no test took, with its function and source line, to a text file.

    coverage_report.py ROOT MERGED.json UNREACHED.txt
"""
import json
import sys

FOLDERS = ["app", "show", "config", "image", "jpeg", "win32"]
GOAL = 95.0


def code_lines(file_entry):
    for line in file_entry["lines"]:
        if line.get("gcovr/noncode") or line.get("gcovr/excluded"):
            continue
        yield line


def percent(hit, total):
    return 100.0 * hit / total if total else 100.0


def without_parameters(name):
    """"ns::Class::Method(int, char const*) const" -> "ns::Class::Method"."""
    end = name.rfind(")")
    depth = 0
    for i in range(end, -1, -1):
        depth += {")": 1, "(": -1}.get(name[i], 0)
        if depth == 0 and i < end:
            return name[:i] if i > 0 else name
    return name


def function_finder(file_entry):
    # gcovr gives each function's first line; a line belongs to the last
    # function that starts at or before it.
    starts = sorted((f["lineno"], f["name"]) for f in file_entry.get("functions", []))

    def find(line_number):
        name = "?"
        for lineno, candidate in starts:
            if lineno > line_number:
                break
            name = candidate
        return without_parameters(name)

    return find


def source_lines(root, path):
    try:
        with open(f"{root}/{path}", encoding="utf-8", errors="replace") as f:
            return f.read().split("\n")
    except OSError:
        return []


def main():
    root, merged, unreached_path = sys.argv[1:4]
    with open(merged) as f:
        data = json.load(f)

    totals = {folder: [0, 0, 0, 0] for folder in FOLDERS}  # lines hit/all, branches hit/all
    unreached = []
    per_file = {}
    for entry in sorted(data["files"], key=lambda e: e["file"]):
        path = entry["file"]
        folder = path.split("/", 1)[0]
        if folder not in totals:
            continue  # the filter keeps only product folders; this is a safeguard
        t = totals[folder]
        find_function = function_finder(entry)
        text = source_lines(root, path)
        for line in code_lines(entry):
            t[1] += 1
            t[0] += line["count"] > 0
            branches = line["branches"]
            for number, branch in enumerate(branches):
                t[3] += 1
                if branch["count"] > 0:
                    t[2] += 1
                    continue
                n = line["line_number"]
                source = text[n - 1].strip() if 0 < n <= len(text) else ""
                where = "line never ran" if line["count"] == 0 else f"line ran {line['count']}x"
                unreached.append(
                    f"{path}:{n}: branch {number} of {len(branches)} never taken"
                    f" ({where}) in {find_function(n)}: {source}")
                per_file[path] = per_file.get(path, 0) + 1

    print(f"{'folder':8} {'lines':>17} {'branches':>17}")
    all_totals = [0, 0, 0, 0]
    for folder in FOLDERS:
        t = totals[folder]
        all_totals = [a + b for a, b in zip(all_totals, t)]
        print(f"{folder:8} {t[0]:>6}/{t[1]:<6} {percent(t[0], t[1]):5.1f}%"
              f" {t[2]:>6}/{t[3]:<6} {percent(t[2], t[3]):5.1f}%")
    t = all_totals
    print(f"{'total':8} {t[0]:>6}/{t[1]:<6} {percent(t[0], t[1]):5.1f}%"
          f" {t[2]:>6}/{t[3]:<6} {percent(t[2], t[3]):5.1f}%")

    with open(unreached_path, "w") as f:
        f.write("# Branches that no test takes: file:line, the branch's number among the\n"
                "# line's branches that count (gcov's order), whether the line itself ran,\n"
                "# the function and the source line.\n")
        for item in unreached:
            f.write(item + "\n")
    print(f"coverage: {len(unreached)} branches never taken, listed in {unreached_path}")
    worst = sorted(per_file.items(), key=lambda kv: -kv[1])[:8]
    if worst:
        print("coverage: most of them in " + ", ".join(f"{p} ({n})" for p, n in worst))
    branch_percent = percent(t[2], t[3])
    verdict = "reached" if branch_percent >= GOAL else "not reached"
    print(f"coverage: branches {branch_percent:.1f}%, goal {GOAL:.0f}% {verdict}")


if __name__ == "__main__":
    main()
