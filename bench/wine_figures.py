#!/usr/bin/env python3
"""Turns what scripts/bench.sh collected in DIR into the figures table, the
data files the plots read (DIR/latency-PRESET.dat, DIR/rate-PRESET.dat) and
the last line "N reports/s, L lost, p99 X ms" (the worst architecture's)."""
import re
import sys

# A drain has ended once at most this many reports handed to the device wait.
CAUGHT_UP = 10


def read_timings(path):
    """Send and line moments (microseconds) and the named marks."""
    sends, lines, marks = [], [], {}
    for row in read_text(path).splitlines():
        words = row.split()
        if words and words[0] in ("send", "line"):
            (sends if words[0] == "send" else lines).append(int(words[1]))
        elif words and words[0] == "mark":
            marks[words[1]] = int(words[2])
    return sends, lines, marks


def read_peer(path):
    """The bare reader's reads: {sequence: microseconds}."""
    reads = {}
    for row in read_text(path).splitlines():
        words = row.split()
        if len(words) == 3 and words[0] == "read":
            reads.setdefault(int(words[1]), int(words[2]))
    return reads


def close_times(path):
    """Milliseconds from asking the window to close until it was gone, and
    until the process had ended."""
    _, _, marks = read_timings(path)
    if not {"close", "gone", "exited"} <= marks.keys():
        return "n/a"
    return f"{(marks['gone'] - marks['close']) / 1000:.1f} / {(marks['exited'] - marks['close']) / 1000:.1f} ms"


def window_total(log_path):
    """The window's wheel total (control 1017) in the last ui-show output."""
    totals = re.findall(r"\b1017\b.*?\+(-?\d+)", read_text(log_path))
    return int(totals[-1]) if totals else None


def read_text(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def percentile(sorted_values, fraction):
    if not sorted_values:
        return float("nan")
    return sorted_values[min(len(sorted_values) - 1, int(fraction * len(sorted_values)))]


def most_waiting(sends, lines):
    """Most reports handed to the device whose line had not yet arrived."""
    events = sorted([(t, 1) for t in sends] + [(t, -1) for t in lines])
    waiting = peak = 0
    for _, step in events:
        waiting += step
        peak = max(peak, waiting)
    return peak


def latency_figures(latencies):
    ordered = sorted(latencies)
    return {"p50": percentile(ordered, 0.50), "p99": percentile(ordered, 0.99),
            "max": ordered[-1] if ordered else float("nan")}


def rate(moments):
    return (len(moments) - 1) / max(1e-6, (moments[-1] - moments[0]) / 1e6) if len(moments) > 1 else 0.0


def bare_reader(directory, preset, sends, wanted):
    """The peer: what the bare reader read of the same reports."""
    reads = read_peer(f"{directory}/peer-{preset}.txt")
    moments = sorted(reads.values())
    figures = latency_figures([(t - sends[i]) / 1000.0 for i, t in reads.items() if i < len(sends)])
    figures.update(received=len(reads), lost=wanted - len(reads), rate=rate(moments))
    return figures


def lost_run(directory, preset, wanted):
    """A run whose window never showed the total (reports were lost, so the
    script stopped there): what the window and the bare reader got."""
    shown = re.findall(r'control 1017 shows "\+(-?\d+)"', read_text(f"{directory}/throughput-{preset}.log"))
    if not shown:
        return None
    total = int(shown[-1])
    figures = dict.fromkeys(("sent", "device_rate", "handled", "handled_rate", "lost_lines",
                             "waiting", "shown", "p50", "p99", "max"))
    figures.update(lost_total=wanted - total, peer=bare_reader(directory, preset, [], wanted))
    return figures


def throughput(directory, preset, wanted):
    sends, lines, marks = read_timings(f"{directory}/timings-{preset}.txt")
    if not sends:
        return lost_run(directory, preset, wanted)
    latencies = sorted((line - send) / 1000.0 for send, line in zip(sends, lines))
    with open(f"{directory}/latency-{preset}.dat", "w") as f:
        for i, ms in enumerate(latencies):
            f.write(f"{ms:.3f} {(i + 1) / len(latencies):.6f}\n")
    with open(f"{directory}/rate-{preset}.dat", "w") as f:
        buckets = {}
        for t in lines:
            second = (t - sends[0]) // 1_000_000
            buckets[second] = buckets.get(second, 0) + 1
        for second in range(0, max(buckets) + 1 if buckets else 0):
            f.write(f"{second} {buckets.get(second, 0)}\n")
    total = window_total(f"{directory}/throughput-{preset}.log")
    result = {
        "sent": len(sends),
        "device_rate": rate(sends),
        "handled": len(lines),
        "handled_rate": rate(lines),
        "lost_lines": wanted - len(lines),
        "lost_total": wanted - total if total is not None else None,
        "waiting": most_waiting(sends, lines),
        "shown": (marks["shown"] - sends[-1]) / 1000.0 if "shown" in marks else None,
        "peer": bare_reader(directory, preset, sends, wanted),
    }
    result.update(latency_figures(latencies))
    return result


def catch_up_figures(sends, arrivals):
    """Drain after a stall. arrivals: (report index, microseconds), in order
    of arrival. The stall is the longest gap between two arrivals; the drain
    runs from the first arrival after it until at most CAUGHT_UP reports
    handed to the device wait. Rate in arrivals per second."""
    arrivals = sorted((t, i) for i, t in arrivals if i < len(sends))
    if len(arrivals) < 3:
        return None
    resume = max(range(1, len(arrivals)), key=lambda k: arrivals[k][0] - arrivals[k - 1][0])
    sent = 0
    for k in range(resume, len(arrivals)):
        t = arrivals[k][0]
        while sent < len(sends) and sends[sent] <= t:
            sent += 1
        waiting = sent - (k + 1)
        if k == resume:
            backlog = waiting
        if waiting <= CAUGHT_UP:
            break
    drained = (arrivals[k][0] - arrivals[resume][0]) / 1e6
    latencies = latency_figures([(t - sends[i]) / 1000.0 for t, i in arrivals])
    return {"rate": (k - resume) / drained if drained > 0 else None, "backlog": backlog,
            "drain_ms": drained * 1000, "stall_ms": (arrivals[resume][0] - arrivals[resume - 1][0]) / 1000,
            "p99": latencies["p99"], "received": len(arrivals)}


def catch_up(directory, preset):
    """Tarvex's and the bare reader's drain after the same 300 ms stall, and
    Tarvex's in the run without the bare reader."""
    sends, lines, _ = read_timings(f"{directory}/catchup-{preset}.txt")
    alone_sends, alone_lines, _ = read_timings(f"{directory}/catchup-alone-{preset}.txt")
    if not sends:
        return None
    reads = read_peer(f"{directory}/peer-catchup-{preset}.txt")
    return {"tarvex": catch_up_figures(sends, list(enumerate(lines))),
            "peer": catch_up_figures(sends, list(reads.items())),
            "alone": catch_up_figures(alone_sends, list(enumerate(alone_lines)))}


def window_drain(directory, preset):
    """Lines per second while Tarvex's window drains the stand-in library's
    ready backlog (after the three start-up changes), or None."""
    _, lines, _ = read_timings(f"{directory}/drain-{preset}.txt")
    burst = lines[3:]
    if len(burst) < 2 or burst[-1] <= burst[0]:
        return None
    return (len(burst) - 1) / ((burst[-1] - burst[0]) / 1e6)


def idle_rows(directory, preset):
    rows = []
    for row in read_text(f"{directory}/idle.txt").splitlines():
        _, name, foreign, seconds, tick, process, thread = row.split()
        if name != preset:
            continue
        seconds, tick = float(seconds), float(tick)
        reopens = seconds / 0.2  # the watchdog's check every 200 ms
        rows.append((int(foreign), 100 * int(process) / tick / seconds,
                     100 * int(thread) / tick / seconds, 1000 * int(thread) / tick / reopens))
    return rows


def soak(directory, preset, cycles):
    text = read_text(f"{directory}/soak-{preset}.log")
    counts = re.findall(r"handles=(\d+) counted=(\d+) threads=(\d+)", text)
    return {
        "counts": counts,
        "greetings": len(re.findall(r"greeting day=", text)),
        "opens": cycles + 1,
        "total": window_total(f"{directory}/soak-{preset}.log"),
        "ok": "all commands succeeded" in text,
    }


def fmt(value, form=".1f"):
    return "n/a" if value is None else format(value, form)


def main():
    directory, wanted, cycles = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    presets = sys.argv[4:]
    print("| figure | " + " | ".join(presets) + " |")
    print("| --- |" + " --- |" * len(presets))
    results = {p: throughput(directory, p, wanted) for p in presets}
    soaks = {p: soak(directory, p, cycles) for p in presets}
    idles = {p: idle_rows(directory, p) for p in presets}

    def row(label, cell):
        print(f"| {label} | " + " | ".join(cell(p) for p in presets) + " |")

    def of(key, form=".1f"):
        return lambda p: fmt(results[p][key], form) if results[p] else "failed"

    def peer(key, form=".1f"):
        return lambda p: fmt(results[p]["peer"][key], form) if results[p] else "failed"

    def ratio(p, mine, theirs):
        r = results[p]
        if not r or r[mine] is None or not r["peer"][theirs]:
            return "n/a"
        return f"{r[mine] / r['peer'][theirs]:.3f}"

    def latencies(source):
        return lambda p: " / ".join(fmt(source(results[p])[k], ".2f")
                                    for k in ("p50", "p99", "max")) if results[p] else "failed"

    row("wheel reports sent", of("sent", "d"))
    row("device rate (reports/s)", of("device_rate", ".0f"))
    row("bare reader: read (reports/s)", peer("rate", ".0f"))
    row("bare reader: lost", peer("lost", "d"))
    row("bare reader: latency p50 / p99 / max (ms)", latencies(lambda r: r["peer"]))
    row("Tarvex: handled (reports/s)", of("handled_rate", ".0f"))
    row("Tarvex: counts lost (stdout lines / window total)",
        lambda p: f"{fmt(results[p]['lost_lines'], 'd')} / {fmt(results[p]['lost_total'], 'd')}"
        if results[p] else "failed")
    row("Tarvex: latency to the stdout line p50 / p99 / max (ms)", latencies(lambda r: r))
    row("Tarvex: window shows the final total (ms after the last report)", of("shown", ".1f"))
    row("Tarvex / bare reader: reports handled", lambda p: ratio(p, "handled", "received"))
    row("Tarvex / bare reader: rate", lambda p: ratio(p, "handled_rate", "rate"))
    row("Tarvex / bare reader: latency p50 / p99",
        lambda p: f"{ratio(p, 'p50', 'p50')} / {ratio(p, 'p99', 'p99')}")
    row("most reports waiting for Tarvex", of("waiting", "d"))
    catchups = {p: catch_up(directory, p) for p in presets}

    def drain(who, cell):
        def text(p):
            figures = catchups[p] and catchups[p][who]
            return cell(figures) if figures else "failed"
        return text

    row("bare reader: catch-up after a 300 ms stall (reads/s)", drain("peer", lambda f: fmt(f["rate"], ".0f")))
    row("Tarvex: catch-up after a 300 ms stall (lines/s)", drain("tarvex", lambda f: fmt(f["rate"], ".0f")))
    row("Tarvex with no bare reader beside it: catch-up after the stall (lines/s)",
        drain("alone", lambda f: fmt(f["rate"], ".0f")))
    row("Tarvex's window alone: a ready backlog of 3000 drained (lines/s)",
        lambda p: fmt(window_drain(directory, p), ".0f"))
    row("stalled run, Tarvex: stall seen / backlog after it / drained in (ms, reports, ms)",
        drain("tarvex", lambda f: f"{f['stall_ms']:.0f} / {f['backlog']} / {f['drain_ms']:.0f}"))
    row("stalled run: latency p99 bare reader / Tarvex (ms), ratio",
        lambda p: (f"{catchups[p]['peer']['p99']:.1f} / {catchups[p]['tarvex']['p99']:.1f}, "
                   f"{catchups[p]['tarvex']['p99'] / catchups[p]['peer']['p99']:.2f}")
        if catchups[p] and catchups[p]["peer"] and catchups[p]["tarvex"] else "failed")
    for foreign in (0, 24, 100):
        def idle_cell(p, foreign=foreign):
            found = [r for r in idles[p] if r[0] == foreign]
            if not found:
                return "n/a"
            _, process, thread, per_reopen = found[0]
            return f"{process:.1f}% / {thread:.1f}% / {per_reopen:.2f} ms"
        row(f"no receiver, {foreign} foreign: CPU process / GUI thread / per re-open", idle_cell)
    def counts(index):
        return lambda p: " → ".join(c[index] for c in soaks[p]["counts"]) or "n/a"
    row("soak: GetProcessHandleCount start → end", counts(0))
    row("soak: handles counted start → end", counts(1))
    row("soak: threads start → end", counts(2))
    row("soak: greetings / opens", lambda p: f"{soaks[p]['greetings']} / {soaks[p]['opens']}")
    row("soak: wheel total / sent", lambda p: f"{fmt(soaks[p]['total'], 'd')} / {soaks[p]['opens']}")
    row("close with a reader blocked: window gone / process ended",
        lambda p: close_times(f"{directory}/close-{p}.txt"))
    row("soak: script", lambda p: "completed" if soaks[p]["ok"] else "FAILED (see build/bench)")

    done = [r for r in results.values() if r]
    lost = sum(max(r["lost_lines"] or 0, r["lost_total"] or 0) for r in done)
    timed = [r for r in done if r["handled_rate"] is not None]
    if not timed:
        print(f"0 reports/s, {lost if done else 'all'} lost, p99 n/a ms")
        return
    rate = min(r["handled_rate"] for r in timed)
    p99 = max(r["p99"] for r in timed)
    print(f"{rate:.0f} reports/s, {lost} lost, p99 {p99:.2f} ms")


if __name__ == "__main__":
    main()
