#!/usr/bin/env python3
"""Checks bench/run-all's reading of the figures, its verdicts, its table and
its rewriting of the README, with made-up benchmark programs (no real one runs).

    run_all_check.py PATH/TO/bench/run-all
"""

import importlib.machinery
import importlib.util
import io
import os
import stat
import sys
import tempfile
import unittest
from contextlib import redirect_stderr
from pathlib import Path

RUN_ALL = Path(sys.argv.pop(1)).resolve() if len(sys.argv) > 1 else None


def load():
    loader = importlib.machinery.SourceFileLoader("run_all", str(RUN_ALL))
    spec = importlib.util.spec_from_loader("run_all", loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module


ra = load()


def row(value, unit="ms", target="<1000", what="something"):
    return ra.Row("bench_x", "x.key", value, unit, target, what)


class Verdicts(unittest.TestCase):
    def test_each_comparison(self):
        cases = [("999.9", "<1000", "pass"), ("1000", "<1000", "FAIL"), ("1000", "<=1000", "pass"),
                 ("1000.1", "<=1000", "FAIL"), ("10", ">=10", "pass"), ("9.99", ">=10", "FAIL"),
                 ("10", ">10", "FAIL"), ("0", "=0", "pass"), ("1", "=0", "FAIL"), ("0.6", ">=0.6", "pass")]
        for value, target, expected in cases:
            with self.subTest(value=value, target=target):
                self.assertEqual(row(value, target=target).result(), expected)

    def test_without_target_or_measure(self):
        self.assertEqual(row("5", target="-").result(), "")
        self.assertEqual(row("skipped").result(), "skipped")
        self.assertIsNone(row("skipped").value)

    def test_a_figure_never_reached_misses_its_target(self):
        self.assertEqual(row("inf", target="<200").result(), "FAIL")
        self.assertEqual(ra.figure_text(row("inf")), "not reached")


class Texts(unittest.TestCase):
    def test_figures_as_the_tables_write_them(self):
        self.assertEqual(ra.figure_text(row("9199.4")), "9,199 ms")
        self.assertEqual(ra.figure_text(row("30.66")), "30.7 ms")
        self.assertEqual(ra.figure_text(row("0.5")), "0.50 ms")
        self.assertEqual(ra.figure_text(row("0.263", unit="s")), "0.26 s")
        self.assertEqual(ra.figure_text(row("26.03", unit="x")), "26.0x")
        self.assertEqual(ra.figure_text(row("75.5814", unit="%")), "75.6%")
        self.assertEqual(ra.figure_text(row("0.604027", unit="F1")), "0.604")
        self.assertEqual(ra.figure_text(row("3", unit="words")), "3 words")

    def test_targets(self):
        self.assertEqual(ra.target_text(row("1", target="<1500")), "< 1,500 ms")
        self.assertEqual(ra.target_text(row("1", unit="x", target=">=10")), "≥ 10x")
        self.assertEqual(ra.target_text(row("1", unit="MB", target="<=200")), "≤ 200 MB")
        self.assertEqual(ra.target_text(row("1", unit="F1", target=">=0.6")), "≥ 0.6")
        self.assertEqual(ra.target_text(row("1", target="-")), "")

    def test_table_rows_and_failed_programs(self):
        text = ra.table([row("353", what="Tree | load"), row("skipped", unit="s", target="<5", what="UNESCO")],
                        [("bench_y", "exit status 1")])
        lines = text.splitlines()
        self.assertEqual(lines[0], "| What | Figure | Target | Result |")
        self.assertIn("| Tree \\| load | 353 ms | < 1,000 ms | pass |", lines)
        self.assertIn("| UNESCO | skipped | < 5 s | skipped |", lines)
        self.assertIn("| `bench_y` did not finish: exit status 1 | | | FAIL |", lines)


class Programs(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.build = Path(self.dir.name)
        (self.build / "bench").mkdir()
        self.logs = self.build / "logs"
        self.logs.mkdir()

    def tearDown(self):
        self.dir.cleanup()

    def program(self, name, body):
        path = self.build / "bench" / name
        path.write_text("#!/bin/sh\n" + body)
        path.chmod(path.stat().st_mode | stat.S_IXUSR)

    def run_program(self, name, args=()):
        with redirect_stderr(io.StringIO()) as shown:
            rows, why = ra.run_program(self.build, name, list(args), self.logs)
        return rows, why, shown.getvalue()

    def test_figures_read_and_output_kept(self):
        self.program("bench_a", 'echo "human line $1"\n'
                                'echo "FIGURE a.one 12.5 ms <100 First figure (median of 3)"\n'
                                'echo "FIGURE a.two skipped s <5 Needs the shared data"\n')
        rows, why, shown = self.run_program("bench_a", ["arg"])
        self.assertIsNone(why)
        self.assertEqual([(r.key, r.value, r.unit, r.target, r.what) for r in rows],
                         [("a.one", 12.5, "ms", "<100", "First figure (median of 3)"),
                          ("a.two", None, "s", "<5", "Needs the shared data")])
        self.assertIn("human line arg", shown)
        self.assertNotIn("FIGURE", shown)
        self.assertIn("FIGURE a.one", (self.logs / "bench_a.log").read_text())

    def test_a_failing_program_is_a_failure_with_its_figures(self):
        self.program("bench_b", 'echo "FIGURE b.one 1 ms <100 One"\nexit 3\n')
        rows, why, _ = self.run_program("bench_b")
        self.assertEqual(len(rows), 1)
        self.assertIn("exit status 3", why)

    def test_a_program_without_figures_is_a_failure(self):
        self.program("bench_c", "echo nothing to say\n")
        _, why, _ = self.run_program("bench_c")
        self.assertEqual(why, "it printed no figures")

    def test_a_hanging_program_is_stopped(self):
        self.program("bench_d", "exec sleep 30\n")
        saved = ra.TIMEOUT_S
        ra.TIMEOUT_S = 1
        try:
            _, why, _ = self.run_program("bench_d")
        finally:
            ra.TIMEOUT_S = saved
        self.assertIsNotNone(why)
        self.assertIn("stopped", why)


class Readme(unittest.TestCase):
    def test_only_the_marked_section_is_replaced(self):
        with tempfile.TemporaryDirectory() as d:
            readme = Path(d) / "README.md"
            readme.write_text(f"# Head\n\n{ra.BEGIN}\nold table\n{ra.END}\n\n## Tail\n")
            saved = ra.README
            ra.README = readme
            try:
                ra.write_readme(f"{ra.BEGIN}\nnew table\n{ra.END}")
            finally:
                ra.README = saved
            self.assertEqual(readme.read_text(), f"# Head\n\n{ra.BEGIN}\nnew table\n{ra.END}\n\n## Tail\n")

    def test_without_markers_nothing_is_written(self):
        with tempfile.TemporaryDirectory() as d:
            readme = Path(d) / "README.md"
            readme.write_text("# Head\n")
            saved = ra.README
            ra.README = readme
            try:
                with self.assertRaises(SystemExit):
                    ra.write_readme(f"{ra.BEGIN}\nnew\n{ra.END}")
            finally:
                ra.README = saved
            self.assertEqual(readme.read_text(), "# Head\n")


if __name__ == "__main__":
    unittest.main()
