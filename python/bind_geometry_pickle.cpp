// Pickling of the geometry types. A state round-trips bit for bit (a rotation keeps its nine
// stored scalars, not re-orthonormalised), and a state from outside is checked as the
// constructors check their arguments: __setstate__ never makes a value no constructor would.
#include "zelmath_bindings.h"

#include <cmath>

namespace zelmath_python {

namespace {

using V3 = ZELVector3D;
using R3 = ZELRotate3D;
using Q3 = ZELQtn3D;
using E3 = ZELEuler3D;
using X3 = ZELXform3D;
using Axis = ZELMath3D::AxisType;

// `state` as a tuple of `n` items (ValueError naming `what` otherwise).
py::tuple sized(py::handle state, std::size_t n, const char* what) {
    if (!py::isinstance<py::tuple>(state) || py::len(state) != n)
        throw py::value_error(std::string(what) + ": a pickled state is a tuple of " +
                              std::to_string(n) + " items");
    return py::reinterpret_borrow<py::tuple>(state);
}

// Item i of a state as a number (a float, an int or anything with __float__; never text).
double number(const py::tuple& t, std::size_t i, const char* what) {
    PyObject* o = t[i].ptr();
    if (PyUnicode_Check(o) || PyBytes_Check(o) || PyByteArray_Check(o))
        throw py::type_error(std::string(what) + ": a pickled state holds numbers, not text");
    const double x = PyFloat_AsDouble(o);
    if (x == -1.0 && PyErr_Occurred()) throw py::error_already_set();
    return x;
}

double finiteNumber(const py::tuple& t, std::size_t i, const char* what) {
    const double x = number(t, i, what);
    if (!std::isfinite(x))
        throw py::value_error(std::string(what) + ": a pickled state holds finite numbers");
    return x;
}

Axis axisOf(const py::tuple& t, std::size_t i) {
    const double k = number(t, i, "Euler3D");
    if (k != 0.0 && k != 1.0 && k != 2.0)
        throw py::value_error("Euler3D: a pickled axis is 0, 1 or 2 (XAxis, YAxis, ZAxis)");
    return static_cast<Axis>(static_cast<int>(k));
}

// The nine stored scalars of a rotation, column by column.
double* rotationScalars(R3& r) {
    return const_cast<double*>(&r(ZELMath3D::NDirection, ZELMath3D::XCoord));
}

py::tuple rotationState(const R3& r) {
    const double* p = rotationScalars(const_cast<R3&>(r));
    return py::make_tuple(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8]);
}

R3 rotationFromState(py::handle state, const char* what) {
    const py::tuple t = sized(state, 9, what);
    R3 r;
    double* p = rotationScalars(r);
    for (std::size_t i = 0; i < 9; ++i) p[i] = number(t, i, what);
    checkRotation(p, 3, what);  // the transpose of a rotation is one
    return r;
}

// The position item of an Xform3D state: a Vector3D, or three numbers.
py::object positionOf(py::handle item) {
    if (!py::isinstance<V3>(item)) return py::reinterpret_borrow<py::object>(item);
    const V3& v = item.cast<const V3&>();
    return py::make_tuple(v[0], v[1], v[2]);
}

}  // namespace

void pickleGeometry(py::module_& m) {
    auto vector = py::reinterpret_borrow<py::class_<V3>>(m.attr("Vector3D"));
    vector.def(py::pickle([](const V3& v) { return py::make_tuple(v[0], v[1], v[2]); },
                          [](const py::tuple& state) {
                              const py::tuple t = sized(state, 3, "Vector3D");
                              return V3(number(t, 0, "Vector3D"), number(t, 1, "Vector3D"),
                                        number(t, 2, "Vector3D"));
                          }));

    auto euler = py::reinterpret_borrow<py::class_<E3>>(m.attr("Euler3D"));
    euler.def(py::pickle(
        [](const E3& e) {
            double a0, a1, a2;
            Axis k0, k1, k2;
            e.getAngles(a0, a1, a2);
            e.getAxes(k0, k1, k2);
            return py::make_tuple(a0, static_cast<int>(k0), a1, static_cast<int>(k1), a2,
                                  static_cast<int>(k2));
        },
        [](const py::tuple& state) {
            const py::tuple t = sized(state, 6, "Euler3D");
            return E3(finiteNumber(t, 0, "Euler3D"), axisOf(t, 1), finiteNumber(t, 2, "Euler3D"),
                      axisOf(t, 3), finiteNumber(t, 4, "Euler3D"), axisOf(t, 5));
        }));

    auto rotate = py::reinterpret_borrow<py::class_<R3>>(m.attr("Rotate3D"));
    rotate.def(py::pickle(&rotationState,
                          [](const py::tuple& t) { return rotationFromState(t, "Rotate3D"); }));

    auto qtn = py::reinterpret_borrow<py::class_<Q3>>(m.attr("Qtn3D"));
    qtn.def(
        py::pickle([](const Q3& q) { return py::make_tuple(q.s(), q.v()[0], q.v()[1], q.v()[2]); },
                   [](const py::tuple& state) {
                       const py::tuple t = sized(state, 4, "Qtn3D");
                       return Q3(finiteNumber(t, 0, "Qtn3D"), finiteNumber(t, 1, "Qtn3D"),
                                 finiteNumber(t, 2, "Qtn3D"), finiteNumber(t, 3, "Qtn3D"));
                   }));

    auto xform = py::reinterpret_borrow<py::class_<X3>>(m.attr("Xform3D"));
    xform.def(py::pickle(
        [](const X3& x) {
            return py::make_tuple(rotationState(got<R3, &X3::getRotate, X3>(x)),
                                  got<V3, &X3::getPosition, X3>(x));
        },
        [](const py::tuple& state) {
            const py::tuple t = sized(state, 2, "Xform3D");
            const R3 r = rotationFromState(t[0], "Xform3D");
            const py::tuple p = sized(positionOf(t[1]), 3, "Xform3D position");
            return X3(
                r,
                V3(finiteNumber(p, 0, "Xform3D position"), finiteNumber(p, 1, "Xform3D position"),
                   finiteNumber(p, 2, "Xform3D position")));
        }));
}

}  // namespace zelmath_python
