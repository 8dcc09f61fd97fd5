#!/usr/bin/env python3
"""Benchmarks of the real program under Wine against the local test service.

Reports, without asserting any timing:
- the cost of one status poll (open, query, close);
- the program's handle count and private memory after 10 and after 10,000 posted poll ticks;
- the worst time its window takes to answer a message, healthy and with a service manager that
  takes 5 s for every open (the kestrin_slow build).
The report is printed and written to <build_dir>/benchmarks.txt.
"""
import os
import sys
import time

import winenv

SERVICE = winenv.TEST_SERVICE
SETTINGS = r"HKCU\Software\Kestrin\Settings"


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


def footprint(env, program):
    handles = fields(probe(env, "footprint"))["handles"]
    memory = unix_memory(program.pid)
    return f"handles {handles}, resident {memory['VmRSS']} KiB, data {memory['VmData']} KiB"


def run_program(env, exe):
    env.reg_set(SETTINGS, "Computer Name", "")
    env.reg_set(SETTINGS, "Service Name", SERVICE)
    env.reg_set(SETTINGS, "Minimise to Tray", "False")
    return env.spawn(env.exe(exe))


def main():
    env = winenv.load()
    env.svc("reset", SERVICE)
    env.svc("start", SERVICE)
    env.svc("wait", SERVICE, "4", "20000")
    lines = []

    poll = fields(probe(env, "poll-cost", SERVICE, "300"))
    lines.append(f"one status poll (open, query, close): {poll['poll_us']} us, mean of {poll['polls']}")

    program = run_program(env, "kestrin.exe")
    try:
        time.sleep(3)
        probe(env, "ticks", "10", "2")
        lines.append(f"after 10 poll ticks:     {footprint(env, program)}")
        probe(env, "ticks", "10000", "2", timeout=600)
        lines.append(f"after 10,000 poll ticks: {footprint(env, program)}")
        healthy = fields(probe(env, "responsiveness", "30", "50", timeout=120))
        lines.append(f"window answer, healthy service manager: worst {healthy['worst_ms']} ms, "
                     f"median {healthy['median_ms']} ms over {healthy['samples']} samples")
    finally:
        env.kill(program)

    slow = run_program(env, "kestrin_slow.exe")
    try:
        time.sleep(3)
        stalled = fields(probe(env, "responsiveness", "30", "50", timeout=120))
        lines.append(f"window answer, 5 s per service-manager open: worst {stalled['worst_ms']} ms, "
                     f"median {stalled['median_ms']} ms over {stalled['samples']} samples")
    finally:
        env.kill(slow)

    report = "\n".join(["Kestrin benchmarks (Wine, " + env.arch + ")"] + lines) + "\n"
    print(report)
    with open(os.path.join(env.build_dir, "benchmarks.txt"), "w") as f:
        f.write(report)
    return 0


if __name__ == "__main__":
    sys.exit(main())
