// Shared pieces of the Python module `zelmath`: one binder per family of classes, and the few
// helpers they have in common (array-like arguments, text output, errors raised by warnings).
#ifndef ZELMATH_PYTHON_ZELMATH_BINDINGS_H
#define ZELMATH_PYTHON_ZELMATH_BINDINGS_H

#include "ZELMath.h"

#include <pybind11/numpy.h>
#include <pybind11/operators.h>
#include <pybind11/pybind11.h>

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

/// A float64 array from `object` with exactly the given shape (-1: any extent); TypeError
/// otherwise, naming `what`.
InArray shapedArray(py::handle object, std::initializer_list<py::ssize_t> shape, const char* what);

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

/// Stream numbers from Python: any integer is accepted; numbers outside the int range mean
/// stream 1, like every other number outside 1..2000.
inline int streamNumber(long long stream) {
    return stream < 1 || stream > 0x7fffffffLL ? 1 : static_cast<int>(stream);
}

}  // namespace zelmath_python

#endif
