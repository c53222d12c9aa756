#!/usr/bin/env python3
"""Runs the NorvaleoDimmer benchmarks side by side and prints a Markdown report.

Started by bench/run inside scripts/with-display and scripts/netns-run: the
simulated controllers listen on 127.0.0.x of a private network namespace and
the windows go to a private Xvfb. Every figure is the median of several runs;
the runs of the compared variants are interleaved so that a change in the
machine's load hits all of them alike.
"""

import argparse
import datetime
import ipaddress
import json
import os
import platform
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

FIRST_ADDRESS = "127.0.0.10"
WATCHED_CONTROLLERS = 50
WATCHED_CHANNELS = 8
SEARCHED_CONTROLLERS = 100
# The most controllers the list keeps; a search with more answering stops there.
MAX_CONTROLLERS = 256
TARGET_STALL_MS = 50
SCALE_COUNTS = "1,50,100,250"
CLK_TCK = os.sysconf("SC_CLK_TCK")

# Targets; a figure passes when it does not exceed the limit.
TARGET_STARTUP_RATIO_EMPTY = 1.4  # × the empty window, application with an empty list
TARGET_STARTUP_RATIO_WATCHED = 1.6  # × the empty window, application with 50 controllers
TARGET_MEMORY_EMPTY_MB = 20.0  # above the empty window, application with an empty list
TARGET_MEMORY_WATCHED_MB = 35.0  # above the empty window, application watching 50 controllers
TARGET_CPU_PERCENT = {50: 1.0, 250: 2.0}  # of one core while watching that many controllers
TARGET_MEMORY_MB = {250: 130.0}  # resident, watching that many controllers (scale part)
# One reply with the values unchanged, the usual poll: wall time and instructions.
TARGET_REPLY_US = 30.0
TARGET_REPLY_INSTRUCTIONS = 350000
TARGET_FRAME_MS = 50.0


def log(text):
    print(text, file=sys.stderr, flush=True)


def median(values):
    return statistics.median(values) if values else float("nan")


def percentile(values, fraction):
    """Nearest-rank percentile."""
    if not values:
        return float("nan")
    ordered = sorted(values)
    rank = max(1, min(len(ordered), int(-(-fraction * len(ordered) // 1))))
    return ordered[rank - 1]


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


# --- the settings file and the simulator -------------------------------------------------------


def settings_text(count, channels):
    """A settings file as the application writes it, for `count` simulated controllers."""
    base = int(ipaddress.IPv4Address(FIRST_ADDRESS))
    devices = {}
    for i in range(count):
        wired = base + 2 * i
        entry = {
            "ipAddress_1": str(ipaddress.IPv4Address(wired)),
            "ipAddress_2": str(ipaddress.IPv4Address(wired + 1)),
            "name": "Контроллер %d" % (i + 1),
            "uniqueId": "NV%08X" % wired,
        }
        for c in range(1, channels + 1):
            entry["DIMMER_%d" % c] = {"favourites": "false", "light_id": str(c),
                                      "name": "Лампа %d" % c}
        devices["NORVALEO_DIMMER_%d" % (i + 1)] = entry
    return json.dumps(devices, ensure_ascii=False, separators=(",", ":"))


class SettingsFile:
    """settings/settings.json beside one executable; removed again at the end."""

    def __init__(self, executable):
        self.directory = os.path.join(os.path.dirname(executable), "settings")
        self.path = os.path.join(self.directory, "settings.json")

    def write(self, count):
        if count == 0:
            self.remove()
            return
        os.makedirs(self.directory, exist_ok=True)
        with open(self.path, "w", encoding="utf-8") as f:
            f.write(settings_text(count, WATCHED_CHANNELS))

    def remove(self):
        if os.path.exists(self.path):
            os.remove(self.path)


class Simulator:
    """norvaleo-simulator with --log; counts the HTTP requests it receives."""

    def __init__(self, executable, count, channels):
        self.process = subprocess.Popen(
            [executable, "--count", str(count), "--channels", str(channels),
             "--first-address", FIRST_ADDRESS, "--log"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, encoding="utf-8")
        self.requests = 0
        self.lock = threading.Lock()
        for line in self.process.stdout:
            if line.startswith("ready:"):
                break
        else:
            raise RuntimeError("the simulator did not start")
        threading.Thread(target=self._drain, daemon=True).start()

    def _drain(self):
        for line in self.process.stdout:
            if line.startswith("request "):
                with self.lock:
                    self.requests += 1

    def request_count(self):
        with self.lock:
            return self.requests

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class SimulatorSlot:
    """The one simulator of the run, restarted when a part needs another number of controllers."""

    def __init__(self, executable):
        self.executable = executable
        self.simulator = None
        self.count = 0

    def ensure(self, count):
        if self.simulator is None or self.count != count:
            self.stop()
            self.simulator = Simulator(self.executable, count, WATCHED_CHANNELS)
            self.count = count
        return self.simulator

    def stop(self):
        if self.simulator is not None:
            self.simulator.stop()
            self.simulator = None


class AppCopy:
    """A copy of the application in a directory of its own, so that two instances
    can run at the same time with different settings files beside them."""

    def __init__(self, executable):
        self.directory = tempfile.mkdtemp(prefix="norvaleo-bench-")
        self.path = os.path.join(self.directory, os.path.basename(executable))
        shutil.copy2(executable, self.path)
        self.settings = SettingsFile(self.path)

    def remove(self):
        shutil.rmtree(self.directory, ignore_errors=True)


# --- processes under measurement ---------------------------------------------------------------


def bench_lines(text):
    return [json.loads(line[6:]) for line in text.splitlines() if line.startswith("BENCH ")]


def run_launcher(launcher, arguments, timeout, usage=None, failures=None):
    """Runs bench_launcher to its end; returns (start time, its BENCH objects).

    With a list for `usage`, appends the CPU time (user + system, all threads)
    the process used, in ms: less disturbed by other load than wall time.
    With a list for `failures`, an abnormal exit after the results were printed
    is recorded there instead of failing the part.
    """
    start = time.monotonic_ns()
    errors = tempfile.TemporaryFile(mode="w+")
    process = subprocess.Popen([launcher] + arguments, stdout=subprocess.PIPE,
                               stderr=errors, text=True)
    timer = threading.Timer(timeout, process.kill)
    timer.start()
    try:
        out = process.stdout.read()
        _, status, rusage = os.wait4(process.pid, 0)
        process.returncode = os.waitstatus_to_exitcode(status)
    finally:
        timer.cancel()
    lines = bench_lines(out)
    if process.returncode != 0:
        errors.seek(0)
        last = [line.strip() for line in errors.read().splitlines() if line.strip()][-3:]
        text = "%s %s exited with %d (%s)" % (launcher, arguments, process.returncode,
                                              " / ".join(last))
        if failures is None or not lines:
            raise RuntimeError(text)
        log("  " + text + " after printing its results")
        failures.append(text)
    if usage is not None:
        usage.append((rusage.ru_utime + rusage.ru_stime) * 1000)
    return start, lines


def proc_stat_cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # After the command: state is field 3, utime field 14, stime field 15.
    return (int(fields[11]) + int(fields[12])) / CLK_TCK


def proc_status_kb(pid, key):
    """A figure of /proc/<pid>/status (kB for the memory figures)."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


# --- the benchmarks ----------------------------------------------------------------------------


def bench_startup(paths, rounds):
    """Process start to the first frame swapped, three variants interleaved."""
    settings = SettingsFile(paths["launcher"])
    variants = [
        ("empty window", ["--empty"], 0),
        ("window with one text", ["--text-window"], 0),
        ("application, empty list", [], 0),
        ("application, %d controllers" % WATCHED_CONTROLLERS, [], WATCHED_CONTROLLERS),
    ]
    results = {name: {"total": [], "main": [], "cpu": []} for name, _, _ in variants}
    # One round to warm the page cache and the font cache, not counted.
    for r in range(rounds + 1):
        shift = r % len(variants)
        order = variants[shift:] + variants[:shift]
        for name, arguments, count in order:
            settings.write(count)
            usage = []
            start, lines = run_launcher(paths["launcher"], arguments + ["--mode", "startup"], 60,
                                        usage)
            frame = next(line for line in lines if line["event"] == "first_frame")
            if r > 0:
                results[name]["total"].append((frame["first_frame_ns"] - start) / 1e6)
                results[name]["main"].append(
                    (frame["first_frame_ns"] - frame["entry_ns"]) / 1e6)
                results[name]["cpu"].extend(usage)
    settings.remove()
    return variants, results


def start_idle(arguments):
    return subprocess.Popen(arguments, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def stop_all(processes):
    for p in processes:
        p.send_signal(signal.SIGTERM)
    for p in processes:
        p.wait(timeout=10)


def watch(processes, simulator, warmup, seconds):
    """Lets the processes (name -> Popen) run, then reads CPU, memory and threads of each."""
    time.sleep(warmup)
    cpu0 = {name: proc_stat_cpu_seconds(p.pid) for name, p in processes.items()}
    requests0 = simulator.request_count()
    t0 = time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - t0
    sample = {"elapsed": elapsed,
              "requests_per_s": (simulator.request_count() - requests0) / elapsed}
    for name, p in processes.items():
        sample[name + "_cpu_percent"] = 100 * (proc_stat_cpu_seconds(p.pid) - cpu0[name]) / elapsed
        sample[name + "_hwm_mb"] = proc_status_kb(p.pid, "VmHWM") / 1024
        sample[name + "_rss_mb"] = proc_status_kb(p.pid, "VmRSS") / 1024
        sample[name + "_threads"] = proc_status_kb(p.pid, "Threads")
    return sample


def bench_watching(paths, simulator, rounds, seconds, warmup):
    """Memory and CPU of the application with an empty list and watching 50 controllers,
    beside the empty window and the window with one text, all running at once."""
    watched = AppCopy(paths["app"])
    unwatched = AppCopy(paths["app"])
    samples = []
    try:
        for r in range(rounds):
            watched.settings.write(WATCHED_CONTROLLERS)
            processes = {
                "empty": start_idle([paths["launcher"], "--empty", "--mode", "idle"]),
                "text": start_idle([paths["launcher"], "--text-window", "--mode", "idle"]),
                "app_empty": start_idle([unwatched.path]),
                "app": start_idle([watched.path]),
            }
            try:
                sample = watch(processes, simulator, warmup, seconds)
            finally:
                stop_all(processes.values())
            samples.append(sample)
            log("  watching round %d: %s" % (r + 1, json.dumps(
                {k: round(v, 2) for k, v in sample.items()})))
    finally:
        watched.remove()
        unwatched.remove()
    return samples


def bench_scale(paths, simulators, counts, startup_rounds, seconds, warmup):
    """Start-up, memory, threads and CPU for growing numbers of restored controllers,
    each beside the empty window: what one more controller costs."""
    simulator = simulators.ensure(max(counts))
    launcher_settings = SettingsFile(paths["launcher"])
    app = AppCopy(paths["app"])
    rows = []
    try:
        for count in counts:
            totals = {"empty": [], "app": []}
            cpu = {"empty": [], "app": []}
            for r in range(startup_rounds + 1):
                # Alternate which variant goes first; the first round warms caches.
                order = [("empty", ["--empty"]), ("app", [])]
                if r % 2:
                    order.reverse()
                for name, arguments in order:
                    launcher_settings.write(count if name == "app" else 0)
                    usage = []
                    start, lines = run_launcher(paths["launcher"],
                                                arguments + ["--mode", "startup"], 60, usage)
                    frame = next(line for line in lines if line["event"] == "first_frame")
                    if r > 0:
                        totals[name].append((frame["first_frame_ns"] - start) / 1e6)
                        cpu[name].extend(usage)
            launcher_settings.remove()
            app.settings.write(count)
            processes = {"empty": start_idle([paths["launcher"], "--empty", "--mode", "idle"]),
                         "app": start_idle([app.path])}
            try:
                sample = watch(processes, simulator, warmup, seconds)
            finally:
                stop_all(processes.values())
            row = {
                "controllers": count,
                "startup_ms": median(totals["app"]),
                "startup_cpu_ms": median(cpu["app"]),
                "empty_startup_ms": median(totals["empty"]),
                "rss_mb": sample["app_rss_mb"],
                "hwm_mb": sample["app_hwm_mb"],
                "empty_rss_mb": sample["empty_rss_mb"],
                "threads": sample["app_threads"],
                "empty_threads": sample["empty_threads"],
                "cpu_percent": sample["app_cpu_percent"],
                "requests_per_s": sample["requests_per_s"],
            }
            rows.append(row)
            log("  scale %d: %s" % (count, json.dumps(
                {k: (round(v, 2) if isinstance(v, float) else v) for k, v in row.items()})))
    finally:
        launcher_settings.remove()
        app.remove()
    return rows


def slope(points):
    """Least-squares slope of (x, y) points: the cost of one more controller."""
    if len(points) < 2:
        return float("nan")
    mx = statistics.mean(x for x, _ in points)
    my = statistics.mean(y for _, y in points)
    sxx = sum((x - mx) ** 2 for x, _ in points)
    return sum((x - mx) * (y - my) for x, y in points) / sxx if sxx else float("nan")


def bench_frames(paths, rounds, settle_ms, duration_ms):
    """Frame intervals with a channel grid shown while 50 controllers are polled."""
    settings = SettingsFile(paths["launcher"])
    runs = []
    for r in range(rounds):
        settings.write(WATCHED_CONTROLLERS)
        _, lines = run_launcher(paths["launcher"],
                                ["--mode", "frames", "--settle-ms", str(settle_ms),
                                 "--duration-ms", str(duration_ms)],
                                60 + 3 * (settle_ms + 2 * duration_ms) / 1000)
        events = {line["event"]: line for line in lines}
        driven = events["driven_frames"]["swaps_ns"]
        intervals = [(b - a) / 1e6 for a, b in zip(driven, driven[1:])]
        idle = events["idle_frames"]
        stalls = [s / 1e6 for s in idle["stalls_ns"]]
        run = {
            "page": events["page"]["title"],
            "cells": events["page"]["cells"],
            "frames": len(driven),
            "interval_max": max(intervals),
            "interval_p99": percentile(intervals, 0.99),
            "interval_median": median(intervals),
            "intervals_over_target": sum(1 for i in intervals if i > TARGET_FRAME_MS),
            "render_max": max(events["driven_frames"]["renders_ns"]) / 1e6,
            "render_median": median(events["driven_frames"]["renders_ns"]) / 1e6,
            "idle_frames": len(idle["swaps_ns"]),
            "stall_max": max(stalls) if stalls else float("nan"),
            "stall_p99": percentile(stalls, 0.99),
        }
        runs.append(run)
        log("  frames round %d: %s" % (r + 1, json.dumps(
            {k: (round(v, 2) if isinstance(v, float) else v) for k, v in run.items()})))
    settings.remove()
    return runs


def bench_search(paths, simulators, counts, rounds):
    """A network search with 100 (and more) controllers answering: what the first tick shows."""
    settings = SettingsFile(paths["launcher"])
    settings.remove()
    runs = []
    for count in counts:
        simulators.ensure(count)
        for r in range(rounds):
            failures = []
            _, lines = run_launcher(paths["launcher"], ["--mode", "search"], 60,
                                    failures=failures)
            search = next(line for line in lines if line["event"] == "search")
            stalls = [s / 1e6 for s in search["stalls_ns"]]
            run = {
                "answering": count,
                "first_report_ms": search["first_report_ms"],
                "reported": search["reported"],
                "rows": search["rows"],
                "grid_count": search["grid_count"],
                "stall_max": max(stalls) if stalls else float("nan"),
                "exit": failures[0] if failures else "",
            }
            runs.append(run)
            log("  search round %d: %s" % (r + 1, json.dumps(run)))
    settings.remove()
    return runs


def bench_reply(paths, rounds):
    """QBENCHMARK of NorvaleoDimmer::handleReplyBody: wall time, and instructions if valgrind is here."""
    walltime = {}
    threadtime = {}
    for _ in range(rounds):
        out = subprocess.run([paths["reply"], "-csv", "-minimumtotal", "300", "-median", "3"],
                             capture_output=True, text=True, check=True).stdout
        for line in out.splitlines():
            m = re.match(r'"dimmerInfo","([^"]*)","WalltimeMilliseconds",([0-9.e+-]+)', line)
            if m:
                walltime.setdefault(m.group(1), []).append(float(m.group(2)) * 1000)
            m = re.match(r'THREADTIME,"([^"]*)",([0-9.e+-]+)', line)
            if m:
                threadtime.setdefault(m.group(1), []).append(float(m.group(2)))
    instructions = {}
    if shutil.which("valgrind"):
        out = subprocess.run([paths["reply"], "-csv", "-callgrind", "dimmerInfo"],
                             capture_output=True, text=True).stdout
        for line in out.splitlines():
            m = re.match(r'"dimmerInfo","([^"]*)","InstructionReads",([0-9.e+-]+)', line)
            if m:
                instructions[m.group(1)] = float(m.group(2))
    return walltime, threadtime, instructions


# --- the machine and the report ----------------------------------------------------------------


def machine():
    info = {"nproc": os.cpu_count()}
    with open("/proc/cpuinfo") as f:
        models = [line.split(":", 1)[1].strip() for line in f if line.startswith("model name")]
    info["cpu"] = models[0] if models else platform.processor()
    with open("/proc/meminfo") as f:
        total = next(int(line.split()[1]) for line in f if line.startswith("MemTotal"))
    info["memory"] = "%.1f GiB" % (total / 1024 / 1024)
    try:
        with open("/etc/os-release") as f:
            os_release = dict(line.rstrip().split("=", 1) for line in f if "=" in line)
        info["os"] = os_release.get("PRETTY_NAME", "").strip('"')
    except OSError:
        info["os"] = platform.platform()
    info["kernel"] = platform.release()
    try:
        info["qt"] = subprocess.run(["qmake", "-query", "QT_VERSION"], capture_output=True,
                                    text=True).stdout.strip()
    except OSError:
        info["qt"] = "?"
    return info


def verdict(ok):
    return "met" if ok else "**missed**"


def report(info, sections, args, loads):
    out = []
    w = out.append
    w("## Run of %s" % datetime.datetime.now().strftime("%Y-%m-%d %H:%M"))
    w("")
    w("Machine: %d cores, %s, %s, %s (kernel %s), Qt %s; X server Xvfb, Mesa llvmpipe." % (
        info["nproc"], info["cpu"], info["memory"], info["os"], info["kernel"], info["qt"]))
    w("Command: `bench/run %s`. Load average (1, 5, 15 min) before each part: %s." % (
        " ".join(args), "; ".join("%s %s" % item for item in loads)))
    w("")
    w("| # | what | measured (median) | floor / reference | target | verdict |")
    w("|---|---|---|---|---|---|")
    rows = []

    if "startup" in sections:
        variants, results = sections["startup"]
        empty = median(results[variants[0][0]]["total"])
        empty_cpu = median(results[variants[0][0]]["cpu"])
        text = median(results[variants[1][0]]["total"])
        text_cpu = median(results[variants[1][0]]["cpu"])
        limits = [None, None, TARGET_STARTUP_RATIO_EMPTY, TARGET_STARTUP_RATIO_WATCHED]
        for (name, _, _), limit in zip(variants[1:], limits[1:]):
            value = median(results[name]["total"])
            cpu = median(results[name]["cpu"])
            ratio = value / empty
            reference = ("empty window %.0f ms (CPU %.0f ms)" % (empty, empty_cpu))
            if limit is not None:
                reference += "; window with one text %.0f ms, %.2f× (CPU %.0f ms)" % (
                    text, value / text, text_cpu)
            rows.append("| 1 | start to first frame, %s | %.0f ms (%.2f× the empty window; "
                        "CPU %.0f ms) | %s | %s | %s |" % (
                            name, value, ratio, cpu, reference,
                            "—" if limit is None else "≤ %.1f×" % limit,
                            "reference" if limit is None else verdict(ratio <= limit)))
    if "watching" in sections:
        samples = sections["watching"]
        # The resident memory after watching, as the table gives it; the
        # peak beside it.
        empty = median([s["empty_rss_mb"] for s in samples])
        empty_hwm = median([s["empty_hwm_mb"] for s in samples])
        text = median([s["text_rss_mb"] for s in samples])
        for key, what, limit in (
                ("app_empty", "application, empty list", TARGET_MEMORY_EMPTY_MB),
                ("app", "application watching %d×%d" % (WATCHED_CONTROLLERS, WATCHED_CHANNELS),
                 TARGET_MEMORY_WATCHED_MB)):
            app = median([s[key + "_rss_mb"] for s in samples])
            hwm = median([s[key + "_hwm_mb"] for s in samples])
            rows.append("| 2 | RSS (VmRSS) after %d s, %s | %.1f MB (+%.1f MB); peak (VmHWM) "
                        "%.1f MB (+%.1f MB) | empty window %.1f MB (peak %.1f MB); window with "
                        "one text %.1f MB (+%.1f MB above it) | ≤ +%.0f MB | %s |" % (
                            args_seconds(samples), what, app, app - empty, hwm, hwm - empty_hwm,
                            empty, empty_hwm, text, app - text, limit,
                            verdict(app - empty <= limit)))
        threads = (median([s["app_empty_threads"] for s in samples]),
                   median([s["app_threads"] for s in samples]))
        # Whether they grow with the number of controllers is judged by the scale part.
        rows.append("| 3 | threads: application with an empty list / watching %d controllers | "
                    "%d / %d | empty window %d | no growth with controllers (part 6) | "
                    "reference |" % (
                        WATCHED_CONTROLLERS, threads[0], threads[1],
                        median([s["empty_threads"] for s in samples])))
        cpu = median([s["app_cpu_percent"] for s in samples])
        limit = TARGET_CPU_PERCENT[WATCHED_CONTROLLERS]
        rows.append("| 4 | CPU while watching %d controllers (utime+stime / wall) | %.2f %% of "
                    "one core | empty window %.2f %%, application with an empty list %.2f %%; "
                    "%.1f requests/s served | < %.0f %% | %s |" % (
                        WATCHED_CONTROLLERS, cpu,
                        median([s["empty_cpu_percent"] for s in samples]),
                        median([s["app_empty_cpu_percent"] for s in samples]),
                        median([s["requests_per_s"] for s in samples]), limit,
                        verdict(cpu < limit)))
    if "reply" in sections:
        walltime, threadtime, instructions = sections["reply"]
        for tag, values in walltime.items():
            value = median(values)
            extra = []
            if tag in threadtime:
                extra.append("thread CPU time %.2f µs" % median(threadtime[tag]))
            if tag in instructions:
                extra.append("%.0f instructions" % instructions[tag])
            # Only the usual poll, values unchanged, has a target.
            if "unchanged" in tag:
                ok = value <= TARGET_REPLY_US and instructions.get(tag, 0) <= \
                    TARGET_REPLY_INSTRUCTIONS
                target = "≤ %.0f µs, ≤ %.2f M instructions" % (
                    TARGET_REPLY_US, TARGET_REPLY_INSTRUCTIONS / 1e6)
                result = verdict(ok and tag in instructions)
            else:
                target, result = "—", "measured"
            rows.append("| 7 | one dimmer_info reply, 16 channels: %s (QBENCHMARK wall time) | "
                        "%.2f µs | %s | %s | %s |" % (
                            tag, value, "; ".join(extra), target, result))
    if "search" in sections:
        all_runs = sections["search"]
        for count in sorted({r["answering"] for r in all_runs}):
            runs = [r for r in all_runs if r["answering"] == count]
            expected = min(count, MAX_CONTROLLERS)
            reported = min(r["reported"] for r in runs)
            rows_seen = min(r["rows"] for r in runs)
            grid = min(r["grid_count"] for r in runs)
            stall = max(r["stall_max"] for r in runs)
            ok = reported == expected and rows_seen == expected and grid == expected
            if count > MAX_CONTROLLERS:
                ok = ok and stall <= TARGET_STALL_MS
            rows.append("| 8 | search, %d controllers answering: first report / rows / grid "
                        "cells at the first tick (worst of %d runs) | %d / %d / %d | first "
                        "report after %.0f ms; longest GUI stall %.0f ms | %s | %s |" % (
                            count, len(runs), reported, rows_seen, grid,
                            median([r["first_report_ms"] for r in runs]), stall,
                            ("the %d the list keeps, stall ≤ %d ms" % (expected, TARGET_STALL_MS)
                             if count > MAX_CONTROLLERS else "all %d" % expected),
                            verdict(ok)))
            exits = [r["exit"] for r in runs if r["exit"]]
            if exits:
                rows.append("| 8 | abnormal exits after the search was reported | %d of %d runs "
                            "| %s | none | noted |" % (len(exits), len(runs), exits[0]))
    if "frames" in sections:
        runs = sections["frames"]
        worst = max(r["interval_max"] for r in runs)
        rows.append("| 5 | frame intervals, channel grid (%d cells) shown, %d controllers "
                    "polled, continuous redraw: max / p99 / median | %.1f / %.1f / %.1f ms "
                    "(worst of %d runs: max %.1f ms, p99 %.1f ms; %d of %d intervals over "
                    "%.0f ms) | "
                    "render (sync to swap) median %.1f ms; "
                    "without redraw: longest GUI stall %.1f ms, %d frames | no frame over "
                    "%.0f ms | %s |" % (
                        min(r["cells"] for r in runs), WATCHED_CONTROLLERS,
                        median([r["interval_max"] for r in runs]),
                        median([r["interval_p99"] for r in runs]),
                        median([r["interval_median"] for r in runs]), len(runs), worst,
                        max(r["interval_p99"] for r in runs),
                        sum(r["intervals_over_target"] for r in runs),
                        sum(r["frames"] - 1 for r in runs), TARGET_FRAME_MS,
                        median([r["render_median"] for r in runs]),
                        max(r["stall_max"] for r in runs),
                        int(median([r["idle_frames"] for r in runs])), TARGET_FRAME_MS,
                        verdict(worst <= TARGET_FRAME_MS)))
    out.extend(rows)
    w("")
    if "scale" in sections:
        out.extend(scale_report(sections["scale"]))
    return "\n".join(out)


def scale_report(rows):
    """Measurement 6: one line per number of controllers and the cost of one more."""
    out = ["Measurement 6, scale: restored controllers of %d channels each, start to first "
           "frame (median) beside the empty window, then after warm-up the resident memory, "
           "threads and CPU of the application beside the empty window." % WATCHED_CHANNELS, "",
           "| controllers | start to first frame | × empty window | RSS (VmRSS) | peak (VmHWM) "
           "| threads | CPU of one core | requests/s |",
           "|---|---|---|---|---|---|---|---|"]
    for r in rows:
        out.append("| %d | %.0f ms (CPU %.0f ms) | %.2f× | %.1f MB | %.1f MB | %d | %.2f %% | "
                   "%.1f |" % (r["controllers"], r["startup_ms"], r["startup_cpu_ms"],
                               r["startup_ms"] / r["empty_startup_ms"], r["rss_mb"], r["hwm_mb"],
                               r["threads"], r["cpu_percent"], r["requests_per_s"]))
    empty = rows[0]
    out.append("| empty window | %.0f ms | 1.00× | %.1f MB | | %d | | |" % (
        median([r["empty_startup_ms"] for r in rows]), median([r["empty_rss_mb"] for r in rows]),
        median([r["empty_threads"] for r in rows])))

    def per(key):
        return slope([(r["controllers"], r[key]) for r in rows])

    cpu_points = [(r["controllers"], r["cpu_percent"]) for r in rows]
    out.append("")
    out.append("Cost of one more controller (least-squares slope over the rows): start to first "
               "frame %.2f ms, RSS %.1f kB, threads %.2f, CPU %.4f %% of one core "
               "(%.0f µs of CPU per second)." % (
                   per("startup_ms"), per("rss_mb") * 1024, per("threads"), slope(cpu_points),
                   slope(cpu_points) * 1e4))
    for count, limit in sorted(TARGET_CPU_PERCENT.items()):
        found = [r for r in rows if r["controllers"] == count]
        if found:
            out.append("CPU target for %d controllers: %.2f %% < %.0f %%: %s." % (
                count, found[0]["cpu_percent"], limit,
                verdict(found[0]["cpu_percent"] < limit)))
    for count, limit in sorted(TARGET_MEMORY_MB.items()):
        found = [r for r in rows if r["controllers"] == count]
        if found:
            out.append("Memory target for %d controllers: %.1f MB ≤ %.0f MB: %s." % (
                count, found[0]["rss_mb"], limit, verdict(found[0]["rss_mb"] <= limit)))
    growth = max(r["threads"] for r in rows) - min(r["threads"] for r in rows)
    out.append("Threads from %d to %d controllers: %d to %d: %s." % (
        rows[0]["controllers"], rows[-1]["controllers"], empty["threads"], rows[-1]["threads"],
        verdict(growth == 0)))
    out.append("")
    return out


def args_seconds(samples):
    return int(round(median([s["elapsed"] for s in samples])))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build-dir", default="build-bench")
    parser.add_argument("--only", default="startup,watching,reply,search,frames,scale",
                        help="comma-separated parts to run")
    parser.add_argument("--startup-rounds", type=int, default=9)
    parser.add_argument("--watch-rounds", type=int, default=3)
    parser.add_argument("--watch-seconds", type=float, default=60)
    parser.add_argument("--watch-warmup", type=float, default=10)
    parser.add_argument("--frame-rounds", type=int, default=3)
    parser.add_argument("--frame-seconds", type=float, default=30)
    parser.add_argument("--reply-rounds", type=int, default=5)
    parser.add_argument("--search-rounds", type=int, default=3)
    parser.add_argument("--search-counts", default="100,1000",
                        help="comma-separated numbers of controllers answering the search "
                             "(at most 1000)")
    parser.add_argument("--scale-counts", default=SCALE_COUNTS,
                        help="comma-separated numbers of controllers, ascending (at most 256)")
    parser.add_argument("--scale-startup-rounds", type=int, default=5)
    parser.add_argument("--scale-seconds", type=float, default=30)
    parser.add_argument("--scale-warmup", type=float, default=20)
    parser.add_argument("--output", help="also append the report to this file")
    args = parser.parse_args()

    build = os.path.abspath(args.build_dir)
    paths = {
        "launcher": os.path.join(build, "bench", "bench_launcher"),
        "reply": os.path.join(build, "bench", "bench_reply"),
        "app": os.path.join(build, "src", "app", "NorvaleoDimmer"),
        "simulator": os.path.join(build, "tools", "norvaleo-simulator"),
    }
    parts = args.only.split(",")
    info = machine()
    sections = {}
    loads = []
    simulators = SimulatorSlot(paths["simulator"])
    scale_counts = [int(c) for c in args.scale_counts.split(",")]
    benchmarks = [
        ("startup", "start-up, %d rounds" % args.startup_rounds,
         lambda: bench_startup(paths, args.startup_rounds)),
        ("watching", "memory and CPU, %d rounds of %.0f s" % (args.watch_rounds,
                                                              args.watch_seconds),
         lambda: bench_watching(paths, simulators.ensure(SEARCHED_CONTROLLERS), args.watch_rounds,
                                args.watch_seconds, args.watch_warmup)),
        ("reply", "reply handling", lambda: bench_reply(paths, args.reply_rounds)),
        ("search", "search, %s controllers answering" % args.search_counts,
         lambda: bench_search(paths, simulators,
                              [int(c) for c in args.search_counts.split(",")],
                              args.search_rounds)),
        ("frames", "frames, %d rounds" % args.frame_rounds,
         lambda: bench_frames(paths, args.frame_rounds, 5000, int(args.frame_seconds * 1000))),
        ("scale", "scale, %s controllers" % args.scale_counts,
         lambda: bench_scale(paths, simulators, scale_counts, args.scale_startup_rounds,
                             args.scale_seconds, args.scale_warmup)),
    ]
    failed = []
    try:
        for name, title, run in benchmarks:
            if name not in parts:
                continue
            loads.append((name, load_average()))
            log(title + " ...")
            # One simulator: the first 50 of its 100 controllers are the watched
            # ones, all 100 answer the search; the scale part restarts it larger.
            if name in ("startup", "frames"):
                simulators.ensure(SEARCHED_CONTROLLERS)
            # A part that fails is reported; the others still run.
            try:
                sections[name] = run()
            except Exception as error:  # noqa: BLE001 - any failure of a part
                log("  %s failed: %s" % (name, error))
                failed.append("%s: %s" % (name, error))
    finally:
        simulators.stop()
        # Whatever happened, the measured executables start with an empty list again.
        for executable in (paths["launcher"], paths["app"]):
            SettingsFile(executable).remove()

    text = report(info, sections, sys.argv[1:], loads)
    if failed:
        text += "\nParts that failed: " + "; ".join(failed) + "\n"
    print(text)
    if args.output:
        with open(args.output, "a", encoding="utf-8") as f:
            f.write(text + "\n")
        with open(args.output + ".json", "a", encoding="utf-8") as f:
            f.write(json.dumps({"machine": info, "loads": loads, "sections": sections},
                               default=str) + "\n")


if __name__ == "__main__":
    main()
