"""The zelmath module against the C++ library's documented outputs and independent models."""
import copy
import contextlib
import inspect
import io
import math
import pathlib
import re
import warnings

import numpy as np
import pytest

import zelmath as z

PI = math.pi
CLASSES = ["Vector3D", "Rotate3D", "Euler3D", "Qtn3D", "Xform3D", "MathVector", "MathMatrix", "LUFactor",
           "SimTime", "RandomGenerator"]
DISTRIBUTIONS = {
    "UniformDistribution": (2.0, 5.0), "ExponentialDistribution": (4.0,), "TriangularDistribution": (1.0, 2.0, 4.0),
    "NormalDistribution": (12.0, 0.5), "LogNormalDistribution": (2.0, 0.5), "GammaDistribution": (0.5, 2.0),
    "ErlangDistribution": (3.0, 2), "BetaDistribution": (2.0, 3.0), "WeibullDistribution": (2.0, 1.5),
    "PoissonDistribution": (4.0,), "UserDiscDistribution": ([1.0, 2.0, 5.0], [0.2, 0.5, 0.3]),
    "UserContDistribution": ([0.0, 1.0, 3.0], [0.0, 0.5, 0.5]),
}


def documented(doc):
    """True when a docstring says more than pybind11's generated signatures."""
    return any(line.strip() and line != "Overloaded function." and not re.match(r"^(\d+\. )?\w+\(", line)
               for line in (doc or "").splitlines())


def test_every_name_exists_and_is_documented():
    for name in CLASSES + list(DISTRIBUTIONS) + ["RNDistribution"]:
        cls = getattr(z, name)
        assert documented(cls.__doc__), name
        for attr, member in vars(cls).items():
            if callable(member) and (not attr.startswith("_") or attr in ("__init__", "__str__", "__mul__")):
                assert documented(member.__doc__), f"{name}.{attr}"
    for method in ["set_rpy", "get_rpy", "set_eaa", "normalize", "qtn", "rotation", "position", "apply", "matrix"]:
        assert hasattr(z.Xform3D, method), method
    for name in ["whole_seconds", "nanoseconds"]:
        assert inspect.isdatadescriptor(getattr(z.SimTime, name)) and not callable(getattr(z.SimTime, name))
    assert inspect.isclass(z.Error) and issubclass(z.Error, Exception)


# ---- values of the C++ examples in README.md, to the printed character ------------------------

def test_readme_geometry_and_transforms():
    tool = z.Rotate3D()
    tool.set_rpy(PI / 2, 0.0, 0.0)
    tool.rotate(z.XAxis, PI / 2, z.LocalFrame)
    assert str(tool.column(2)) == "[ 1  0  0  ]\n"
    assert str(tool * z.Vector3D(0.0, 0.0, 0.2)) == "[ 0.2  0  0  ]\n"
    shoulder, elbow = z.Xform3D(PI / 2, 0.4, PI / 2, 0.0), z.Xform3D(0.0, 0.0, 0.0, 0.3)
    x = shoulder * elbow
    assert str(x * z.Vector3D(0.1, 0.0, 0.0)) == "[ 0  0.4  0.4  ]\n"
    target = x.qtn()
    halfway = z.Qtn3D.eaa_interp(0.5, z.Qtn3D(), target)
    assert str(target) == "[ 0.5  0.5  0.5  0.5  ]\n"
    assert str(halfway) == "[ 0.866025  0.288675  0.288675  0.288675  ]\n"
    assert halfway is not target and z.Qtn3D.slerp(0.0, z.Qtn3D(), target) == z.Qtn3D()


def test_readme_linear_algebra():
    a = z.MathMatrix([[2, 1, 0], [1, 3, 1], [0, 1, 4]])
    x = z.MathVector([1, 2, 3])
    y = a * x
    assert str(y) == "[ 4  10  14  ]\n" and x.dot(y) == 66 and y.linf_norm() == 14
    assert str(a.transpose() * a).splitlines()[3].split() == ["5", "11", "7"]
    lu = z.LUFactor(np.array([[4, -2, 1], [-2, 4, -2], [1, -2, 4]]))
    assert lu.good and not lu.fail
    assert str(lu.solve([11, -16, 17])) == "[ 1  -2  3  ]\n"
    assert lu.determinant() == 36.0 and f"{lu.condition_higham():g}" == "0.166667"
    assert np.allclose(np.asarray(lu.inverse()) @ [[4, -2, 1], [-2, 4, -2], [1, -2, 4]], np.eye(3))
    singular = z.LUFactor([[1, 2], [2, 4]])
    assert singular.fail and not singular.good and math.isnan(singular.solve([1, 1])[0])


def test_readme_simtime_and_random():
    clock = z.SimTime()
    for _ in range(1000):
        clock += 0.001
    period = z.SimTime(0, 333333333)
    assert [t.format(9) for t in (clock, clock / period, period * 3.0)] == ["1.000000000", "3.000000003", "0.999999999"]
    assert z.SimTime(10.0).fmod(period).format(9) == "0.000000010"
    gen = z.RandomGenerator.instance()
    for s in (1, 2):
        gen.reset_stream(s)
    interarrival, weight = z.ExponentialDistribution(4.0), z.NormalDistribution(12.0, 0.5)
    t = z.SimTime()
    for _ in range(3):
        t += interarrival.variate(1)
    w = weight.variate(2)
    gen.reset_stream(1)
    again = sum((z.SimTime(interarrival.variate(1)) for _ in range(3)), z.SimTime())
    assert f"{t} s, {w:g} kg, {'replayed' if t == again else 'differs'}" == "3.218781 s, 12.3118 kg, replayed"


@pytest.mark.parametrize("doc", ["README.md", "docs/guide.md"])
def test_python_examples_of_the_documentation_run(doc):
    text = (pathlib.Path(__file__).resolve().parents[2] / doc).read_text()
    blocks = re.findall(r"\n```python\n(.*?)```\n", text, re.S)
    assert blocks
    for block in blocks:
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            exec(compile(block, doc, "exec"), {})
        if doc == "README.md":
            assert out.getvalue() == "[ 0  0.4  0.4  ]\n(4, 4) [0.5 0.5 0.5 0.5] 0.999999999\n"


# ---- numpy both ways -----------------------------------------------------------------------

def test_numpy_shapes_and_orders():
    v = z.Vector3D(1, 2, 3)
    view = np.asarray(v)
    assert view.shape == (3,) and view.tolist() == [1, 2, 3]
    view[0] = 7.0  # a view: writes reach the vector
    assert v.x == 7.0 and z.Vector3D(np.array([1.0, 2, 3])) == z.Vector3D([1, 2, 3])
    q = z.Qtn3D(0.5, 0.1, 0.2, 0.3)
    assert np.asarray(q).tolist() == [0.5, 0.1, 0.2, 0.3] and z.Qtn3D(np.asarray(q)) == q
    r = z.Rotate3D()
    r.set_rpy(0.3, -0.2, 1.1)
    m = np.asarray(r)
    assert m.shape == (3, 3) and not m.flags.writeable
    assert all(m[i, j] == r[i, j] for i in range(3) for j in range(3))
    assert np.array_equal(m[:, 2], np.asarray(r.column(2)))
    x = z.Xform3D(r, z.Vector3D(1, 2, 3))
    h = x.matrix()
    assert h.shape == (4, 4) and h[3].tolist() == [0, 0, 0, 1] and np.array_equal(h[:3, :3], m)
    assert h[:3, 3].tolist() == [1, 2, 3] and np.array_equal(np.asarray(x), h)
    exact = z.Xform3D(PI / 2, 0.4, PI / 2, 0.3)
    assert z.Xform3D(exact.matrix()) == exact and z.Rotate3D(np.asarray(exact.rotation())) == exact.rotation()
    mv = z.MathVector(np.arange(5.0))
    assert np.asarray(mv).shape == (5,) and len(mv) == 5
    mm = z.MathMatrix(np.arange(6.0).reshape(2, 3))
    assert np.asarray(mm).shape == (2, 3) and mm[1, 2] == 5.0 and mm.shape == (2, 3)
    with pytest.raises(TypeError):
        z.Rotate3D(np.zeros((4, 4)))


def test_dh_link_is_the_documented_matrix():
    theta, d, alpha, a = 0.7, 0.2, -0.4, 0.35
    st, ct, sa, ca = math.sin(theta), math.cos(theta), math.sin(alpha), math.cos(alpha)
    expected = [[ct, -ca * st, sa * st, a * ct], [st, ca * ct, -sa * ct, a * st], [0, sa, ca, d], [0, 0, 0, 1]]
    assert z.Xform3D(theta, d, alpha, a).matrix().tolist() == expected


def random_xform(rng):
    x = z.Xform3D()
    x.set_rpy(*rng.uniform(-PI, PI, 3))
    x.set_position(rng.uniform(-2, 2, 3))
    return x


@pytest.mark.parametrize("n", [7, 5000])  # the second one runs without the GIL
def test_apply_rows_are_bit_identical(n):
    rng = np.random.default_rng(n)
    x = random_xform(rng)
    points = rng.normal(size=(n, 3)) * 10
    out = x.apply(points)
    assert out.shape == (n, 3)
    for row, p in zip(out[:50], points[:50]):
        assert row.tolist() == list((x * z.Vector3D(*p)).get())
    r, p = np.asarray(x.rotation()), np.asarray(x.position())  # the same sums in the same order
    model = ((points[:, :1] * r[:, 0] + points[:, 1:2] * r[:, 1]) + points[:, 2:] * r[:, 2]) + p
    assert np.array_equal(out, model)
    assert np.array_equal(x.apply(points.astype(np.float32)), x.apply(points.astype(np.float32).astype(float)))
    assert np.array_equal(x.apply(np.asfortranarray(points)), out) and x.apply(np.zeros((0, 3))).shape == (0, 3)
    with pytest.raises(TypeError):
        x.apply(points[:, :2])


def test_operators_keep_the_cpp_meaning():
    rng = np.random.default_rng(1)
    a, b = random_xform(rng), random_xform(rng)
    v = z.Vector3D(0.3, -1.2, 2.0)
    c = copy.copy(a)
    c *= b
    assert c == a * b and c != a
    assert np.allclose(np.asarray((a * b) * v), np.asarray(a * (b * v)))
    assert np.allclose((a * b).matrix(), a.matrix() @ b.matrix(), atol=1e-14)
    assert np.allclose((a / b * b).matrix(), a.matrix(), atol=1e-12)
    ra = a.rotation()
    assert np.allclose(np.asarray(ra * v), np.asarray(ra) @ np.asarray(v))
    qa = a.qtn()
    assert np.allclose(np.asarray(qa * v), np.asarray(ra * v)) and np.allclose(np.asarray(qa.rotation()), np.asarray(ra))
    assert np.allclose(a.get_rpy(), z.Rotate3D(qa).get_rpy())
    axis, angle = a.get_eaa()
    r = z.Rotate3D()
    r.set_eaa(axis, angle)
    assert np.allclose(np.asarray(r), np.asarray(ra))
    assert 2 * v == v * 2.0 == v + v and -v == z.Vector3D() - v and v.cross(v) == z.Vector3D()


def test_simtime_semantics():
    assert (z.SimTime(-1.5).whole_seconds, z.SimTime(-1.5).nanoseconds) == (-1, -499999999)
    t = z.SimTime(2, -500000000)
    assert float(t) == 2.5 and str(t) == "2.500000" and repr(t) == "SimTime(2, 500000000)"
    assert z.SimTime(1) < 1.5 < z.SimTime(2) and z.SimTime(3) == 3 and 0.5 + z.SimTime(1) == 1.5
    assert len({z.SimTime(1, 0), z.SimTime(1.0), z.SimTime(0, 999999999) + z.SimTime(0, 1)}) == 1
    assert str(z.SimTime(0, -1)) == "-0.000000" and z.SimTime.max + 1 == z.SimTime.max
    assert -z.SimTime(0.25) == z.SimTime(0, -250000000) and abs(z.SimTime(-2)) == 2


def test_errors_map_to_python_classes():
    with pytest.raises(z.ZeroDivideError) as e:
        z.SimTime(1) / 0
    assert isinstance(e.value, z.Error) and isinstance(e.value, ZeroDivisionError)
    assert str(e.value) == "ZELSimTime divide by zero"
    with pytest.raises(ValueError) as e:
        z.SimTime(1, 10**12)
    assert isinstance(e.value, z.Error) and isinstance(e.value, z.DomainError)
    with pytest.raises(OverflowError):
        z.SimTime.max / z.SimTime(0, 1)
    with pytest.raises(z.Error, match="zero length"):
        z.Vector3D().normalize()
    with pytest.raises(z.Error, match="Zero length quaternion"):
        z.Qtn3D(0, 0, 0, 0).normalize()
    with pytest.raises(z.Error):
        z.Rotate3D().set_eaa([0, 0, 0], 1.0)


def test_assertion_reports_become_warnings():
    r = z.Rotate3D()
    r.set_rpy(0.1, 0.2, 0.3)
    before = copy.deepcopy(r)
    with pytest.warns(z.AssertionWarning, match="Invalid reference frame"):
        r.rotate(z.XAxis, 0.5, 7)
    assert r == before
    with warnings.catch_warnings():
        warnings.simplefilter("error", z.AssertionWarning)
        with pytest.raises(z.AssertionWarning, match="Invalid rotation axis"):
            z.Qtn3D().set_caa(5, 0.5)
    x = z.Xform3D()
    x.rotate(2, 0.5, z.WorldFrame)  # plain integers are valid enumeration values
    assert x.get_rpy()[0] == 0.5


# ---- random streams ------------------------------------------------------------------------

def lcg_model(stream, count):
    state = (1 + stream * 0x40E00000) % 2**32
    out = []
    for _ in range(count):
        state = (state * 314159269 + 453806245) % 2**32
        out.append(state / 4294967295.0)
    return np.array(out)


def test_generator_streams():
    gen = z.RandomGenerator.instance()
    assert gen is z.RandomGenerator.instance() and gen.number_of_streams == 2000
    gen.reset_stream(7)
    block = gen.get_random_numbers(7, 1000)
    assert block.shape == (1000,) and np.array_equal(block, lcg_model(7, 1000))
    gen.reset_stream(7)
    assert [gen.get_random_number(7) for _ in range(5)] == block[:5].tolist()
    gen.reset_stream(7)
    gen.advance_stream(7, 990)
    assert np.array_equal(gen.get_random_numbers(7, 10), block[990:])
    gen.reset_stream(1)
    first = gen.get_random_number(1)
    gen.reset_stream(1)
    assert gen.get_random_number(2**40) == first  # any other number means stream 1
    gen.reset_stream(1999)
    gen.set_antithetic(1999)
    assert np.array_equal(gen.get_random_numbers(1999, 4), 1.0 - lcg_model(1999, 4))


@pytest.mark.parametrize("name", sorted(DISTRIBUTIONS))
def test_variates_equal_single_draws(name):
    gen = z.RandomGenerator.instance()
    d = getattr(z, name)(*DISTRIBUTIONS[name])
    gen.reset_stream(42)
    singles = [d.variate(42) for _ in range(2000)]
    gen.reset_stream(42)
    batch = d.variates(42, 2000)
    assert batch.shape == (2000,) and batch.tolist() == singles
