"""Prints the benchmarks' medians as one table, each against its group's reference."""

import json
import sys


def medians(paths, errors):
    """(group, what) -> (median in ms, label, target ratio or None); a benchmark that
    failed goes into errors instead, with its message."""
    rows = {}
    for path in paths:
        try:
            with open(path, encoding="utf-8") as handle:
                data = json.load(handle)
        except (OSError, ValueError):
            # A program that failed may have left no results, or half of them.
            errors[(path, "")] = "no readable results"
            continue
        for run in data.get("benchmarks", []):
            parts = run["run_name"].split("/")
            key = (parts[0], parts[1] if len(parts) > 1 else "")
            if run.get("error_occurred"):
                errors[key] = run.get("error_message", "failed")
                continue
            if run.get("aggregate_name") != "median":
                continue
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run.get("time_unit", "ns")]
            rows[key] = (run["real_time"] * scale, run.get("label", ""), run.get("target_ratio"))
    return rows


def main(paths):
    errors = {}
    rows = medians(paths, errors)
    header = f"{'benchmark':<44} {'median':>11} {'reference':>11} {'ratio':>7} {'target':>8}"
    print(header)
    print("-" * len(header))
    missed = []
    notes = []
    for (group, what), (median, label, target) in sorted(rows.items()):
        if what == "reference":
            continue
        reference = rows.get((group, "reference"))
        ratio = median / reference[0] if reference and reference[0] > 0 else None
        verdict = ""
        if target is not None and ratio is not None:
            verdict = f"<= {target:g}x " + ("ok" if ratio <= target else "MISSED")
            if ratio > target:
                missed.append(f"  {group}/{what}: {ratio:.2f}x, aim <= {target:g}x")
        print(f"{group + '/' + what:<44} {median:>8.2f} ms "
              f"{(f'{reference[0]:8.2f} ms' if reference else '-'):>11} "
              f"{(f'{ratio:6.2f}x' if ratio is not None else '-'):>7} {verdict}")
        notes.append(f"  {group}/{what}: {label}")
        if reference:
            notes.append(f"  {group}/reference: {reference[1]}")
    for (group, what), message in errors.items():
        print(f"{group + '/' + what:<44} FAILED: {message}")
        missed.append(f"  {group}/{what}: no figure ({message})")
    print()
    print("What each figure measures (median wall-clock time of one run; ratio = median / reference):")
    print("\n".join(notes))
    print()
    # A missed aim is a finding to report, not a failure of the run.
    print("Aims missed:" if missed else "Every aim met.")
    if missed:
        print("\n".join(missed))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
