// SimTime: an immutable exact time from Python (hashable, usable as a dictionary key).
//
// The arithmetic and the comparisons are the type's number and comparison slots themselves:
// one C function per operator that reads both operands directly (a SimTime, a float or an int
// as seconds), so a sum costs one call instead of pybind11's overload resolution and implicit
// conversions. The same functions are bound as __add__, __radd__, ... for introspection.
#include "zelmath_bindings.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>

namespace zelmath_python {

namespace {

using T = ZELSimTime;

// The Python type SimTime, set once when the module is imported.
PyTypeObject* gTimeType = nullptr;

// A nanosecond count beyond the int range is out of the domain as a whole: hand the constructor
// one that is just out of it, so it raises DomainError rather than a conversion error.
int clampedNanoseconds(long long nsec) {
    constexpr long long limit = 1000000000LL;
    return static_cast<int>(nsec > limit ? limit : nsec < -limit ? -limit : nsec);
}

// Seconds from Python must be finite (the C++ constructor takes NaN as zero and saturates
// infinities; from Python both are refused).
T fromSeconds(double s) { return T(finiteOr(s, "SimTime seconds")); }

// The time `o` stands for: a SimTime, or a float or an int taken as seconds. False when `o` is
// none of them (the operator then returns NotImplemented); raises for a non-finite number.
bool timeOperand(PyObject* o, T& out) {
    if (Py_TYPE(o) == gTimeType || PyType_IsSubtype(Py_TYPE(o), gTimeType)) {
        out = *static_cast<const T*>(reinterpret_cast<py::detail::instance*>(o)->get_value_and_holder().value_ptr());
        return true;
    }
    if (PyFloat_Check(o)) {
        out = fromSeconds(PyFloat_AS_DOUBLE(o));
        return true;
    }
    if (PyLong_Check(o)) {
        const double s = PyLong_AsDouble(o);
        if (s == -1.0 && PyErr_Occurred()) throw py::error_already_set();
        out = fromSeconds(s);
        return true;
    }
    return false;
}

T timeFrom(py::handle o, const char* what) {
    T t;
    if (!timeOperand(o.ptr(), t)) throw py::type_error(std::string(what) + ": expected a SimTime, a float or an int");
    return t;
}

// The exception in flight as a Python error, by the module's translators (then pybind11's).
PyObject* raiseCurrent() {
    if (!py::detail::apply_exception_translators(py::detail::get_local_internals().registered_exception_translators) &&
        !py::detail::apply_exception_translators(py::detail::get_internals().registered_exception_translators))
        PyErr_SetString(PyExc_SystemError, "unknown C++ exception in SimTime");
    return nullptr;
}

T add(const T& a, const T& b) { return a + b; }
T subtract(const T& a, const T& b) { return a - b; }
T multiply(const T& a, const T& b) { return a * b; }
T divide(const T& a, const T& b) { return a / b; }

// A new Python SimTime holding t: pybind11's own conversion, with the type's record looked up
// once instead of on every result.
PyObject* newTime(const T& t) {
    static const py::detail::type_info* const record = py::detail::get_type_info(typeid(T));
    return py::detail::type_caster_generic::cast(&t, py::return_value_policy::copy, nullptr, record,
                                                 [](const void* p) -> void* { return new T(*static_cast<const T*>(p)); },
                                                 nullptr)
        .ptr();
}

template <T (*Op)(const T&, const T&)>
PyObject* binarySlot(PyObject* a, PyObject* b) {
    try {
        T x, y;
        if (!timeOperand(a, x) || !timeOperand(b, y)) Py_RETURN_NOTIMPLEMENTED;
        return newTime(Op(x, y));
    } catch (...) {
        return raiseCurrent();
    }
}

PyObject* compareSlot(PyObject* a, PyObject* b, int op) {
    try {
        T x, y;
        if (!timeOperand(a, x) || !timeOperand(b, y)) Py_RETURN_NOTIMPLEMENTED;
        bool r = false;
        switch (op) {
            case Py_LT: r = x < y; break;
            case Py_LE: r = x <= y; break;
            case Py_EQ: r = x == y; break;
            case Py_NE: r = x != y; break;
            case Py_GT: r = x > y; break;
            default: r = x >= y; break;
        }
        return PyBool_FromLong(r);
    } catch (...) {
        return raiseCurrent();
    }
}

py::object owned(PyObject* result) {
    if (result == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(result);
}

// __op__ and __rop__ of a slot, for the class dictionary.
template <T (*Op)(const T&, const T&)>
void operatorPair(py::class_<T>& cls, const char* name, const char* reflected, const char* doc) {
    cls.def(name, [](py::handle a, py::handle b) { return owned(binarySlot<Op>(a.ptr(), b.ptr())); }, py::is_operator(), doc);
    cls.def(reflected, [](py::handle a, py::handle b) { return owned(binarySlot<Op>(b.ptr(), a.ptr())); }, py::is_operator(), doc);
}

void comparison(py::class_<T>& cls, const char* name, int op, const char* doc) {
    cls.def(name, [op](py::handle a, py::handle b) { return owned(compareSlot(a.ptr(), b.ptr(), op)); }, py::is_operator(), doc);
}

}  // namespace

void bindSimTime(py::module_& m) {
    py::class_<T> time(m, "SimTime",
                       "An exact simulation time: whole seconds (64-bit) and nanoseconds. Sums, products and "
                       "quotients are exact to 1 ns; results beyond the range saturate. A float or int operand "
                       "converts as SimTime(seconds). Immutable and hashable.");
    time.def(py::init<>(), "Zero.")
        .def(py::init(&fromSeconds), py::arg("seconds"),
             "From float seconds, rounded to the nearest nanosecond; ValueError for NaN and infinities.")
        .def(py::init([](std::int64_t sec, long long nsec) { return T(sec, clampedNanoseconds(nsec)); }),
             py::arg("sec"), py::arg("nsec"),
             "From whole seconds and nanoseconds; DomainError when |nsec| >= 1e9. A nanosecond count of the "
             "opposite sign to sec is taken in the direction of sec.")
        .def_property_readonly("whole_seconds", &T::wholeSeconds, "The whole seconds of the canonical form.")
        .def_property_readonly("nanoseconds", &T::nanoseconds, "The nanoseconds of the canonical form (sign of the value).")
        .def("seconds", &T::seconds, "The value in float seconds.")
        .def("__float__", &T::seconds, "The value in float seconds.")
        .def(-py::self, "The negated time.")
        .def(+py::self, "The time itself.")
        .def("__abs__", [](const T& a) { return abs(a); }, "The absolute value.")
        .def("__floor__", [](const T& a) { return floor(a); }, "The nearest whole second at or below (a SimTime).")
        .def("__ceil__", [](const T& a) { return ceil(a); }, "The nearest whole second at or above (a SimTime).")
        .def("fmod", [](const T& a, py::handle b) { return fmod(a, timeFrom(b, "SimTime.fmod")); }, py::arg("divisor"),
             "a - w*b with w the whole seconds of a / b (the sign of a); raises as / does.")
        .def("__hash__", [](const T& a) {
            return std::hash<std::int64_t>()(a.wholeSeconds()) * 1000003u ^ std::hash<int>()(a.nanoseconds());
        }, "A hash consistent with ==.")
        .def("__str__", &streamed<T>, "The library's text output at the default precision (6 digits after the point).")
        .def("format", [](const T& a, int precision) {
            std::ostringstream os;
            os.precision(precision);
            os << a;
            return os.str();
        }, py::arg("precision"), "The text output with `precision` digits after the point (at most 9).")
        .def("__repr__", [](const T& a) {
            return "SimTime(" + std::to_string(a.wholeSeconds()) + ", " + std::to_string(a.nanoseconds()) + ")";
        }, "SimTime(sec, nsec).")
        .def("__copy__", [](const T& a) { return a; }, "The time itself (immutable).")
        .def("__deepcopy__", [](const T& a, py::dict) { return a; }, py::arg("memo"), "The time itself (immutable).")
        .def("__reduce__", [](const T& a) {
            return py::make_tuple(py::type::of<T>(), py::make_tuple(a.wholeSeconds(), a.nanoseconds()));
        }, "Pickling support (exact).");
    operatorPair<&add>(time, "__add__", "__radd__", "The exact sum (saturating).");
    operatorPair<&subtract>(time, "__sub__", "__rsub__", "The exact difference (saturating).");
    operatorPair<&multiply>(time, "__mul__", "__rmul__", "The exact product, truncated toward zero to 1 ns.");
    operatorPair<&divide>(time, "__truediv__", "__rtruediv__",
                          "The exact quotient, truncated toward zero to 1 ns; ZeroDivideError for a zero divisor, "
                          "DivisionOverflowError beyond the largest time.");
    comparison(time, "__eq__", Py_EQ, "Exact equality.");
    comparison(time, "__ne__", Py_NE, "Exact inequality.");
    comparison(time, "__lt__", Py_LT, "Numeric order.");
    comparison(time, "__le__", Py_LE, "Numeric order.");
    comparison(time, "__gt__", Py_GT, "Numeric order.");
    comparison(time, "__ge__", Py_GE, "Numeric order.");
    time.attr("__array_ufunc__") = py::none();
    time.attr("max") = scl_numeric_limits<T>::max();
    time.attr("min") = scl_numeric_limits<T>::min();
    py::implicitly_convertible<py::float_, T>();
    py::implicitly_convertible<py::int_, T>();

    // The slots themselves, set after the last attribute (setting an attribute such as __add__
    // would point the slot back at the generic lookup).
    gTimeType = reinterpret_cast<PyTypeObject*>(time.ptr());
    PyNumberMethods* number = gTimeType->tp_as_number;
    number->nb_add = &binarySlot<&add>;
    number->nb_subtract = &binarySlot<&subtract>;
    number->nb_multiply = &binarySlot<&multiply>;
    number->nb_true_divide = &binarySlot<&divide>;
    gTimeType->tp_richcompare = &compareSlot;
    PyType_Modified(gTimeType);

    m.def("ratio", [](py::handle a, py::handle b) { return ratio(timeFrom(a, "ratio"), timeFrom(b, "ratio")); },
          py::arg("a"), py::arg("b"),
          "a / b as a float: the double nearest to the exact quotient of the two times (the same bits as the "
          "C++ ratio); ZeroDivideError for a zero b.");
}

}  // namespace zelmath_python
