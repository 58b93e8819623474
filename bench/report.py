# SPDX-License-Identifier: GPL-2.0-or-later
"""Prints the benchmarks' medians as one table, each against its group's reference."""

import json
import statistics
import sys


def medians(paths, errors):
    """(group, what) -> row dict (median, label, target ratio, target MiB, unit of the figure), from
    every repetition's run; a benchmark with a failed run goes into errors instead, with its message,
    as a figure from the runs that went well would hide the fault."""
    runs = {}
    for path in paths:
        try:
            with open(path, encoding="utf-8") as handle:
                data = json.load(handle)
        except (OSError, ValueError):
            # A program that failed may have left no results, or half of them.
            errors[(path, "")] = "no readable results"
            continue
        for run in data.get("benchmarks", []):
            if run.get("run_type") == "aggregate":
                continue
            parts = run["run_name"].split("/")
            runs.setdefault((parts[0], parts[1] if len(parts) > 1 else ""), []).append(run)
    rows = {}
    for key, repetitions in runs.items():
        failed = [run for run in repetitions if run.get("error_occurred")]
        if failed:
            errors[key] = (f"{len(failed)} of {len(repetitions)} runs: "
                           + failed[0].get("error_message", "failed"))
            continue
        first = repetitions[0]
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[first.get("time_unit", "ns")]
        rows[key] = {
            "median": statistics.median(run["real_time"] * scale for run in repetitions),
            "runs": len(repetitions),
            "label": first.get("label", ""),
            "target_ratio": first.get("target_ratio"),
            "target_mib": first.get("target_mib"),
            # A MiB is carried as a millisecond.
            "unit": "MiB" if first.get("in_mib") else "ms",
            "pictures_before_start": sum(run.get("picture_before_start", 0) for run in repetitions),
            "phases": phase_medians(repetitions),
        }
    return rows


def phase_medians(repetitions):
    """phase -> (median ms from exec, runs that reached it), from the runs' "phase: <name>" counters."""
    seen = {}
    for run in repetitions:
        for key, value in run.items():
            if key.startswith(PHASE_PREFIX):
                seen.setdefault(key[len(PHASE_PREFIX):], []).append(value)
    return {phase: (statistics.median(values), len(values)) for phase, values in seen.items()}


PHASE_PREFIX = "phase: "
# The columns of a clip's timeline: (group prefix, what, heading).
TIMELINE_COLUMNS = [
    ("first_picture", "tarnwick_resumed_at_0", "fresh"),
    ("first_picture", "tarnwick_command_line", "path"),
    ("resumed_at_5s", "tarnwick", "at 5 s"),
    ("first_picture", "reference", "cvlc"),
    ("resumed_at_5s", "reference", "cvlc 5s"),
    ("first_picture", "mpv", "mpv"),
    ("resumed_at_5s", "mpv", "mpv 5s"),
    ("first_picture", "gst_play", "gst-play"),
]


def print_timelines(rows):
    """For each clip, the medians of every phase from exec, in ms, one column per start; a phase is
    placed by the first column that reached it, and marked * where some runs did not reach it."""
    # A clip's name follows its group's prefix, and may hold "_" itself ("mp4_recorder").
    prefixes = {prefix for prefix, _, _ in TIMELINE_COLUMNS}
    clips = sorted({group[len(prefix) + 1:] for (group, _), row in rows.items() if row["phases"]
                    for prefix in prefixes if group.startswith(prefix + "_")})
    for clip in clips:
        columns = [(heading, rows.get((f"{prefix}_{clip}", what), {}).get("phases", {}))
                   for prefix, what, heading in TIMELINE_COLUMNS]
        columns = [(heading, phases) for heading, phases in columns if phases]
        runs = max(row["runs"] for row in rows.values())
        order = []
        for _, phases in columns:
            for phase, _ in sorted(phases.items(), key=lambda item: item[1][0]):
                if phase not in order:
                    order.append(phase)
        order.sort(key=lambda phase: next(phases[phase][0] for _, phases in columns if phase in phases))
        print(f"Start-up timeline, {clip}: median ms from exec")
        print(f"  {'phase':<44}" + "".join(f"{heading:>10}" for heading, _ in columns))
        for phase in order:
            cells = []
            for _, phases in columns:
                if phase not in phases:
                    cells.append(f"{'-':>10}")
                    continue
                median, count = phases[phase]
                cells.append(f"{median:9.0f}{'*' if count < runs else ' '}")
            print(f"  {phase:<44}" + "".join(cells))
        # A start that builds its file ahead runs two lines at once, the window's and the file's; the
        # later of the two is the one its first picture waited for.
        waited = []
        for _, phases in columns:
            window, built = phases.get(WINDOW_LINE_END), phases.get(FILE_LINE_END)
            waited.append(f"{'-' if not (window and built) else 'file' if built[0] > window[0] else 'window':>10}")
        if any(cell.strip() != "-" for cell in waited):
            print(f"  {'first picture waited for':<44}" + "".join(waited))
        print()


WINDOW_LINE_END = "window painted"
FILE_LINE_END = "build ahead: built"


def figure(row):
    return f"{row['median']:8.2f} {row['unit']:<3}"


def verdict(row, ratio, missed, name):
    """The aim a row has and whether it was met; a missed one is added to missed."""
    if row["target_ratio"] is not None and ratio is not None:
        target = row["target_ratio"]
        if ratio > target:
            missed.append(f"  {name}: {ratio:.2f}x, aim <= {target:g}x")
        return f"<= {target:g}x " + ("ok" if ratio <= target else "MISSED")
    if row["target_mib"] is not None:
        target = row["target_mib"]
        if row["median"] > target:
            missed.append(f"  {name}: {row['median']:.1f} MiB, aim <= {target:g} MiB")
        return f"<= {target:g} MiB " + ("ok" if row["median"] <= target else "MISSED")
    return ""


def main(paths):
    errors = {}
    rows = medians(paths, errors)
    header = f"{'benchmark':<48} {'median':>12} {'reference':>12} {'ratio':>7} {'aim':>8}"
    print(header)
    print("-" * len(header))
    missed = []
    notes = []
    for (group, what), row in sorted(rows.items()):
        if what == "reference":
            continue
        name = f"{group}/{what}"
        reference = rows.get((group, "reference"))
        ratio = row["median"] / reference["median"] if reference and reference["median"] > 0 else None
        print(f"{name:<48} {figure(row):>12} {(figure(reference) if reference else '-'):>12} "
              f"{(f'{ratio:6.2f}x' if ratio is not None else '-'):>7} {verdict(row, ratio, missed, name)}")
        notes.append(f"  {name}: {row['label']}")
        if reference:
            notes.append(f"  {group}/reference: {reference['label']}")
    for (group, what), message in errors.items():
        print(f"{group + '/' + what:<48} FAILED: {message}")
        missed.append(f"  {group}/{what}: no figure ({message})")
    print()
    counts = sorted({row["runs"] for row in rows.values()})
    print(f"Runs per figure: {', '.join(map(str, counts))}.")
    print("What each figure measures (median of the runs; ratio = median / reference; "
          "an aim in MiB is on the figure itself):")
    # A reference shared by several rows is described once.
    print("\n".join(dict.fromkeys(notes)))
    print()
    early = [f"  {group}/{what}: in {row['pictures_before_start']:g} of {row['runs']} runs"
             for (group, what), row in sorted(rows.items()) if row["pictures_before_start"]]
    if early:
        print("First pictures from before the start the program was given (its figure times less work):")
        print("\n".join(early))
        print()
    print_timelines(rows)
    # A missed aim is a finding to report, not a failure of the run.
    print("Aims missed:" if missed else "Every aim met.")
    if missed:
        print("\n".join(missed))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
