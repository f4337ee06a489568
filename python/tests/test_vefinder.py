"""The Python module against the command line: same groups, batches in order, errors as exceptions.
CTest sets PYTHONPATH (the built module), VEFINDER_TEST_DATA_DIR (holding the command line's dict/),
VEFINDER_CLI (the program) and VEFINDER_SAMPLE_DIR (the sample data)."""
import csv
import json
import os
import subprocess
import tempfile
import unittest

import vefinder

CLI = os.environ["VEFINDER_CLI"]
SAMPLE = os.environ["VEFINDER_SAMPLE_DIR"]
STEPS = {"precise", "matsetAll", "allMixPpl", "rmEN", "onlyChs", "coreWord", "cableWords",
         "cableParts", "code"} | {"cable%d" % n for n in range(1, 11)}

# (command, arguments): ordinary, cable and code-only descriptions, CJK and mixed.
SEARCHES = [
    ("quota", ["17030103", "镀锌钢管", "DN25"]),
    ("quota", ["", "电力电缆", "YJV 三芯 2.5"]),
    ("quota", ["", "阻燃电力电缆", "ZR-YJV-3×2.5"]),
    ("quota", ["", "BV2.5", ""]),
    ("quota", ["17030103", "", ""]),
    ("segment", ["zryjv3x2.5"]),
    ("code", ["17030103"]),
]


def cli_groups(command, args, index):
    out = subprocess.run([CLI, command, *args, "--index", index, "--json"], check=True,
                         capture_output=True, text=True).stdout
    return [[e["matId"] for e in g["entries"]] for g in json.loads(out)["groups"]], json.loads(out)


class VeFinderModule(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.index = os.path.join(cls.tmp.name, "index")
        subprocess.run([CLI, "index", os.path.join(SAMPLE, "catalogue.csv"), cls.index],
                       check=True, capture_output=True)
        vefinder.set_data_dir(os.environ["VEFINDER_TEST_DATA_DIR"])
        cls.engine = vefinder.Engine(cls.index)
        with open(os.path.join(SAMPLE, "bill.csv"), encoding="utf-8") as f:
            cls.bill = list(csv.DictReader(f))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_groups_equal_the_command_line(self):
        for command, args in SEARCHES:
            with self.subTest(command=command, args=args):
                expected, _ = cli_groups(command, args, self.index)
                self.assertEqual(getattr(self.engine, command)(*args), expected)

    def test_explain_names_step_and_sort_value_of_every_entry(self):
        _, report = cli_groups("quota", ["", "电力电缆", "YJV 三芯 2.5"] + ["--explain"], self.index)
        expected = [[(e["matId"], e["step"], e["sortValue"]) for e in g["entries"]] for g in report["groups"]]
        explained = self.engine.quota("", "电力电缆", "YJV 三芯 2.5", explain=True)
        got = [[(e["mat_id"], e["step"], round(e["sort_value"], 4)) for e in g] for g in explained]
        self.assertEqual(got, [[(m, s, round(v, 4)) for m, s, v in g] for g in expected])
        self.assertTrue(all(e[1] in STEPS for g in got for e in g))

    def test_batch_equals_single_calls_in_any_job_count(self):
        rows = [(r["code"], r["name"], r["spec"]) for r in self.bill]
        singles = [self.engine.quota(*row) for row in rows]
        as_dicts = [{"name": n, "spec": s, "code": c, "id": i} for i, (c, n, s) in enumerate(rows)]
        for jobs in (1, 2, 5):
            with self.subTest(jobs=jobs):
                self.assertEqual(self.engine.batch(iter(rows), jobs=jobs), singles)
        self.assertEqual(self.engine.batch(as_dicts), singles)

    def test_entries_are_the_stored_fields(self):
        _, report = cli_groups("code", ["17030103"], self.index)
        stored = [{"mat_id": e["matId"], "code": e["code"], "name": e["name"], "spec": e["spec"],
                   "brand": e["brand"]} for e in report["groups"][0]["entries"]]
        ids = [e["mat_id"] for e in stored]
        self.assertEqual(vefinder.entries(self.index, ids + ["no-such-id", None]), stored + [None, None])

    def test_empty_cells_and_numbers_are_read_as_text(self):
        self.assertEqual(self.engine.quota(17030103, "镀锌钢管", float("nan")),
                         self.engine.quota("17030103", "镀锌钢管", ""))
        self.assertEqual(self.engine.batch([{"name": "镀锌钢管", "code": 17030103.0, "spec": None}]),
                         [self.engine.quota("17030103", "镀锌钢管", None)])

    def test_errors_carry_the_command_line_message(self):
        missing = os.path.join(self.tmp.name, "missing")
        empty = tempfile.mkdtemp(dir=self.tmp.name)
        a_file = os.path.join(SAMPLE, "bill.csv")
        cases = [
            (FileNotFoundError, missing + ": no such index directory", lambda: vefinder.Engine(missing)),
            (FileNotFoundError, empty + ": holds no catalogue index", lambda: vefinder.Engine(empty)),
            (NotADirectoryError, a_file + ": not a directory", lambda: vefinder.entries(a_file, ["M1"])),
            (FileNotFoundError, missing + ": no such positions file",
             lambda: vefinder.Engine(self.index, positions=missing)),
            (ValueError, "positions: M000340: 'xyz' is not a position",
             lambda: vefinder.Engine(self.index, positions={"M000340": "xyz"})),
            (ValueError, "jobs expects a whole number from 1 to 256, got 0",
             lambda: self.engine.batch([], jobs=0)),
            (ValueError, "row 1: expected (code, name, spec)", lambda: self.engine.batch([("", "a", ""), ("a", "b")])),
            (ValueError, 'row 0: no "name"', lambda: self.engine.batch([{"code": "1"}])),
            (TypeError, "name: expected str, got list", lambda: self.engine.quota("", [], "")),
            (FileNotFoundError, "dict/MATLEX: missing", lambda: vefinder.set_data_dir(missing)),
            (RuntimeError, "must come before the first search", lambda: vefinder.set_data_dir(os.path.dirname(vefinder.__file__))),
        ]
        for error, message, call in cases:
            with self.subTest(message=message):
                with self.assertRaises(error) as raised:
                    call()
                self.assertIn(message, str(raised.exception))

    def test_positions_break_ties_as_on_the_command_line(self):
        catalogue = os.path.join(SAMPLE, "catalogue.csv")
        expected, _ = cli_groups("quota", ["", "镀锌钢管", "DN25", "--positions", catalogue], self.index)
        self.assertEqual(vefinder.Engine(self.index, positions=catalogue).quota("", "镀锌钢管", "DN25"), expected)


if __name__ == "__main__":
    unittest.main()
