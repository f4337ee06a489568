"""Matches a bill of quantities with VeFinder and joins the best entries back as columns.

    python3 match_bill.py BILL.xlsx|BILL.csv INDEX_DIR [--jobs N] [--output OUT.csv]

The bill needs a "name" column; "code" and "spec" are optional (as for vefinder batch).
"""
import argparse
import sys
import time

import pandas as pd
import vefinder


def read_bill(path):
    # dtype=str keeps codes such as 01010101 as written; empty cells stay "".
    if path.endswith((".xlsx", ".xls")):
        return pd.read_excel(path, dtype=str, keep_default_na=False)
    return pd.read_csv(path, dtype=str, keep_default_na=False)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bill")
    parser.add_argument("index")
    parser.add_argument("--jobs", type=int, default=None)
    parser.add_argument("--output")
    args = parser.parse_args()

    bill = read_bill(args.bill)
    query = bill.reindex(columns=["code", "name", "spec"], fill_value="")
    engine = vefinder.Engine(args.index)  # reads lexicons and dictionaries once

    start = time.perf_counter()
    results = engine.batch(query.itertuples(index=False, name=None), jobs=args.jobs)
    seconds = time.perf_counter() - start

    # The best group is the first one that holds entries; its first entry is the best entry.
    best = [next((group for group in groups if group), []) for groups in results]
    bill["best_id"] = [group[0] if group else None for group in best]
    bill["best_ties"] = [len(group) for group in best]
    bill["found"] = [len({m for group in groups for m in group}) for groups in results]
    stored = pd.DataFrame.from_records(
        [entry or {} for entry in vefinder.entries(args.index, bill["best_id"])],
        columns=["code", "name", "spec", "brand"], index=bill.index)
    bill = bill.join(stored.add_prefix("best_"))

    if args.output:
        bill.to_csv(args.output, index=False)
    else:
        with pd.option_context("display.width", 200, "display.max_columns", None):
            print(bill.head(12).to_string(index=False))
    matched = int(bill["best_id"].notna().sum())
    print(f"{len(bill)} rows, {matched} matched; {seconds:.2f} s, {len(bill) / seconds:.1f} rows/s "
          f"with {args.jobs or 'all'} job(s)", file=sys.stderr)


if __name__ == "__main__":
    main()
