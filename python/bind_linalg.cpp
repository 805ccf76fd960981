// MathVector, MathMatrix and LUFactor.
//
// Every operation checks the shapes of its operands before it reaches the library (whose
// operators assume them): a mismatch raises ValueError naming both shapes.
#include "zelmath_bindings.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace zelmath_python {

namespace {

using V = ZELMathVector;
using M = ZELMathMatrix;
using LU = ZELLUFactor;

std::string shapeOf(const V& v) { return shapeText({v.length()}); }
std::string shapeOf(const M& a) { return shapeText({a.rows(), a.cols()}); }

// Sizes whose buffers could not be addressed (element count times 8 bytes, or the row objects
// of a matrix, beyond the largest object) are refused before the library multiplies them.
void checkCount(std::size_t rows, std::size_t cols, const char* what) {
    constexpr std::size_t limit =
        static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) / 64;
    if (rows > limit || cols > limit || (cols != 0 && rows > limit / cols))
        throw py::value_error(std::string(what) + ": " + std::to_string(rows) + " x " +
                              std::to_string(cols) + " elements are more than memory can address");
}

V vectorFrom(py::handle object) {
    if (py::isinstance<V>(object)) return object.cast<const V&>();
    const InArray a = shapedArray(object, {-1}, "MathVector");
    return V(a.data(), static_cast<std::size_t>(a.shape(0)));
}

M matrixFrom(py::handle object) {
    if (py::isinstance<M>(object)) return object.cast<const M&>();
    const InArray a = shapedArray(object, {-1, -1}, "MathMatrix");
    return M(a.data(), static_cast<std::size_t>(a.shape(0)), static_cast<std::size_t>(a.shape(1)));
}

py::array_t<double> matrixArray(const M& a) {
    const std::size_t r = a.rows(), c = a.cols();
    py::array_t<double> out({static_cast<py::ssize_t>(r), static_cast<py::ssize_t>(c)});
    double* p = out.mutable_data();
    for (std::size_t i = 0; i < r; ++i)
        for (std::size_t j = 0; j < c; ++j) p[i * c + j] = a(i, j);
    return out;
}

std::size_t checkedIndex(py::ssize_t i, std::size_t n) {
    if (i < 0) i += static_cast<py::ssize_t>(n);
    if (i < 0 || static_cast<std::size_t>(i) >= n) throw py::index_error("index out of range");
    return static_cast<std::size_t>(i);
}

std::pair<std::size_t, std::size_t> checkedIndex(const std::pair<py::ssize_t, py::ssize_t>& ij,
                                                 const M& a) {
    return {checkedIndex(ij.first, a.rows()), checkedIndex(ij.second, a.cols())};
}

// One operand of an arithmetic operator: a number, a vector or a matrix. The library's objects
// are used in place; numbers and array-likes are converted by their number of dimensions (0, 1
// or 2), whichever side of the operator they are on.
struct Operand {
    enum Kind { Other, Scalar, Vector, Matrix } kind = Other;
    double scalar = 0.0;
    const V* vectorRef = nullptr;
    const M* matrixRef = nullptr;
    std::optional<V> vectorOwn;
    std::optional<M> matrixOwn;

    const V& vec() const { return vectorOwn ? *vectorOwn : *vectorRef; }
    const M& mat() const { return matrixOwn ? *matrixOwn : *matrixRef; }
    std::string shape() const {
        return kind == Vector ? shapeOf(vec()) : kind == Matrix ? shapeOf(mat()) : "()";
    }
};

bool arrayLike(py::handle h) {
    static const py::object numpyScalar = py::module_::import("numpy").attr("generic");
    return py::isinstance<py::list>(h) || py::isinstance<py::tuple>(h) ||
        py::isinstance<py::array>(h) || PyObject_CheckBuffer(h.ptr()) ||
        py::hasattr(h, "__array__") || py::isinstance(h, numpyScalar);
}

Operand operandOf(py::handle h) {
    Operand o;
    if (py::isinstance<V>(h)) {
        o.kind = Operand::Vector;
        o.vectorRef = &h.cast<const V&>();
    } else if (py::isinstance<M>(h)) {
        o.kind = Operand::Matrix;
        o.matrixRef = &h.cast<const M&>();
    } else if (PyFloat_Check(h.ptr()) || PyLong_Check(h.ptr())) {
        o.kind = Operand::Scalar;
        o.scalar = h.cast<double>();
    } else if (arrayLike(h)) {
        const InArray a = numericArray(h, "operand");
        if (a.ndim() == 0) {
            o.kind = Operand::Scalar;
            o.scalar = *a.data();
        } else if (a.ndim() == 1) {
            o.kind = Operand::Vector;
            o.vectorOwn.emplace(a.data(), static_cast<std::size_t>(a.shape(0)));
        } else if (a.ndim() == 2) {
            o.kind = Operand::Matrix;
            o.matrixOwn.emplace(a.data(), static_cast<std::size_t>(a.shape(0)),
                                static_cast<std::size_t>(a.shape(1)));
        } else {
            throw py::type_error(
                "operand: expected a number, a vector or a matrix, got an array of " +
                std::to_string(a.ndim()) + " dimensions");
        }
    }
    return o;
}

// The shape rules, each once. `what` names the operation in the message.
void sameLength(const V& a, const V& b, const char* what) {
    if (a.length() != b.length()) shapeMismatch(what, shapeOf(a), shapeOf(b));
}
void sameShape(const M& a, const M& b, const char* what) {
    if (a.rows() != b.rows() || a.cols() != b.cols()) shapeMismatch(what, shapeOf(a), shapeOf(b));
}
M product(const M& a, const M& b, const char* what) {
    if (a.cols() != b.rows()) shapeMismatch(what, shapeOf(a), shapeOf(b));
    return a * b;
}
V product(const M& a, const V& v, const char* what) {
    if (a.cols() != v.length()) shapeMismatch(what, shapeOf(a), shapeOf(v));
    return a * v;
}
V product(const V& v, const M& a, const char* what) {
    if (v.length() != a.rows()) shapeMismatch(what, shapeOf(v), shapeOf(a));
    return v * a;
}

// x op y element by element, for the four tags of the library.
template <class Op, class X>
X elementwise(const X& x, double s) {
    return X(x, s, Op());
}
template <class Op, class X>
X elementwise(double s, const X& x) {
    return X(s, x, Op());
}
template <class Op>
V elementwise(const V& x, const V& y, const char* what) {
    sameLength(x, y, what);
    return V(x, y, Op());
}
template <class Op>
M elementwise(const M& x, const M& y, const char* what) {
    sameShape(x, y, what);
    if constexpr (std::is_same_v<Op, _ZELMulOp>)
        return elementProduct(x, y);
    else if constexpr (std::is_same_v<Op, _ZELAddOp> || std::is_same_v<Op, _ZELSubOp>)
        return M(x, y, Op());
    else
        static_assert(std::is_same_v<Op, _ZELAddOp>, "matrices have no element-wise quotient");
}

const py::object& notImplemented() {
    static const py::object value = py::reinterpret_borrow<py::object>(Py_NotImplemented);
    return value;
}

// The element-wise operators + - and / (and * of vectors) with a number or a partner of the
// same kind, either way round; `reflected` means `other op self`.
template <class X, class Op>
py::object elementOperator(const X& self, py::handle other, bool reflected, const char* what) {
    const Operand o = operandOf(other);
    constexpr auto kind = std::is_same_v<X, V> ? Operand::Vector : Operand::Matrix;
    if (o.kind == Operand::Scalar)
        return py::cast(reflected ? elementwise<Op>(o.scalar, self)
                                  : elementwise<Op, X>(self, o.scalar));
    if (o.kind == kind) {
        if constexpr (std::is_same_v<X, V>)
            return py::cast(reflected ? elementwise<Op>(o.vec(), self, what)
                                      : elementwise<Op>(self, o.vec(), what));
        else
            return py::cast(reflected ? elementwise<Op>(o.mat(), self, what)
                                      : elementwise<Op>(self, o.mat(), what));
    }
    return notImplemented();
}

// The products with a vector or a matrix partner (`*` of a matrix, `@` of both); `reflected`
// means `other op self`. A vector with a vector is their dot product (only for `@`).
py::object productOperator(const Operand& self, py::handle other, bool reflected, bool scalars,
                           const char* what) {
    const Operand o = operandOf(other);
    const Operand& l = reflected ? o : self;
    const Operand& r = reflected ? self : o;
    if (o.kind == Operand::Scalar && scalars && self.kind == Operand::Matrix)
        return py::cast(self.mat() * o.scalar);
    if (l.kind == Operand::Matrix && r.kind == Operand::Matrix)
        return py::cast(product(l.mat(), r.mat(), what));
    if (l.kind == Operand::Matrix && r.kind == Operand::Vector)
        return py::cast(product(l.mat(), r.vec(), what));
    if (l.kind == Operand::Vector && r.kind == Operand::Matrix)
        return py::cast(product(l.vec(), r.mat(), what));
    if (l.kind == Operand::Vector && r.kind == Operand::Vector && !scalars) {
        sameLength(l.vec(), r.vec(), what);
        return py::cast(ZELDot(l.vec(), r.vec()));
    }
    return notImplemented();
}

Operand selfOperand(const V& v) {
    Operand o;
    o.kind = Operand::Vector;
    o.vectorRef = &v;
    return o;
}
Operand selfOperand(const M& a) {
    Operand o;
    o.kind = Operand::Matrix;
    o.matrixRef = &a;
    return o;
}

// The operators both classes share: + - with numbers and partners of their own kind either way
// round, / by a number, @ as the matrix product, and numpy deferring to them.
template <class X>
void arithmetic(py::class_<X>& cls, const char* name) {
    static const std::string plus = std::string(name) + " +", minus = std::string(name) + " -",
                             times = std::string(name) + " *", over = std::string(name) + " /",
                             at = std::string(name) + " @";
    cls.def(
           "__add__",
           [](const X& a, py::handle b) {
               return elementOperator<X, _ZELAddOp>(a, b, false, plus.c_str());
           },
           py::is_operator(), "Element-wise sum with a number or a partner of the same shape.")
        .def(
            "__radd__",
            [](const X& a, py::handle b) {
                return elementOperator<X, _ZELAddOp>(a, b, true, plus.c_str());
            },
            py::is_operator(), "Element-wise sum with a number or a partner of the same shape.")
        .def(
            "__sub__",
            [](const X& a, py::handle b) {
                return elementOperator<X, _ZELSubOp>(a, b, false, minus.c_str());
            },
            py::is_operator(),
            "Element-wise difference with a number or a partner of the same shape.")
        .def(
            "__rsub__",
            [](const X& a, py::handle b) {
                return elementOperator<X, _ZELSubOp>(a, b, true, minus.c_str());
            },
            py::is_operator(), "other - self, element by element.")
        .def(
            "__matmul__",
            [](const X& a, py::handle b) {
                return productOperator(selfOperand(a), b, false, false, at.c_str());
            },
            py::is_operator(), "The matrix product (a vector with a vector: the dot product).")
        .def(
            "__rmatmul__",
            [](const X& a, py::handle b) {
                return productOperator(selfOperand(a), b, true, false, at.c_str());
            },
            py::is_operator(), "other @ self, the matrix product.")
        .def(-py::self, "Element-wise negation.");
    if constexpr (std::is_same_v<X, V>) {
        cls.def(
               "__mul__",
               [](const V& a, py::handle b) {
                   const py::object r = elementOperator<V, _ZELMulOp>(a, b, false, times.c_str());
                   return r.is(notImplemented())
                       ? productOperator(selfOperand(a), b, false, true, times.c_str())
                       : r;
               },
               py::is_operator(),
               "Element-wise product with a number or a vector; a row vector times a matrix.")
            .def(
                "__rmul__",
                [](const V& a, py::handle b) {
                    const py::object r = elementOperator<V, _ZELMulOp>(a, b, true, times.c_str());
                    return r.is(notImplemented())
                        ? productOperator(selfOperand(a), b, true, true, times.c_str())
                        : r;
                },
                py::is_operator(), "Element-wise product; a matrix times this column vector.")
            .def(
                "__truediv__",
                [](const V& a, py::handle b) {
                    return elementOperator<V, _ZELDivOp>(a, b, false, over.c_str());
                },
                py::is_operator(), "Element-wise quotient (IEEE rules for a zero divisor).")
            .def(
                "__rtruediv__",
                [](const V& a, py::handle b) {
                    return elementOperator<V, _ZELDivOp>(a, b, true, over.c_str());
                },
                py::is_operator(), "other / self, element by element.");
    } else {
        cls.def(
               "__mul__",
               [](const M& a, py::handle b) {
                   return productOperator(selfOperand(a), b, false, true, times.c_str());
               },
               py::is_operator(),
               "The matrix product with a matrix or a column vector; scaling by a number.")
            .def(
                "__rmul__",
                [](const M& a, py::handle b) {
                    return productOperator(selfOperand(a), b, true, true, times.c_str());
                },
                py::is_operator(),
                "The matrix product other * self (a vector on the left is a row vector).")
            .def(
                "__truediv__",
                [](const M& a, py::handle b) -> py::object {
                    const Operand o = operandOf(b);
                    return o.kind == Operand::Scalar ? py::cast(a / o.scalar) : notImplemented();
                },
                py::is_operator(),
                "Divides every element by a number (IEEE rules for a zero divisor).")
            .def(
                "__rtruediv__",
                [](const M& a, py::handle b) -> py::object {
                    const Operand o = operandOf(b);
                    return o.kind == Operand::Scalar ? py::cast(o.scalar / a) : notImplemented();
                },
                py::is_operator(), "The number divided by every element.");
    }
    cls.attr("__array_ufunc__") = py::none();
}

// v op= x with the library's in-place operators (the buffer stays, and numpy views with it).
template <class Op, class X>
void update(V& v, const X& x) {
    if constexpr (std::is_same_v<Op, _ZELAddOp>)
        v += x;
    else if constexpr (std::is_same_v<Op, _ZELSubOp>)
        v -= x;
    else if constexpr (std::is_same_v<Op, _ZELMulOp>)
        v *= x;
    else
        v /= x;
}

// In-place + - * / with a number or a vector of the same length.
template <class Op>
py::object inPlace(py::object self, py::handle other, const char* what) {
    V& v = self.cast<V&>();
    const Operand o = operandOf(other);
    if (o.kind == Operand::Scalar) {
        update<Op>(v, o.scalar);
    } else if (o.kind == Operand::Vector) {
        sameLength(v, o.vec(), what);
        update<Op>(v, o.vec());
    } else {
        return notImplemented();
    }
    return self;
}

}  // namespace

void bindLinalg(py::module_& m) {
    py::class_<V> vector(
        m, "MathVector", py::buffer_protocol(),
        "A vector of run-time length (float64). numpy.asarray(v) is a writable view of shape (n,) "
        "that stays valid while v lives (no operation changes v's length). Arithmetic is "
        "element-wise; sums run in index order, so results match the C++ library to the bit.");
    vector.def(py::init<>(), "An empty vector.")
        .def(py::init([](std::size_t n, double value) {
                 checkCount(n, 1, "MathVector");
                 return V(n, value);
             }),
             py::arg("n"), py::arg("value") = 0.0, "n elements, each `value`.")
        .def(py::init([](py::handle a) { return vectorFrom(a); }), py::arg("values"),
             "A vector with the elements of a one-dimensional array-like.")
        .def_buffer(
            [](V& v) { return py::buffer_info(v.data(), static_cast<py::ssize_t>(v.length())); })
        .def("__len__", &V::length, "The number of elements.")
        .def(
            "__getitem__", [](const V& v, py::ssize_t i) { return v[checkedIndex(i, v.length())]; },
            py::arg("i"), "Element i (negative i counts from the end).")
        .def(
            "__setitem__",
            [](V& v, py::ssize_t i, double x) { v[checkedIndex(i, v.length())] = x; }, py::arg("i"),
            py::arg("value"), "Sets element i.")
        .def("copy", &V::copy, "A deep copy.")
        .def(
            "slice",
            [](const V& v, py::ssize_t start, py::ssize_t n) {
                const auto len = static_cast<py::ssize_t>(v.length());
                if (start < 0 || n < 0 || start > len || n > len - start)
                    throw py::index_error("MathVector.slice: " + std::to_string(n) +
                                          " elements from index " + std::to_string(start) +
                                          " do not lie inside a vector of length " +
                                          std::to_string(len));
                return v.slice(static_cast<int>(start), static_cast<std::size_t>(n));
            },
            py::arg("start"), py::arg("n"),
            "n elements copied from index `start` on (IndexError beyond the end).")
        .def(
            "__iadd__",
            [](py::object a, py::handle b) {
                return inPlace<_ZELAddOp>(std::move(a), b, "MathVector +=");
            },
            py::is_operator(),
            "In-place element-wise sum with a number or a vector of the same length.")
        .def(
            "__isub__",
            [](py::object a, py::handle b) {
                return inPlace<_ZELSubOp>(std::move(a), b, "MathVector -=");
            },
            py::is_operator(), "In-place element-wise difference.")
        .def(
            "__imul__",
            [](py::object a, py::handle b) {
                return inPlace<_ZELMulOp>(std::move(a), b, "MathVector *=");
            },
            py::is_operator(),
            "In-place scaling (or element-wise product with a vector of the same length).")
        .def(
            "__itruediv__",
            [](py::object a, py::handle b) {
                return inPlace<_ZELDivOp>(std::move(a), b, "MathVector /=");
            },
            py::is_operator(), "In-place division by a number (or element by element).")
        .def(py::self == py::self, "Equal lengths and equal elements (a NaN makes them unequal).")
        .def(py::self != py::self, "Negation of ==.")
        .def(
            "dot",
            [](const V& a, py::handle b) {
                const V w = vectorFrom(b);
                sameLength(a, w, "MathVector.dot");
                return ZELDot(a, w);
            },
            py::arg("other"), "Sum of a[i]*b[i] in index order; the lengths must be equal.")
        .def(
            "l1_norm", [](const V& v) { return ZELL1Norm(v); }, "Sum of the absolute values.")
        .def(
            "linf_norm", [](const V& v) { return ZELLinfNorm(v); }, "Largest absolute value.")
        .def("__str__", &streamed<V>, "The library's text output: \"[ a  b  ]\" and a line break.")
        .def(
            "__repr__",
            [](const V& v) {
                std::string s = "MathVector([";
                for (std::size_t i = 0; i < v.length(); ++i)
                    s += py::repr(py::float_(v[i])).cast<std::string>() +
                        (i + 1 < v.length() ? ", " : "");
                return s + "])";
            },
            "MathVector([...]).")
        .def(py::pickle(
            [](const V& v) {
                return py::make_tuple(
                    py::array_t<double>(static_cast<py::ssize_t>(v.length()), v.data()));
            },
            [](const py::tuple& t) {
                if (t.size() != 1)
                    throw py::value_error("MathVector: a pickled state is a tuple of 1 item");
                return vectorFrom(t[0]);
            }));
    arithmetic(vector, "MathVector");
    py::implicitly_convertible<py::list, V>();
    py::implicitly_convertible<py::tuple, V>();
    py::implicitly_convertible<py::array, V>();

    py::class_<M> matrix(
        m, "MathMatrix",
        "A dense matrix of run-time size (float64), stored row by row in separate buffers, so "
        "numpy.asarray(a) is a new (rows, cols) array (a copy: writing to it leaves a unchanged); "
        "a[i, j] reads and writes one element. Products sum in index order.");
    matrix.def(py::init<>(), "An empty matrix.")
        .def(py::init([](std::size_t r, std::size_t c, double value) {
                 checkCount(r, c, "MathMatrix");
                 return M(r, c, value);
             }),
             py::arg("rows"), py::arg("cols"), py::arg("value") = 0.0,
             "rows x cols elements, each `value`.")
        .def(py::init([](py::handle a) { return matrixFrom(a); }), py::arg("values"),
             "A matrix with the elements of a two-dimensional array-like.")
        .def_property_readonly(
            "shape", [](const M& a) { return py::make_tuple(a.rows(), a.cols()); }, "(rows, cols).")
        .def("rows", &M::rows, "The number of rows.")
        .def("cols", &M::cols, "The number of columns.")
        .def(
            "__getitem__",
            [](const M& a, std::pair<py::ssize_t, py::ssize_t> ij) {
                const auto [i, j] = checkedIndex(ij, a);
                return a(i, j);
            },
            py::arg("ij"), "Element (i, j).")
        .def(
            "__setitem__",
            [](M& a, std::pair<py::ssize_t, py::ssize_t> ij, double x) {
                const auto [i, j] = checkedIndex(ij, a);
                a(i, j) = x;
            },
            py::arg("ij"), py::arg("value"), "Sets element (i, j).")
        .def(
            "row", [](const M& a, py::ssize_t i) { return a.row(checkedIndex(i, a.rows())); },
            py::arg("i"), "A copy of row i.")
        .def(
            "col", [](const M& a, py::ssize_t j) { return a.col(checkedIndex(j, a.cols())); },
            py::arg("j"), "A copy of column j.")
        .def(
            "transpose", [](const M& a) { return transpose(a); }, "The transposed matrix.")
        .def(py::self == py::self, "Equal shapes and elements.")
        .def(
            "__ne__", [](const M& a, const M& b) { return !(a == b); }, py::is_operator(),
            "Negation of ==.")
        .def(
            "element_product",
            [](const M& a, py::handle b) {
                return elementwise<_ZELMulOp>(a, matrixFrom(b), "MathMatrix.element_product");
            },
            py::arg("other"), "The element-wise product with a matrix of the same shape.")
        .def(
            "linf_norm", [](const M& a) { return ZELLinfNorm(a); },
            "The largest absolute value of any element.")
        .def("__str__", &streamed<M>, "The library's text output (\"RxC:\" and the rows).")
        .def(
            "__repr__",
            [](const M& a) {
                return "MathMatrix(" +
                    py::repr(matrixArray(a).attr("tolist")()).cast<std::string>() + ")";
            },
            "MathMatrix([[...], ...]).")
        .def(py::pickle([](const M& a) { return py::make_tuple(matrixArray(a)); },
                        [](const py::tuple& t) {
                            if (t.size() != 1)
                                throw py::value_error(
                                    "MathMatrix: a pickled state is a tuple of 1 item");
                            return matrixFrom(t[0]);
                        }));
    arithmetic(matrix, "MathMatrix");
    arrayProtocol(matrix, &matrixArray, "A new (rows, cols) numpy array (a copy).");
    py::implicitly_convertible<py::list, M>();
    py::implicitly_convertible<py::array, M>();

    // A square matrix from Python: LU of anything else is refused.
    auto squareFrom = [](py::handle a) {
        M x = matrixFrom(a);
        if (x.rows() != x.cols())
            throw py::value_error("LUFactor: expected a square matrix, got shape " + shapeOf(x));
        return x;
    };
    // C++ lets a NaN pivot through (the flags test magnitudes, which NaN never fails); from
    // Python a factorisation with a NaN pivot is reported as failed.
    const auto nanPivot = [](const LU& f) {
        for (std::size_t i = 0; i < f.dimension(); ++i)
            if (std::isnan(f.getLU()(i, i))) return true;
        return false;
    };
    py::class_<LU>(
        m, "LUFactor",
        "LU factorisation with partial pivoting, P*A = L*U, of a square matrix. A pivot of "
        "magnitude "
        "1e-5 or less stops it: `fail` becomes True (nothing is raised). Copy a factorisation by "
        "factoring again.")
        .def(py::init([squareFrom](py::handle a, bool computeCondition) {
                 return new LU(squareFrom(a), computeCondition);
             }),
             py::arg("matrix"), py::arg("compute_condition") = false,
             "Factors a square MathMatrix or 2-D array-like (ValueError for another shape); "
             "optionally computes "
             "condition() at once.")
        .def_property_readonly(
            "good", [nanPivot](const LU& f) { return f.good() && !nanPivot(f); },
            "True after a factorisation that completed with every pivot a number (unlike C++, "
            "a NaN pivot makes it False).")
        .def_property_readonly(
            "fail", [nanPivot](const LU& f) { return f.fail() || (f.good() && nanPivot(f)); },
            "True after a factorisation that met a pivot of magnitude <= 1e-5 or a NaN pivot.")
        .def_property_readonly("dimension", &LU::dimension, "The order n of the factored matrix.")
        .def(
            "factor", [squareFrom](LU& f, py::handle a, bool c) { f.factor(squareFrom(a), c); },
            py::arg("matrix"), py::arg("compute_condition") = false,
            "Refactors from a new square matrix.")
        .def(
            "lu", [](const LU& f) { return matrixArray(f.getLU()); },
            "The LU matrix as a numpy array (L below the diagonal, U on and above).")
        .def(
            "pivot",
            [](const LU& f) {
                py::list out;
                for (int p : f.getPivot()) out.append(p);
                return out;
            },
            "Entry k: the row (counted from 1) exchanged with row k + 1 at step k.")
        .def(
            "solve",
            [](const LU& f, py::handle b) {
                const V x = vectorFrom(b);
                if (x.length() != f.dimension())
                    shapeMismatch("LUFactor.solve", shapeText({f.dimension(), f.dimension()}),
                                  shapeOf(x));
                return solve(f, x);
            },
            py::arg("b"),
            "x with A*x = b; b needs n elements (ValueError otherwise); NaNs when the "
            "factorisation failed.")
        .def(
            "inverse", [](const LU& f) { return inverse(f); },
            "A^-1 as a MathMatrix (NaNs after a failure).")
        .def(
            "determinant", [](const LU& f) { return determinant(f); }, "The determinant of A.")
        .def("condition", &LU::condition,
             "The classic estimate of 1 / cond_1(A) (cached; optimistic).")
        .def("condition_higham", &LU::conditionHigham,
             "The Hager-Higham estimate of 1 / cond_1(A) (cached).")
        .def("__str__", &streamed<LU>,
             "The library's text output: the LU matrix and the pivot vector.");
}

}  // namespace zelmath_python
