// Shared pieces of the Python module `zelmath`: one binder per family of classes, and the few
// helpers they have in common (array-like arguments, text output, errors raised by warnings).
#ifndef ZELMATH_PYTHON_ZELMATH_BINDINGS_H
#define ZELMATH_PYTHON_ZELMATH_BINDINGS_H

#include "ZELMath.h"
#include "ZELRandomMD.m/src/internal/ZELDrawInterrupt.h"

#include <pybind11/numpy.h>
#include <pybind11/operators.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstddef>
#include <sstream>
#include <string>

namespace py = pybind11;

namespace zelmath_python {

/// Float64 arrays read from any array-like (lists, tuples, arrays of other types or layouts).
using InArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

void bindErrors(py::module_& m);
void bindLinalg(py::module_& m);
void bindGeometry(py::module_& m);
void bindSimTime(py::module_& m);
void bindRandom(py::module_& m);
void bindStream(py::module_& m);
void bindReplications(py::module_& m);
void bindKinematics(py::module_& m);
void bindDynamics(py::module_& m);
void bindProcesses(py::module_& m);
void bindScheduler(py::module_& m);

/// A time argument from Python: a SimTime, or a float or int taken as seconds (rounded to the
/// nearest nanosecond); ValueError for NaN and infinities, TypeError for anything else.
ZELSimTime simTimeArgument(py::handle o, const char* what);

/// A new zelmath.SimTime holding t.
py::object simTimeObject(const ZELSimTime& t);

/// The pickling of Vector3D, Euler3D, Rotate3D, Qtn3D and Xform3D (after bindGeometry): states
/// are checked as the constructors check their arguments.
void pickleGeometry(py::module_& m);

/// A rotation matrix from outside is accepted when it is one up to rounding: every element of
/// R^T R - I and det R - 1 within this tolerance (loose enough for float32 input and for values
/// printed to six digits; zero, rank-deficient, scaled or mirrored matrices fail it).
constexpr double kRotationTolerance = 1e-4;

/// ValueError naming `what` unless the 3x3 matrix m(r, c) = p[r * stride + c] is finite and a
/// rotation within kRotationTolerance.
void checkRotation(const double* p, std::size_t stride, const char* what);

/// Makes every pybind11 class of `m` (and of its submodules) raise TypeError, naming the class,
/// when an object made by `__new__` without `__init__` is used. Called once, after the binders.
void refuseUninitialisedObjects(py::module_& m);

/// A new reference to a SimTime holding `t` (for the C API types).
PyObject* newSimTimeReference(const ZELSimTime& t);
/// True (and `out` set) when `o` is a SimTime.
bool simTimeValue(PyObject* o, ZELSimTime& out);

/// A float64 array from `object` with exactly the given shape (-1: any extent); TypeError
/// otherwise, naming `what`. Booleans, integers and floats convert; complex numbers, objects,
/// strings and anything else are refused with TypeError (never reinterpreted).
InArray shapedArray(py::handle object, std::initializer_list<py::ssize_t> shape, const char* what);

/// The array of numbers `object` stands for, of any shape, as float64 (TypeError as shapedArray).
InArray numericArray(py::handle object, const char* what);

/// A Vector3D, or an array-like of 3 numbers (TypeError as shapedArray, naming `what`).
ZELVector3D vector3From(py::handle object, const char* what = "Vector3D");

/// "(3, 2)", "(5,)", "()": a shape (given, or an array's) as numpy prints it.
std::string shapeText(std::initializer_list<std::size_t> shape);
std::string shapeText(const py::array& a);

/// Raises ValueError "<what>: shapes A and B do not match".
[[noreturn]] void shapeMismatch(const char* what, const std::string& a, const std::string& b);

/// x when it is finite; ValueError naming `what` otherwise (NaN and infinities).
double finiteOr(double x, const char* what);

/// The library's text output of a value at the stream's default settings.
template <class T>
std::string streamed(const T& value) {
    std::ostringstream os;
    os << value;
    return os.str();
}

/// After an operation that may report through the assertion hook: when the report became an
/// error (warnings filtered to "error"), raise it instead of returning.
void raiseIfWarned();

/// A binding that calls `f` and then raiseIfWarned(); for the operations that validate an axis
/// or a frame through the assertion hook.
template <class R, class... Args>
auto checked(R (*f)(Args...)) {
    return [f](Args... args) -> R {
        if constexpr (std::is_void_v<R>) {
            f(std::forward<Args>(args)...);
            raiseIfWarned();
        } else {
            R r = f(std::forward<Args>(args)...);
            raiseIfWarned();
            return r;
        }
    };
}

/// Runs `work` without the GIL when `release` is true (long loops over private data).
template <class F>
void runReleasingGil(bool release, F&& work) {
    if (release) {
        py::gil_scoped_release unlocked;
        work();
    } else {
        work();
    }
}

/// The interrupt check of long draws (see ZELRandomMD.m/src/internal/ZELDrawInterrupt.h) while
/// Python waits: true once Ctrl-C (or any signal handler) raised, the error left set.
inline bool pythonInterrupted() {
    py::gil_scoped_acquire gil;
    return PyErr_Occurred() != nullptr || PyErr_CheckSignals() != 0;
}

/// Runs `work(done, n)` over `count` items in chunks of n, from `done` = 0 up: without the GIL
/// when `release` is true, with a check for Ctrl-C (or any signal handler raising, or an error
/// left set by the work) after each chunk. The chunks start at `first` items and double while
/// they take under 20 ms, so cheap items pay little for the checks and a check comes at least
/// every 0.1 s of work.
template <class Work>
void inChunks(py::ssize_t count, py::ssize_t first, bool release, Work work) {
    py::ssize_t chunk = first;
    for (py::ssize_t done = 0; done < count;) {
        const py::ssize_t n = std::min(chunk, count - done);
        const auto start = std::chrono::steady_clock::now();
        runReleasingGil(release, [&] { work(done, n); });
        done += n;
        if (PyErr_Occurred() != nullptr || PyErr_CheckSignals() != 0) throw py::error_already_set();
        if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(20) &&
            chunk < (py::ssize_t(1) << 20))
            chunk *= 2;
    }
}

/// Runs `draw(out, n)` over `count` entries in chunks (inChunks), and through the distributions'
/// interrupt check also inside a draw that keeps rejecting. The chunks start at one entry (an
/// abandoned draw leaves at most its chunk to finish).
template <class Draw>
void drawInChunks(double* out, py::ssize_t count, bool release, Draw draw) {
    struct Guard {
        zel_internal::DrawInterruptCheck before =
            zel_internal::setDrawInterruptCheck(&pythonInterrupted);
        ~Guard() { zel_internal::setDrawInterruptCheck(before); }
    } guard;
    inChunks(count, 1, release, [&](py::ssize_t done, py::ssize_t n) {
        draw(out + done, static_cast<std::size_t>(n));
    });
}

/// The eight operators with a scalar on either side: + - * / element by element.
template <class Cls>
void scalarOperators(Cls& cls) {
    cls.def(py::self + double(), "Adds a scalar to every element.")
        .def(double() + py::self, "Adds a scalar to every element.")
        .def(py::self - double(), "Subtracts a scalar from every element.")
        .def(double() - py::self, "The scalar minus every element.")
        .def(py::self * double(), "Scales every element.")
        .def(double() * py::self, "Scales every element.")
        .def(py::self / double(),
             "Divides every element by a scalar (IEEE rules for a zero divisor).")
        .def(double() / py::self, "The scalar divided by every element.");
}

/// numpy's `__array__(dtype=None, copy=None)`: the array `toArray(self)`, cast to dtype if given.
template <class Cls, class F>
void arrayProtocol(Cls& cls, F toArray, const char* doc) {
    using T = typename Cls::type;
    cls.def(
        "__array__",
        [toArray](const T& self, py::object dtype, py::object) {
            py::array out = toArray(self);
            return dtype.is_none() ? out : out.attr("astype")(dtype).template cast<py::array>();
        },
        py::arg("dtype") = py::none(), py::arg("copy") = py::none(), doc);
}

/// The value a const getter writes into its out-parameter, e.g. got<ZELRotate3D, &ZELXform3D::getRotate>.
template <class Out, auto Get, class T>
Out got(const T& self) {
    Out out;
    (self.*Get)(out);
    return out;
}

/// A stream number from Python: any integer (TypeError for anything else, bools and floats
/// included). Numbers outside 1..2000 mean stream 1, as in C++; those outside the int range are
/// passed on as 0, so that strict stream numbers report them too.
inline int streamNumber(py::handle stream) {
    if (PyBool_Check(stream.ptr()) || !PyIndex_Check(stream.ptr()))
        throw py::type_error("stream must be an integer, not " +
                             std::string(py::str(py::type::handle_of(stream).attr("__name__"))));
    const py::int_ number = py::reinterpret_steal<py::int_>(PyNumber_Index(stream.ptr()));
    if (!number) throw py::error_already_set();
    int overflow = 0;
    const long long k = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    return overflow != 0 || k < INT_MIN || k > INT_MAX ? 0 : static_cast<int>(k);
}

}  // namespace zelmath_python

#endif
