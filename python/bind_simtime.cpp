// SimTime: an immutable exact time from Python (hashable, usable as a dictionary key).
#include "zelmath_bindings.h"

#include <cstdint>
#include <functional>
#include <limits>

namespace zelmath_python {

namespace {

using T = ZELSimTime;

// A nanosecond count beyond the int range is out of the domain as a whole: hand the constructor
// one that is just out of it, so it raises DomainError rather than a conversion error.
int clampedNanoseconds(long long nsec) {
    constexpr long long limit = 1000000000LL;
    return static_cast<int>(nsec > limit ? limit : nsec < -limit ? -limit : nsec);
}

T fromSeconds(double s) { return T(s); }

}  // namespace

void bindSimTime(py::module_& m) {
    py::class_<T> time(m, "SimTime",
                       "An exact simulation time: whole seconds (64-bit) and nanoseconds. Sums, products and "
                       "quotients are exact to 1 ns; results beyond the range saturate. A float or int operand "
                       "converts as SimTime(seconds). Immutable and hashable.");
    time.def(py::init<>(), "Zero.")
        .def(py::init(&fromSeconds), py::arg("seconds"),
             "From float seconds, rounded to the nearest nanosecond (NaN gives zero, infinities saturate).")
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
        .def(py::self + py::self, "The exact sum (saturating).")
        .def(py::self - py::self, "The exact difference (saturating).")
        .def(py::self * py::self, "The exact product, truncated toward zero to 1 ns.")
        .def(py::self / py::self,
             "The exact quotient, truncated toward zero to 1 ns; ZeroDivideError for a zero divisor, "
             "DivisionOverflowError beyond the largest time.")
        .def("__radd__", [](const T& a, const T& b) { return b + a; }, py::is_operator(), "b + a.")
        .def("__rsub__", [](const T& a, const T& b) { return b - a; }, py::is_operator(), "b - a.")
        .def("__rmul__", [](const T& a, const T& b) { return b * a; }, py::is_operator(), "b * a.")
        .def("__rtruediv__", [](const T& a, const T& b) { return b / a; }, py::is_operator(), "b / a.")
        .def("fmod", [](const T& a, const T& b) { return fmod(a, b); }, py::arg("divisor"),
             "a - w*b with w the whole seconds of a / b (the sign of a); raises as / does.")
        .def(py::self == py::self, "Exact equality.")
        .def(py::self != py::self, "Exact inequality.")
        .def(py::self < py::self, "Numeric order.")
        .def(py::self <= py::self, "Numeric order.")
        .def(py::self > py::self, "Numeric order.")
        .def(py::self >= py::self, "Numeric order.")
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
        }, "Pickling support.");
    time.attr("max") = scl_numeric_limits<T>::max();
    time.attr("min") = scl_numeric_limits<T>::min();
    py::implicitly_convertible<py::float_, T>();
    py::implicitly_convertible<py::int_, T>();
}

}  // namespace zelmath_python
