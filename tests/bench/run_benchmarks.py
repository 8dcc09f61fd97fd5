#!/usr/bin/env python3
"""Benchmarks of the real program under Wine against the local test service.

Reports, without asserting any timing:
- the cost of one status poll (open, query, close);
- the program's handle count and private memory after 10 and after 10,000 posted poll ticks;
- the worst time its window takes to answer a message, healthy and with a service manager that
  takes 5 s for every open (the kestrin_slow build).
- the program's CPU per posted poll tick next to a bare open/query/close, in alternating rounds;
- the program's CPU per minute on its real timers watching a running service, next to a minimal
  window that does one bare open/query/close a second, run side by side;
- how soon a service stopped from outside is running again with `/delay 0` and with `/delay 5`
  (median and worst of 10 stops), from the stop to the first status that reads Running.
- one copy watching 16 running services next to 16 copies watching one each, side by side: the CPU
  per second of the one against the sum of the 16, and the private memory of the one against three
  single copies; then, timed inside the window thread of a build made for it (kestrin_timed), the
  worst handling of its one-second poll tick, all running and while half of its services stop and
  start again, beside the worst handling of the answers that changed something.
CPU is the Wine process's user + system time from /proc (10 ms steps), so the runs are long enough
for that step to matter little; min/median/max of the rounds are given.
The report is printed and written to <build_dir>/benchmarks.txt. An argument names another build
of the program to measure instead of kestrin.exe (say, an older one, for a before-and-after).
`--short` takes every measurement once, briefly (seconds, for ./test.sh), with 4 services instead of 16:
its figures show that each measurement still works, not what it measures.
"""
import os
import statistics
import sys
import time

import winenv

SERVICE = winenv.TEST_SERVICE
SETTINGS = r"HKCU\Software\Kestrin\Settings"
MAIN = "KestrinFrmSrvMan:Kestrin"
LBL_STATUS = 103
RUNNING = "4"
WATCHERS = r"HKCU\Software\Kestrin\Watchers"
BENCH_STEM = "KestrinBench"  # this benchmark's own registrations of the test service: KestrinBench01, ...


def probe(env, *args, timeout=300):
    rc, out = env.run(env.exe("kestrin_probe.exe"), *args, timeout=timeout)
    if rc != 0:
        raise RuntimeError(f"kestrin_probe {' '.join(map(str, args))} failed: {out.strip()}")
    return out.strip().splitlines()[-1]


def fields(line):
    words = line.split()
    return {words[i]: words[i + 1] for i in range(0, len(words) - 1, 2)}


def unix_memory(pid):
    """Resident and data-segment sizes of the Wine process, in KiB (Wine reports no private bytes)."""
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in ("VmRSS", "VmData"):
                values[key] = int(rest.split()[0])
    return values


def private_kib(pid):
    """Private resident memory of a Wine process in KiB: Private_Clean + Private_Dirty from
    /proc/PID/smaps_rollup, what it alone keeps in memory beside the libraries all Wine processes share."""
    total = 0
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in ("Private_Clean", "Private_Dirty"):
                total += int(rest.split()[0])
    return total


def cpu_ms(pid):
    """User + system CPU of a Unix process, in ms."""
    with open(f"/proc/{pid}/stat") as f:
        fields_ = f.read().rsplit(")", 1)[1].split()
    return (int(fields_[11]) + int(fields_[12])) * 1000 / os.sysconf("SC_CLK_TCK")


def spread(values, unit=""):
    values = sorted(values)
    return f"min {values[0]:.2f}{unit}, median {values[len(values) // 2]:.2f}{unit}, max {values[-1]:.2f}{unit}"


def poll_cost_rounds(env, program, rounds=3, ticks=400):
    """Per round: the program's CPU per posted tick, and a bare poll's CPU, alternately."""
    per_tick, bare, ratios = [], [], []
    for _ in range(rounds):
        before = cpu_ms(program.pid)
        probe(env, "ticks", str(ticks), "20", timeout=300)
        tick = (cpu_ms(program.pid) - before) / ticks
        plain = float(fields(probe(env, "poll-cpu", SERVICE, str(ticks)))["cpu_ms"]) / ticks
        per_tick.append(tick)
        bare.append(plain)
        ratios.append(tick / plain if plain else float("nan"))
    return [f"CPU per posted poll tick: {spread(per_tick, ' ms')}",
            f"CPU per bare open/query/close: {spread(bare, ' ms')}",
            f"poll tick / bare poll: {spread(ratios, 'x')} over {rounds} alternating rounds of {ticks}, "
            f"{sum(per_tick) / sum(bare):.2f}x all together" if sum(bare) else "too short to compare"]


def idle_rounds(env, program, rounds=5, seconds=60):
    """Per round: the program and a minimal 1 s poller, side by side, CPU ms per minute each."""
    mine, minimal, ratios = [], [], []
    for _ in range(rounds):
        other = env.spawn(env.exe("kestrin_probe.exe"), "minimal-window", SERVICE, str(seconds + 2))
        try:
            time.sleep(1)
            start = (cpu_ms(program.pid), cpu_ms(other.pid))
            time.sleep(seconds)
            end = (cpu_ms(program.pid), cpu_ms(other.pid))
        finally:
            env.kill(other, sweep_tray=False)
        scale = 60 / seconds
        mine.append((end[0] - start[0]) * scale)
        minimal.append((end[1] - start[1]) * scale)
        ratios.append(mine[-1] / minimal[-1] if minimal[-1] else float("nan"))
    return [f"CPU per minute, kestrin on its timers: {spread(mine, ' ms')}",
            f"CPU per minute, minimal 1 s poller:    {spread(minimal, ' ms')}",
            f"kestrin / minimal: {spread(ratios, 'x')} over {rounds} side-by-side minutes, "
            f"{sum(mine) / sum(minimal):.2f}x all together" if sum(minimal) else "too short to compare"]


def svc(env, *args):
    rc, out = env.svc(*[str(a) for a in args])
    if rc != 0:
        raise RuntimeError(f"kestrin_svctool {' '.join(map(str, args))} failed: {out.strip()}")


def wait_windows(env, count, settle_s, timeout_s=120):
    """Waits until `count` kestrin windows exist, then `settle_s` more for their first answers."""
    deadline = time.monotonic() + timeout_s
    while True:
        rc, out = env.run(env.exe("kestrin_driver.exe"), "count", "KestrinFrmSrvMan", "*")
        if rc == 0 and int(out.strip() or 0) >= count:
            break
        if time.monotonic() > deadline:
            raise RuntimeError(f"only {out.strip()} of {count} kestrin windows opened")
        time.sleep(1)
    time.sleep(settle_s)


def tick_times(env, count, seconds, words, churn=False):
    """kestrin_timed's own timings over `seconds` of its real timers: each poll tick's handling, and
    each handling of answers that changed something. With `churn`, half of the services stop a third of
    the way in and start again at two thirds, so that rows, the tooltip and the badge change."""
    caption = f"Kestrin: {count} services"
    probe(env, "tick-times", caption, "reset")
    if churn:
        time.sleep(seconds / 3)
        svc(env, "numbered", count // 2, "stop", BENCH_STEM)
        time.sleep(seconds / 3)
        svc(env, "numbered", count // 2, "start", BENCH_STEM)
        time.sleep(seconds / 3)
    else:
        time.sleep(seconds)
    times = fields(probe(env, "tick-times", caption, "read"))
    return (f"poll tick handled, {words}: worst {times['tick_worst_ms']} ms, median {times['tick_median_ms']} ms "
            f"over {times['ticks']} ticks; answers handled: worst {times['answers_worst_ms']} ms, median "
            f"{times['answers_median_ms']} ms over {times['answers']}")


def several_services(env, measured, count, rounds, seconds, tick_s):
    """One copy watching `count` services beside `count` single copies; then the one copy's tick."""
    names = [f"{BENCH_STEM}{i:02d}" for i in range(1, count + 1)]
    svc(env, "numbered", count, "create", BENCH_STEM, env.win_path(env.exe(winenv.TEST_SERVICE_EXE)))
    copies, lines = [], []
    try:
        svc(env, "numbered", count, "set-param", BENCH_STEM, "LogFile",
            env.win_path(os.path.join(env.log_dir, "bench-services.log")))
        svc(env, "numbered", count, "start", BENCH_STEM)
        svc(env, "numbered", count, "wait", BENCH_STEM, 4, 20000)
        env.reg_delete_key(WATCHERS)  # every window shown, as at a first start
        one = env.spawn(env.exe(measured), *[word for name in names for word in ("/service", name)])
        singles = [env.spawn(env.exe(measured), "/service", name) for name in names]
        copies = [one] + singles
        settle_s = min(5, seconds / 2)  # the start-up's CPU is not the watching's
        wait_windows(env, len(copies), settle_s)
        rc, rows = env.run(env.exe("kestrin_driver.exe"), "rows", f"KestrinFrmSrvMan:Kestrin: {count} services", 107)
        running = sum(1 for row in rows.splitlines() if row.split("\t")[3:4] == ["Running"])
        if rc != 0 or running != count:
            raise RuntimeError(f"the copy watching {count} services shows {running} of them running: {rows.strip()}")

        mine, theirs, ratios = [], [], []
        for _ in range(rounds):
            start = [cpu_ms(proc.pid) for proc in copies]
            time.sleep(seconds)
            spent = [cpu_ms(proc.pid) - before for proc, before in zip(copies, start)]
            mine.append(spent[0] / seconds)
            theirs.append(sum(spent[1:]) / seconds)
            ratios.append(mine[-1] / theirs[-1] if theirs[-1] else float("nan"))
        lines += [f"CPU per second, one copy watching {count} services: {spread(mine, ' ms')}",
                  f"CPU per second, {count} single copies together:    {spread(theirs, ' ms')}",
                  f"one copy / {count} single copies: {spread(ratios, 'x')} over {rounds} side-by-side rounds of "
                  f"{seconds} s, {sum(mine) / sum(theirs):.2f}x all together" if sum(theirs) else "too short to compare"]

        single_kib = sorted(private_kib(proc.pid) for proc in singles)
        median = single_kib[len(single_kib) // 2]
        lines += [f"private memory, one copy watching {count} services: {private_kib(one.pid)} KiB "
                  f"(resident {unix_memory(one.pid)['VmRSS']} KiB)",
                  f"private memory, a single copy: median {median} KiB (min {single_kib[0]}, max {single_kib[-1]}); "
                  f"three single copies: {3 * median} KiB"]

        for proc in copies:
            env.kill(proc, sweep_tray=False)
        env.sweep_tray()
        env.run(env.exe("kestrin_driver.exe"), "wait-gone", "KestrinFrmSrvMan:*", 10000)
        # Timed inside its window thread by the kestrin_timed build, on its own real timers.
        timed = env.spawn(env.exe("kestrin_timed.exe"), *[word for name in names for word in ("/service", name)])
        copies.append(timed)
        wait_windows(env, 1, settle_s)
        lines += [tick_times(env, count, tick_s, "all running"),
                  tick_times(env, count, tick_s, f"while {count // 2} stop and start again", churn=True)]
    finally:
        for proc in copies:
            env.kill(proc, sweep_tray=False)
        env.sweep_tray()
        env.svc("numbered", count, "reset", BENCH_STEM)
        env.svc("numbered", count, "delete", BENCH_STEM)
        env.reg_delete_key(WATCHERS)
    return lines


def footprint(env, program):
    handles = fields(probe(env, "footprint"))["handles"]
    memory = unix_memory(program.pid)
    return f"handles {handles}, resident {memory['VmRSS']} KiB, data {memory['VmData']} KiB"


def run_program(env, exe):
    env.reg_set(SETTINGS, "Computer Name", "")
    env.reg_set(SETTINGS, "Service Name", SERVICE)
    env.reg_set(SETTINGS, "Minimise to Tray", "False")
    return env.spawn(env.exe(exe))


def back_after_stop(env, exe, delay, stops):
    """Milliseconds from a stop from outside to the service reading Running again, `stops` times.

    Every stop gets a copy of its own: within one copy a second stop would come minutes after that
    copy's own start, count as a failed start, and the figure would be the backoff's.
    """
    times = []
    for _ in range(stops):
        if env.service_state(SERVICE) != int(RUNNING):
            env.svc("start", SERVICE)
            env.svc("wait", SERVICE, RUNNING, "20000")
        program = env.spawn(env.exe(exe), "/service", SERVICE, "/delay", str(delay))
        try:
            rc, out = env.run(env.exe("kestrin_driver.exe"), "wait-text", MAIN, LBL_STATUS, "Running", "20000")
            if rc != 0:
                if program.poll() is not None:
                    return f"not measured: {exe} ended at once (a build without /delay?)"
                raise RuntimeError(f"{exe} never showed the service running: {out.strip()}")
            times.append(float(fields(probe(env, "stop-to-running", SERVICE, "60000"))["stop_to_running_ms"]))
        finally:
            env.kill(program)
    return (f"median {statistics.median(times):.0f} ms, worst {max(times):.0f} ms over {len(times)} stops "
            f"(each: {', '.join(f'{t:.0f}' for t in times)})")


# Sizes of the full run and of the short one: poll count, tick counts, seconds of answers, rounds;
# stops for the restart delay; for several services, their number, rounds and seconds side by side,
# and seconds of ticks.
FULL = {"polls": 300, "ticks": 10000, "answer_s": 30, "rounds": 3, "round_ticks": 400, "idle_rounds": 5,
        "idle_s": 60, "stops": 10, "delays": (0, 5), "services": 16, "several_rounds": 3, "several_s": 60,
        "tick_s": 30}
SHORT = {"polls": 30, "ticks": 300, "answer_s": 2, "rounds": 1, "round_ticks": 50, "idle_rounds": 1,
         "idle_s": 4, "stops": 1, "delays": (0,), "services": 2, "several_rounds": 1, "several_s": 2, "tick_s": 2}


def main(argv):
    size = SHORT if "--short" in argv else FULL
    argv = [a for a in argv if a != "--short"]
    measured = argv[1] if len(argv) > 1 else "kestrin.exe"
    env = winenv.load()
    env.svc("reset", SERVICE)
    env.svc("start", SERVICE)
    env.svc("wait", SERVICE, "4", "20000")
    lines = []

    poll = fields(probe(env, "poll-cost", SERVICE, str(size["polls"])))
    lines.append(f"one status poll (open, query, close): {poll['poll_us']} us, mean of {poll['polls']}")

    program = run_program(env, measured)
    try:
        time.sleep(3)
        probe(env, "ticks", "10", "2")
        lines.append(f"after 10 poll ticks:     {footprint(env, program)}")
        probe(env, "ticks", str(size["ticks"]), "2", timeout=600)
        lines.append(f"after {size['ticks']:,} poll ticks: {footprint(env, program)}")
        healthy = fields(probe(env, "responsiveness", str(size["answer_s"]), "50", timeout=120))
        lines.append(f"window answer, healthy service manager: worst {healthy['worst_ms']} ms, "
                     f"median {healthy['median_ms']} ms over {healthy['samples']} samples")
        lines += poll_cost_rounds(env, program, size["rounds"], size["round_ticks"])
        lines += idle_rounds(env, program, size["idle_rounds"], size["idle_s"])
    finally:
        env.kill(program)

    slow = run_program(env, "kestrin_slow.exe")
    try:
        time.sleep(3)
        stalled = fields(probe(env, "responsiveness", str(size["answer_s"]), "50", timeout=120))
        lines.append(f"window answer, 5 s per service-manager open: worst {stalled['worst_ms']} ms, "
                     f"median {stalled['median_ms']} ms over {stalled['samples']} samples")
    finally:
        env.kill(slow)

    for delay in size["delays"]:
        lines.append(f"stop to running again, /delay {delay}: {back_after_stop(env, measured, delay, size['stops'])}")
    lines += several_services(env, measured, size["services"], size["several_rounds"], size["several_s"],
                              size["tick_s"])

    form = "short form, figures not comparable" if size is SHORT else "full"
    report = "\n".join([f"Kestrin benchmarks (Wine, {env.arch}, {measured}, {form})"] + lines) + "\n"
    print(report)
    name = "benchmarks.txt" if len(argv) < 2 else "benchmarks-other.txt"
    with open(os.path.join(env.build_dir, name), "w") as f:
        f.write(report)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
