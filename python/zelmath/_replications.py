"""Studies of independent replications: ``zelmath.replicate``.

Replication ``r`` of a study draws from ``rep.stream(source)``, keyed by (source, r) and the
study's seed only (the same streams as C++'s ``ZELReplication::stream``), and its outputs become
row ``r - first`` of ``.values``. The statistics are computed once, afterwards, in replication
order, by the C++ library. So ``.values`` and the summary have the same bits for every backend
and worker count.
"""
import ast
import concurrent.futures
import logging
import multiprocessing
import numbers
import operator
import os
import pickle
import signal
import sys
import threading
import time
import traceback

import numpy as np

from . import _zelmath  # type: ignore[attr-defined]  # the compiled extension; its stub is the package's

__all__ = ["Replications", "replicate"]

_BACKENDS = ("serial", "threads", "processes", "dask")
_DEFAULT_PACKAGE_SEED = tuple(_zelmath.RandomStream.DEFAULT_PACKAGE_SEED)


class Replications:
    """The outputs of a study (``.values``, n x k) and their statistics.

    ``.mean`` and ``.std`` hold one entry per output (NaN values left out); ``ci(level)`` gives
    the Student t confidence interval of each mean as (low, high) arrays; ``summary()`` a table;
    ``len()`` the number of replications; ``.first`` the index of the first one.
    """

    def __init__(self, results):
        self._results = results
        self._values = results.values
        self._values.setflags(write=False)

    @property
    def values(self):
        return self._values

    @property
    def results(self):
        """The underlying ``ReplicationResults``."""
        return self._results

    @property
    def first(self):
        return self._results.first

    @property
    def mean(self):
        return self._results.means()

    @property
    def std(self):
        return self._results.std_devs()

    @property
    def nan_count(self):
        return np.array([self._results.nan_count(j) for j in range(self._results.outputs)], dtype=np.int64)

    def ci(self, level=0.95):
        half = self._results.half_widths(level)
        mean = self.mean
        return mean - half, mean + half

    def summary(self, names=None, level=0.95):
        return self._results.summary(list(names or []), level)

    def __len__(self):
        return self._results.count

    def __reduce__(self):
        return (Replications, (self._results,))

    def __repr__(self):
        return f"Replications(first={self.first}, count={len(self)}, outputs={self._results.outputs})"


class _Failure:
    """A model that raised in a worker: its replication, its exception and the worker's traceback."""

    def __init__(self, index, error, trace):
        self.index = index
        self.error = error
        self.trace = trace


def _not_an_output(index, what):
    return TypeError(f"replication {index}: a model returns a real number or a sequence of real numbers "
                     f"(a list, a tuple or a 1-D array), not {what}")


def _as_row(out, index):
    """The outputs of replication `index` as a tuple of floats. Strings, bytes, mappings, sets,
    complex numbers and arrays of other shapes are refused rather than reinterpreted."""
    if type(out) is float:
        return (out,)
    if isinstance(out, (list, tuple)):
        if all(type(v) is float for v in out):
            return tuple(out)
        for v in out:
            if not isinstance(v, numbers.Real):
                raise _not_an_output(index, f"a {type(out).__name__} holding a {type(v).__name__}")
        return tuple(float(v) for v in out)
    if isinstance(out, np.ndarray):
        if out.ndim > 1 or out.dtype.kind not in "biuf":
            raise _not_an_output(index, f"an array of shape {out.shape} and dtype {out.dtype}")
        return tuple(out.astype(np.float64).reshape(-1).tolist()) if out.ndim == 1 else (float(out),)
    if isinstance(out, numbers.Real):
        return (float(out),)
    raise _not_an_output(index, type(out).__name__)


def _run_chunk(model, start, count, key, stop=None):
    """Replications start .. start + count - 1; stops at the first that raises (or when `stop`,
    an Event of the threads backend, is set). Returns the rows (a tuple per replication) and the
    failure (or None)."""
    engine, package_seed, seed = key
    Replication = _zelmath.Replication
    rows = []
    for index in range(start, start + count):
        if stop is not None and stop.is_set():
            break
        try:
            rows.append(_as_row(model(Replication(index, engine, package_seed, seed)), index))
        except Exception as e:  # noqa: BLE001 - every model error is reported with its replication
            trace = traceback.format_exc()
            try:
                pickle.dumps(e)
            except Exception:  # noqa: BLE001 - an exception that cannot travel back is replaced
                e = _zelmath.Error(f"{type(e).__name__}: {e}")
            return rows, _Failure(index, e, trace)
    return rows, None


def _raise_failure(failure, local):
    error = failure.error
    note = f"zelmath.replicate: raised by the model in replication {failure.index}"
    if not local:
        note += "; the traceback in the worker:\n" + failure.trace
    if hasattr(error, "add_note"):
        error.add_note(note)
        raise error
    raise _zelmath.Error(note + f": {type(error).__name__}: {error}") from error


def _judged(parts, first, local):
    """The rows of the parts ((start, rows, failure or None) in replication order), once the
    library's rule for a study's error has found none: it raises the lowest failing replication,
    then the lowest with another number of outputs than the first."""
    summaries = []
    for start, rows, failure in parts:
        k = len(rows[0]) if rows else 0
        mismatch = next((i for i, row in enumerate(rows) if len(row) != k), len(rows))
        summaries.append((start, len(rows), None if failure is None else failure.index, k, mismatch,
                          len(rows[mismatch]) if mismatch < len(rows) else 0))
    failed = _zelmath._judge(summaries, first)
    if failed is not None:
        _raise_failure(parts[failed][2], local)
    return [rows for _, rows, _ in parts]


def _assemble(chunks, n):
    """The n x k values from the chunks' rows (in replication order)."""
    rows = [row for chunk in chunks for row in chunk]
    if n == 0:
        return np.zeros((0, 0))
    return np.array(rows, dtype=np.float64).reshape(n, len(rows[0]))


class _Progress:
    """A progress bar (tqdm when installed, else a line on stderr), or nothing."""

    def __init__(self, enabled, total):
        self._bar = None
        self._done = 0
        self._total = total
        self._enabled = enabled and total > 0
        if self._enabled:
            try:
                from tqdm import tqdm  # type: ignore[import]
                self._bar = tqdm(total=total, unit="rep", desc="replications")
            except ImportError:
                self._bar = None

    def update(self, count):
        if not self._enabled:
            return
        self._done += count
        if self._bar is not None:
            self._bar.update(count)
        else:
            print(f"\rreplications: {self._done}/{self._total}", end="", file=sys.stderr, flush=True)

    def close(self):
        if self._bar is not None:
            self._bar.close()
        elif self._enabled:
            print(file=sys.stderr)


def _split(first, n, parts):
    """Chunks (start, count) of nearly equal size covering first .. first + n - 1 in order."""
    parts = max(1, min(parts, n))
    size, extra = divmod(n, parts)
    chunks, start = [], first
    for p in range(parts):
        count = size + (1 if p < extra else 0)
        chunks.append((start, count))
        start += count
    return chunks


def _collect(pending, as_completed, cancel, progress):
    """Waits for the chunks (a dict future -> (start, count)); returns the parts (start, rows,
    failure or None) in order.

    After a failure, the chunks that start beyond it are cancelled and those before it awaited:
    the failure reported is the lowest replication that raised, whatever the order of
    completion (each chunk stops at its own first failure)."""
    rows, failures, failure = {}, {}, None
    waiting = dict(pending)
    for future in as_completed(list(pending)):
        if future not in waiting:
            continue
        start, count = waiting.pop(future)
        if future.cancelled():
            continue
        chunk_rows, chunk_failure = future.result()
        rows[start] = chunk_rows
        failures[start] = chunk_failure
        progress.update(len(chunk_rows))
        if chunk_failure is not None and (failure is None or chunk_failure.index < failure.index):
            failure = chunk_failure
            for other, (other_start, _) in list(waiting.items()):
                if other_start > failure.index:
                    cancel(other)
                    del waiting[other]
        if failure is not None and not any(s < failure.index for s, _ in waiting.values()):
            break
        if not waiting:
            break
    if failure is not None:
        for other in waiting:
            cancel(other)
    return [(start, rows[start], failures[start]) for start in sorted(rows)]


def _ranges(spans):
    return ", ".join(f"{start} to {start + count - 1}" for start, count in sorted(spans))


def _ignore_sigint():
    """In worker processes: Ctrl-C is the parent's to handle (it stops the workers)."""
    signal.signal(signal.SIGINT, signal.SIG_IGN)


def _run_threads(model, chunks, key, progress, size):
    stop = threading.Event()
    executor = concurrent.futures.ThreadPoolExecutor(max_workers=size)
    futures = {}
    try:
        for start, count in chunks:
            futures[executor.submit(_run_chunk, model, start, count, key, stop)] = (start, count)
        return _collect(futures, concurrent.futures.as_completed, lambda f: f.cancel(), progress)
    finally:
        stop.set()  # the chunks still running end after their current replication
        executor.shutdown(wait=True, cancel_futures=True)


def _run_processes(model, chunks, key, progress, size):
    """A pool of spawned processes (on every platform: a worker imports the main module, as
    Dask's do). Any way out but success kills the workers, without waiting on a pool that may be
    broken."""
    context = multiprocessing.get_context("spawn")
    executor = concurrent.futures.ProcessPoolExecutor(max_workers=size, mp_context=context, initializer=_ignore_sigint)
    futures, processes = {}, []
    try:
        for start, count in chunks:
            futures[executor.submit(_run_chunk, model, start, count, key)] = (start, count)
        # the workers, while the pool still lists them (a broken pool forgets them)
        processes = list((getattr(executor, "_processes", None) or {}).values())
        rows = _collect(futures, concurrent.futures.as_completed, lambda f: f.cancel(), progress)
    except concurrent.futures.process.BrokenProcessPool as e:
        unfinished = [span for future, span in futures.items() if _broken(future)]
        _kill(executor, processes)
        raise _zelmath.Error(f"zelmath.replicate: a worker process ended abruptly (killed, or the model "
                             f"crashed or exited it) while it ran replications among {_ranges(unfinished)}") from e
    except BaseException:
        _kill(executor, processes)
        raise
    executor.shutdown(wait=True)
    return rows


def _broken(future):
    """A chunk the pool did not finish: still pending, or failed with the pool."""
    if not future.done():
        return True
    return not future.cancelled() and isinstance(future.exception(), concurrent.futures.process.BrokenProcessPool)


def _kill(executor, processes):
    """Kills the workers and waits (boundedly) until every one of them is reaped: by the pool's
    manager thread, which sees them die, and by this thread. Waiting for the manager too matters:
    when it reaps a worker first, a join here returns before the worker is struck off the list of
    live children."""
    # the workers listed at the start and any the pool still lists, each once
    listed = (getattr(executor, "_processes", None) or {}).values()
    processes = list({id(process): process for process in [*processes, *listed]}.values())
    manager = getattr(executor, "_executor_manager_thread", None)
    for process in processes:
        process.kill()
    executor.shutdown(wait=False, cancel_futures=True)
    if manager is not None:
        manager.join(10.0)  # it ends once it has seen the workers die (bounded: never a hang)
    for process in processes:
        process.join(1.0)


class _IgnoreSigint:
    """A Dask worker plugin: the study's own workers leave Ctrl-C to the study."""

    name = "zelmath-ignore-sigint"

    def setup(self, worker):
        if threading.current_thread() is threading.main_thread():
            _ignore_sigint()


def _start_cluster(workers, dashboard):
    """A LocalCluster for one study, on the loopback interface only: the scheduler, the nannies,
    the workers and their HTTP endpoints on ports the system picks (studies started at once do
    not clash); the dashboard only when asked for."""
    import distributed  # type: ignore[import]

    loopback = "127.0.0.1:0"
    cluster = distributed.LocalCluster(n_workers=workers or os.cpu_count() or 1, threads_per_worker=1,
                                       processes=True, host="127.0.0.1", scheduler_port=0,
                                       dashboard_address=loopback, worker_dashboard_address=loopback,
                                       scheduler_kwargs={"dashboard": bool(dashboard)})
    client = distributed.Client(cluster)
    if dashboard:
        print(f"zelmath.replicate: the Dask dashboard is at {client.dashboard_link}", file=sys.stderr, flush=True)
    return cluster, client


def _run_dask(model, chunks_for, key, progress, client, workers, dashboard):
    import distributed  # type: ignore[import]

    if client is not None and not isinstance(client, distributed.Client):
        raise TypeError(f"client must be a distributed.Client, not {type(client).__name__}")
    try:
        distributed.protocol.pickle.dumps(model)
    except Exception as e:  # noqa: BLE001 - whatever stops the model from travelling
        raise TypeError(f'backend="dask": the model cannot be pickled ({type(e).__name__}: {e}); '
                        'keep what it holds picklable, or use backend="threads"') from None
    cluster = None
    futures = {}
    quiet = False
    try:
        if client is None:
            cluster, client = _start_cluster(workers, dashboard)
            client.register_worker_plugin(_IgnoreSigint())
        slots = sum(client.nthreads().values()) or 1
        for start, count in chunks_for(slots):
            future = client.submit(_run_chunk, model, start, count, key, pure=False)
            futures[future] = (start, count)
        return _collect(futures, distributed.as_completed, lambda f: f.cancel(), progress)
    except distributed.KilledWorker as e:
        raise _zelmath.Error(f"zelmath.replicate: the workers died every time they ran replications "
                             f"{_ranges(_killed(futures, e))} (Dask KilledWorker)") from e
    except KeyboardInterrupt:
        quiet = True  # the cluster's own reports of the interruption would bury the one that matters
        raise
    finally:
        logger = logging.getLogger("distributed")
        level = logger.level
        if quiet:
            logger.setLevel(logging.CRITICAL + 1)
        try:
            if cluster is not None:
                client.close()
                cluster.close()
            elif client is not None:
                client.cancel(list(futures))
        finally:
            logger.setLevel(level)


def _is_main_test(test):
    """`__name__ == "__main__"`, either way round, alone or as a term of an `and`."""
    if isinstance(test, ast.BoolOp) and isinstance(test.op, ast.And):
        return any(_is_main_test(term) for term in test.values)
    if not (isinstance(test, ast.Compare) and len(test.ops) == 1 and isinstance(test.ops[0], ast.Eq)):
        return False
    sides = {ast.dump(test.left), ast.dump(test.comparators[0])}
    return sides == {ast.dump(ast.Name("__name__", ast.Load())), ast.dump(ast.Constant("__main__"))}


def _killed(futures, error):
    """The chunks given up with `error`'s: a worker that dies takes every chunk it held, so its
    culprit may be any of those that fail together (their states settle within moments)."""
    import distributed  # type: ignore[import]

    spans = {span for future, span in futures.items() if future.key == error.task}
    deadline = time.monotonic() + 1.0
    while time.monotonic() < deadline:
        for future, span in futures.items():
            if future.status == "error" and isinstance(future.exception(timeout=1), distributed.KilledWorker):
                spans.add(span)
        time.sleep(0.1)
    return spans


def _refuse_unguarded_start():
    """Before starting worker processes: when the main script's top-level code makes this call
    outside an `if __name__ == "__main__":` block, every worker would make it again on importing
    the script (and start workers of its own). Refused in the parent, before any process starts;
    without a script file (an interactive session, a notebook) there is nothing to check."""
    main = sys.modules.get("__main__")
    path = getattr(main, "__file__", None)
    if main is None or not path:
        return
    frame = sys._getframe(1)
    while frame is not None and not (frame.f_code.co_name == "<module>" and frame.f_globals is vars(main)):
        frame = frame.f_back
    if frame is None:
        return
    try:
        with open(path, encoding="utf-8") as f:
            tree = ast.parse(f.read())
    except (OSError, SyntaxError, ValueError):
        return
    line = frame.f_lineno
    for node in ast.walk(tree):
        if isinstance(node, ast.If) and _is_main_test(node.test) and \
                node.body[0].lineno <= line <= (node.body[-1].end_lineno or line):
            return
    raise RuntimeError(f"zelmath.replicate on worker processes was called by the top-level code of {path} "
                       f'(line {line}) outside `if __name__ == "__main__":`; each worker imports the script '
                       "again and would start the study again: start it under that guard")


def _refuse_worker_import():
    """replicate() run by the main script's top-level code while a worker process imports that
    script (multiprocessing's spawn imports it as "__mp_main__"): the worker would start a study
    of its own, and so on. Raised in the worker, so that its start fails at once."""
    frame = sys._getframe(2)
    while frame is not None:
        if frame.f_code.co_name == "<module>" and frame.f_globals.get("__name__") == "__mp_main__":
            script = frame.f_globals.get("__file__", "the main script")
            raise RuntimeError(f"zelmath.replicate was called while a worker process was importing {script}: a "
                               'script that runs a study on worker processes (backend "processes" or "dask") '
                               'must start it under `if __name__ == "__main__":`, because each worker imports '
                               "the script again")
        frame = frame.f_back


def _study_key(engine, seed):
    if engine not in ("mrg32k3a", "philox"):
        raise ValueError(f'engine must be "mrg32k3a" or "philox", not {engine!r}')
    if engine == "philox":
        if seed is None:
            return engine, _DEFAULT_PACKAGE_SEED, 0
        if isinstance(seed, bool) or not isinstance(seed, (int, np.integer)) or not 0 <= seed < 2**64:
            raise ValueError(f"seed of the philox engine: an integer in [0, 2**64), not {seed!r}")
        return engine, _DEFAULT_PACKAGE_SEED, int(seed)
    if seed is None:
        return engine, _DEFAULT_PACKAGE_SEED, 0
    if isinstance(seed, (int, np.integer)):
        raise TypeError('seed of the mrg32k3a engine: a package seed of six integers (or None); '
                        'an integer seed keys engine="philox"')
    package = tuple(operator.index(s) for s in seed)
    if len(package) != 6 or not all(0 <= s < 2**32 for s in package):
        raise ValueError(f"seed of the mrg32k3a engine: six integers in [0, 2**32), not {seed!r}")
    return engine, package, 0


def replicate(model, n, *, seed=None, engine="mrg32k3a", backend="serial", workers=None, client=None, first=0,
              progress=False, dashboard=False):
    """Runs replications first .. first + n - 1 of ``model`` and returns their ``Replications``.

    ``model(rep)`` gets ``rep.index`` and ``rep.stream(source)`` (a ``RandomStream``) and returns
    a float or a sequence of floats (the same number every time).

    - ``engine``: ``"mrg32k3a"`` (``seed``: None or a package seed of six integers) or
      ``"philox"`` (``seed``: an integer key, default 0).
    - ``backend``: ``"serial"``; ``"threads"`` (a thread pool: helps models that release the
      GIL); ``"processes"`` (a process pool; the model must pickle); ``"dask"`` (the given
      ``distributed.Client``, or a ``LocalCluster`` of ``workers`` processes started for the
      study on the loopback interface and always closed afterwards; a worker that dies has its
      replications re-run). ``workers``: the pool size (default: every CPU). Replications
      travel in chunks. Worker processes import the main script again: a script that uses
      them starts its study under ``if __name__ == "__main__":`` (RuntimeError otherwise).
    - ``progress=True`` shows a progress bar (tqdm when installed); ``dashboard=True`` gives
      the study's own Dask cluster a dashboard on localhost and prints its address.

    A model that raises stops the study: its own exception is raised (after every worker
    stopped), with the replication in its notes (``zelmath.Error`` chained to it before Python
    3.11); the lowest failing replication is the one reported. A model returning a different
    number of outputs than the first replication raises ``zelmath.DomainError`` naming both.
    NaN outputs are kept and counted. The values are identical for every backend and worker count.
    """
    _refuse_worker_import()
    n = operator.index(n)
    first = operator.index(first)
    if n < 0:
        raise ValueError(f"n must not be negative, got {n}")
    if first < 0:
        raise ValueError(f"first must not be negative, got {first}")
    if backend not in _BACKENDS:
        raise ValueError(f"backend must be one of {', '.join(_BACKENDS)}, not {backend!r}")
    if workers is not None and (operator.index(workers) < 1):
        raise ValueError(f"workers must be at least 1, got {workers}")
    if client is not None and backend != "dask":
        raise ValueError('client is for backend="dask"')
    if dashboard and (backend != "dask" or client is not None):
        raise ValueError('dashboard is for the cluster of backend="dask" without a client')
    if backend == "processes" or (backend == "dask" and client is None):
        _refuse_unguarded_start()
    if backend == "processes":
        try:
            pickle.dumps(model)
        except Exception as e:  # noqa: BLE001 - whatever stops the model from travelling
            raise TypeError(f'backend="processes": the model cannot be pickled ({type(e).__name__}: {e}); '
                            'make it a module-level function (or a functools.partial of one), or use '
                            'backend="threads"') from None
    key = _study_key(engine, seed)
    _zelmath._check_study(n, key[0], key[1], key[2], first)

    bar = _Progress(progress, n)
    try:
        if n == 0:
            parts = []
        elif backend == "serial":
            step = max(1, n // 100) if bar._enabled else n
            parts = []
            for start, count in ((s, min(step, first + n - s)) for s in range(first, first + n, step)):
                rows, failure = _run_chunk(model, start, count, key)
                parts.append((start, rows, failure))
                if failure is not None:
                    break
                bar.update(count)
        elif backend == "dask":
            parts = _run_dask(model, lambda slots: _split(first, n, 8 * slots), key, bar, client, workers,
                              dashboard)
        else:
            size = workers or os.cpu_count() or 1
            run = _run_threads if backend == "threads" else _run_processes
            parts = run(model, _split(first, n, 4 * size), key, bar, size)
    except KeyboardInterrupt:
        raise KeyboardInterrupt("zelmath.replicate: the study was interrupted; its workers were stopped") from None
    finally:
        bar.close()
    values = _assemble(_judged(parts, first, local=backend == "serial"), n)
    return Replications(_zelmath.ReplicationResults(values, first))

