"""RandomStream from Python: published values, the same numbers one by one and in blocks, copies,
pickles, state text and refusals of bad input."""
import copy
import pickle
import warnings

import numpy as np
import pytest

import zelmath as z

STREAM2 = ["0.7285097861965", "0.9655872822837", "0.9961841304801", "0.1149884161813", "0.9731454191297"]
STREAM2_SUB4 = ["0.1734545396358", "0.03286351608942", "0.2643169129682", "0.3059403602117", "0.5476303035177"]


def makers():
    return [lambda: z.RandomStream.mrg32k3a(3, 2), lambda: z.RandomStream.philox(2**63 + 5, 7, 1)]


def test_published_numbers_reach_python():
    s = z.RandomStream.mrg32k3a(2)
    assert ["%.13g" % s.next() for _ in range(5)] == STREAM2
    assert ["%.13g" % u for u in z.RandomStream.mrg32k3a(stream=2, substream=4).random(5)] == STREAM2_SUB4
    assert s.engine == z.StreamEngine.MRG32K3A and s.stream_index == 2 and s.substream_index == 0
    w = [0x6627E8D5, 0xE169C58D]  # Philox block 0 of key 0 begins with these words
    assert z.RandomStream.philox(0).next() == ((w[0] >> 5) * 2.0**26 + (w[1] >> 6) + 0.5) * 2.0**-53


@pytest.mark.parametrize("make", makers())
def test_blocks_equal_single_draws_and_positions_agree(make):
    a, b = make(), make()
    singles = np.array([a.next() for _ in range(1001)])
    block = np.concatenate([b.random(1), b.random(0), b.random(17), b.random(983)])
    assert block.dtype == np.float64 and np.array_equal(block, singles)
    assert np.all((block > 0.0) & (block < 1.0))
    c = make()
    c.advance(500)
    assert np.array_equal(c.random(501), singles[500:])
    c.reset_stream()
    assert c.substream_index == 0
    c.next_substream()
    c.next_substream()
    assert c.substream_index == 2
    first = c.random(3)
    c.reset_substream()
    assert np.array_equal(c.random(3), first)


@pytest.mark.parametrize("make", makers())
def test_copy_pickle_and_state_continue_exactly(make):
    s = make()
    s.set_antithetic(True)
    s.random(13)
    twins = [copy.copy(s), copy.deepcopy(s), pickle.loads(pickle.dumps(s)), z.RandomStream.from_state(s.state()),
             eval(repr(s), {"RandomStream": z.RandomStream})]
    expected = s.random(100)
    for t in twins:
        assert t.antithetic
        assert np.array_equal(t.random(100), expected)
    twins[0].next()  # copies are independent
    assert twins[1].state() == s.state()


def test_classic_stream_is_the_generator_stream():
    g = z.RandomGenerator.instance()
    g.reset_stream(23)
    expected = [g.get_random_number(23) for _ in range(8)]
    g.reset_stream(23)
    c = z.RandomStream.classic(23)
    assert c.engine == z.StreamEngine.CLASSIC and c.stream_index == 23
    assert [c.next() for _ in range(3)] + list(c.random(5)) == expected
    with warnings.catch_warnings():
        warnings.simplefilter("error", z.AssertionWarning)
        for action in (c.next_substream, c.reset_substream, lambda: c.set_antithetic(False)):
            with pytest.raises(z.AssertionWarning):
                action()
    c.reset_stream()
    assert c.next() == expected[0]
    assert z.RandomStream.classic(10**30).stream_index == 1


def test_bad_input_is_refused_and_changes_nothing():
    s = z.RandomStream.philox(1, 2)
    s.next()
    before = s.state()
    for bad in (float("nan"), 2.0, -1, "3", None, 2**64):
        with pytest.raises((TypeError, ValueError)):
            s.random(bad)
        with pytest.raises((TypeError, ValueError)):
            s.advance(bad)
    for too_many in (2**59, 2**62):  # numpy cannot allocate it; more than an array can index
        with pytest.raises((ValueError, MemoryError)):
            s.random(too_many)
    assert s.state() == before
    for args in ((1.5,), (-1,), (2**64,), (0, float("nan")), (0, True)):
        with pytest.raises((TypeError, ValueError)):
            z.RandomStream.mrg32k3a(*args)
        with pytest.raises((TypeError, ValueError)):
            z.RandomStream.philox(1, *args)
    with pytest.raises(TypeError):
        z.RandomStream.classic(1.0)
    with pytest.raises(z.DomainError, match="component 3"):
        z.RandomStream.mrg32k3a(package_seed=(1, 1, 1, 4294944443, 1, 1))
    with pytest.raises(z.DomainError, match="components 0 to 2"):
        z.RandomStream.mrg32k3a(package_seed=[0, 0, 0, 1, 1, 1])
    with pytest.raises(TypeError):
        z.RandomStream.mrg32k3a(package_seed=(1, 2, 3))
    with pytest.raises(z.DomainError):
        z.RandomStream.philox(0, 0, 2**32)
    for text in ("", "ZELRandomStream philox", before + " ", before.replace("word", "words")):
        with pytest.raises(z.DomainError):
            z.RandomStream.from_state(text)
    with pytest.raises((ValueError, z.DomainError)):
        pickle.loads(pickle.dumps(s).replace(b"philox", b"philix"))
    assert s.state() == before
    # A live stream's __setstate__ checks its state like from_state, and a refusal changes nothing.
    for state, error in ((("garbage",), z.DomainError), ("text", TypeError), ((1,), TypeError),
                         ((before, before), TypeError), ((z.RandomStream.classic(2).state(),), z.DomainError)):
        with pytest.raises(error):
            s.__setstate__(state)
        assert s.state() == before
    other = z.RandomStream.mrg32k3a(5)
    other.__setstate__((before,))
    assert other.state() == before and other.random(7).tolist() == s.random(7).tolist()


def test_a_classic_stream_shares_its_position_and_does_not_pickle():
    g = z.RandomGenerator.instance()
    g.reset_stream(31)
    expected = [g.get_random_number(31) for _ in range(4)]
    g.reset_stream(31)
    c = z.RandomStream.classic(31)
    twin = copy.copy(c)
    assert [c.next(), twin.next(), c.next(), twin.next()] == expected  # one position: the generator's
    assert repr(c) == "RandomStream.classic(31)"
    with pytest.raises(TypeError, match="classic"):
        pickle.dumps(c)
    with pytest.raises(z.DomainError, match="classic stream 31"):
        z.RandomStream.from_state(c.state())


def test_the_default_package_seed_is_the_librarys():
    seed = z.RandomStream.DEFAULT_PACKAGE_SEED
    assert seed == (12345,) * 6
    assert z.RandomStream.mrg32k3a(2, 3).state() == z.RandomStream.mrg32k3a(2, 3, seed).state()
    assert z.Replication(3).stream(2).state() == z.RandomStream.mrg32k3a(2, 3).state()


