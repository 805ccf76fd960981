// MathVector, MathMatrix and LUFactor.
#include "zelmath_bindings.h"

namespace zelmath_python {

namespace {

ZELMathVector vectorFrom(py::handle object) {
    if (py::isinstance<ZELMathVector>(object)) return object.cast<const ZELMathVector&>();
    const InArray a = shapedArray(object, {-1}, "MathVector");
    return ZELMathVector(a.data(), static_cast<std::size_t>(a.shape(0)));
}

ZELMathMatrix matrixFrom(py::handle object) {
    if (py::isinstance<ZELMathMatrix>(object)) return object.cast<const ZELMathMatrix&>();
    const InArray a = shapedArray(object, {-1, -1}, "MathMatrix");
    return ZELMathMatrix(a.data(), static_cast<std::size_t>(a.shape(0)), static_cast<std::size_t>(a.shape(1)));
}

py::array_t<double> matrixArray(const ZELMathMatrix& a) {
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

std::pair<std::size_t, std::size_t> checkedIndex(const std::pair<py::ssize_t, py::ssize_t>& ij, const ZELMathMatrix& a) {
    return {checkedIndex(ij.first, a.rows()), checkedIndex(ij.second, a.cols())};
}

}  // namespace

void bindLinalg(py::module_& m) {
    using V = ZELMathVector;
    using M = ZELMathMatrix;

    py::class_<V> vector(m, "MathVector", py::buffer_protocol(),
                         "A vector of run-time length (float64). numpy.asarray(v) is a writable view of shape (n,). "
                  "Arithmetic is element-wise; sums run in index order, so results match the C++ library "
                  "to the bit.");
    vector.def(py::init<>(), "An empty vector.")
        .def(py::init([](std::size_t n, double value) { return V(n, value); }), py::arg("n"), py::arg("value") = 0.0,
             "n elements, each `value`.")
        .def(py::init([](py::handle a) { return vectorFrom(a); }), py::arg("values"),
             "A vector with the elements of a one-dimensional array-like.")
        .def_buffer([](V& v) {
            return py::buffer_info(v.data(), static_cast<py::ssize_t>(v.length()));
        })
        .def("__len__", &V::length, "The number of elements.")
        .def("__getitem__", [](const V& v, py::ssize_t i) { return v[checkedIndex(i, v.length())]; }, py::arg("i"),
             "Element i (negative i counts from the end).")
        .def("__setitem__", [](V& v, py::ssize_t i, double x) { v[checkedIndex(i, v.length())] = x; },
             py::arg("i"), py::arg("value"), "Sets element i.")
        .def("copy", &V::copy, "A deep copy.")
        .def("slice", &V::slice, py::arg("start"), py::arg("n"), "n elements copied from index `start` on.")
        .def(-py::self, "Element-wise negation.")
        .def(py::self + py::self, "Element-wise sum (over the left operand's length).")
        .def(py::self - py::self, "Element-wise difference.")
        .def(py::self * py::self, "Element-wise product.")
        .def(py::self / py::self, "Element-wise quotient.")
        .def(py::self += py::self, "In-place element-wise sum.")
        .def(py::self -= py::self, "In-place element-wise difference.")
        .def(py::self *= double(), "In-place scaling.")
        .def(py::self /= double(), "In-place division by a scalar.")
        .def(py::self == py::self, "Equal lengths and equal elements (a NaN makes them unequal).")
        .def(py::self != py::self, "Negation of ==.")
        .def("dot", [](const V& a, const V& b) { return ZELDot(a, b); }, py::arg("other"),
             "Sum of a[i]*b[i] in index order.")
        .def("l1_norm", [](const V& v) { return ZELL1Norm(v); }, "Sum of the absolute values.")
        .def("linf_norm", [](const V& v) { return ZELLinfNorm(v); }, "Largest absolute value.")
        .def("__str__", &streamed<V>, "The library's text output: \"[ a  b  ]\" and a line break.")
        .def("__repr__", [](const V& v) {
            std::string s = "MathVector([";
            for (std::size_t i = 0; i < v.length(); ++i) s += py::repr(py::float_(v[i])).cast<std::string>() + (i + 1 < v.length() ? ", " : "");
            return s + "])";
        }, "MathVector([...]).");
    scalarOperators(vector);
    py::implicitly_convertible<py::list, V>();
    py::implicitly_convertible<py::tuple, V>();
    py::implicitly_convertible<py::array, V>();

    py::class_<M> matrix(m, "MathMatrix",
                  "A dense matrix of run-time size (float64), stored by rows. numpy.asarray(a) is a copy of "
                  "shape (rows, cols); a[i, j] reads and writes one element. Products sum in index order.");
    matrix.def(py::init<>(), "An empty matrix.")
        .def(py::init([](std::size_t r, std::size_t c, double value) { return M(r, c, value); }), py::arg("rows"),
             py::arg("cols"), py::arg("value") = 0.0, "rows x cols elements, each `value`.")
        .def(py::init([](py::handle a) { return matrixFrom(a); }), py::arg("values"),
             "A matrix with the elements of a two-dimensional array-like.")
        .def_property_readonly("shape", [](const M& a) { return py::make_tuple(a.rows(), a.cols()); },
                               "(rows, cols).")
        .def("rows", &M::rows, "The number of rows.")
        .def("cols", &M::cols, "The number of columns.")
        .def("__getitem__", [](const M& a, std::pair<py::ssize_t, py::ssize_t> ij) {
            const auto [i, j] = checkedIndex(ij, a);
            return a(i, j);
        }, py::arg("ij"), "Element (i, j).")
        .def("__setitem__", [](M& a, std::pair<py::ssize_t, py::ssize_t> ij, double x) {
            const auto [i, j] = checkedIndex(ij, a);
            a(i, j) = x;
        }, py::arg("ij"), py::arg("value"), "Sets element (i, j).")
        .def("row", [](const M& a, py::ssize_t i) { return a.row(checkedIndex(i, a.rows())); }, py::arg("i"),
             "A copy of row i.")
        .def("col", [](const M& a, py::ssize_t j) { return a.col(checkedIndex(j, a.cols())); }, py::arg("j"),
             "A copy of column j.")
        .def("transpose", [](const M& a) { return transpose(a); }, "The transposed matrix.")
        .def(-py::self, "Element-wise negation.")
        .def(py::self + py::self, "Element-wise sum.")
        .def(py::self - py::self, "Element-wise difference.")
        .def(py::self * py::self, "The matrix product.")
        .def(py::self * V(), "Matrix times column vector.")
        .def(V() * py::self, "Row vector times matrix.")
        .def(py::self == py::self, "Equal shapes and elements.")
        .def("__ne__", [](const M& a, const M& b) { return !(a == b); }, py::is_operator(), "Negation of ==.")
        .def("element_product", [](const M& a, const M& b) { return elementProduct(a, b); }, py::arg("other"),
             "The element-wise product.")
        .def("linf_norm", [](const M& a) { return ZELLinfNorm(a); }, "The largest absolute row sum.")
        .def("__str__", &streamed<M>, "The library's text output (\"RxC:\" and the rows).")
        .def("__repr__", [](const M& a) { return "MathMatrix(" + py::repr(matrixArray(a).attr("tolist")()).cast<std::string>() + ")"; },
             "MathMatrix([[...], ...]).");
    scalarOperators(matrix);
    arrayProtocol(matrix, &matrixArray, "A new (rows, cols) numpy array.");
    py::implicitly_convertible<py::list, M>();
    py::implicitly_convertible<py::array, M>();

    using LU = ZELLUFactor;
    py::class_<LU>(m, "LUFactor",
                   "LU factorisation with partial pivoting, P*A = L*U. A pivot of magnitude 1e-5 or less stops it: "
                   "`fail` becomes True (nothing is raised). Copy a factorisation by factoring again.")
        .def(py::init([](py::handle a, bool computeCondition) { return new LU(matrixFrom(a), computeCondition); }),
             py::arg("matrix"), py::arg("compute_condition") = false,
             "Factors a square MathMatrix or 2-D array-like; optionally computes condition() at once.")
        .def_property_readonly("good", &LU::good, "True after a factorisation that completed.")
        .def_property_readonly("fail", &LU::fail, "True after a factorisation that met a pivot of magnitude <= 1e-5.")
        .def_property_readonly("dimension", &LU::dimension, "The order n of the factored matrix.")
        .def("factor", [](LU& f, py::handle a, bool c) { f.factor(matrixFrom(a), c); }, py::arg("matrix"),
             py::arg("compute_condition") = false, "Refactors from a new matrix.")
        .def("lu", [](const LU& f) { return matrixArray(f.getLU()); }, "The LU matrix as a numpy array (L below the diagonal, U on and above).")
        .def("pivot", [](const LU& f) {
            py::list out;
            for (int p : f.getPivot()) out.append(p);
            return out;
        }, "Entry k: the row (counted from 1) exchanged with row k + 1 at step k.")
        .def("solve", [](const LU& f, py::handle b) { return solve(f, vectorFrom(b)); }, py::arg("b"),
             "x with A*x = b (NaNs when the factorisation failed or b has the wrong length).")
        .def("inverse", [](const LU& f) { return inverse(f); }, "A^-1 as a MathMatrix (NaNs after a failure).")
        .def("determinant", [](const LU& f) { return determinant(f); }, "The determinant of A.")
        .def("condition", &LU::condition, "The classic estimate of 1 / cond_1(A) (cached; optimistic).")
        .def("condition_higham", &LU::conditionHigham, "The Hager-Higham estimate of 1 / cond_1(A) (cached).")
        .def("__str__", &streamed<LU>, "The library's text output: the LU matrix and the pivot vector.");
}

}  // namespace zelmath_python
