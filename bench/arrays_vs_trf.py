#!/usr/bin/env python3
"""Interval arithmetic and tables for arrays_vs_trf.sh.

  arrays_vs_trf.py calls TRF_NGS_OUTPUT > CALLS      trf's -ngs output as calls
  arrays_vs_trf.py calls --bed VELKOR_BED > CALLS    velkor's BED file as calls
  arrays_vs_trf.py real NAME FASTA TRF_CALLS VELKOR_CALLS
  arrays_vs_trf.py truth TRUTH_BED TRF_CALLS VELKOR_CALLS
  arrays_vs_trf.py verdict TRUTH_BED CALLS

A calls file has one line per call: record, start (0-based), end (half-open),
period; trf's lines add its consensus size. Records are named by the header
up to its first blank, as both programs do.

real prints one row of the table on real DNA: the share of trf's residues in
calls of period 7 to 2,000 and at least 50 bp that velkor's calls of any
period cover, and the share of velkor's residues in calls of at least 50 bp
that lie in trf's calls (any period) or in calls that pass the acceptance
checks below; then, on standard error, how much of trf's residues velkor's
calls of period 1 to 6 cover and the largest misses on both sides.

Acceptance checks of a velkor call that trf lacks: the call is aligned with
itself shifted by its period (each copy against the next, a band of
min(period - 1, max(2, period / 5), 40) diagonals, free end gaps). It passes
the strict check when that alignment scores at least 50 with trf's weights
(match +2, mismatch and indel -7), trf's own minimum: trf would keep the call
as it stands had its word search proposed it. It passes the loose check when
the alignment scores at least 20, and at least 0.1 per residue aligned,
with match +1, mismatch -1, indel -2: the copies are plainly more alike than
chance makes them, which is what a person sees in copies that diverged too
far for trf's weights. Random DNA, even at 75 % A+T, scores at most 0.04 per
residue this way; arrays planted at 20 to 25 % divergence from their unit
score 0.2 and more.

truth prints, for velkor and trf beside each other, recall and precision in
residues per divergence band, and the arrays that one call of the planted
period covers to at least 95 % (trf's call counts when either its period or
its consensus size is the planted period; for a higher-order repeat, a call
of its monomer's period is counted apart); verdict says that in words for
each array of a truth file. Precision: each call is charged to the planted
array it overlaps most; calls that overlap none count as false in records
with random flanks and are left out in records with real flanks, whose own
repeats are not in the truth.
"""

import sys
from collections import defaultdict

# (match, mismatch, indel, minimum score, minimum score per aligned column)
# of the two acceptance checks
TRF_WEIGHTS = (2, -7, -7, 50, 0)
LOOSE_WEIGHTS = (1, -1, -2, 20, 0.1)
BANDS = ["0", "0-5", "5-10", "10-15", "15-20", "20-25"]


# ---------------------------------------------------------------- calls

def trf_calls(path):
    """(record, start0, end, period, consensus size) from trf -ngs output:
    '@name' lines, then per call start end period copies consensus_size ..."""
    record = None
    with open(path) as f:
        for line in f:
            if line.startswith("@"):
                record = line[1:].split()[0] if line[1:].split() else ""
                continue
            fields = line.split()
            if len(fields) < 5 or record is None:
                continue
            yield record, int(fields[0]) - 1, int(fields[1]), int(fields[2]), int(fields[4])


def bed_calls(path):
    with open(path) as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            fields = line.rstrip("\n").split("\t")
            yield fields[0], int(fields[1]), int(fields[2]), int(fields[9])


def read_calls(path):
    """record -> list of (start, end, periods); periods is a tuple of the
    period numbers the tool gives (trf: period and consensus size)."""
    calls = defaultdict(list)
    with open(path) as f:
        for line in f:
            fields = line.split()
            calls[fields[0]].append((int(fields[1]), int(fields[2]),
                                     tuple(int(p) for p in fields[3:])))
    for record in calls.values():
        record.sort()
    return calls


# ---------------------------------------------------------------- intervals

def merged(intervals):
    out = []
    for start, end in sorted(intervals):
        if out and start <= out[-1][1]:
            if end > out[-1][1]:
                out[-1][1] = end
        else:
            out.append([start, end])
    return out


def total(intervals):
    return sum(end - start for start, end in intervals)


def intersection(a, b):
    """Intersection of two merged interval lists, merged."""
    out = []
    i = j = 0
    while i < len(a) and j < len(b):
        start = max(a[i][0], b[j][0])
        end = min(a[i][1], b[j][1])
        if start < end:
            out.append([start, end])
        if a[i][1] < b[j][1]:
            i += 1
        else:
            j += 1
    return out


def minus(a, b):
    """a without b, both merged."""
    out = []
    j = 0
    for start, end in a:
        while j < len(b) and b[j][1] <= start:
            j += 1
        k = j
        at = start
        while k < len(b) and b[k][0] < end:
            if b[k][0] > at:
                out.append([at, b[k][0]])
            at = max(at, b[k][1])
            k += 1
        if at < end:
            out.append([at, end])
    return out


def overlap(a_start, a_end, b_start, b_end):
    return max(0, min(a_end, b_end) - max(a_start, b_start))


# ---------------------------------------------------------------- acceptance

def self_shift_score(text, period, weights):
    """Best score of text against itself shifted by period under weights
    (match, mismatch, indel, _), banded global alignment with free end gaps;
    and its identity."""
    match, mismatch, indel = weights[:3]
    n = len(text) - period
    if n <= 0:
        return 0, 0.0
    x, y = text[:n], text[period:]
    w = min(period - 1, max(2, period // 5), 40)
    minus_inf = -10 ** 9
    width = 2 * w + 1
    # row[d + w]: best (score, matches, columns) ending at (i, i + d)
    row = [(0, 0, 0) if d >= 0 else (minus_inf, 0, 0) for d in range(-w, w + 1)]
    best = (0, 0, 0)
    for i in range(1, n + 1):
        xi = x[i - 1]
        new = [(minus_inf, 0, 0)] * width
        for k in range(width):
            j = i + k - w
            if j < 0 or j > n:
                continue
            if j == 0:
                new[k] = (0, 0, 0)
                continue
            s, m, c = row[k]
            if s > minus_inf:
                hit = xi == y[j - 1] and xi != "N"
                cand = (s + (match if hit else mismatch), m + hit, c + 1)
            else:
                cand = (minus_inf, 0, 0)
            if k + 1 < width and row[k + 1][0] > minus_inf and row[k + 1][0] + indel > cand[0]:
                s, m, c = row[k + 1]
                cand = (s + indel, m, c + 1)
            if k > 0 and new[k - 1][0] > minus_inf and new[k - 1][0] + indel > cand[0]:
                s, m, c = new[k - 1]
                cand = (s + indel, m, c + 1)
            new[k] = cand
            if (i == n or j == n) and cand[0] > best[0]:
                best = cand
        row = new
    score, matches, columns = best
    return score, (matches / columns if columns else 0.0)


def passes(text, period, weights):
    score = self_shift_score(text, period, weights)[0]
    return score >= max(weights[3], weights[4] * (len(text) - period))


def read_fasta(path, wanted):
    seqs = {}
    name = None
    parts = []
    with open(path) as f:
        for line in f:
            if line.startswith(">"):
                if name in wanted:
                    seqs[name] = "".join(parts)
                name = line[1:].split()[0] if line[1:].split() else ""
                parts = []
            elif name in wanted:
                parts.append(line.strip().upper())
    if name in wanted:
        seqs[name] = "".join(parts)
    return seqs


# ---------------------------------------------------------------- real DNA

def real_row(name, fasta, trf_path, velkor_path):
    trf = read_calls(trf_path)
    velkor = read_calls(velkor_path)
    records = set(trf) | set(velkor)
    trf_target = trf_covered = covered_by_short = 0
    velkor_long = velkor_in_trf = 0
    accepted = {TRF_WEIGHTS: 0, LOOSE_WEIGHTS: 0}
    misses = []
    to_check = []
    for record in records:
        target = merged((s, e) for s, e, p in trf.get(record, [])
                        if 7 <= p[0] <= 2000 and e - s >= 50)
        all_velkor = merged((s, e) for s, e, p in velkor.get(record, []))
        trf_target += total(target)
        trf_covered += total(intersection(target, all_velkor))
        short_velkor = merged((s, e) for s, e, p in velkor.get(record, []) if p[0] <= 6)
        covered_by_short += total(intersection(target, short_velkor))
        for start, end in minus(target, all_velkor):
            misses.append((end - start, record, start, end))

        long_calls = [(s, e, p[0]) for s, e, p in velkor.get(record, []) if e - s >= 50]
        long_merged = merged((s, e) for s, e, p in long_calls)
        all_trf = merged((s, e) for s, e, p in trf.get(record, []))
        velkor_long += total(long_merged)
        velkor_in_trf += total(intersection(long_merged, all_trf))
        outside = minus(long_merged, all_trf)
        if outside:
            to_check.append((record, long_calls, all_trf))

    seqs = read_fasta(fasta, {r for r, _, _ in to_check})
    rejected = []
    for record, long_calls, all_trf in to_check:
        passed = {TRF_WEIGHTS: [], LOOSE_WEIGHTS: []}
        for start, end, period in long_calls:
            own_outside = total(minus([[start, end]], all_trf))
            if not own_outside:
                continue
            text = seqs[record][start:end]
            if passes(text, period, TRF_WEIGHTS):
                passed[TRF_WEIGHTS].append((start, end))
                passed[LOOSE_WEIGHTS].append((start, end))
            elif passes(text, period, LOOSE_WEIGHTS):
                passed[LOOSE_WEIGHTS].append((start, end))
            else:
                score, identity = self_shift_score(text, period, LOOSE_WEIGHTS)
                rejected.append((own_outside, record, start, end, period, score, identity))
        for weights, calls in passed.items():
            accepted[weights] += total(minus(merged(calls), all_trf))

    print("| %s | %s | %s | %s | %s | %s | %s |" % (
        name, f"{trf_target:,}", percent(trf_covered, trf_target), f"{velkor_long:,}",
        percent(velkor_in_trf, velkor_long),
        percent(velkor_in_trf + accepted[TRF_WEIGHTS], velkor_long),
        percent(velkor_in_trf + accepted[LOOSE_WEIGHTS], velkor_long)))
    details = ["%s: %s of trf's residues (period 7-2000, >= 50 bp) lie in velkor calls of period 1-6" % (
        name, percent(covered_by_short, trf_target))]
    few_copies = sum(length for length, record, start, end in misses
                     if copies_of_largest(trf[record], start, end) < 2.5)
    details.append("%s: %s of the trf residues velkor misses lie in trf calls of fewer than 2.5 copies" % (
        name, percent(few_copies, sum(m[0] for m in misses))))
    details.append("%s: trf residues (period 7-2000, >= 50 bp) velkor misses, largest pieces:" % name)
    for length, record, start, end in sorted(misses, reverse=True)[:8]:
        periods = sorted({p[0] for s, e, p in trf[record] if overlap(s, e, start, end)})
        details.append("  %s:%d-%d %d bp missed (trf periods %s; %.1f copies in the largest call)" % (
            record, start + 1, end, length, ",".join(map(str, periods[:6])),
            copies_of_largest(trf[record], start, end)))
    details.append("%s: velkor calls >= 50 bp outside trf that fail both checks, largest:" % name)
    for outside, record, start, end, period, score, identity in sorted(rejected, reverse=True)[:8]:
        details.append("  %s:%d-%d period %d, %d bp outside trf, loose copy-vs-copy score %d, identity %.0f %%" % (
            record, start + 1, end, period, outside, score, 100 * identity))
    return details


def copies_of_largest(calls, start, end):
    """Copy number of the call of period 7 or more that overlaps start..end most."""
    s, e, p = max((c for c in calls if c[2][0] >= 7), key=lambda c: overlap(c[0], c[1], start, end))
    return (e - s) / p[0]


def percent(part, whole):
    return "%.1f %%" % (100.0 * part / whole) if whole else "-"


# ---------------------------------------------------------------- truth

def read_truth(path):
    arrays = []
    with open(path) as f:
        for line in f:
            if line.startswith("#"):
                continue
            record, start, end, period, copies, divergence, kind, flank, monomer = line.split()
            arrays.append({"record": record, "start": int(start), "end": int(end),
                           "period": int(period), "copies": float(copies),
                           "divergence": float(divergence), "kind": kind,
                           "flank": flank, "monomer": int(monomer)})
    return arrays


def band_of(divergence):
    if divergence == 0:
        return BANDS[0]
    return BANDS[min(len(BANDS) - 1, 1 + int((divergence - 1e-9) * 20))]


def truth_tables(truth_path, tools):
    arrays = read_truth(truth_path)
    by_record = defaultdict(list)
    for a in arrays:
        a["band"] = band_of(a["divergence"])
        by_record[a["record"]].append(a)
    truth_merged = {r: merged((a["start"], a["end"]) for a in lst) for r, lst in by_record.items()}
    random_flank = {r for r, lst in by_record.items() if lst[0]["flank"] == "random"}

    stats = {}
    for tool, calls in tools:
        recall = defaultdict(lambda: [0, 0])
        charged = defaultdict(list)
        verdicts = []
        for record, lst in by_record.items():
            record_calls = calls.get(record, [])
            all_calls = merged((s, e) for s, e, p in record_calls)
            for a in lst:
                piece = [[a["start"], a["end"]]]
                recall[a["band"]][0] += total(intersection(piece, all_calls))
                recall[a["band"]][1] += a["end"] - a["start"]
            for s, e, p in record_calls:
                best = max(lst, key=lambda a: overlap(s, e, a["start"], a["end"]))
                if overlap(s, e, best["start"], best["end"]):
                    charged[best["band"]].append((record, s, e))
                elif record in random_flank:
                    charged["none"].append((record, s, e))
            for a in lst:
                verdicts.append((a, verdict(a, record_calls)))
        precision = {}
        for band, lst in charged.items():
            called = found = 0
            for record in {r for r, s, e in lst}:
                m = merged((s, e) for r, s, e in lst if r == record)
                called += total(m)
                found += total(intersection(m, truth_merged[record]))
            precision[band] = (found, called)
        stats[tool] = (recall, precision, verdicts)

    names = [tool for tool, _ in tools]
    print("Recall and precision in residues per divergence band (%d planted arrays):" % len(arrays))
    print()
    print("| divergence % | arrays | residues | " + " | ".join(
        "%s recall | %s precision" % (t, t) for t in names) + " |")
    print("|---|---:|---:|" + "---:|---:|" * len(names))
    for band in BANDS + ["all"]:
        members = [a for a in arrays if band in (a["band"], "all")]
        row = "| %s | %d | %s |" % (band, len(members), f"{sum(a['end'] - a['start'] for a in members):,}")
        for tool in names:
            recall, precision, _ = stats[tool]
            if band == "all":
                r = [sum(v[0] for v in recall.values()), sum(v[1] for v in recall.values())]
                p = [sum(v[0] for v in precision.values()), sum(v[1] for v in precision.values())]
            else:
                r = recall[band]
                p = precision.get(band, (0, 0))
            row += " %s | %s |" % (percent(*r), percent(*p))
        print(row)
    print()
    print("Arrays that one call covers to at least 95 %, with the planted period "
          "(higher-order repeats: or the monomer's):")
    print()
    print("| divergence % | arrays | " + " | ".join(
        "%s one call, planted period | %s monomer period | %s other period | %s not one call" % (t, t, t, t)
        for t in names) + " |")
    print("|---|---:|" + "---:|---:|---:|---:|" * len(names))
    for band in BANDS + ["all"]:
        row = "| %s | %d |" % (band, sum(1 for a in arrays if band in (a["band"], "all")))
        for tool in names:
            counts = defaultdict(int)
            for a, (kind, _) in stats[tool][2]:
                if band in (a["band"], "all"):
                    counts[kind] += 1
            row += " %d | %d | %d | %d |" % (counts["period"], counts["monomer"], counts["other"], counts["none"])
        print(row)
    for tool in names:
        verdicts = stats[tool][2]
        several = sum(1 for a, (kind, n) in verdicts if n > 1)
        print()
        print("%s: %d arrays hold more than one call that lies mostly (>= 50 %%) inside them." % (tool, several))
    print_period_bias(arrays, tools)
    tool, calls = tools[0]
    print()
    print("%s: arrays not found as one call of the planted period, or holding several calls:" % tool)
    for a, (kind, inside) in stats[tool][2]:
        if kind in ("period", "monomer") and inside <= 1:
            continue
        print("  %s:%d-%d period %d%s, %.1f copies, divergence %.1f %%, %s flank: %s" % (
            a["record"], a["start"] + 1, a["end"], a["period"],
            " (monomer %d)" % a["monomer"] if a["monomer"] else "", a["copies"],
            100 * a["divergence"], a["flank"], one_array(a, calls.get(a["record"], []))))


def print_period_bias(arrays, tools):
    """Whether a tool's periods lean short or long: over the simple arrays
    that one call covers to at least 90 % with a period within 10 % of the
    planted one, how many periods are exact, short or long, and the mean
    relative difference."""
    print()
    print("Reported period against the planted one (simple arrays covered >= 90 % by one call "
          "of a period within 10 %: exact / short / long, mean difference):")
    print()
    print("| divergence % | " + " | ".join(tool for tool, _ in tools) + " |")
    print("|---|" + "---|" * len(tools))
    for band in BANDS:
        row = "| %s |" % band
        for tool, calls in tools:
            ratios = []
            for a in arrays:
                if a["band"] != band or a["monomer"]:
                    continue
                length = a["end"] - a["start"]
                near = [min(p, key=lambda q: abs(q - a["period"])) for s, e, p in calls.get(a["record"], [])
                        if overlap(s, e, a["start"], a["end"]) >= 0.9 * length]
                near = [p for p in near if abs(p - a["period"]) <= 0.1 * a["period"]]
                if near:
                    ratios.append(min(near, key=lambda q: abs(q - a["period"])) / a["period"] - 1)
            row += " %d / %d / %d, %+.2f %% |" % (
                sum(1 for r in ratios if r == 0), sum(1 for r in ratios if r < 0),
                sum(1 for r in ratios if r > 0), 100 * sum(ratios) / len(ratios) if ratios else 0)
        print(row)


def one_array(a, calls):
    """One array's verdict in words: whether one call of its period covers it."""
    kind, inside = verdict(a, calls)
    best = best_call(a, calls)
    if not best:
        return "no call"
    covered = 100.0 * overlap(best[0], best[1], a["start"], a["end"]) / (a["end"] - a["start"])
    return "%s; %d call%s inside; largest covers %.0f %% with period %s" % (
        "yes" if kind in ("period", "monomer") else "no", inside, "" if inside == 1 else "s",
        covered, "/".join(map(str, best[2])))


def best_call(a, calls):
    best = None
    for s, e, p in calls:
        o = overlap(s, e, a["start"], a["end"])
        if o and (best is None or o > overlap(best[0], best[1], a["start"], a["end"])):
            best = (s, e, p)
    return best


def verdict(a, calls):
    """('period' | 'monomer' | 'other' | 'none', number of calls mostly inside a)."""
    length = a["end"] - a["start"]
    inside = sum(1 for s, e, p in calls if 2 * overlap(s, e, a["start"], a["end"]) >= e - s)
    kind = "none"
    for s, e, periods in calls:
        if overlap(s, e, a["start"], a["end"]) < 0.95 * length:
            continue
        if a["period"] in periods:
            return "period", inside
        if a["monomer"] and a["monomer"] in periods:
            kind = "monomer"
        elif kind == "none":
            kind = "other"
    return kind, inside


# ---------------------------------------------------------------- main

def main():
    args = sys.argv[1:]
    if args[0] == "calls":
        rows = bed_calls(args[2]) if args[1] == "--bed" else trf_calls(args[1])
        for row in rows:
            print("\t".join(map(str, row)))
    elif args[0] == "real":
        for line in real_row(*args[1:5]):
            print(line, file=sys.stderr)
    elif args[0] == "verdict":
        calls = read_calls(args[2])
        for a in read_truth(args[1]):
            print(one_array(a, calls.get(a["record"], [])))
    elif args[0] == "truth":
        truth_tables(args[1], [("velkor", read_calls(args[3])), ("trf", read_calls(args[2]))])
    else:
        sys.exit("unknown command " + args[0])


if __name__ == "__main__":
    main()
