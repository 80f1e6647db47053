#!/usr/bin/env python3
# SPDX-License-Identifier: ISC
"""replay --json: the document of several logs validates against
docs/replay.schema.json, its lists are capped with their counts, a part the
log does not tell is null, and the guide's jq line ranks a folder of logs
as the guide shows.

usage: replay_json_test.py RELAYWATCH_SIM SOURCE_DIR
"""
import json
import os
import re
import subprocess
import sys
import tempfile

import jsonschema

SIM, SOURCE = sys.argv[1], sys.argv[2]


def stamped(lines, start=0):
    """logread lines, one a second from 04:00:00 on 7 December 2026."""
    out = []
    for i, text in enumerate(lines):
        t = start + i
        out.append(f"Mon Dec  7 {4 + t // 3600:02d}:{t // 60 % 60:02d}:{t % 60:02d} 2026 daemon.info {text}\n")
    return "".join(out)


RW = "relaywatch[400]: relaywatch: "
# Name, text, and what the document must hold: (path of keys, value).
LOGS = [
    ("only a key error", stamped(["relaywatch[400]: Invalid Key=short", "kernel: tick"]),
     [(("ra0",), None), (("debug",), None), (("errors", "count"), 1), (("errors", "list", 0, "kind"), "InvalidKey")]),
    ("250 toggles, a step back, cut lines",
     stamped([RW + ("AP disable" if i % 2 == 0 else "AP enable") for i in range(250)] + [RW + "AP dis"] * 7) +
     "Mon Dec  7 03:00:00 2026 daemon.info " + RW + "AP enable\n",
     [(("ra0", "outages", "count"), 125), (("clock_steps", "count"), 1), (("clock_steps", "list", 0, "by"), -3856),
      (("lines", "unrecognised_cut"), 7), (("unrecognised", "count"), 7)]),
    ("restarts", stamped([RW + "Start (looptime=10, sleeptime=3)", RW + "Scanning...",
                          "procd: Instance relaywatch::instance1 exit with error code 143",
                          "relaywatch[401]: relaywatch: Start (looptime=5, sleeptime=0)", "relaywatch[401]: relaywatch: AP enable",
                          "relaywatch[402]: relaywatch: Start (looptime=5, sleeptime=0)", "relaywatch[402]: relaywatch: Scanning...",
                          "kernel: tick"]),
     [(("runs", "count"), 3), (("runs", "list", 1, "looptime"), 5), (("runs", "list", 0, "until"), 3),
      (("runs", "list", 2, "until"), 7), (("debug", "known"), [{"from": 0, "to": 3}, {"from": 5, "to": 7}]),
      (("runs", "list", 0, "ended_by"), "procd: Instance relaywatch::instance1 exit with error code 143"),
      (("runs", "list", 1, "ended_by"), "a new start; no line about this run's end"),
      (("runs", "list", 1, "figures", "ra0_up_seconds"), 1),
      (("ra0", "known", "list"), [{"from": 0, "to": 4, "on": False}, {"from": 4, "to": 5, "on": True},
                                  {"from": 5, "to": 7, "on": False}]), (("uplink",), None)]),
]


def replay_json(path):
    run = subprocess.run([SIM, "replay", path, "--json", "-"], capture_output=True, text=True, check=True)
    return json.loads(run.stdout)


def at(doc, keys):
    for k in keys:
        doc = doc[k]
    return doc


def check_documents(work, validator):
    failures = []
    run_log = os.path.join(work, "run.log")
    subprocess.run([SIM, "--quiet", "--syslog", run_log, os.path.join(SOURCE, "scenarios", "three-hidden.scn"),
                    "10", "3", "debug"], capture_output=True, check=False)
    cases = [("the sample", os.path.join(SOURCE, "samples", "logread-excerpt.log"), [(("ra0", "down_seconds"), 104), (("ra0", "up_seconds"), 13234)]),
             ("a simulated run with debug", run_log, [])]
    for name, text, expected in LOGS:
        path = os.path.join(work, re.sub(r"\W+", "-", name) + ".log")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        cases.append((name, path, expected))
    for name, path, expected in cases:
        doc = replay_json(path)
        for error in validator.iter_errors(doc):
            failures.append(f"{name}: {error.message} at {list(error.absolute_path)}")
        for keys, value in expected:
            if at(doc, keys) != value:
                failures.append(f"{name}: {keys} is {at(doc, keys)!r}, not {value!r}")
        for key, part in [("outages", (doc["ra0"] or {}).get("outages")), ("runs", doc["runs"])]:
            if part and len(part["list"]) != min(part["count"], 100):
                failures.append(f"{name}: {key} lists {len(part['list'])} of {part['count']}")
    return failures


def check_guide_ranking(work):
    """The guide's jq line, run as it stands over the folder it describes."""
    with open(os.path.join(SOURCE, "docs", "simulator.md"), encoding="utf-8") as f:
        guide = f.read()
    block = re.search(r"<!-- ranked by ra0 downtime -->\n```\n(.*?)```", guide, re.S).group(1)
    command = re.search(r"^\$ (.*?[^\\])\n(?!\s)", block, re.S | re.M)
    shown = block[command.end():]
    logs = os.path.join(work, "logs")
    os.makedirs(logs)
    with open(os.path.join(SOURCE, "samples", "logread-excerpt.log"), encoding="utf-8") as f:
        texts = {"attic.log": f.read()}
    texts["barn.log"] = stamped([RW + "AP disable"] + ["kernel: tick"] * 600 + [RW + "AP enable"])
    texts["shed.log"] = stamped(["relaywatch[9]: Invalid Key=short"])
    for name, text in texts.items():
        with open(os.path.join(logs, name), "w", encoding="utf-8") as f:
            f.write(text)
    env = dict(os.environ, PATH=os.path.dirname(os.path.abspath(SIM)) + os.pathsep + os.environ["PATH"])
    got = subprocess.run(["bash", "-c", command.group(1)], cwd=work, env=env, capture_output=True, text=True).stdout
    return [] if got == shown else [f"the guide's ranking shows\n{shown}but gives\n{got}"]


def main():
    with open(os.path.join(SOURCE, "docs", "replay.schema.json"), encoding="utf-8") as f:
        validator = jsonschema.Draft202012Validator(json.load(f))
    with tempfile.TemporaryDirectory() as work:
        failures = check_documents(work, validator) + check_guide_ranking(work)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
