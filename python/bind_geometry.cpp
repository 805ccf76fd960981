// Vector3D, Rotate3D, Euler3D, Qtn3D and Xform3D, and the enumerations they take.
#include "zelmath_bindings.h"

#include <cmath>
#include <cstring>
#include <tuple>

namespace zelmath_python {

namespace {

using V3 = ZELVector3D;
using R3 = ZELRotate3D;
using Q3 = ZELQtn3D;
using E3 = ZELEuler3D;
using X3 = ZELXform3D;
using Axis = ZELMath3D::AxisType;
using Frame = ZELMath3D::ReferenceFrame;

// Below this many points `Xform3D.apply` keeps the GIL: releasing it costs more than the loop.
constexpr py::ssize_t kReleaseGilPoints = 4096;

std::string num(double x) { return py::repr(py::float_(x)).cast<std::string>(); }

}  // namespace

V3 vector3From(py::handle object, const char* what) {
    if (py::isinstance<V3>(object)) return object.cast<const V3&>();
    const InArray a = shapedArray(object, {3}, what);
    return V3(a.data());
}

void checkRotation(const double* p, std::size_t stride, const char* what) {
    auto at = [&](int r, int c) {
        return p[static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(c)];
    };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (!std::isfinite(at(r, c)))
                throw py::value_error(std::string(what) + ": the rotation matrix must be finite");
    double worst = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const double g = at(0, i) * at(0, j) + at(1, i) * at(1, j) + at(2, i) * at(2, j);
            worst = std::fmax(worst, std::fabs(g - (i == j ? 1.0 : 0.0)));
        }
    const double det = at(0, 0) * (at(1, 1) * at(2, 2) - at(1, 2) * at(2, 1)) -
        at(0, 1) * (at(1, 0) * at(2, 2) - at(1, 2) * at(2, 0)) +
        at(0, 2) * (at(1, 0) * at(2, 1) - at(1, 1) * at(2, 0));
    if (worst > kRotationTolerance || std::fabs(det - 1.0) > kRotationTolerance) {
        std::ostringstream os;
        os << what << ": not a rotation matrix (largest element of |R^T R - I| is " << worst
           << ", det R is " << det << "; both must be within " << kRotationTolerance
           << " of a rotation's)";
        throw py::value_error(os.str());
    }
}

namespace {

R3 rotateFrom(const InArray& a) {
    checkRotation(a.data(), 3, "Rotate3D");
    const double* rows[3] = {a.data(), a.data() + 3, a.data() + 6};
    return R3(rows, false);
}

// The columns n, s, a of an orientation, checked as a rotation matrix.
void checkColumns(const V3& n, const V3& s, const V3& a, const char* what) {
    const double m[9] = {n[0], s[0], a[0], n[1], s[1], a[1], n[2], s[2], a[2]};
    checkRotation(m, 3, what);
}

double angle(double x) { return finiteOr(x, "angle"); }

// The rotation of a quaternion, which must have unit length within the rotation tolerance (the
// library's conversion assumes it: a zero quaternion would give a mirror).
R3 rotationOf(const Q3& q, const char* what) {
    const double norm = q.norm();
    if (!(std::fabs(norm - 1.0) <= kRotationTolerance)) {
        std::ostringstream os;
        os << what << ": not a unit quaternion (its length is " << norm
           << "; normalize() it first)";
        throw py::value_error(os.str());
    }
    R3 r;
    q.getRotate(r);
    return r;
}

V3 finiteVector(const V3& v, const char* what) {
    for (std::size_t i = 0; i < 3; ++i) finiteOr(v[i], what);
    return v;
}

py::array_t<double> qtnArray(const Q3& q) {
    double s;
    V3 v;
    q.get(s, v);
    py::array_t<double> out(4);
    double* p = out.mutable_data();
    p[0] = s;
    p[1] = v[0];
    p[2] = v[1];
    p[3] = v[2];
    return out;
}

py::array_t<double> xformMatrix(const X3& x) {
    py::array_t<double> out({4, 4});
    x.get(reinterpret_cast<double(*)[4]>(out.mutable_data()), false);
    return out;
}

// The rows of `points` (N, 3) mapped by x, each exactly as x * Vector3D(row).
py::array_t<double> applyXform(const X3& x, py::handle pointsObject) {
    const InArray points = shapedArray(pointsObject, {-1, 3}, "Xform3D.apply");
    const py::ssize_t n = points.shape(0);
    py::array_t<double> out({n, py::ssize_t(3)});
    const double* in = points.data();
    double* o = out.mutable_data();
    const X3 local(x);  // the loop may run without the GIL: work on a private copy
    runReleasingGil(n >= kReleaseGilPoints, [&] {
        V3 y;
        for (py::ssize_t i = 0; i < n; ++i) {
            X3::multiply(y, local, V3(in + 3 * i));
            o[3 * i] = y[0];
            o[3 * i + 1] = y[1];
            o[3 * i + 2] = y[2];
        }
    });
    return out;
}

template <class T, class... Extra>
void copyable(py::class_<T, Extra...>& cls) {
    cls.def(
        "__copy__", [](const T& self) { return T(self); }, "A copy.");
    cls.def(
        "__deepcopy__", [](const T& self, py::dict) { return T(self); }, py::arg("memo"),
        "A copy.");
}

template <class T>
std::tuple<double, double, double> rpyOf(const T& o) {
    double r, p, y;
    o.getRPY(r, p, y);
    return {r, p, y};
}

template <class T>
std::tuple<V3, double> eaaOf(const T& o) {
    V3 axis;
    double angle;
    o.getEAA(axis, angle);
    return {axis, angle};
}

template <class T>
std::tuple<V3, V3, V3> nsaOf(const T& o) {
    V3 n, s, a;
    o.getNSA(n, s, a);
    return {n, s, a};
}

// What the orientation types and the transform share under the same names: RPY, EAA, CAA, NSA,
// Euler angles, rotations about an axis, composition and comparison.
template <class T, class... Extra>
void orientationMethods(py::class_<T, Extra...>& cls) {
    cls.def(
           "set_rpy",
           [](T& o, double r, double p, double y) { o.setRPY(angle(r), angle(p), angle(y)); },
           py::arg("roll"), py::arg("pitch"), py::arg("yaw"),
           "Sets the orientation Rz(roll) * Ry(pitch) * Rx(yaw).")
        .def("get_rpy", &rpyOf<T>, "The orientation as (roll, pitch, yaw) in radians.")
        .def(
            "set_eaa",
            [](T& o, py::handle axis, double a) {
                o.setEAA(finiteVector(vector3From(axis), "axis"), angle(a));
            },
            py::arg("axis"), py::arg("angle"),
            "The rotation by `angle` about `axis` (normalised first); ZeroVectorError for a zero "
            "axis.")
        .def("get_eaa", &eaaOf<T>, "The equivalent (unit axis, angle in [0, pi]).")
        .def("set_caa", checked(+[](T& o, Axis k, double a) { o.setCAA(k, angle(a)); }),
             py::arg("axis"), py::arg("angle"),
             "The rotation by `angle` about coordinate axis XAxis, YAxis or ZAxis.")
        .def(
            "set_nsa",
            [](T& o, const V3& n, const V3& s, const V3& a) {
                checkColumns(n, s, a, "set_nsa");
                o.setNSA(n, s, a);
            },
            py::arg("n"), py::arg("s"), py::arg("a"),
            "Sets the columns N, S, A (re-orthonormalised).")
        .def("get_nsa", &nsaOf<T>, "The columns (N, S, A) as Vector3D.")
        .def(
            "set_euler", [](T& o, const E3& e) { o.setEuler(e); }, py::arg("euler"),
            "Sets the orientation of an Euler3D triple.")
        .def("rotate", checked(+[](T& o, Axis k, double a, Frame f) { o.rotate(k, angle(a), f); }),
             py::arg("axis"), py::arg("angle"), py::arg("frame"),
             "Turns about a coordinate axis, in the world frame (from the left; a transform's "
             "position "
             "turns too) or the local frame (from the right).")
        .def("rotate", checked(+[](T& o, const V3& axis, double a, Frame f) {
                 o.rotate(finiteVector(axis, "axis"), angle(a), f);
             }),
             py::arg("axis"), py::arg("angle"), py::arg("frame"),
             "Turns about a Vector3D axis, likewise.")
        .def("pre_multiply", &T::preMultiply, py::arg("a"), "this = a * this.")
        .def("post_multiply", &T::postMultiply, py::arg("b"), "this = this * b.")
        .def(py::self * py::self, "The composition a * b (b applied first).")
        .def(py::self * V3(), "Applies to a Vector3D.")
        .def(
            "__matmul__", [](const T& a, const T& b) { return a * b; }, py::is_operator(),
            "The composition a @ b, the same as a * b.")
        .def(
            "__matmul__", [](const T& a, const V3& v) { return a * v; }, py::is_operator(),
            "Applies to a Vector3D (or a 3-element array-like), the same as a * v.")
        .def(py::self / py::self, "a * inverse(b).")
        .def(py::self *= py::self, "this = this * b.")
        .def(py::self /= py::self, "this = this * inverse(b).")
        .def(py::self == py::self, "Exact equality of every element.")
        .def(
            "__ne__", [](const T& a, const T& b) { return !(a == b); }, py::is_operator(),
            "Negation of ==.");
    cls.attr("__array_ufunc__") = py::none();
}

// The static slerp(t, a, b) and eaa_interp(t, a, b), returning a new object.
template <class T, class... Extra>
void interpolations(py::class_<T, Extra...>& cls, const char* a, const char* b,
                    const char* slerpDoc, const char* eaaDoc) {
    cls.def_static(
        "slerp",
        [](double t, const T& x, const T& y) {
            T out;
            T::slerp(out, t, x, y);
            return out;
        },
        py::arg("t"), py::arg(a), py::arg(b), slerpDoc);
    cls.def_static(
        "eaa_interp",
        [](double t, const T& x, const T& y) {
            T out;
            T::EAAInterp(out, t, x, y);
            return out;
        },
        py::arg("t"), py::arg(a), py::arg(b), eaaDoc);
}

}  // namespace

void bindGeometry(py::module_& m) {
    py::enum_<Axis>(m, "AxisType", "A coordinate axis.")
        .value("XAxis", ZELMath3D::XAxis)
        .value("YAxis", ZELMath3D::YAxis)
        .value("ZAxis", ZELMath3D::ZAxis)
        .export_values();
    py::enum_<Frame>(
        m, "ReferenceFrame",
        "WorldFrame: an increment in the fixed frame (from the left); LocalFrame: in the object's "
        "own frame (from the right).")
        .value("WorldFrame", ZELMath3D::WorldFrame)
        .value("LocalFrame", ZELMath3D::LocalFrame)
        .export_values();
    // Plain integers are accepted too; values outside the set are reported through the assertion
    // hook by the operation that receives them.
    py::implicitly_convertible<int, Axis>();
    py::implicitly_convertible<int, Frame>();

    py::class_<V3> vector(
        m, "Vector3D", py::buffer_protocol(),
        "A 3-vector (x, y, z). numpy.asarray(v) is a writable view of shape (3,). Arithmetic "
        "is component-wise; `*` by a Vector3D multiplies components.");
    vector.def(py::init<>(), "The zero vector.")
        .def(py::init<double, double, double>(), py::arg("x"), py::arg("y"), py::arg("z"),
             "(x, y, z).")
        .def(py::init([](py::handle values) { return vector3From(values); }), py::arg("values"),
             "From an array-like of 3 numbers.")
        .def_buffer([](V3& v) { return py::buffer_info(&v[0], 3); })
        .def_property(
            "x", [](const V3& v) { return v[0]; }, [](V3& v, double x) { v[0] = x; },
            "Component x.")
        .def_property(
            "y", [](const V3& v) { return v[1]; }, [](V3& v, double y) { v[1] = y; },
            "Component y.")
        .def_property(
            "z", [](const V3& v) { return v[2]; }, [](V3& v, double z) { v[2] = z; },
            "Component z.")
        .def(
            "__len__", [](const V3&) { return 3; }, "3.")
        .def(
            "__getitem__",
            [](const V3& v, py::ssize_t i) {
                if (i < 0) i += 3;
                if (i < 0 || i > 2) throw py::index_error("Vector3D index out of range");
                return v[static_cast<std::size_t>(i)];
            },
            py::arg("i"), "Component i.")
        .def(
            "__setitem__",
            [](V3& v, py::ssize_t i, double x) {
                if (i < 0) i += 3;
                if (i < 0 || i > 2) throw py::index_error("Vector3D index out of range");
                v[static_cast<std::size_t>(i)] = x;
            },
            py::arg("i"), py::arg("value"), "Sets component i.")
        .def("set", &V3::set, py::arg("x"), py::arg("y"), py::arg("z"),
             "Sets the three components.")
        .def(
            "get", [](const V3& v) { return py::make_tuple(v[0], v[1], v[2]); }, "(x, y, z).")
        .def(-py::self, "Negation.")
        .def(py::self + py::self, "Sum.")
        .def(py::self - py::self, "Difference.")
        .def(py::self * py::self, "Component-wise product.")
        .def(py::self / py::self, "Component-wise quotient.")
        .def(
            "__radd__", [](const V3& a, const V3& b) { return b + a; }, py::is_operator(),
            "b + a (b a 3-element array-like).")
        .def(
            "__rsub__", [](const V3& a, const V3& b) { return b - a; }, py::is_operator(), "b - a.")
        .def(
            "__rmul__", [](const V3& a, const V3& b) { return b * a; }, py::is_operator(),
            "Component-wise b * a.")
        .def(
            "__rtruediv__", [](const V3& a, const V3& b) { return b / a; }, py::is_operator(),
            "Component-wise b / a.")
        .def(py::self += py::self, "In-place sum.")
        .def(py::self -= py::self, "In-place difference.")
        .def(py::self *= double(), "In-place scaling.")
        .def(py::self /= double(), "In-place division.")
        .def(py::self == py::self, "Exact component-wise equality.")
        .def(py::self != py::self, "Negation of ==.")
        .def(
            "dot", [](const V3& a, const V3& b) { return ZELDot(a, b); }, py::arg("other"),
            "(x*x' + y*y') + z*z'.")
        .def(
            "cross", [](const V3& a, const V3& b) { return ZELCross(a, b); }, py::arg("other"),
            "The cross product.")
        .def(
            "norm", [](const V3& v) { return ZELL2Norm(v); }, "The Euclidean length.")
        .def("normalize", &V3::normalize,
             "Scales to unit length in place; ZeroVectorError for a zero vector.")
        .def(
            "set_spherical",
            [](V3& v, double t, double p, double r) {
                v.setSpherical(angle(t), angle(p), finiteOr(r, "r"));
            },
            py::arg("theta"), py::arg("phi"), py::arg("r"),
            "From azimuth theta, polar angle phi and radius r (exact quarter turns).")
        .def(
            "get_spherical",
            [](const V3& v) {
                double t, p, r;
                v.getSpherical(t, p, r);
                return py::make_tuple(t, p, r);
            },
            "(theta, phi, r), the angles from one-argument arctangents.")
        .def(
            "set_cylindrical",
            [](V3& v, double t, double rho, double z) {
                v.setCylindrical(angle(t), finiteOr(rho, "rho"), finiteOr(z, "z"));
            },
            py::arg("theta"), py::arg("rho"), py::arg("z"),
            "From azimuth theta, radius rho and height z.")
        .def(
            "get_cylindrical",
            [](const V3& v) {
                double t, r, z;
                v.getCylindrical(t, r, z);
                return py::make_tuple(t, r, z);
            },
            "(theta, rho, z).")
        .def_static(
            "lerp",
            [](double t, const V3& a, const V3& b) {
                V3 r;
                V3::lerp(r, t, a, b);
                return r;
            },
            py::arg("t"), py::arg("a"), py::arg("b"),
            "a for t <= 0, b for t >= 1, else (1 - t)*a + t*b.")
        .def("__str__", &streamed<V3>,
             "The library's text output \"[ x  y  z  ]\" and a line break.")
        .def(
            "__repr__",
            [](const V3& v) {
                return "Vector3D(" + num(v[0]) + ", " + num(v[1]) + ", " + num(v[2]) + ")";
            },
            "Vector3D(x, y, z).");
    scalarOperators(vector);
    vector.attr("__array_ufunc__") = py::none();
    vector.attr("Zero") = V3::Zero;
    vector.attr("UnitX") = V3::UnitX;
    vector.attr("UnitY") = V3::UnitY;
    vector.attr("UnitZ") = V3::UnitZ;
    copyable(vector);
    py::implicitly_convertible<py::list, V3>();
    py::implicitly_convertible<py::tuple, V3>();
    py::implicitly_convertible<py::array, V3>();

    py::class_<E3> euler(
        m, "Euler3D",
        "Three angles about coordinate axes, R = R_k0(a0) * R_k1(a1) * R_k2(a2); default z-y-z "
        "with zero angles.");
    euler.def(py::init<>(), "Zero angles about (ZAxis, YAxis, ZAxis).")
        .def(py::init([](double a0, Axis k0, double a1, Axis k1, double a2, Axis k2) {
                 return E3(angle(a0), k0, angle(a1), k1, angle(a2), k2);
             }),
             py::arg("a0"), py::arg("k0"), py::arg("a1"), py::arg("k1"), py::arg("a2"),
             py::arg("k2"), "Angles a0, a1, a2 about axes k0, k1, k2.")
        .def(
            "set_angles",
            [](E3& e, double a0, double a1, double a2) {
                e.setAngles(angle(a0), angle(a1), angle(a2));
            },
            py::arg("a0"), py::arg("a1"), py::arg("a2"), "Sets the angles.")
        .def(
            "get_angles",
            [](const E3& e) {
                double a0, a1, a2;
                e.getAngles(a0, a1, a2);
                return py::make_tuple(a0, a1, a2);
            },
            "(a0, a1, a2).")
        .def("set_axes", &E3::setAxes, py::arg("k0"), py::arg("k1"), py::arg("k2"),
             "Sets the axes (unchecked).")
        .def(
            "get_axes",
            [](const E3& e) {
                Axis k0, k1, k2;
                e.getAxes(k0, k1, k2);
                return py::make_tuple(k0, k1, k2);
            },
            "(k0, k1, k2).")
        .def("invert", &E3::invert, "The triple of the inverse rotation, in place.")
        .def(py::self == py::self, "Exact comparison of angles and axes.")
        .def(py::self != py::self, "Negation of ==.")
        .def("__str__", &streamed<E3>, "The library's text output: angles, then axes.");
    copyable(euler);

    py::class_<R3> rotate(
        m, "Rotate3D", py::buffer_protocol(),
        "A 3x3 rotation matrix (columns N, S, A). numpy.asarray(r) is a read-only (3, 3) view. "
        "`*` composes rotations and rotates Vector3D.");
    rotate.def(py::init<>(), "The identity.")
        .def(
            py::init([](const Q3& q) { return rotationOf(q, "Rotate3D"); }), py::arg("qtn"),
            "The rotation of a unit quaternion (ValueError for a length other than 1 within 1e-4).")
        .def(py::init([](const E3& e) {
                 R3 r;
                 r.setEuler(e);
                 return r;
             }),
             py::arg("euler"), "The rotation of an Euler3D triple.")
        .def(py::init([](py::handle a) {
                 return rotateFrom(shapedArray(a, {3, 3}, "Rotate3D"));
             }),
             py::arg("matrix"), "From a (3, 3) array-like (row r, column c), re-orthonormalised.")
        .def_buffer([](R3& r) {
            double* p = const_cast<double*>(&r(ZELMath3D::NDirection, ZELMath3D::XCoord));
            return py::buffer_info(p, sizeof(double), py::format_descriptor<double>::format(), 2,
                                   {3, 3}, {sizeof(double), 3 * sizeof(double)}, true);
        })
        .def(
            "__getitem__",
            [](const R3& r, std::pair<int, int> rc) {
                if (rc.first < 0 || rc.first > 2 || rc.second < 0 || rc.second > 2)
                    throw py::index_error("Rotate3D index out of range");
                return r(static_cast<ZELMath3D::DirectionIndex>(rc.second),
                         static_cast<ZELMath3D::CoordinateIndex>(rc.first));
            },
            py::arg("rc"), "Element (row, column).")
        .def(
            "column",
            [](const R3& r, int d) {
                if (d < 0 || d > 2) throw py::index_error("Rotate3D column out of range");
                return r(static_cast<ZELMath3D::DirectionIndex>(d));
            },
            py::arg("d"), "Column 0, 1 or 2 (N, S, A) as a Vector3D.")
        .def("det", &R3::det, "The determinant (1 for a rotation).")
        .def("normalize", &R3::normalize, "Re-orthonormalises the columns in place.")
        .def("invert", &R3::invert, "Transposes in place (the inverse rotation).")
        .def("qtn", &R3::toQtn, "The quaternion of the rotation (s >= 0).")
        .def("rotate", checked(+[](R3& r, const R3& b, Frame f) { r.rotate(b, f); }),
             py::arg("rotation"), py::arg("frame"),
             "Applies a rotation in the world (b * R) or local (R * b) frame.")
        .def("__str__", &streamed<R3>, "The library's text output (a 3X3 matrix).")
        .def(
            "__repr__",
            [](const R3& r) {
                std::string s = "Rotate3D([";
                for (int i = 0; i < 3; ++i) {
                    s += "[";
                    for (int j = 0; j < 3; ++j)
                        s += num(r(static_cast<ZELMath3D::DirectionIndex>(j),
                                   static_cast<ZELMath3D::CoordinateIndex>(i))) +
                            (j < 2 ? ", " : "");
                    s += i < 2 ? "], " : "]";
                }
                return s + "])";
            },
            "Rotate3D([[...], [...], [...]]).");
    orientationMethods(rotate);
    rotate.attr("Identity") = R3::Identity;
    copyable(rotate);

    py::class_<Q3> qtn(
        m, "Qtn3D",
        "A quaternion (s, x, y, z) for orientations. numpy.asarray(q) is a (4,) copy in the order "
        "s, x, y, z. `*` is the Hamilton product and rotates Vector3D.");
    qtn.def(py::init<>(), "The identity (1, 0, 0, 0).")
        .def(py::init([](double s, double x, double y, double z) {
                 return Q3(finiteOr(s, "s"), finiteOr(x, "x"), finiteOr(y, "y"), finiteOr(z, "z"));
             }),
             py::arg("s"), py::arg("x"), py::arg("y"), py::arg("z"),
             "(s, x, y, z) as given (not normalised); ValueError for a non-finite component.")
        .def(py::init([](const R3& r) { return r.toQtn(); }), py::arg("rotation"),
             "The quaternion of a rotation.")
        .def(py::init([](py::handle a) {
                 const InArray q = shapedArray(a, {4}, "Qtn3D");
                 return Q3(finiteOr(q.data()[0], "s"), finiteOr(q.data()[1], "x"),
                           finiteOr(q.data()[2], "y"), finiteOr(q.data()[3], "z"));
             }),
             py::arg("values"), "From an array-like (s, x, y, z).")
        .def_property_readonly("s", &Q3::s, "The scalar part.")
        .def_property_readonly("v", &Q3::v, "The vector part (x, y, z), a copy.")
        .def(
            "set",
            [](Q3& q, double s, const V3& v) { q.set(finiteOr(s, "s"), finiteVector(v, "v")); },
            py::arg("s"), py::arg("v"),
            "Stores s and v and normalises (NumericError for a zero quaternion).")
        .def("normalize", &Q3::normalize,
             "Scales to unit length in place; NumericError for a zero quaternion.")
        .def("norm", &Q3::norm, "The length sqrt(s^2 + x^2 + y^2 + z^2).")
        .def("dot", &Q3::dot, py::arg("other"), "The four-component dot product.")
        .def("conjugate", &Q3::conjugate,
             "Conjugates in place and returns a copy of the new value.")
        .def("negate", &Q3::negate, "Negates in place.")
        .def(
            "rotation", [](const Q3& q) { return rotationOf(q, "Qtn3D.rotation"); },
            "The rotation matrix (ValueError for a length other than 1 within 1e-4).")
        .def("set_rotation", &Q3::setRotate, py::arg("rotation"),
             "From a rotation matrix (s >= 0).")
        .def("rotate", checked(+[](Q3& q, const Q3& r, Frame f) { q.rotate(r, f); }),
             py::arg("qtn"), py::arg("frame"),
             "Applies a rotation in the world (r * q) or local (q * r) frame.")
        .def(-py::self, "The negated copy.")
        .def_static(
            "squad",
            [](double t, const Q3& p, const Q3& a, const Q3& b, const Q3& q) {
                Q3 out;
                Q3::squad(out, t, p, a, b, q);
                return out;
            },
            py::arg("t"), py::arg("p"), py::arg("a"), py::arg("b"), py::arg("q"),
            "Spherical quadrangle interpolation.")
        .def("__str__", &streamed<Q3>,
             "The library's text output \"[ s  x  y  z  ]\" and a line break.")
        .def(
            "__repr__",
            [](const Q3& q) {
                const auto a = qtnArray(q);
                return "Qtn3D(" + num(a.at(0)) + ", " + num(a.at(1)) + ", " + num(a.at(2)) + ", " +
                    num(a.at(3)) + ")";
            },
            "Qtn3D(s, x, y, z).");
    orientationMethods(qtn);
    interpolations(qtn, "q0", "q1", "Spherical interpolation, a new Qtn3D (no sign flip).",
                   "Interpolation by the equivalent axis and angle of the relative rotation (the "
                   "shorter way).");
    arrayProtocol(qtn, &qtnArray, "A new (4,) array (s, x, y, z).");
    qtn.attr("Identity") = Q3::Identity;
    copyable(qtn);

    py::class_<X3> xform(
        m, "Xform3D",
        "A rigid transform: rotation R, then position p; maps x to R*x + p. `*` composes "
        "transforms and maps Vector3D; matrix() is the (4, 4) homogeneous matrix.");
    xform.def(py::init<>(), "The identity.")
        .def(py::init<const R3&, const V3&>(), py::arg("rotation"), py::arg("position"),
             "From R and p as given.")
        .def(py::init([](double theta, double d, double alpha, double a) {
                 return X3(angle(theta), finiteOr(d, "d"), angle(alpha), finiteOr(a, "a"));
             }),
             py::arg("theta"), py::arg("d"), py::arg("alpha"), py::arg("a"),
             "The Denavit-Hartenberg link Rz(theta) * Tz(d) * Tx(a) * Rx(alpha).")
        .def(py::init([](py::handle a) {
                 const InArray m4 = shapedArray(a, {4, 4}, "Xform3D");
                 checkRotation(m4.data(), 4, "Xform3D");
                 const double* p = m4.data();
                 for (int r = 0; r < 3; ++r) finiteOr(p[4 * r + 3], "Xform3D position");
                 if (p[12] != 0.0 || p[13] != 0.0 || p[14] != 0.0 || p[15] != 1.0)
                     throw py::value_error(
                         "Xform3D: the last row of a homogeneous matrix must be (0, 0, 0, 1)");
                 return X3(reinterpret_cast<const double(*)[4]>(m4.data()), false);
             }),
             py::arg("matrix"),
             "From a (4, 4) homogeneous array-like; the rotation is re-orthonormalised.")
        .def("matrix", &xformMatrix,
             "The (4, 4) homogeneous matrix [R p; 0 0 0 1] as a new numpy array.")
        .def("rotation", &got<R3, &X3::getRotate, X3>, "A copy of the rotation.")
        .def("set_rotation", &X3::setRotate, py::arg("rotation"), "Replaces the rotation.")
        .def("qtn", &got<Q3, &X3::getQtn, X3>, "The rotation as a quaternion (s >= 0).")
        .def(
            "set_qtn", [](X3& x, const Q3& q) { x.setRotate(rotationOf(q, "Xform3D.set_qtn")); },
            py::arg("qtn"),
            "Replaces the rotation by that of a unit quaternion (ValueError otherwise).")
        .def("position", &got<V3, &X3::getPosition, X3>, "A copy of the position.")
        .def(
            "set_position",
            [](X3& x, py::handle p) { x.setPosition(finiteVector(vector3From(p), "position")); },
            py::arg("position"), "Replaces the position.")
        .def("normalize", &X3::normalize, "Re-orthonormalises the rotation.")
        .def("invert", &X3::invert, "Inverts in place: R^T, -R^T p.")
        .def(
            "set_dh",
            [](X3& x, double theta, double d, double alpha, double a) {
                x.setDH(angle(theta), finiteOr(d, "d"), angle(alpha), finiteOr(a, "a"));
            },
            py::arg("theta"), py::arg("d"), py::arg("alpha"), py::arg("a"),
            "Sets the Denavit-Hartenberg link transform.")
        .def("translate", checked(+[](X3& x, const V3& v, Frame f) { x.translate(v, f); }),
             py::arg("v"), py::arg("frame"), "World: p += v; local: p += R*v.")
        .def("move", checked(+[](X3& x, const X3& b, Frame f) { x.move(b, f); }), py::arg("xform"),
             py::arg("frame"), "World: this = b * this; local: this = this * b.")
        .def("apply", &applyXform, py::arg("points"),
             "Maps the rows of an (N, 3) array-like; an (N, 3) array whose row i is bit-identical "
             "to "
             "x * Vector3D(*points[i]). Long inputs run without the GIL.")
        .def("__str__", &streamed<X3>, "The library's text output (a 4X4 matrix).")
        .def(
            "__repr__",
            [](const X3& x) {
                return "Xform3D(" + py::repr(xformMatrix(x).attr("tolist")()).cast<std::string>() +
                    ")";
            },
            "Xform3D([[...], ...]).");
    orientationMethods(xform);
    interpolations(
        xform, "a", "b", "A new Xform3D: the rotation by quaternion slerp, the position by lerp.",
        "A new Xform3D: the rotation by equivalent axis and angle, the position by lerp.");
    arrayProtocol(xform, &xformMatrix, "The (4, 4) homogeneous matrix.");
    xform.attr("Identity") = X3::Identity;
    copyable(xform);
}

}  // namespace zelmath_python
