"""The model and its results: keyword arguments, warnings, NumPy and pandas over _orvantis."""

import io
import os
import warnings

import _orvantis

#: The parameters' short names, as ``orvantis-cli params --names`` prints them.
param_names = list(_orvantis.param_names)
#: The History's series, as the columns of ``--history-csv`` name them.
history_series = list(_orvantis.history_series)

# The batch reporting options delivered with the module, beside the extension.
_DELIVERED_OPTIONS = os.path.join(os.path.dirname(_orvantis.__file__), "ORVTVOF.ini")


def _warn(messages):
    for message in messages:
        warnings.warn(message, RuntimeWarning, stacklevel=3)


def _read_csv(text):
    try:
        import pandas
    except ImportError as error:
        raise ImportError("the *_df methods need pandas: apt install python3-pandas") from error
    return pandas.read_csv(io.StringIO(text))


def _stages(stage):
    return [stage] if isinstance(stage, int) else list(stage)


class RunResult:
    """One run of a model: its costs, statistics and history.

    The result owns the run's model; the arrays ``history`` hands out are read-only and keep it alive.
    """

    def __init__(self, core):
        self._core = core

    @property
    def costs(self):
        """The five cost totals, means per measured period of the whole network:
        ``{'order', 'holding', 'wip_holding', 'stockout', 'total'}``."""
        return self._core.costs

    @property
    def costs_text(self):
        """The cost totals as ``orvantis-cli run`` prints them (two decimals)."""
        return self._core.costs_text

    @property
    def periods(self):
        """The periods simulated, warm-up included."""
        return self._core.periods

    @property
    def warmup(self):
        """The warm-up periods, which the statistics leave out."""
        return self._core.warmup

    def stats_csv(self):
        """The statistics, exactly as ``orvantis-cli run --stats-csv`` writes them."""
        return self._core.stats_csv()

    def history_csv(self):
        """The History, exactly as ``orvantis-cli run --history-csv`` writes it."""
        return self._core.history_csv()

    def orders_csv(self):
        """The Order History, exactly as ``orvantis-cli run --orders-csv`` writes it."""
        return self._core.orders_csv()

    def stats_df(self):
        """The statistics as a DataFrame: stage, metric, mean, sd, min, max, observations."""
        return _read_csv(self.stats_csv())

    def history_df(self):
        """The History as a DataFrame, a row per period and stage: period, stage, measured,
        total_cost, demand, derived_demand, inv_level, order_qty, on_order, in_process, failed."""
        return _read_csv(self.history_csv())

    def orders_df(self):
        """The Order History as a DataFrame: period, stage, supplier (0: the stage itself), quantity."""
        return _read_csv(self.orders_csv())

    def history(self, series, stage=None):
        """A History series (one of ``orvantis.history_series``, e.g. ``"inv_level"``) of periods 1..periods.

        Without ``stage``: an ndarray of shape (periods, stages), made once and then shared. With
        ``stage`` (1-based): shape (periods,), a view straight into the run's own history where the
        stage keeps the series as one array. Both are read-only and keep the result alive.
        """
        if stage is None:
            return self._core.history(series)
        return self._core.history(series, stage)


class BatchResult:
    """A batch's results: the text of ``orvantis-cli batch`` and the table of ``batch --csv``."""

    def __init__(self, core):
        self._core = core

    @property
    def lines(self):
        """The results text, a string per line."""
        return list(self._core.lines)

    @property
    def text(self):
        """The results text as ``orvantis-cli batch`` prints it."""
        return "".join(line + "\n" for line in self._core.lines)

    @property
    def csv(self):
        """The results table as ``orvantis-cli batch --csv`` prints it."""
        return "".join(record + "\r\n" for record in self._core.csv_records)

    @property
    def df(self):
        """The results table as a DataFrame, with the columns of ``batch --csv``."""
        return _read_csv(self.csv)

    @property
    def settings_done(self):
        """The settings that ran."""
        return self._core.settings_done


class OptimizeResult:
    """What a search found: the best point, its estimate on fresh trials, the report."""

    def __init__(self, core):
        self._core = core

    @property
    def best(self):
        """The best point, ``{"BSLevel@1": 45.0, "BSLevel@2-3": 12.0}``; ``Model.apply`` writes it."""
        return dict(zip(self._core.labels, self._core.best))

    @property
    def objective(self):
        """The minimised metric's mean on the final fresh trials."""
        return self._core.objective

    @property
    def half_width(self):
        """The half-width of the 95% confidence interval of ``objective``."""
        return self._core.half_width

    @property
    def feasible(self):
        """Whether the best point met every constraint, in the search and on the fresh trials."""
        return self._core.feasible

    @property
    def stop(self):
        """Why the search ended: ``"converged"``, ``"budget"``, ``"time"`` or ``"cancelled"``."""
        return self._core.stop

    @property
    def seed(self):
        """The seed the search ran with (the clock's, when 0 was given)."""
        return self._core.seed

    @property
    def report(self):
        """The report as ``orvantis-cli optimize`` prints it."""
        return "".join(line + "\n" for line in self._core.report)

    @property
    def evaluated_csv(self):
        """Every evaluated point as CSV, as ``orvantis-cli optimize --csv`` adds it after the report."""
        return "".join(line + "\n" for line in self._core.csv)

    @property
    def evaluated_df(self):
        """Every evaluated point as a DataFrame: Evaluation, Round, a column per variable, the
        objective's search mean, a column per constraint, Feasible."""
        return _read_csv(self.evaluated_csv)


class _JoinedBatch:
    """The parts of a batch, joined in order, as the core's one batch result reads."""

    def __init__(self, parts):
        self.lines = [line for part in parts for line in part["lines"]]
        self.csv_records = [record for part in parts for record in part["csv_records"]]
        self.settings_done = sum(part["settings_done"] for part in parts)


def _batch_part(text, path, files, call, part):
    """Part ``part`` (K, N) of a batch of the model whose file bytes are ``text``, run on a Dask
    worker: plain lists back, so that nothing of the core has to be pickled."""
    import tempfile

    core, _ = _orvantis.Model.from_text(text, path, call["strict"])
    with tempfile.TemporaryDirectory() as folder:
        paths = []
        for name, data in zip(("values.txt", "options.ini"), files):
            paths.append(None if data is None else os.path.join(folder, name))
            if data is not None:
                with open(paths[-1], "wb") as file:
                    file.write(data)
        done = core.batch(call["rows"], paths[0], call["trials"], call["seed"], call["periods"], call["warmup"],
                          call["jobs"], call["strict"], paths[1], _DELIVERED_OPTIONS, call["timestamp"], None, part)
    return {"lines": list(done.lines), "csv_records": list(done.csv_records), "run_warnings": list(done.run_warnings),
            "settings_done": done.settings_done}


class Model:
    """A model of a multi-stage inventory network.

    Load one with ``Model.load(path)`` or build one: ``Model()``, ``add_stage()``, ``link()``, ``set()``.
    The model itself never runs: ``run``, ``batch`` and ``optimize`` each work on a copy, so that
    each starts from the model as it stands, as a fresh ``orvantis-cli`` starts from the file.
    """

    def __init__(self):
        self._core = _orvantis.Model()

    @classmethod
    def load(cls, path, strict=True):
        """Loads a model file of any version.

        Raises OSError when the file cannot be read and ValueError naming the line when it is no
        model. A file that ends early or holds more than a model raises too, unless
        ``strict=False``, which loads it with a warning.
        """
        core, notices = _orvantis.Model.load(os.fspath(path), strict)
        model = cls.__new__(cls)
        model._core = core
        _warn(notices)
        return model

    @property
    def path(self):
        """The file the model was loaded from or saved to ("" for none); batch headings and
        reports name it."""
        return self._core.path

    @property
    def num_stages(self):
        """The number of stages."""
        return self._core.num_stages

    def add_stage(self):
        """Adds a stage with every parameter at its default and returns its number."""
        return self._core.add_stage()

    def link(self, customer, supplier):
        """Makes ``supplier`` a supplier of ``customer`` (a stage numbered above it)."""
        self._core.link(customer, supplier)

    def set(self, name, value, stage):
        """Writes parameter ``name`` (a short name, as ``BSLevel``) of ``stage``, a stage number
        or a list of them."""
        for one in _stages(stage):
            self._core.set(name, one, float(value))

    def get(self, name, stage):
        """Parameter ``name`` of ``stage`` (a number: the value; a list: the values)."""
        if isinstance(stage, int):
            return self._core.get(name, stage)
        return [self._core.get(name, one) for one in stage]

    def save(self, path):
        """Saves the model as a current (v2.4) model file, replacing ``path`` only once complete."""
        self._core.save(os.fspath(path))

    def text(self):
        """The bytes of the model file ``save`` writes."""
        return self._core.text()

    def run(self, periods=1000, warmup=100, seed=0, strict=True, force_cst=False, keep_history=True):
        """Runs the model, the same bits as ``orvantis-cli run`` with the same settings.

        ``periods`` 1 to 9999, ``warmup`` 1 to ``periods``; ``seed`` 0 takes one from the clock,
        a negative seed continues the model's sequence. ``force_cst`` sets "Service Time >= CST"
        for this run. ``keep_history=False`` keeps no period history (the costs and statistics
        are the same). A question of the model checks raises ValueError unless ``strict=False``.
        The GIL is released while the run goes on. Returns a RunResult.
        """
        core = self._core.run(periods, warmup, seed, strict, force_cst, keep_history)
        _warn(core.warnings)
        return RunResult(core)

    def batch(self, rows=(), values=None, trials=1, seed=0, periods=1000, warmup=100, jobs=0, strict=True,
              options=None, timestamp=None, on_progress=None, client=None, parts=None):
        """Runs a batch, the same bytes as ``orvantis-cli batch`` with the same settings.

        ``rows``: up to two sweep rows as ``--row`` takes them ("BSLevel@1-3=10:60:10", "none"), or
        ``values``: a parameter values file. Every setting runs ``trials`` trials; the first gets
        ``seed``, every later one continues its sequence. ``jobs`` threads run trials side by side
        (0: one per core); every number gives the same results. ``options``: a reporting options
        file (default: the user's, else the delivered one). ``timestamp`` replaces the heading's
        date and time. ``on_progress(done, total)`` is called after each setting; an exception it
        raises (or Ctrl+C) stops the batch and is raised again. The GIL is released meanwhile.
        Returns a BatchResult.

        ``client``: a ``dask.distributed`` Client; the batch then runs as ``parts`` parts (default:
        one per worker, at most one per setting), as ``orvantis-cli batch --part K/N`` runs them,
        each a task on a worker, and the parts joined in order are the same bytes as the batch in one
        process. It needs a seed other than 0. The model, the values file and the options file go
        to the workers as their texts; without ``options`` each worker reads its own start options.
        ``jobs`` is then the threads of each task, and ``on_progress(done, total)`` is called as
        parts finish.
        """
        if client is not None:
            return self._batch_on(client, parts, rows, values, trials, seed, periods, warmup, jobs, strict, options,
                                  timestamp, on_progress)
        core = self._core.batch(list(rows), None if values is None else os.fspath(values), trials, seed, periods,
                                warmup, jobs, strict, None if options is None else os.fspath(options),
                                _DELIVERED_OPTIONS, timestamp, on_progress)
        _warn(core.warnings)
        return BatchResult(core)

    def _batch_on(self, client, parts, rows, values, trials, seed, periods, warmup, jobs, strict, options, timestamp,
                  on_progress):
        from distributed import as_completed

        values = None if values is None else os.fspath(values)
        options = None if options is None else os.fspath(options)
        # Checked here, before any part runs: what one process would refuse or warn about.
        settings, notices = self._core.batch_settings(list(rows), values, trials, seed, periods, warmup, jobs, strict,
                                                      options, _DELIVERED_OPTIONS)
        _warn(notices)
        if parts is None:
            parts = min(len(client.scheduler_info()["workers"]), settings)
        parts = max(1, int(parts))
        files = []
        for path in (values, options):
            if path is None:
                files.append(None)
                continue
            with open(path, "rb") as file:
                files.append(file.read())
        call = dict(rows=list(rows), trials=trials, seed=seed, periods=periods, warmup=warmup, jobs=jobs,
                    strict=strict, timestamp=timestamp)
        futures = [client.submit(_batch_part, self._core.text(), self.path, files, call, (k, parts), pure=False)
                   for k in range(1, parts + 1)]
        try:
            done = 0
            for future in as_completed(futures):
                ran = future.result()["settings_done"]
                done += ran
                if on_progress is not None and ran > 0:
                    on_progress(done, settings)
            results = client.gather(futures)
        finally:
            client.cancel(futures)
        for part in results:
            _warn(part["run_warnings"])
        return BatchResult(_JoinedBatch(results))

    def optimize(self, vary, minimize="TotalCost", min=(), max=(), trials=10, final_trials=30, budget=500,
                 time_limit=0.0, seed=0, periods=1000, warmup=100, jobs=0, strict=True, on_progress=None):
        """Searches the values of parameters that minimise a cost metric, as ``orvantis-cli optimize``.

        ``vary``: decision variables as ``--vary`` takes them ("BSLevel@2-3=0:40"); ``minimize``:
        TotalCost, OrderCost, HoldingCost, WIPHoldingCost or StockoutCost; ``min`` / ``max``:
        constraints as ``--min`` / ``--max`` take them ("FillRate@1=0.95"). ``seed`` 0 takes one
        from the clock (``result.seed`` names it). ``on_progress(state)`` is called after each round
        with a dict (evaluations, budget, round, best, objective, feasible); an exception it raises
        (or Ctrl+C) stops the search and is raised again. The GIL is released meanwhile. Returns an
        OptimizeResult; ``apply(result.best)`` writes the best point into the model.
        """
        core = self._core.optimize(list(vary), minimize, list(min), list(max), trials, final_trials, budget,
                                   float(time_limit), seed, periods, warmup, jobs, strict, on_progress)
        _warn(core.warnings)
        return OptimizeResult(core)

    def apply(self, best):
        """Writes a search's best point into the model: an OptimizeResult, or its ``best`` dict
        (``{"BSLevel@2-3": 12.0}``)."""
        if isinstance(best, OptimizeResult):
            best = best.best
        self._core.apply(list(best.keys()), [float(value) for value in best.values()])
