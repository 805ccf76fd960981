"""zelmath.replicate: the same bits for every backend and worker count, the failures, pickling."""
import functools
import math
import multiprocessing
import os
import pickle
import re
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import zelmath


def study_model(rep):
    """Draws from two sources; a NaN now and then; the amount of work varies by replication."""
    work = rep.stream(0)
    total = sum(work.next() for _ in range(20 + rep.index % 7 * 10))
    other = rep.stream(3).next()
    return [total, math.nan if rep.index % 10 == 4 else other, float(rep.index)]


def failing_model(rep):
    if rep.index in (23, 61):
        raise KeyError(f"no part for order {rep.index}")
    return float(rep.index)


def dying_model(marker, rep):
    """Kills its worker process the first time it reaches replication 33."""
    if rep.index == 33 and not os.path.exists(marker):
        with open(marker, "w"):
            pass
        os._exit(17)
    return study_model(rep)


def reference(n=80, **kwargs):
    return zelmath.replicate(study_model, n, **kwargs)


def test_threads_and_processes_give_the_serial_bits():
    serial = reference()
    assert serial.values.shape == (80, 3)
    for backend in ("threads", "processes"):
        for workers in (1, 2):
            other = reference(backend=backend, workers=workers)
            assert other.values.tobytes() == serial.values.tobytes(), (backend, workers)
            assert other.summary() == serial.summary()


def test_streams_are_keyed_by_source_and_replication_as_in_cpp():
    r = reference(n=10, seed=(1, 2, 3, 4, 5, 6))
    assert r.values[7, 1] == zelmath.RandomStream.mrg32k3a(3, 7, (1, 2, 3, 4, 5, 6)).next()
    p = reference(n=10, engine="philox", seed=99)
    assert p.values[7, 1] == zelmath.RandomStream.philox(99, 3, 7).next()
    rep = zelmath.Replication(5, "philox", seed=99)
    assert rep.index == 5
    assert pickle.loads(pickle.dumps(rep)).stream(2).next() == rep.stream(2).next()


def test_a_split_study_gives_the_rows_of_the_whole():
    whole = reference(n=40)
    head, tail = reference(n=15), reference(n=25, first=15, backend="threads", workers=2)
    assert tail.first == 15 and len(tail) == 25
    assert np.concatenate([head.values, tail.values]).tobytes() == whole.values.tobytes()
    joined = zelmath.ReplicationResults.join([head.results, tail.results])
    assert joined.summary() == whole.summary()


def test_statistics_skip_nan_and_come_from_the_library():
    r = reference()
    assert list(r.nan_count) == [0, 8, 0]
    column = r.values[:, 1][~np.isnan(r.values[:, 1])]
    assert r.mean[1] == pytest.approx(column.mean(), rel=1e-14)
    assert r.std[1] == pytest.approx(column.std(ddof=1), rel=1e-12)
    low, high = r.ci(0.9)
    t = zelmath.ReplicationResults.student_t_quantile(0.95, len(column) - 1)
    assert high[1] - r.mean[1] == pytest.approx(t * r.std[1] / math.sqrt(len(column)), rel=1e-14)
    assert r.summary() == zelmath.ReplicationResults(r.values).summary()
    assert "NaN" in r.summary(["sum", "other", "index"])
    copy = pickle.loads(pickle.dumps(r))
    assert copy.values.tobytes() == r.values.tobytes() and copy.summary() == r.summary()
    assert not r.values.flags.writeable


@pytest.mark.parametrize("backend", ["serial", "threads", "processes"])
def test_a_raising_model_reports_its_lowest_replication(backend):
    with pytest.raises(KeyError) as info:
        zelmath.replicate(failing_model, 100, backend=backend, workers=2)
    assert "order 23" in str(info.value)
    assert any("replication 23" in note for note in info.value.__notes__)
    assert not multiprocessing.active_children()


@pytest.mark.parametrize("make", [
    lambda: zelmath.UniformDistribution(2.0, 5.0), lambda: zelmath.ExponentialDistribution(3.0),
    lambda: zelmath.TriangularDistribution(1.0, 2.0, 7.0), lambda: zelmath.NormalDistribution(1.0, 2.0),
    lambda: zelmath.LogNormalDistribution(2.0, 0.5), lambda: zelmath.GammaDistribution(2.5, 1.5),
    lambda: zelmath.ErlangDistribution(4.0, 3), lambda: zelmath.BetaDistribution(2.0, 3.0),
    lambda: zelmath.WeibullDistribution(2.0, 1.5), lambda: zelmath.PoissonDistribution(3.5),
    lambda: zelmath.UserDiscDistribution([1.0, 5.0, 9.0], [0.1, 0.6, 0.3]),
    lambda: zelmath.UserContDistribution([0.0, 0.3, 2.0], [0.1, 0.7, 0.2])])
def test_every_distribution_pickles_with_its_parameters_and_bounds(make):
    original = make()
    if not isinstance(original, (zelmath.UniformDistribution, zelmath.UserDiscDistribution,
                                 zelmath.UserContDistribution)):
        original.set_bounds(0.5, 6.0)
    copy = pickle.loads(pickle.dumps(original))
    assert type(copy) is type(original)
    if hasattr(original, "set_parameters"):  # repr: the constructor call, and the bounds when set
        call, *bounds = repr(original).split(" bounded to ")
        assert repr(eval("zelmath." + call)) == call and repr(copy) == repr(original)
        assert bounds == ([] if isinstance(original, zelmath.UniformDistribution) else ["[0.5, 6.0]"])
    assert (copy.lower_bound, copy.upper_bound) == (original.lower_bound, original.upper_bound)
    generator = zelmath.RandomGenerator.instance()
    generator.reset_stream(9)
    expected = original.variates(9, 500)
    generator.reset_stream(9)
    assert copy.variates(9, 500).tobytes() == expected.tobytes()


def test_bad_input_gives_clear_errors():
    with pytest.raises(zelmath.DomainError, match=r"replication 5 returned 3 outputs.*\(0\) returned 2"):
        zelmath.replicate(lambda rep: [1.0] * (3 if rep.index == 5 else 2), 10)
    with pytest.raises(TypeError, match="not str"):
        zelmath.replicate(lambda rep: "1.5", 3)
    empty = zelmath.replicate(study_model, 0)
    assert len(empty) == 0 and empty.values.shape == (0, 0)
    assert "No replications" in empty.summary()
    with pytest.raises(TypeError, match="philox"):
        zelmath.replicate(study_model, 3, seed=42)
    with pytest.raises(ValueError, match="engine"):
        zelmath.replicate(study_model, 3, engine="classic")
    with pytest.raises(ValueError, match="backend"):
        zelmath.replicate(study_model, 3, backend="mpi")
    with pytest.raises(ValueError, match="negative"):
        zelmath.replicate(study_model, -1)
    with pytest.raises(zelmath.DomainError):  # beyond the Philox substreams
        zelmath.replicate(study_model, 2, engine="philox", first=2**32 - 1)
    with pytest.raises(zelmath.DomainError):  # a package seed with a half of zeros
        zelmath.replicate(study_model, 2, seed=(0, 0, 0, 1, 1, 1))


distributed = pytest.importorskip("distributed", reason="Dask's distributed is not installed (python3-distributed)")


@pytest.mark.parametrize("workers", [1, 2])
def test_dask_gives_the_serial_bits(workers):
    serial = reference()
    r = reference(backend="dask", workers=workers)
    assert r.values.tobytes() == serial.values.tobytes()
    assert r.summary() == serial.summary()
    assert not multiprocessing.active_children()


def test_dask_reruns_the_replications_of_a_dying_worker_and_reports_model_errors(tmp_path):
    serial = reference()
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None)
    try:
        with distributed.Client(cluster) as client:
            model = functools.partial(dying_model, str(tmp_path / "died-once"))
            r = zelmath.replicate(model, 80, backend="dask", client=client)
            assert (tmp_path / "died-once").exists()
            assert r.values.tobytes() == serial.values.tobytes()
            with pytest.raises(KeyError) as info:
                zelmath.replicate(failing_model, 100, backend="dask", client=client)
            assert any("replication 23" in note for note in info.value.__notes__)
    finally:
        cluster.close()


def killing_model(rep):
    """Kills the worker process that runs replication 37, every time."""
    if rep.index == 37:
        os._exit(17)
    return float(rep.index)


def ranges_named(message):
    return [tuple(map(int, m)) for m in re.findall(r"(\d+) to (\d+)", message)]


def test_model_outputs_are_real_numbers_or_sequences_of_them():
    outputs = [7, np.float32(0.5), np.int64(3), True, [1, 2.5], (np.float64(2),), np.array([1, 2], np.int8),
               np.array(4.0)]
    for out, expected in zip(outputs, [[7.0], [0.5], [3.0], [1.0], [1.0, 2.5], [2.0], [1.0, 2.0], [4.0]]):
        assert zelmath.replicate(lambda rep: out, 2).values.tolist() == [expected] * 2
    for bad in (["1.5", "2"], ["nan"], bytearray(b"2.5"), {1.0: 2.0}, {1.0, 2.0}, [1j], np.ones((2, 2)), None):
        with pytest.raises(TypeError, match=r"replication 3: a model returns a real number") as info:
            zelmath.replicate(lambda rep: 1.0 if rep.index < 3 else bad, 5)
        assert any("replication 3" in note for note in info.value.__notes__)


def test_a_process_pool_refuses_what_cannot_travel_and_names_what_killed_it():
    with pytest.raises(TypeError, match=r'module-level function.*backend="threads"'):
        zelmath.replicate(lambda rep: 1.0, 3, backend="processes", workers=2)
    with pytest.raises(zelmath.Error, match="ended abruptly") as info:
        zelmath.replicate(killing_model, 80, backend="processes", workers=2)
    assert any(low <= 37 <= high for low, high in ranges_named(str(info.value)))
    assert not multiprocessing.active_children()


SCRIPT = """
import sys, time, zelmath

def model(rep):
    if rep.index == 0:
        print("running", flush=True)
    time.sleep({sleep})
    return rep.stream(0).next()

{guard}zelmath.replicate(model, {n}, backend=sys.argv[1], workers=2)
"""


def run_script(tmp_path, backend, guard, interrupt=False, sleep=0.0, n=8):
    path = tmp_path / f"study_{backend}.py"
    path.write_text(SCRIPT.format(guard='if __name__ == "__main__":\n    ' if guard else "", sleep=sleep, n=n))
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    child = subprocess.Popen([sys.executable, str(path), backend], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             text=True, env=env, start_new_session=True)
    try:
        stopped = None
        if interrupt:
            assert child.stdout.readline() == "running\n"
            time.sleep(0.3)
            os.killpg(child.pid, signal.SIGINT)  # as a terminal's Ctrl-C: the whole process group
            start = time.monotonic()
            child.wait(timeout=60)
            stopped = time.monotonic() - start
        out, err = child.communicate(timeout=120)
    finally:
        child.kill()
        child.communicate()
    return child.returncode, err, stopped


@pytest.mark.parametrize("backend", ["processes", "dask"])
def test_a_script_without_the_main_guard_fails_at_once(tmp_path, backend):
    if backend == "dask":
        pytest.importorskip("distributed")
    code, err, _ = run_script(tmp_path, backend, guard=False)
    assert code == 1 and 'outside `if __name__ == "__main__":`' in err, err[-2000:]
    # and the worker-side check, for what the script check cannot see: replicate() called while
    # a worker imports the main script
    path = tmp_path / f"study_{backend}.py"
    child = subprocess.run([sys.executable, "-c", f"import runpy; runpy.run_path({str(path)!r}, run_name='__mp_main__')",
                            "serial"], capture_output=True, text=True, timeout=60,
                           env=dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path)))
    assert "while a worker process was importing" in child.stderr, child.stderr[-2000:]


def test_ctrl_c_stops_a_process_pool_at_once(tmp_path):
    code, err, stopped = run_script(tmp_path, "processes", guard=True, interrupt=True, sleep=0.2, n=400)
    assert code != 0 and "KeyboardInterrupt: zelmath.replicate: the study was interrupted" in err
    assert stopped < 5  # about 0.2 s on an idle machine


def test_the_study_cluster_listens_on_loopback_only_and_two_studies_do_not_clash(capsys):
    psutil = pytest.importorskip("psutil")
    serial, results, listening = reference(), {}, set()

    def study(name, **options):
        results[name] = reference(backend="dask", workers=1, **options)

    threads = [threading.Thread(target=study, args=("plain",)),
               threading.Thread(target=study, args=("dashboard",), kwargs={"dashboard": True})]
    for thread in threads:
        thread.start()
    me = psutil.Process()
    while any(thread.is_alive() for thread in threads):
        for process in [me] + me.children(recursive=True):
            try:
                listening |= {c.laddr for c in process.connections("inet") if c.status == psutil.CONN_LISTEN}
            except psutil.NoSuchProcess:
                pass
        time.sleep(0.05)
    assert sorted(results) == ["dashboard", "plain"]
    assert all(r.values.tobytes() == serial.values.tobytes() for r in results.values())
    assert len(listening) >= 6 and {address.ip for address in listening} <= {"127.0.0.1", "::1"}, listening
    assert re.search(r"dashboard is at http://127\.0\.0\.1:\d+/status", capsys.readouterr().err)
    assert not multiprocessing.active_children()


def test_dask_names_the_replications_that_kill_every_worker_and_refuses_a_foreign_client():
    import dask  # type: ignore[import]

    with dask.config.set({"distributed.scheduler.allowed-failures": 0}):
        with pytest.raises(zelmath.Error, match="KilledWorker") as info:
            zelmath.replicate(killing_model, 80, backend="dask", workers=1)
    assert any(low <= 37 <= high for low, high in ranges_named(str(info.value)))
    with pytest.raises(TypeError, match="not a distributed.Client|distributed.Client, not object"):
        zelmath.replicate(study_model, 3, backend="dask", client=object())


def test_ctrl_c_on_a_dask_study_says_so_in_one_line(tmp_path):
    code, err, stopped = run_script(tmp_path, "dask", guard=True, interrupt=True, sleep=0.2, n=400)
    assert code != 0 and err.count("Traceback") == 1, err[-3000:]
    assert err.rstrip().endswith("KeyboardInterrupt: zelmath.replicate: the study was interrupted; "
                                 "its workers were stopped")
