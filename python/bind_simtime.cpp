// SimTime: an immutable exact time from Python (hashable, usable as a dictionary key).
//
// SimTime is a plain CPython type holding the ZELSimTime inline, not a pybind11 class: a time is
// created on every sum, and CPython's own allocation of a small object is several times cheaper
// than a pybind11 instance (its registration, holder and type lookups). The operators are the
// type's number and comparison slots; each reads both operands directly (a SimTime, a float or
// an int as seconds) and returns NotImplemented for anything else.
#include "zelmath_bindings.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <new>

namespace zelmath_python {

namespace {

using T = ZELSimTime;

struct TimeObject {
    PyObject_HEAD T value;
};

// The type, created once when the module is imported and kept for the life of the process.
PyTypeObject* gTimeType = nullptr;

const T& valueOf(PyObject* o) { return reinterpret_cast<TimeObject*>(o)->value; }

PyObject* newTime(PyTypeObject* type, const T& t) {
    PyObject* o = type->tp_alloc(type, 0);
    if (o != nullptr) new (&reinterpret_cast<TimeObject*>(o)->value) T(t);
    return o;
}
PyObject* newTime(const T& t) { return newTime(gTimeType, t); }

// Seconds from Python must be finite (the C++ constructor takes NaN as zero and saturates
// infinities; from Python both are refused).
T fromSeconds(double s) { return T(finiteOr(s, "SimTime seconds")); }

// The time `o` stands for: a SimTime, or a float or an integer taken as seconds. False when `o`
// is none of them (the operator then returns NotImplemented); raises for a non-finite number
// and for an integer too large for a float.
bool timeOperand(PyObject* o, T& out) {
    if (PyObject_TypeCheck(o, gTimeType)) {
        out = valueOf(o);
        return true;
    }
    if (PyFloat_Check(o)) {
        out = fromSeconds(PyFloat_AS_DOUBLE(o));
        return true;
    }
    if (PyLong_Check(o) || PyIndex_Check(o)) {
        const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(o));
        if (!index) throw py::error_already_set();
        const double s = PyLong_AsDouble(index.ptr());
        if (s == -1.0 && PyErr_Occurred()) throw py::error_already_set();
        out = fromSeconds(s);
        return true;
    }
    return false;
}

T timeFrom(PyObject* o, const char* what) {
    T t;
    if (!timeOperand(o, t))
        throw py::type_error(std::string(what) + ": expected a SimTime, a float or an int");
    return t;
}

// The exception in flight as a Python error, by the module's translators (then pybind11's).
PyObject* raiseCurrent() {
    if (!py::detail::apply_exception_translators(
            py::detail::get_local_internals().registered_exception_translators) &&
        !py::detail::apply_exception_translators(
            py::detail::get_internals().registered_exception_translators))
        PyErr_SetString(PyExc_SystemError, "unknown C++ exception in SimTime");
    return nullptr;
}

// Runs f() (which returns a new reference) with C++ exceptions turned into Python errors.
template <class F>
PyObject* guarded(F f) {
    try {
        return f();
    } catch (...) {
        return raiseCurrent();
    }
}

T add(const T& a, const T& b) { return a + b; }
T subtract(const T& a, const T& b) { return a - b; }
T multiply(const T& a, const T& b) { return a * b; }
T divide(const T& a, const T& b) { return a / b; }

template <T (*Op)(const T&, const T&)>
PyObject* binarySlot(PyObject* a, PyObject* b) {
    return guarded([&]() -> PyObject* {
        T x, y;
        if (!timeOperand(a, x) || !timeOperand(b, y)) Py_RETURN_NOTIMPLEMENTED;
        return newTime(Op(x, y));
    });
}

template <T (*Op)(const T&)>
PyObject* unarySlot(PyObject* a) {
    return newTime(Op(valueOf(a)));
}
T negate(const T& a) { return -a; }
T identity(const T& a) { return a; }
T absolute(const T& a) { return abs(a); }
T floorOf(const T& a) { return floor(a); }
T ceilOf(const T& a) { return ceil(a); }

PyObject* compareSlot(PyObject* a, PyObject* b, int op) {
    return guarded([&]() -> PyObject* {
        T x, y;
        if (!timeOperand(a, x) || !timeOperand(b, y)) Py_RETURN_NOTIMPLEMENTED;
        const bool r = op == Py_LT ? x < y
            : op == Py_LE          ? x <= y
            : op == Py_EQ          ? x == y
            : op == Py_NE          ? x != y
            : op == Py_GT          ? x > y
                                   : x >= y;
        return PyBool_FromLong(r);
    });
}

Py_hash_t hashSlot(PyObject* a) {
    const T& t = valueOf(a);
    const auto h = static_cast<Py_hash_t>(std::hash<std::int64_t>()(t.wholeSeconds()) * 1000003u ^
                                          std::hash<int>()(t.nanoseconds()));
    return h == -1 ? -2 : h;
}

PyObject* floatSlot(PyObject* a) { return PyFloat_FromDouble(valueOf(a).seconds()); }

PyObject* reprSlot(PyObject* a) {
    const T& t = valueOf(a);
    return PyUnicode_FromString(("SimTime(" + std::to_string(t.wholeSeconds()) + ", " +
                                 std::to_string(t.nanoseconds()) + ")")
                                    .c_str());
}

PyObject* strSlot(PyObject* a) { return PyUnicode_FromString(streamed(valueOf(a)).c_str()); }

// A nanosecond count beyond the int range is out of the domain as a whole: hand the constructor
// one that is just out of it, so it raises DomainError rather than a conversion error.
int clampedNanoseconds(PyObject* nsec) {
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(nsec, &overflow);
    if (n == -1 && PyErr_Occurred()) throw py::error_already_set();
    constexpr long long limit = 1000000000LL;
    if (overflow != 0) return static_cast<int>(overflow > 0 ? limit : -limit);
    return static_cast<int>(n > limit ? limit : n < -limit ? -limit : n);
}

// SimTime(), SimTime(seconds), SimTime(sec, nsec).
PyObject* newSlot(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return guarded([&]() -> PyObject* {
        static const char* names1[] = {"seconds", nullptr};
        static const char* names2[] = {"sec", "nsec", nullptr};
        const Py_ssize_t n = PyTuple_GET_SIZE(args) + (kwargs ? PyDict_GET_SIZE(kwargs) : 0);
        PyObject* a = nullptr;
        PyObject* b = nullptr;
        if (n == 0) return newTime(type, T());
        if (n == 1) {
            if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O:SimTime", const_cast<char**>(names1),
                                             &a))
                return nullptr;
            T t;
            if (timeOperand(a, t)) return newTime(type, t);
            const double s = PyFloat_AsDouble(a);  // anything else with __float__ (numpy floats)
            if (s == -1.0 && PyErr_Occurred()) {
                PyErr_Clear();
                throw py::type_error("SimTime(seconds): expected a float or an int, got " +
                                     std::string(Py_TYPE(a)->tp_name));
            }
            return newTime(type, fromSeconds(s));
        }
        if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO:SimTime", const_cast<char**>(names2), &a,
                                         &b))
            return nullptr;
        if (!PyLong_Check(a) || !PyLong_Check(b))
            throw py::type_error("SimTime(sec, nsec): expected two ints");
        const long long sec = PyLong_AsLongLong(a);
        if (sec == -1 && PyErr_Occurred()) throw py::error_already_set();
        return newTime(type, T(static_cast<std::int64_t>(sec), clampedNanoseconds(b)));
    });
}

void deallocSlot(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);
}

PyObject* secondsMethod(PyObject* self, PyObject*) { return floatSlot(self); }
PyObject* floorMethod(PyObject* self, PyObject*) { return unarySlot<&floorOf>(self); }
PyObject* ceilMethod(PyObject* self, PyObject*) { return unarySlot<&ceilOf>(self); }
PyObject* copyMethod(PyObject* self, PyObject*) {
    Py_INCREF(self);
    return self;
}
PyObject* fmodMethod(PyObject* self, PyObject* divisor) {
    return guarded([&] { return newTime(fmod(valueOf(self), timeFrom(divisor, "SimTime.fmod"))); });
}
PyObject* formatMethod(PyObject* self, PyObject* precision) {
    return guarded([&] {
        const long p = PyLong_AsLong(precision);
        if (p == -1 && PyErr_Occurred()) throw py::error_already_set();
        std::ostringstream os;
        os.precision(p < 0 ? 0 : p > 64 ? 64 : static_cast<std::streamsize>(p));
        os << valueOf(self);
        return PyUnicode_FromString(os.str().c_str());
    });
}
PyObject* reduceMethod(PyObject* self, PyObject*) {
    const T& t = valueOf(self);
    return Py_BuildValue("(O(Li))", reinterpret_cast<PyObject*>(gTimeType),
                         static_cast<long long>(t.wholeSeconds()), t.nanoseconds());
}

PyObject* wholeSecondsGetter(PyObject* self, void*) {
    return PyLong_FromLongLong(valueOf(self).wholeSeconds());
}
PyObject* nanosecondsGetter(PyObject* self, void*) {
    return PyLong_FromLong(valueOf(self).nanoseconds());
}

PyMethodDef kMethods[] = {
    {"seconds", &secondsMethod, METH_NOARGS, "The value in float seconds."},
    {"__floor__", &floorMethod, METH_NOARGS, "The nearest whole second at or below (a SimTime)."},
    {"__ceil__", &ceilMethod, METH_NOARGS, "The nearest whole second at or above (a SimTime)."},
    {"fmod", &fmodMethod, METH_O,
     "a.fmod(divisor) is a - w*b, with w the whole seconds of a / b (the sign of a); raises as / "
     "does."},
    {"format", &formatMethod, METH_O,
     "The text output with `precision` digits after the point (at most 9)."},
    {"__copy__", &copyMethod, METH_NOARGS, "The time itself (immutable)."},
    {"__deepcopy__", &copyMethod, METH_O, "The time itself (immutable)."},
    {"__reduce__", &reduceMethod, METH_NOARGS, "Pickling support: SimTime(sec, nsec), exact."},
    {nullptr, nullptr, 0, nullptr}};

PyGetSetDef kProperties[] = {
    {"whole_seconds", &wholeSecondsGetter, nullptr, "The whole seconds of the canonical form.",
     nullptr},
    {"nanoseconds", &nanosecondsGetter, nullptr,
     "The nanoseconds of the canonical form (sign of the value).", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr}};

template <class F>
void* slot(F f) {
    return reinterpret_cast<void*>(f);
}

}  // namespace

ZELSimTime simTimeArgument(py::handle o, const char* what) { return timeFrom(o.ptr(), what); }

py::object simTimeObject(const ZELSimTime& t) {
    return py::reinterpret_steal<py::object>(newTime(t));
}

PyObject* newSimTimeReference(const ZELSimTime& t) { return newTime(t); }

bool simTimeValue(PyObject* o, ZELSimTime& out) {
    if (!PyObject_TypeCheck(o, gTimeType)) return false;
    out = valueOf(o);
    return true;
}

void bindSimTime(py::module_& m) {
    static const char* const doc =
        "SimTime(), SimTime(seconds), SimTime(sec, nsec)\n\n"
        "An exact simulation time: whole seconds (64-bit) and nanoseconds. Sums, products and "
        "quotients are "
        "exact to 1 ns; results beyond the range saturate. Float seconds are rounded to the "
        "nearest nanosecond "
        "(ValueError for NaN and infinities); (sec, nsec) raises DomainError when |nsec| >= 1e9, "
        "and a nanosecond "
        "count of the opposite sign to sec is taken in the direction of sec. A float or int "
        "operand of an operator "
        "converts as SimTime(seconds); / raises ZeroDivideError for a zero divisor and "
        "DivisionOverflowError "
        "beyond the largest time. Immutable and hashable.";
    static PyType_Slot slots[] = {{Py_tp_doc, const_cast<char*>(doc)},
                                  {Py_tp_new, slot(&newSlot)},
                                  {Py_tp_dealloc, slot(&deallocSlot)},
                                  {Py_tp_repr, slot(&reprSlot)},
                                  {Py_tp_str, slot(&strSlot)},
                                  {Py_tp_hash, slot(&hashSlot)},
                                  {Py_tp_richcompare, slot(&compareSlot)},
                                  {Py_tp_methods, kMethods},
                                  {Py_tp_getset, kProperties},
                                  {Py_nb_add, slot(&binarySlot<&add>)},
                                  {Py_nb_subtract, slot(&binarySlot<&subtract>)},
                                  {Py_nb_multiply, slot(&binarySlot<&multiply>)},
                                  {Py_nb_true_divide, slot(&binarySlot<&divide>)},
                                  {Py_nb_negative, slot(&unarySlot<&negate>)},
                                  {Py_nb_positive, slot(&unarySlot<&identity>)},
                                  {Py_nb_absolute, slot(&unarySlot<&absolute>)},
                                  {Py_nb_float, slot(&floatSlot)},
                                  {0, nullptr}};
    static PyType_Spec typeSpec = {"zelmath.SimTime", sizeof(TimeObject), 0,
                                   Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, slots};
    PyObject* type = PyType_FromSpec(&typeSpec);
    if (type == nullptr) throw py::error_already_set();
    gTimeType = reinterpret_cast<PyTypeObject*>(type);
    py::object cls = py::reinterpret_steal<py::object>(type);
    cls.attr("__module__") = "zelmath";
    cls.attr("__array_ufunc__") = py::none();
    cls.attr("max") = py::reinterpret_steal<py::object>(newTime(scl_numeric_limits<T>::max()));
    cls.attr("min") = py::reinterpret_steal<py::object>(newTime(scl_numeric_limits<T>::min()));
    m.add_object("SimTime", cls);
    gTimeType =
        reinterpret_cast<PyTypeObject*>(cls.inc_ref().ptr());  // kept for the life of the process

    m.def(
        "ratio",
        [](py::handle a, py::handle b) {
            return ratio(timeFrom(a.ptr(), "ratio"), timeFrom(b.ptr(), "ratio"));
        },
        py::arg("a"), py::arg("b"),
        "a / b as a float: the double nearest to the exact quotient of the two times (the same "
        "bits as the "
        "C++ ratio); ZeroDivideError for a zero b.");
}

}  // namespace zelmath_python
