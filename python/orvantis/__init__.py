"""Orvantis from Python: the same engine as ``orvantis-cli``, with NumPy arrays and pandas DataFrames.

    import orvantis as ov
    m = ov.Model.load("examples/distribution.txt")
    m.set("BSLevel", 45, stage=1)
    r = m.run(periods=9999, warmup=100, seed=1)      # the same bits as `orvantis-cli run`
    r.costs, r.stats_df(), r.history("inv_level")
    b = m.batch(rows=["BSLevel@1-3=10:60:10"], trials=20, seed=1)
    o = m.optimize(vary=["BSLevel@1=0:100"], min=["FillRate@1=0.95"], seed=1)
    m.apply(o.best)

Specs and metric names are the command line's. A refused input raises ValueError with the core's
message, a file that cannot be read or written OSError. A question of the model checks (a negative
cost, say) raises too, unless the call says ``strict=False``; then it, and every other notice,
becomes a warning (``warnings.warn``). ``run``, ``batch`` and ``optimize`` release the GIL.
"""

from .model import BatchResult, Model, OptimizeResult, RunResult, history_series, param_names

__all__ = ["Model", "RunResult", "BatchResult", "OptimizeResult", "param_names", "history_series"]
