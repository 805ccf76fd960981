// The Python module `zelmath`: the library's classes with numpy in and out, its errors as
// Python exceptions and its assertion reports as Python warnings.
#include "zelmath_bindings.h"

#include <cmath>
#include <string>

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

}  // namespace

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
    InArray a = InArray::ensure(any);
    if (!a) throw py::error_already_set();
    return a;
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
        std::string got = "(";
        for (py::ssize_t i = 0; i < a.ndim(); ++i)
            got += std::to_string(a.shape(i)) + (i + 1 < a.ndim() ? ", " : "");
        got += a.ndim() == 1 ? ",)" : ")";
        throw py::type_error(std::string(what) + ": expected shape " + want + ", got " + got);
    }
    return a;
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
    zelmath_python::bindSimTime(m);
    zelmath_python::bindStream(m);
    zelmath_python::bindRandom(m);
    zelmath_python::bindReplications(m);
    zelmath_python::bindKinematics(m);
    zelmath_python::bindDynamics(m);
}
