// The Python module `zelmath`: the library's classes with numpy in and out, its errors as
// Python exceptions and its assertion reports as Python warnings.
#include "zelmath_bindings.h"

#include <array>
#include <cmath>
#include <set>
#include <string>
#include <utility>

namespace zelmath_python {

namespace {

// The exception classes and the warning category, created once when the module is imported and
// kept for the life of the process (the module is never unloaded).
PyObject* gError = nullptr;
PyObject* gZeroDivide = nullptr;
PyObject* gDomain = nullptr;
PyObject* gOverflow = nullptr;
PyObject* gZeroVector = nullptr;
PyObject* gNumeric = nullptr;
PyObject* gAssertionWarning = nullptr;

PyObject* newClass(py::module_& m, const char* name, const char* doc, py::tuple bases) {
    const std::string qualified = std::string("zelmath.") + name;
    PyObject* cls = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, bases.ptr(), nullptr);
    if (cls == nullptr) throw py::error_already_set();
    m.add_object(name, py::handle(cls));  // the module takes a reference; ours stays
    return cls;
}

// Reports of the assertion hook become zelmath.AssertionWarning. When the warning filters turn
// it into an error, the exception stays set and the binding raises it (raiseIfWarned).
void warnOnAssert(const char* category, const char* message, const char* file, int line) {
    if (!Py_IsInitialized()) return;
    py::gil_scoped_acquire gil;
    if (PyErr_Occurred()) return;  // an earlier report is already on its way as an error
    const std::string text =
        std::string(message) + " (" + category + ", " + file + "(" + std::to_string(line) + "))";
    PyErr_WarnEx(gAssertionWarning, text.c_str(), 1);
}

// Objects made by `Class.__new__(Class)` and never initialised hold no C++ value. pybind11 gives
// the methods of such an object freshly allocated, unconstructed memory: it allocates the value
// lazily, through the class's `operator_new`, when the object is passed as an argument. That is
// the only use of `operator_new` (constructors and __setstate__ allocate and construct in one
// step), so every class of the module gets one that refuses instead, naming the class. The
// normal path is untouched; a class added anywhere in the module is covered.
constexpr std::size_t kMaxClasses = 128;
std::array<std::string, kMaxClasses> gClassNames;

template <std::size_t I>
void* refuseUninitialised(std::size_t) {
    throw py::type_error(gClassNames[I] +
                         " object is not initialised (made by __new__ without __init__); create "
                         "it by calling the class");
}

template <std::size_t... I>
constexpr std::array<void* (*)(std::size_t), sizeof...(I)> refusers(std::index_sequence<I...>) {
    return {&refuseUninitialised<I>...};
}

// pybind11 ignores __setstate__ (a constructor, for pickling) on an object already initialised:
// the call would return as if the state had been set. Such a __setstate__ is wrapped to refuse.
void refuseSecondSetState(py::handle cls) {
    const py::object method = py::reinterpret_borrow<py::dict>(cls.attr("__dict__"))
                                  .attr("get")("__setstate__", py::none());
    const py::handle function = py::detail::get_function(method);
    if (!function || !PyCFunction_Check(function.ptr())) return;
    const py::handle self = PyCFunction_GET_SELF(function.ptr());
    if (!self || !py::isinstance<py::capsule>(self)) return;
    const auto capsule = py::reinterpret_borrow<py::capsule>(self);
    if (!py::detail::is_function_record_capsule(capsule) ||
        !capsule.get_pointer<py::detail::function_record>()->is_new_style_constructor)
        return;
    auto* type = reinterpret_cast<PyTypeObject*>(cls.ptr());
    const std::string name = cls.attr("__qualname__").cast<std::string>();
    cls.attr("__setstate__") = py::cpp_function(
        [method, type, name](py::handle object, py::handle state) -> py::object {
            if (PyObject_TypeCheck(object.ptr(), type) &&
                reinterpret_cast<py::detail::instance*>(object.ptr())
                    ->get_value_and_holder()
                    .holder_constructed())
                throw py::type_error(name +
                                     ".__setstate__: the object is already initialised (a state "
                                     "is set on an object made by __new__, as pickle does)");
            return method(object, state);
        },
        // not named __setstate__: pybind11 would take it for a constructor and skip the call
        py::name("set_pickled_state"), py::is_method(cls), py::arg("state"),
        "Sets the pickled state of an object made by __new__ (as pickle does).");
}

void guardClasses(py::handle scope, std::set<PyObject*>& seen, std::size_t& used) {
    static constexpr auto kRefusers = refusers(std::make_index_sequence<kMaxClasses>());
    const py::dict names = scope.attr("__dict__");
    for (const auto item : names) {
        py::handle value = item.second;
        if (!seen.insert(value.ptr()).second) continue;
        if (PyModule_Check(value.ptr())) {
            const std::string name = PyModule_GetName(value.ptr());
            if (name.rfind("zelmath.", 0) == 0) guardClasses(value, seen, used);
            continue;
        }
        if (!PyType_Check(value.ptr())) continue;
        auto* type = reinterpret_cast<PyTypeObject*>(value.ptr());
        py::detail::type_info* info = py::detail::get_type_info(type);
        if (info == nullptr || info->type != type) continue;
        if (used == kMaxClasses) throw std::logic_error("zelmath: raise kMaxClasses");
        gClassNames[used] = value.attr("__qualname__").cast<std::string>();
        info->operator_new = kRefusers[used++];
        refuseSecondSetState(value);
        guardClasses(value, seen, used);  // classes nested in a class
    }
}

}  // namespace

void refuseUninitialisedObjects(py::module_& m) {
    std::set<PyObject*> seen;
    std::size_t used = 0;
    guardClasses(m, seen, used);
}

void raiseIfWarned() {
    if (PyErr_Occurred()) throw py::error_already_set();
}

InArray numericArray(py::handle object, const char* what) {
    py::array any = py::array::ensure(object);
    if (!any) {
        PyErr_Clear();
        throw py::type_error(std::string(what) + ": expected an array-like of numbers");
    }
    const char kind = any.dtype().kind();
    if (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f')
        throw py::type_error(std::string(what) + ": expected real numbers, got an array of dtype " +
                             py::str(any.dtype()).cast<std::string>());
    // The converting constructor keeps numpy's own error (MemoryError for a copy too large).
    return InArray(static_cast<const py::object&>(any));
}

InArray shapedArray(py::handle object, std::initializer_list<py::ssize_t> shape, const char* what) {
    InArray a = numericArray(object, what);
    bool ok = a.ndim() == static_cast<py::ssize_t>(shape.size());
    py::ssize_t axis = 0;
    for (py::ssize_t extent : shape) {
        if (ok && extent >= 0 && a.shape(axis) != extent) ok = false;
        ++axis;
    }
    if (!ok) {
        std::string want = "(";
        for (py::ssize_t extent : shape)
            want += (extent < 0 ? std::string("n") : std::to_string(extent)) + ", ";
        want = want.substr(0, want.size() - 2) + (shape.size() == 1 ? ",)" : ")");
        throw py::type_error(std::string(what) + ": expected shape " + want + ", got " +
                             shapeText(a));
    }
    return a;
}

std::string shapeText(const py::array& a) {
    std::string s = "(";
    for (py::ssize_t i = 0; i < a.ndim(); ++i)
        s += std::to_string(a.shape(i)) + (i + 1 < a.ndim() ? ", " : "");
    return s + (a.ndim() == 1 ? ",)" : ")");
}

std::string shapeText(std::initializer_list<std::size_t> shape) {
    std::string s = "(";
    for (std::size_t extent : shape) s += std::to_string(extent) + ", ";
    return s.substr(0, s.size() - 2) + (shape.size() == 1 ? ",)" : ")");
}

void shapeMismatch(const char* what, const std::string& a, const std::string& b) {
    throw py::value_error(std::string(what) + ": shapes " + a + " and " + b + " do not match");
}

double finiteOr(double x, const char* what) {
    if (!std::isfinite(x))
        throw py::value_error(std::string(what) + " must be finite, got " +
                              py::repr(py::float_(x)).cast<std::string>());
    return x;
}

void bindErrors(py::module_& m) {
    py::handle builtins = PyEval_GetBuiltins();
    auto builtin = [&](const char* name) {
        return py::reinterpret_borrow<py::object>(PyDict_GetItemString(builtins.ptr(), name));
    };
    gError = newClass(m, "Error", "Base of every error zelmath raises.",
                      py::make_tuple(builtin("Exception")));
    py::object error = py::reinterpret_borrow<py::object>(gError);
    gZeroDivide = newClass(m, "ZeroDivideError", "Division of a SimTime by zero.",
                           py::make_tuple(error, builtin("ZeroDivisionError")));
    gDomain = newClass(
        m, "DomainError",
        "A value outside its domain: a SimTime nanosecond count of 1e9 or more in magnitude; a "
        "RandomStream package seed, substream or state text.",
        py::make_tuple(error, builtin("ValueError")));
    gOverflow = newClass(m, "DivisionOverflowError", "A SimTime quotient beyond the largest time.",
                         py::make_tuple(error, builtin("OverflowError")));
    gZeroVector = newClass(m, "ZeroVectorError",
                           "A vector or rotation axis of zero length where a direction is needed.",
                           py::make_tuple(error));
    gNumeric =
        newClass(m, "NumericError", "A numeric failure: normalising a quaternion of zero length.",
                 py::make_tuple(error));
    gAssertionWarning =
        newClass(m, "AssertionWarning",
                 "A programming error reported by the library (an axis or frame outside its set); "
                 "the operation returned without effect.",
                 py::make_tuple(builtin("UserWarning")));

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const ZELEZeroDivide& e) {
            PyErr_SetString(gZeroDivide, e.what());
        } catch (const ZELEDomainError& e) {
            PyErr_SetString(gDomain, e.what());
        } catch (const ZELEOverflowError& e) {
            PyErr_SetString(gOverflow, e.what());
        } catch (const ZELEZeroVector& e) {
            PyErr_SetString(gZeroVector, e.what());
        } catch (const ZELENumericError& e) {
            PyErr_SetString(gNumeric, e.what());
        } catch (const ZELException& e) {
            PyErr_SetString(gError, e.what());
        }
    });

    scl_set_assert_handler(&warnOnAssert);
    // Back to the default handler before the interpreter goes away.
    py::module_::import("atexit").attr("register")(
        py::cpp_function([] { scl_set_assert_handler(nullptr); }));
}

}  // namespace zelmath_python

PYBIND11_MODULE(_zelmath, m) {
    m.doc() =
        "ZELMath from Python: linear algebra, 3D rigid-body geometry, exact simulation time and "
        "reproducible random variates, with the same bits as the C++ library.";
    m.attr("__version__") = ZELMATH_PYTHON_VERSION;
    zelmath_python::bindErrors(m);
    zelmath_python::bindLinalg(m);
    zelmath_python::bindGeometry(m);
    zelmath_python::pickleGeometry(m);
    zelmath_python::bindSimTime(m);
    zelmath_python::bindStream(m);
    zelmath_python::bindRandom(m);
    zelmath_python::bindReplications(m);
    zelmath_python::bindKinematics(m);
    zelmath_python::bindDynamics(m);
    zelmath_python::bindProcesses(m);
    zelmath_python::bindScheduler(m);
    zelmath_python::refuseUninitialisedObjects(m);  // last: it covers every class bound above
}
