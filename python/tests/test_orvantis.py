"""The module against orvantis-cli: the same settings give the same bytes."""

import gc
import io
import os
import subprocess
import sys
import threading

import pandas as pd
import pytest

import orvantis as ov

CLI = os.environ.get("ORVANTIS_CLI", "orvantis-cli")
SOURCE = os.environ.get("ORVANTIS_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))
EXAMPLES = os.path.join(SOURCE, "examples")
EXAMPLE_NAMES = sorted(name for name in os.listdir(EXAMPLES) if name.endswith(".txt"))

# The checks' notices become warnings here, as the command line answers its questions Yes.
pytestmark = pytest.mark.filterwarnings("ignore::RuntimeWarning")


def example(name):
    return os.path.join(EXAMPLES, name)


def cli(*args):
    done = subprocess.run([CLI, *args], capture_output=True, check=False)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def one_line(text):
    return " ".join(text.split())


@pytest.mark.parametrize("name", EXAMPLE_NAMES)
def test_run_is_the_command_lines_run(name, tmp_path):
    settings = ["--periods", "400", "--warmup", "40", "--seed", "7"]
    files = {option: tmp_path / option.strip("-") for option in ("--stats-csv", "--history-csv", "--orders-csv")}
    code, out, _ = cli("run", example(name), *settings, *(str(a) for item in files.items() for a in item))
    assert code == 0
    r = ov.Model.load(example(name), strict=False).run(periods=400, warmup=40, seed=7, strict=False)
    assert r.costs_text == out
    assert r.costs["total"] == pytest.approx(sum(v for k, v in r.costs.items() if k != "total"))
    assert r.stats_csv() == files["--stats-csv"].read_bytes().decode()
    assert r.history_csv() == files["--history-csv"].read_bytes().decode()
    assert r.orders_csv() == files["--orders-csv"].read_bytes().decode()
    # The arrays and frames are the CSV's numbers; a stage's series is a view that keeps the
    # result alive.
    inv = r.history_df().pivot(index="period", columns="stage", values="inv_level").to_numpy()
    table, column = r.history("inv_level"), r.history("inv_level", 1)
    del r
    gc.collect()
    assert not column.flags.owndata
    assert (table == inv).all() and (column == inv[:, 0]).all()


def chain(stages):
    """A serial line built stage by stage: demand at stage 1, a period to make at every stage."""
    m = ov.Model()
    for stage in range(1, stages + 1):
        assert m.add_stage() == stage
        m.set("HoldCost", 0.25 * stage, stage=stage)
        m.set("ProcTime", 1, stage=stage)
        m.set("BSLevel", 25, stage=stage)
    for stage in range(1, stages):
        m.link(customer=stage, supplier=stage + 1)
    m.set("DemMean", 10, stage=1)
    m.set("DemSD", 3, stage=1)
    m.set("StckCost", 5, stage=[1, 2])
    return m


def test_a_model_built_here_runs_as_its_file_runs(tmp_path):
    m = chain(4)
    m.save(tmp_path / "chain.txt")
    assert ov.Model.load(tmp_path / "chain.txt").text() == m.text()
    code, out, _ = cli("run", str(tmp_path / "chain.txt"), "--periods", "300", "--seed", "2", "--stats-csv",
                       str(tmp_path / "stats.csv"))
    r = m.run(periods=300, seed=2)
    assert (code, out, r.stats_csv()) == (0, r.costs_text, (tmp_path / "stats.csv").read_bytes().decode())
    assert m.get("StckCost", stage=[1, 2, 3]) == [5.0, 5.0, 0.0]


@pytest.mark.parametrize("jobs", [1, 2])
@pytest.mark.parametrize("rows", [["BSLevel@1-3=10:60:10"], ["BSLevel@1=20:40:10", "HoldCost@2=0.5:1.5:0.5"], ["none"]])
def test_batch_is_the_command_lines_batch(rows, jobs):
    model = example("distribution.txt")
    settings = ["--trials", "3", "--seed", "5", "--periods", "300", "--warmup", "30", "--timestamp", "T"]
    row_args = [arg for row in rows for arg in ("--row", row)]
    code, text, _ = cli("batch", model, *settings, *row_args, "--jobs", "1")
    assert code == 0
    code, csv, _ = cli("batch", model, *settings, *row_args, "--jobs", "1", "--csv")
    assert code == 0
    b = ov.Model.load(model).batch(rows=rows, trials=3, seed=5, periods=300, warmup=30, jobs=jobs, timestamp="T")
    assert b.text == text
    assert b.csv == csv
    assert b.df.equals(pd.read_csv(io.StringIO(csv)))


def test_optimize_is_the_command_lines_optimize():
    model = example("distribution.txt")
    code, out, _ = cli("optimize", model, "--vary", "BSLevel@1=0:60", "--vary", "BSLevel@2-3=0:40", "--min",
                       "FillRate@2=0.9", "--trials", "4", "--final-trials", "5", "--budget", "40", "--seed", "3",
                       "--periods", "300", "--warmup", "30", "--jobs", "2", "--csv")
    m = ov.Model.load(model)
    o = m.optimize(vary=["BSLevel@1=0:60", "BSLevel@2-3=0:40"], min=["FillRate@2=0.9"], trials=4, final_trials=5,
                   budget=40, seed=3, periods=300, warmup=30, jobs=1)
    assert out == o.report + "\n" + o.evaluated_csv
    assert len(o.evaluated_df) == o._core.evaluations
    m.apply(o.best)
    assert [m.get("BSLevel", stage=s) for s in (1, 2, 3)] == [o.best["BSLevel@1"]] + [o.best["BSLevel@2-3"]] * 2
    assert code in (0, 3)  # 3: no point met the constraint; the report says so either way


def negative_cost_model(tmp_path):
    m = ov.Model.load(example("serial_chain.txt"))
    m.set("HoldCost", -1, stage=1)
    m.save(tmp_path / "negative.txt")
    return m


# Each refusal: the call, the exception, and the command line that refuses the same input.
REFUSALS = [
    (lambda m, d: m.batch(rows=["BSLevel@1=10:60"]), ValueError, ["batch", "MODEL", "--row", "BSLevel@1=10:60"]),
    (lambda m, d: m.batch(rows=["Nope@1=1:2:1"]), ValueError, ["batch", "MODEL", "--row", "Nope@1=1:2:1"]),
    (lambda m, d: m.batch(values=d / "missing.txt"), OSError, ["batch", "MODEL", "--values", "DIR/missing.txt"]),
    (lambda m, d: ov.Model.load(d / "missing.txt"), OSError, ["run", "DIR/missing.txt"]),
    (lambda m, d: m.optimize(vary=["BSLevel@1=0:x"]), ValueError, ["optimize", "MODEL", "--vary", "BSLevel@1=0:x"]),
    (lambda m, d: m.optimize(vary=["BSLevel@1=0:9"], min=["Bogus@1=0.9"]), ValueError,
     ["optimize", "MODEL", "--vary", "BSLevel@1=0:9", "--min", "Bogus@1=0.9"]),
    (lambda m, d: m.optimize(vary=["BSLevel@1=0:9"], minimize="FillRate"), ValueError,
     ["optimize", "MODEL", "--vary", "BSLevel@1=0:9", "--minimize", "FillRate"]),
    (lambda m, d: negative_cost_model(d).run(periods=100, warmup=10, seed=1), ValueError,
     ["run", "DIR/negative.txt", "--strict"]),
]


@pytest.mark.parametrize("call, error, args", REFUSALS)
def test_refusals_raise_with_the_command_lines_message(call, error, args, tmp_path):
    model = example("serial_chain.txt")
    with pytest.raises(error) as raised:
        call(ov.Model.load(model), tmp_path)
    code, _, err = cli(*(a.replace("MODEL", model).replace("DIR", str(tmp_path)) for a in args))
    assert code != 0
    assert one_line(str(raised.value)) in one_line(err)


def test_a_checks_question_runs_when_not_strict(tmp_path):
    with pytest.warns(RuntimeWarning):
        r = negative_cost_model(tmp_path).run(periods=100, warmup=10, seed=1, strict=False)
    assert r.periods == 100


LONG_CALLS = {
    "run": lambda m: chain(25).run(periods=9999, warmup=100, seed=1),
    "batch": lambda m: m.batch(rows=["BSLevel@1-3=10:60:10"], trials=4, seed=1, periods=9999, jobs=1),
    "optimize": lambda m: m.optimize(vary=["BSLevel@1=0:60"], trials=4, final_trials=4, budget=8, seed=1,
                                     periods=9999, jobs=1),
}


@pytest.mark.parametrize("name", LONG_CALLS)
def test_long_calls_let_other_threads_run_python(name):
    # The worker's profiler marks the core call from its entry to its return. The main thread
    # running Python while the worker is inside it, with no Python frame of its own on top, can
    # only happen when the call released the GIL.
    m = ov.Model.load(example("distribution.txt"))
    layer = getattr(ov.Model, name).__code__
    inside = [False]

    def profile(frame, event, arg):
        if frame.f_code is layer and getattr(arg, "__name__", None) == name:
            inside[0] = event == "c_call"

    def work():
        sys.setprofile(profile)
        LONG_CALLS[name](m)
        sys.setprofile(None)

    worker = threading.Thread(target=work)
    worker.start()
    seen = False
    while worker.is_alive() and not seen:
        before = inside[0]
        frame = sys._current_frames().get(worker.ident)
        seen = before and frame is not None and frame.f_code is layer and inside[0]
    worker.join()
    assert seen


class Stop(Exception):
    pass


@pytest.mark.parametrize("call", [
    lambda m, stop: m.batch(rows=["BSLevel@1-3=10:60:10"], seed=1, periods=200, on_progress=stop),
    lambda m, stop: m.optimize(vary=["BSLevel@1=0:60"], seed=1, periods=200, trials=2, on_progress=stop),
])
def test_an_exception_in_a_callback_stops_the_work_and_propagates(call):
    calls = []

    def stop(*args):
        calls.append(args)
        raise Stop()

    with pytest.raises(Stop):
        call(ov.Model.load(example("distribution.txt")), stop)
    assert len(calls) == 1


@pytest.fixture(scope="module")
def dask_client():
    distributed = pytest.importorskip("distributed", reason="the Dask tests need python3-distributed")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster:
        with distributed.Client(cluster) as client:
            yield client


@pytest.mark.parametrize("rows, parts", [
    (["BSLevel@1-3=10:60:10"], None),  # one part per worker
    (["BSLevel@1=20:40:10", "HoldCost@2=0.5:1.5:0.5"], 4),
])
def test_a_batch_on_a_dask_cluster_is_the_batch_in_one_process(rows, parts, dask_client):
    m = ov.Model.load(example("distribution.txt"))
    settings = dict(rows=rows, trials=3, seed=5, periods=300, warmup=30, jobs=1, timestamp="T")
    one, spread = m.batch(**settings), m.batch(client=dask_client, parts=parts, **settings)
    assert (spread.text, spread.csv, spread.settings_done) == (one.text, one.csv, one.settings_done)
    with pytest.raises(ValueError, match="seed other than 0"):
        m.batch(client=dask_client, **{**settings, "seed": 0})
