"""MathVector, MathMatrix and LUFactor from Python: one meaning per operator whichever side a
numpy array is on, element types, views and copies, pickling."""
import pickle

import numpy as np
import pytest

import zelmath as z

A = np.array([[2.0, 1.0, 0.5], [1.0, 3.0, -1.0]])  # 2 x 3
B = np.array([[1.0, -2.0], [0.25, 4.0], [3.0, 0.5]])  # 3 x 2
X = np.array([0.5, -1.5, 2.0])
Y = np.array([1.5, 0.25])


def same(a, b):
    """Equal shapes and bits (numpy's products sum in another order, so the oracle here is the
    library's own operator on library objects)."""
    return np.array_equal(np.asarray(a), np.asarray(b)) and np.asarray(a).shape == np.asarray(b).shape


def test_products_mean_the_same_whichever_side_the_array_is_on():
    a, b, x, y = z.MathMatrix(A), z.MathMatrix(B), z.MathVector(X), z.MathVector(Y)
    ab, ax, ya = a * b, a * x, y * a
    assert ab.shape == (2, 2) and len(ax) == 2 and len(ya) == 3
    for r in (a @ b, a * B, A * b, a @ B, A @ b, a @ b.transpose().transpose()):
        assert isinstance(r, z.MathMatrix) and same(r, ab)
    for r in (a @ x, a * X, A * x, a @ X, A @ x):
        assert isinstance(r, z.MathVector) and same(r, ax)
    for r in (y @ a, y * A, Y * a, y @ A, Y @ a):
        assert isinstance(r, z.MathVector) and same(r, ya)
    assert x @ x == X @ x == x @ X == x.dot(X) == x.dot(x)
    # element by element: + - with arrays or lists either way round, * / of vectors
    assert same(a + A, A + a) and same(a - A * 0.5, -(A * 0.5 - a))
    assert same(x * X, X * x) and same([1, 2, 4] / x, z.MathVector([1, 2, 4]) / x)
    assert same(2.0 * a, a * 2) and same(np.float64(2.0) * a, a * 2) and same(1.0 / x, z.MathVector(1.0 / X))
    assert same(a.element_product(A), z.MathMatrix(A * A))


def test_element_types_convert_or_are_refused():
    assert same(z.MathVector(np.array([1, 0, 3], dtype=np.int8)), z.MathVector([1.0, 0.0, 3.0]))
    assert same(z.MathVector([True, False]), z.MathVector([1.0, 0.0]))
    assert same(z.MathMatrix(np.arange(6, dtype=np.uint64).reshape(2, 3)), z.MathMatrix([[0, 1, 2], [3, 4, 5]]))
    assert same(z.MathVector(np.array([0.1, 0.2], dtype=np.float32)), np.array([0.1, 0.2], dtype=np.float32).astype(float))
    for bad in ([1 + 2j], np.array(["1"]), np.array([1.0], dtype=object)):
        with pytest.raises(TypeError, match="real numbers"):
            z.MathVector(bad)


def test_views_and_copies():
    v = z.MathVector([1.0, 2.0, 3.0])
    view = np.asarray(v)
    v += 1.0
    v *= [1.0, 2.0, 0.5]  # in place: the view follows
    view[0] = 9.0
    assert view.tolist() == [9.0, 6.0, 2.0] and v[0] == 9.0
    m = z.MathMatrix(A)
    copied = np.asarray(m)
    copied[0, 0] = 100.0  # a copy: the matrix keeps its value
    assert m[0, 0] == 2.0


def test_pickles_are_bit_exact():
    special = [0.1, -0.0, np.inf, -np.inf, np.nan, 5e-324]
    for value in (z.MathVector(special), z.MathMatrix(np.array(special).reshape(2, 3)), z.MathVector(), z.MathMatrix()):
        back = pickle.loads(pickle.dumps(value))
        assert type(back) is type(value)
        assert np.asarray(back).tobytes() == np.asarray(value).tobytes() and np.asarray(back).shape == np.asarray(value).shape


def test_lu_of_a_nan_matrix_is_not_good_and_gives_nan_results():
    # From Python a NaN pivot fails the factorisation (C++ lets it through); all it gives is NaN.
    lu = z.LUFactor(np.full((3, 3), np.nan))
    assert not lu.good and lu.fail
    finite = z.LUFactor(np.array([[4.0, -2.0], [1.0, 3.0]]))
    assert finite.good and not finite.fail
    assert np.isnan(lu.determinant()) and np.isnan(np.asarray(lu.solve([1.0, 2.0, 3.0]))).all()
    assert np.isnan(np.asarray(lu.inverse())).all()


def test_lu_solve_checks_the_length_and_square_shape():
    lu = z.LUFactor(np.array([[4.0, -2.0], [1.0, 3.0]]))
    assert same(lu.solve([2.0, 4.0]), lu.solve(z.MathVector([2.0, 4.0])))
    with pytest.raises(ValueError, match=r"\(2, 2\) and \(3,\)"):
        lu.solve([1.0, 2.0, 3.0])
    with pytest.raises(ValueError, match=r"square.*\(2, 3\)"):
        lu.factor(A)
