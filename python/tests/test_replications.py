"""zelmath.replicate: the same bits for every backend and worker count, the failures, pickling."""
import functools
import math
import multiprocessing
import os
import pickle

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
