#!/usr/bin/env python3
"""How accurate and how small VORN's programs are, next to scikit-learn's
usual classifiers, on two-class problems in the plane (`make bench-quality`).

For each problem and each configuration below, vorn-run trains on the
training split with seeds 1..N (one thread each, at most --jobs runs at a
time), the saved program is scored on the test split, and the medians over
the seeds are printed beside the test errors of scikit-learn's SVM (RBF),
decision tree, logistic regression, gradient boosting and k-nearest
neighbours, all with their default settings. Then the targets, met or missed.

Usage: bench_quality.py --runner build/cli/vorn-run [--quick] [--seeds N]
       [--problems A,B] [--configs A,B] [--jobs N] [--out DIR] [--verbose]
"""

import os

# One thread for numpy's and scikit-learn's libraries too, so their times
# compare with one-thread runs; set before numpy loads.
for variable in ("OMP_NUM_THREADS", "OPENBLAS_NUM_THREADS", "MKL_NUM_THREADS"):
    os.environ.setdefault(variable, "1")

import argparse
import concurrent.futures
import csv
import datetime
import json
import math
import platform
import statistics
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

try:
    import problems as problem_set
    from sklearn.ensemble import GradientBoostingClassifier
    from sklearn.linear_model import LogisticRegression
    from sklearn.neighbors import KNeighborsClassifier
    from sklearn.svm import SVC
    from sklearn.tree import DecisionTreeClassifier
except ImportError as error:
    sys.exit(f"bench-quality: {error}; scripts/install-deps --bench installs python3-sklearn")


@dataclass
class Config:
    name: str
    options: list
    # Text that must appear in `vorn-run --help` for the option to exist.
    needs: str = None
    preset: bool = False
    best_so_far: bool = False


# Every configuration compared, one line each. A row whose `needs` is not in
# the runner's help is printed as n/a; "{run_dir}" in an option becomes the
# folder of the run's programs.
CONFIGS = [
    Config("defaults", []),
    Config("preset", ["--search", "modern"], needs="--search", preset=True),
    Config("lexicase", ["--selection", "lexicase"]),
    Config("eps-lexicase", ["--selection", "epsilon-lexicase"]),
    Config("lex-parsimony", ["--parsimony", "lexicographic"]),
    Config("penalty", ["--parsimony", "penalty"]),
    Config("holdout", ["--holdout", "0.25", "--save-which", "best-validation"]),
    Config("front", ["--objectives", "error-and-size"], needs="--objectives"),
    Config("tuning", ["--tune-constants", "5"], needs="--tune-constants"),
    Config("front-lexicase", ["--objectives", "error-and-size", "--selection", "lexicase"],
           needs="--objectives"),
    Config("front-eps-tuning", ["--objectives", "error-and-size", "--selection", "epsilon-lexicase",
                                "--tune-constants", "5"], needs="--objectives"),
    Config("lexicase-lexpars-tuning", ["--selection", "lexicase", "--parsimony", "lexicographic",
                                       "--tune-constants", "5"], needs="--tune-constants"),
    # Chosen from trial runs of the options above with tournaments, larger
    # populations, other penalties and function sets; stands in for the
    # preset until there is one.
    Config(
        "best-so-far",
        ["--parsimony", "penalty", "--selection", "tournament", "--tournament-size", "7"],
        best_so_far=True,
    ),
]

MODELS = {
    "svm-rbf": lambda: SVC(kernel="rbf"),
    "tree": lambda: DecisionTreeClassifier(random_state=0),
    "logistic": lambda: LogisticRegression(),
    "boosting": lambda: GradientBoostingClassifier(random_state=0),
    "knn": lambda: KNeighborsClassifier(),
}

QUICK_PROBLEMS = ["moons", "checkerboard", "breast_cancer"]
ERROR_MARGIN = 0.02
BETTER_ON_AT_LEAST = 2
SMALL_SIZE = 30
SMALL_SHARE = 6 / 8
SECONDS_PER_RUN = 10.0


@dataclass
class Run:
    problem: str
    config: str
    seed: int
    error: float = math.nan
    size: int = 0
    raw_size: int = 0
    wall: float = math.nan
    cpu: float = math.nan
    failure: str = ""


@dataclass
class Outcome:
    """A configuration's medians on one problem."""

    error: float = math.nan
    size: float = math.nan
    wall_median: float = math.nan
    wall_max: float = math.nan
    cpu_median: float = math.nan
    cpu_max: float = math.nan
    runs: list = field(default_factory=list)


def run_quietly(args):
    """Runs args; returns (status, stdout, stderr, wall seconds, CPU seconds)."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.perf_counter()
        process = subprocess.Popen(args, stdout=out, stderr=err, stdin=subprocess.DEVNULL)
        # wait4 gives this child's own CPU time, whatever else runs beside it.
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
        process.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        return (
            process.returncode,
            out.read().decode(errors="replace"),
            err.read().decode(errors="replace"),
            wall,
            usage.ru_utime + usage.ru_stime,
        )


class Runner:
    def __init__(self, path):
        self.path = str(path)
        status, help_text, _, _, _ = run_quietly([self.path, "--help"])
        if status != 0:
            sys.exit(f"bench-quality: {self.path} --help failed")
        self.help_text = help_text
        self.simplifies = "--simplify" in help_text
        self.version = run_quietly([self.path, "--version"])[1].strip()

    def has(self, config):
        return config.needs is None or config.needs in self.help_text

    def train(self, problem, config, seed, run_dir):
        run = Run(problem.name, config.name, seed)
        program = run_dir / f"{problem.name}-{config.name}-{seed}.json"
        options = [o.replace("{run_dir}", str(run_dir)) for o in config.options]
        args = [self.path, str(problem.train_csv), "--positive", "1", "--seed", str(seed)]
        args += ["--threads", "1", "--quiet", "--save-program", str(program)] + options
        status, _, err, run.wall, run.cpu = run_quietly(args)
        if status != 0:
            run.failure = f"status {status}: {err.strip()[:200]}"
            return run
        run.raw_size = program_size(program)
        run.size = run.raw_size
        if self.simplifies:
            simple = program.with_suffix(".simple.json")
            status, _, err, _, _ = run_quietly([self.path, "--simplify", str(program), "-o", str(simple)])
            if status != 0:
                run.failure = f"--simplify status {status}: {err.strip()[:200]}"
                return run
            program = simple
            run.size = program_size(program)
        run.error, run.failure = self.test_error(program, problem.test_csv)
        return run

    def test_error(self, program, test_csv):
        status, out, err, _, _ = run_quietly([self.path, "--score", str(program), str(test_csv), "--score-format", "json"])
        if status != 0:
            return math.nan, f"--score status {status}: {err.strip()[:200]}"
        score = json.loads(out.splitlines()[0])
        points = score["TP"] + score["FN"] + score["FP"] + score["TN"]
        return (score["FN"] + score["FP"]) / points, ""


def program_size(path):
    with open(path, encoding="utf-8") as program:
        return len(json.load(program)["gene"])


def sklearn_errors(problem):
    """Test error and fit-and-predict wall time of each model."""
    results = {}
    for name, make in MODELS.items():
        start = time.perf_counter()
        model = make().fit(problem.x_train, problem.y_train)
        error = float((model.predict(problem.x_test) != problem.y_test).mean())
        results[name] = (error, time.perf_counter() - start)
    return results


def summarize(runs):
    good = [r for r in runs if not r.failure]
    outcome = Outcome(runs=runs)
    if good:
        outcome.error = statistics.median(r.error for r in good)
        outcome.size = statistics.median(r.size for r in good)
        outcome.wall_median = statistics.median(r.wall for r in good)
        outcome.wall_max = max(r.wall for r in good)
        outcome.cpu_median = statistics.median(r.cpu for r in good)
        outcome.cpu_max = max(r.cpu for r in good)
    return outcome


def cell(value, form):
    return "n/a" if value is None or (isinstance(value, float) and math.isnan(value)) else form.format(value)


def markdown_table(header, rows):
    widths = [max(len(str(x)) for x in column) for column in zip(header, *rows)]

    def line(items):
        texts = [str(items[0]).ljust(widths[0])] + [str(x).rjust(w) for x, w in zip(items[1:], widths[1:])]
        return "| " + " | ".join(texts) + " |"

    rule = "|" + "-" * (widths[0] + 2) + "|" + "|".join("-" * (w + 1) + ":" for w in widths[1:]) + "|"
    return "\n".join([line(header), rule] + [line(r) for r in rows])


def target_report(outcomes, best_model, run_times):
    """The targets for one configuration: a list of (text, met) and a score.
    The time target reads CPU time: on a shared machine wall time also
    measures the neighbours."""
    problems = list(outcomes)
    n = len(problems)
    if any(math.isnan(outcomes[p].error) for p in problems):
        return [("some runs failed", False)], (-1,)
    close = [p for p in problems if outcomes[p].error <= best_model[p] + ERROR_MARGIN + 1e-12]
    better = [p for p in problems if outcomes[p].error < best_model[p] - 1e-12]
    small = [p for p in problems if outcomes[p].size <= SMALL_SIZE]
    needed_small = math.ceil(SMALL_SHARE * n)
    slowest_cpu = max(cpu for cpu, _ in run_times)
    slowest_wall = max(wall for _, wall in run_times)
    far = [p for p in problems if p not in close]
    lines = [
        (
            f"median test error within {ERROR_MARGIN} of the best scikit-learn model on every problem"
            f" ({len(close)} of {n}{'; not on ' + ', '.join(far) if far else ''})",
            len(close) == n,
        ),
        (
            f"better than all of them on at least {BETTER_ON_AT_LEAST}"
            f" ({len(better)}{': ' + ', '.join(better) if better else ''})",
            len(better) >= BETTER_ON_AT_LEAST,
        ),
        (
            f"median size at most {SMALL_SIZE} nodes on at least {needed_small} of {n} problems ({len(small)})",
            len(small) >= needed_small,
        ),
        (
            f"at most {SECONDS_PER_RUN:g} s per problem and seed on one thread"
            f" (slowest {slowest_cpu:.2f} s CPU, {slowest_wall:.2f} s wall)",
            slowest_cpu <= SECONDS_PER_RUN,
        ),
    ]
    met = sum(1 for _, ok in lines if ok)
    mean_error = statistics.mean(outcomes[p].error for p in problems)
    return lines, (met, len(close), len(small), len(better), -mean_error)


def machine_text():
    model = platform.processor() or platform.machine()
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as info:
            for line in info:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return f"{model}, {os.cpu_count()} CPUs"


def main():
    parser = argparse.ArgumentParser(description="VORN's programs against scikit-learn's classifiers.")
    parser.add_argument("--runner", required=True, help="the vorn-run executable")
    parser.add_argument("--data", default=str(HERE.parent.parent / "data"), help="the bundled data folder")
    parser.add_argument("--out", default="build/bench-quality", help="folder for data, programs and results")
    parser.add_argument("--quick", action="store_true", help="2 seeds and 3 problems, to check the script")
    parser.add_argument("--seeds", type=int, help="seeds 1..N per problem and configuration (5; quick: 2)")
    parser.add_argument("--problems", help="comma-separated problem names (all: " + ",".join(problem_set.problem_names()) + ")")
    parser.add_argument("--configs", help="comma-separated configuration names (all: " + ",".join(c.name for c in CONFIGS) + ")")
    parser.add_argument("--jobs", type=int, default=min(2, os.cpu_count() or 1), help="runs at a time (2)")
    parser.add_argument("--verbose", action="store_true", help="print every run")
    args = parser.parse_args()

    seeds = args.seeds or (2 if args.quick else 5)
    names = args.problems.split(",") if args.problems else (QUICK_PROBLEMS if args.quick else None)
    unknown = set(names or []) - set(problem_set.problem_names())
    if unknown:
        sys.exit(f"bench-quality: unknown problems {', '.join(sorted(unknown))}")
    wanted = args.configs.split(",") if args.configs else [c.name for c in CONFIGS]
    configs = [c for c in CONFIGS if c.name in wanted]

    runner = Runner(args.runner)
    out_dir = Path(args.out)
    run_dir = out_dir / "programs"
    run_dir.mkdir(parents=True, exist_ok=True)
    problems = problem_set.make_problems(args.data, out_dir / "data", names)
    available = [c for c in configs if runner.has(c)]
    started = time.perf_counter()

    print(f"bench-quality: {len(problems)} problems, seeds 1..{seeds}, {args.jobs} runs at a time, one thread each")
    print(f"runner: {runner.version}; program size: {'after --simplify' if runner.simplifies else 'raw (no --simplify yet)'}")
    print(f"machine: {machine_text()}")
    print("configurations:")
    for c in configs:
        state = "" if runner.has(c) else "   (n/a: the runner has no " + c.needs + ")"
        print(f"  {c.name:14} {' '.join(c.options) or '(the defaults)'}{state}")
    print()

    models = {p.name: sklearn_errors(p) for p in problems}
    tasks = [(p, c, s) for p in problems for c in available for s in range(1, seeds + 1)]
    runs = []
    sys.stdout.flush()
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        futures = [pool.submit(runner.train, p, c, s, run_dir) for p, c, s in tasks]
        for done, future in enumerate(concurrent.futures.as_completed(futures), 1):
            run = future.result()
            runs.append(run)
            if args.verbose or run.failure:
                print(
                    f"  {run.problem:16} {run.config:14} seed {run.seed}: error {run.error:.3f} size {run.size}"
                    f" wall {run.wall:.2f} s cpu {run.cpu:.2f} s {run.failure}",
                    flush=True,
                )
            elif done % 20 == 0 or done == len(futures):
                print(f"  {done} of {len(futures)} runs", file=sys.stderr, flush=True)

    outcomes = {}
    for c in configs:
        outcomes[c.name] = {}
        for p in problems:
            mine = [r for r in runs if r.config == c.name and r.problem == p.name]
            outcomes[c.name][p.name] = summarize(mine) if runner.has(c) else Outcome()
    best_model = {p.name: min(e for e, _ in models[p.name].values()) for p in problems}

    with open(out_dir / "runs.csv", "w", newline="") as table:
        writer = csv.writer(table)
        writer.writerow(["problem", "config", "seed", "test_error", "size", "raw_size", "wall_s", "cpu_s", "failure"])
        for r in sorted(runs, key=lambda r: (r.problem, r.config, r.seed)):
            writer.writerow([r.problem, r.config, r.seed, f"{r.error:.4f}", r.size, r.raw_size, f"{r.wall:.3f}", f"{r.cpu:.3f}", r.failure])

    size_word = "simplified" if runner.simplifies else "raw"
    error_rows, size_rows, time_rows, cpu_rows = [], [], [], []
    for p in problems:
        vorn_errors = [cell(outcomes[c.name][p.name].error, "{:.3f}") for c in configs]
        sk = [f"{models[p.name][m][0]:.3f}" for m in MODELS]
        error_rows.append([p.name, f"{len(p.y_train)}/{len(p.y_test)}"] + vorn_errors + sk + [f"{best_model[p.name]:.3f}"])
        size_rows.append([p.name] + [cell(outcomes[c.name][p.name].size, "{:g}") for c in configs])
        mine = [outcomes[c.name][p.name] for c in configs]
        walls = ["n/a" if math.isnan(o.wall_median) else f"{o.wall_median:.2f} ({o.wall_max:.2f})" for o in mine]
        time_rows.append([p.name] + walls + [f"{sum(t for _, t in models[p.name].values()):.2f}"])
        cpus = ["n/a" if math.isnan(o.cpu_median) else f"{o.cpu_median:.2f} ({o.cpu_max:.2f})" for o in mine]
        cpu_rows.append([p.name] + cpus)

    names_row = [c.name for c in configs]
    report = []
    report.append(f"Test error, median of {seeds} seeds (VORN), and scikit-learn's with default settings:\n")
    report.append(markdown_table(["problem", "train/test"] + names_row + list(MODELS) + ["best sk"], error_rows))
    report.append(f"\nProgram size in nodes ({size_word}), median of {seeds} seeds:\n")
    report.append(markdown_table(["problem"] + names_row, size_rows))
    report.append(
        "\nWall time per run in seconds, one thread, median (max) of the seeds;"
        " last column: the five scikit-learn models together, fit and predict:\n"
    )
    report.append(markdown_table(["problem"] + names_row + ["sk all"], time_rows))
    report.append(
        "\nCPU time per run in seconds, median (max) of the seeds: the time on one thread"
        " with the machine to itself, which wall time is only when nothing else runs:\n"
    )
    report.append(markdown_table(["problem"] + names_row, cpu_rows))

    report.append("\nTargets (the preset):")
    preset = next((c for c in configs if c.preset), None)
    scoreboard = []
    for c in available:
        mine = [r for r in runs if r.config == c.name and not r.failure]
        times = [(r.cpu, r.wall) for r in mine] or [(math.inf, math.inf)]
        lines, score = target_report(outcomes[c.name], best_model, times)
        scoreboard.append((c, lines, score))
    if preset is None or not runner.has(preset):
        report.append("  not measurable yet: the runner has no preset")
    for c, lines, score in scoreboard:
        if c.preset or c.best_so_far:
            heading = "preset" if c.preset else f"provisional, best combination so far ({' '.join(c.options)})"
            report.append(f"  {heading}:")
            report.extend(f"    {'met   ' if ok else 'missed'}  {text}" for text, ok in lines)
    report.append("\nEvery configuration (targets met; within the margin / small / better than all):")
    for c, lines, score in sorted(scoreboard, key=lambda item: item[2], reverse=True):
        if score[0] < 0:
            report.append(f"  {c.name:14} runs failed")
        else:
            report.append(f"  {c.name:14} {score[0]} of {len(lines)};  {score[1]} / {score[2]} / {score[3]} of {len(problems)}")

    text = "\n".join(report)
    print(text)
    elapsed = time.perf_counter() - started
    print(f"\n{len(runs)} runs in {elapsed:.0f} s; every run in {out_dir / 'runs.csv'}")
    header = (
        f"Measured {datetime.date.today().isoformat()} on {machine_text()}, {runner.version},"
        f" {len(problems)} problems, seeds 1..{seeds}{' (quick)' if args.quick else ''}.\n\n"
    )
    (out_dir / "results.md").write_text(header + text + "\n", encoding="utf-8")
    if any(r.failure for r in runs):
        sys.exit(1)


if __name__ == "__main__":
    main()
