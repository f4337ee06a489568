#!/usr/bin/env python3
"""Writes a large catalogue CSV for timing vefinder-index, made from the
bundled sample catalogue: every row takes a sample entry and varies its name
(a qualifier now and then), its specification (sizes, sections and grades
replaced by other plausible numbers), its brand and its code, so that names
repeat as in a real price list while most specifications and whole
descriptions are new. Deterministic for a given seed.

    python3 bench/index/make-catalogue.py --rows 100000 --out /tmp/catalogue-100k.csv
"""

import argparse
import csv
import os
import random
import re

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

QUALIFIERS = ["(国标)", "（加厚）", "A型", "B型", "优等品", "(非标)", "重型", "轻型", "(镀锌)", "加强型"]
NUMBERS = ["0.5", "0.75", "1", "1.5", "2", "2.5", "3", "4", "5", "6", "8", "10", "12", "15", "16", "20",
           "25", "32", "35", "40", "50", "65", "70", "80", "95", "100", "120", "125", "150", "185",
           "200", "240", "250", "300", "400", "42.5", "52.5"]
BRANDS = ["华岐", "友发", "远东", "起帆", "海螺", "华新", "联塑", "伟星", "宝钢", "鞍钢", "沙钢", "永兴",
          "宝胜", "亨通", "上上", "金杯", "熊猫", "正泰", "德力西", "公元", "日丰", "中财", "北新",
          "东方雨虹", "立邦", "三棵树", "冀东", "华润", "中联", "南方"]
NUMBER = re.compile(r"\d+(?:\.\d+)?")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rows", type=int, default=100000)
    parser.add_argument("--seed", type=int, default=20261206)
    parser.add_argument("--source", default=os.path.join(ROOT, "data", "catalogue.csv"))
    parser.add_argument("--out", required=True)
    parser.add_argument("--cable-share", type=float, default=None,
                        help="share of rows grown from cable and wire entries (default: as in the sample)")
    args = parser.parse_args()

    with open(args.source, newline="", encoding="utf-8") as f:
        base = list(csv.DictReader(f))
    rng = random.Random(args.seed)
    cables = [r for r in base if "电缆" in r["name"] or "电线" in r["name"]]
    others = [r for r in base if not ("电缆" in r["name"] or "电线" in r["name"])]

    def pick():
        if args.cable_share is None:
            return rng.choice(base)
        return rng.choice(cables if rng.random() < args.cable_share else others)

    def vary_spec(spec):
        return NUMBER.sub(lambda m: rng.choice(NUMBERS) if rng.random() < 0.5 else m.group(0), spec)

    with open(args.out, "w", newline="", encoding="utf-8") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(["mat_id", "code", "name", "spec", "brand", "position"])
        for i in range(args.rows):
            row = pick()
            name = row["name"]
            if rng.random() < 0.3:
                name += rng.choice(QUALIFIERS)
            spec = vary_spec(row["spec"])
            code = "%s%02d" % (row["code"], rng.randrange(100))
            out.writerow(["G%07d" % (i + 1), code, name, spec, rng.choice(BRANDS), "%X" % (i + 1)])


if __name__ == "__main__":
    main()
