#!/usr/bin/env python3
"""Writes a batch file of search descriptions (id,code,name,spec,class) drawn
from a generated catalogue (make-catalogue.py), in four classes of equal share:

  narrow  an entry's own code, name and specification
  medium  a rewrite of an entry: no code, qualifier dropped, the specification
          written another way, sometimes joined to the name
  broad   a bare head word (混凝土, 钢管, ...) that 1,000 to 3,400 entries hold
  cable   a cable entry in another notation (zryjv3x2.5, YJV-3*25+2*16, ...)

Deterministic for a given catalogue and seed; `vefinder batch` ignores the
class column, bench_catalogue reads it.

    python3 bench/index/make-queries.py --catalogue /tmp/catalogue.csv --out /tmp/queries.csv
"""

import argparse
import csv
import random
import re

HEAD_WORDS = ["混凝土", "电缆", "钢管", "电线", "水泥", "阀", "闸阀", "球阀", "钢筋", "给水管", "控制电缆",
              "电力电缆", "涂料", "三通", "弯头", "角钢", "螺纹钢", "桥架", "砂", "砖", "保温", "软电缆",
              "铠装电力电缆", "阻燃电力电缆", "耐火电力电缆", "防水卷材", "管", "钢", "板", "漆", "线"]
QUALIFIER = re.compile(r"[(（][^)）]*[)）]$|(A型|B型|优等品|重型|轻型|加强型)$")
CABLE_NAME = re.compile(r"电缆|电线")
CABLE_SPEC = re.compile(r"^([A-Z]+-)?([A-Z0-9]+)(?: [0-9./]+k?V)? ([0-9]+×[0-9.]+(?:\+[0-9]+×[0-9.]+)*)$")


def rewrite_spec(rng, spec):
    choice = rng.randrange(4)
    if choice == 0:
        return spec.replace("×", "x").replace(" ", "")
    if choice == 1:
        return spec.replace("×", "*").lower()
    if choice == 2:
        return spec.replace(" ", "-")
    return re.sub(r"([A-Za-z]+)(\d)", r"\1 \2", spec)


def cable_notation(rng, m):
    prefix, model, pairs = m.group(1) or "", m.group(2), m.group(3)
    choice = rng.randrange(5)
    if choice == 0:
        return (prefix.replace("-", "") + model + pairs.replace("×", "x")).lower(), ""
    if choice == 1:
        return prefix + model + "-" + pairs.replace("×", "*"), ""
    if choice == 2:
        return "电缆", prefix + model + " " + pairs.replace("×", "X")
    if choice == 3 and "+" not in pairs:
        cores, section = pairs.split("×")
        return prefix + model + " " + cores + "芯" + section + "mm²", ""
    return prefix + model + "-0.6/1KV-" + pairs, ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--catalogue", required=True)
    parser.add_argument("--lines", type=int, default=3000)
    parser.add_argument("--seed", type=int, default=20261207)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    with open(args.catalogue, newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    rng = random.Random(args.seed)
    counts = {w: sum(1 for r in rows if w in r["name"]) for w in HEAD_WORDS}
    heads = [w for w in HEAD_WORDS if 1000 <= counts[w] <= 3400]
    if len(heads) < 3:
        raise SystemExit("make-queries: fewer than 3 head words held by 1,000 to 3,400 entries: %s" % counts)
    cables = [(r, m) for r in rows if CABLE_NAME.search(r["name"]) for m in [CABLE_SPEC.match(r["spec"])] if m]

    with open(args.out, "w", newline="", encoding="utf-8") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(["id", "code", "name", "spec", "class"])
        for i in range(args.lines):
            kind = ("narrow", "medium", "broad", "cable")[i % 4]
            if kind == "narrow":
                r = rng.choice(rows)
                line = [r["code"], r["name"], r["spec"]]
            elif kind == "medium":
                r = rng.choice(rows)
                name = QUALIFIER.sub("", r["name"]) if rng.random() < 0.5 else r["name"]
                spec = rewrite_spec(rng, r["spec"])
                line = ["", name + " " + spec, ""] if rng.random() < 0.3 else ["", name, spec]
            elif kind == "broad":
                line = ["", rng.choice(heads), ""]
            else:
                r, m = rng.choice(cables)
                line = [""] + list(cable_notation(rng, m))
            out.writerow(["Q%04d" % (i + 1)] + line + [kind])


if __name__ == "__main__":
    main()
