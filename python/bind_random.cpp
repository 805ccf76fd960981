// RandomGenerator and the distributions.
//
// From Python the distributions refuse what C++ takes as it comes: every constructor and
// `set_parameters` checks its parameters and raises ValueError, leaving the object as it was, for
// values that give nonsense or a draw that could not end (the rules are in the docstrings and the
// guide's Python section). The setters take the constructors' parameters in the same order.
#include "zelmath_bindings.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace zelmath_python {

namespace {

using Gen = ZELRandomGenerator;
using Base = ZELRNDistribution;

Gen& generator() {
    Gen* g = Gen::Instance();
    if (g == nullptr) throw std::bad_alloc();
    return *g;
}

py::array_t<double> newArray(py::ssize_t count) {
    if (count < 0) throw py::value_error("count must not be negative");
    return py::array_t<double>(count);
}

// ---- parameter checks ------------------------------------------------------------------------

[[noreturn]] void refuse(const char* cls, const std::string& rule, double value) {
    throw py::value_error(std::string(cls) + ": " + rule + ", got " +
                          py::repr(py::float_(value)).cast<std::string>());
}
void finite(const char* cls, const char* name, double v) {
    if (!std::isfinite(v)) refuse(cls, std::string(name) + " must be finite", v);
}
void positive(const char* cls, const char* name, double v) {
    if (!(std::isfinite(v) && v > 0.0))
        refuse(cls, std::string(name) + " must be positive and finite", v);
}
void nonNegative(const char* cls, const char* name, double v) {
    if (!(std::isfinite(v) && v >= 0.0))
        refuse(cls, std::string(name) + " must be non-negative and finite", v);
}
void atMost(const char* cls, const char* name, double v, double limit, const char* why) {
    if (v > limit)
        refuse(cls,
               std::string(name) + " must be at most " +
                   py::repr(py::float_(limit)).cast<std::string>() + " (" + why + ")",
               v);
}
void ordered(const char* cls, const char* low, double a, const char* high, double b) {
    if (a > b)
        refuse(cls,
               std::string(low) + " must not exceed " + high + " (" +
                   py::repr(py::float_(b)).cast<std::string>() + ")",
               a);
}

// The smallest beta shape Python accepts: below it nearly every gamma variate of the method is 0
// and a draw retries (up to 2^20 times) for a pair that is not both 0.
constexpr double kMinBetaShape = 1e-6;
// The largest Poisson mean: near 745 exp(-lambda) underflows and every draw yields the cap.
constexpr double kMaxPoissonMean = 700.0;

// ---- draws -----------------------------------------------------------------------------------

// Below this many draws the GIL stays held.
constexpr py::ssize_t kReleaseGilDraws = 1024;

// `count` draws of a private copy of the distribution (draws run without the GIL, so they must
// not read an object that Python code could change meanwhile), exactly as `count` calls of
// variate(stream). A RandomStream is drawn through a copy too, stored back when all is done (an
// interrupted call leaves it where it was; a numbered stream keeps the draws made).
template <class D>
py::array_t<double> variates(const D& d, py::handle stream, py::ssize_t count) {
    py::array_t<double> out = newArray(count);
    double* p = out.mutable_data();
    D local(d);
    const bool release = count >= kReleaseGilDraws;
    if (py::isinstance<ZELRandomStream>(stream)) {
        ZELRandomStream& original = stream.cast<ZELRandomStream&>();
        ZELRandomStream s(original);
        drawInChunks(p, count, release,
                     [&](double* o, std::size_t n) { local.getRandomVariates(s, o, n); });
        original = s;
    } else {
        const int k = streamNumber(stream);
        drawInChunks(p, count, release, [&](double* o, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i) o[i] = local.getRandomVariate(k);
        });
    }
    return out;
}

double variate(Base& d, py::handle stream) {
    const double x = py::isinstance<ZELRandomStream>(stream)
        ? d.getRandomVariate(stream.cast<ZELRandomStream&>())
        : d.getRandomVariate(streamNumber(stream));
    raiseIfWarned();
    return x;
}

// The class with its copy protocol and `variates`; `Args` are the parameters of the constructor
// and of set_parameters, `make` checks them and builds, `set` checks them and stores.
template <class D>
py::class_<D, Base> distribution(py::module_& m, const char* name, const char* doc) {
    py::class_<D, Base> cls(m, name, doc);
    cls.def(
        "variates", &variates<D>, py::arg("stream"), py::arg("count"),
        "`count` variates from `stream` (a stream number or a RandomStream) as a numpy array, "
        "equal to "
        "`count` calls of variate(stream). Long batches run without the GIL and stop at Ctrl-C.");
    cls.def(
        "__copy__", [](const D& d) { return D(d); }, "A copy (same parameters and bounds).");
    cls.def(
        "__deepcopy__", [](const D& d, py::dict) { return D(d); }, py::arg("memo"), "A copy.");
    return cls;
}

// The parameters of `d` as its constructor takes them (for repr).
template <class D>
std::vector<py::object> shownParameters(const D& d) {
    std::vector<py::object> out;
    for (double x : d.GetParameters()) out.push_back(py::float_(x));
    if constexpr (std::is_same_v<D, ZELTriangularDistribution>) std::swap(out[1], out[2]);
    if constexpr (std::is_same_v<D, ZELErlangDistribution>)
        out[1] = py::int_(static_cast<long long>(d.GetParameters()[1]));
    return out;
}

// The constructor and set_parameters of a parametric distribution from one checking function
// `check(args...)` and the C++ setter call `store(d, args...)`.
template <class D, class... Args, class Check, class Store, class... Extra>
void parameters(py::class_<D, Base>& cls, Check check, Store store, const char* doc,
                Extra... names) {
    cls.def(py::init([check](Args... args) {
                check(args...);
                return new D(args...);
            }),
            names..., doc);
    cls.def(
        "set_parameters",
        [check, store](D& d, Args... args) {
            check(args...);
            store(d, args...);
        },
        py::arg(names.name)...,
        "Replaces the parameters (same order and checks as the constructor).");
    const std::vector<std::string> labels{names.name...};
    cls.def(
        "__repr__",
        [labels](const py::object& self) {
            const D& d = py::cast<const D&>(self);
            const auto values = shownParameters(d);
            std::string s = std::string(py::str(py::type::handle_of(self).attr("__name__"))) + "(";
            for (std::size_t i = 0; i < labels.size() && i < values.size(); ++i)
                s += (i ? ", " : "") + labels[i] + "=" + std::string(py::repr(values[i]));
            s += ")";
            if (!std::isinf(d.GetLowerBound()) || !std::isinf(d.GetUpperBound()))
                s += " bounded to [" + std::string(py::repr(py::float_(d.GetLowerBound()))) + ", " +
                    std::string(py::repr(py::float_(d.GetUpperBound()))) + "]";
            return s;
        },
        "The class and its parameters (and bounds, when set).");
}

template <class D>
D* tableDistribution(py::handle values, py::handle probabilities, const char* cls, bool ascending) {
    const InArray v = shapedArray(values, {-1}, "values");
    const InArray p = shapedArray(probabilities, {v.shape(0)}, "probabilities");
    if (v.shape(0) == 0) throw py::value_error(std::string(cls) + ": the table must not be empty");
    if (v.shape(0) > 0x7fffffff)
        throw py::value_error(std::string(cls) + ": the table is too long");
    double sum = 0.0;
    for (py::ssize_t i = 0; i < v.shape(0); ++i) {
        finite(cls, "every value", v.data()[i]);
        nonNegative(cls, "every probability", p.data()[i]);
        if (ascending && i > 0)
            ordered(cls, "values", v.data()[i - 1], "the next value", v.data()[i]);
        sum += p.data()[i];
    }
    if (!(sum > 0.0) || !std::isfinite(sum))
        refuse(cls, "the probabilities must have a positive finite sum", sum);
    return new D(v.data(), p.data(), static_cast<int>(v.shape(0)));
}

}  // namespace

void bindRandom(py::module_& m) {
    py::class_<Gen, std::unique_ptr<Gen, py::nodelete>>(
        m, "RandomGenerator",
        "The process-wide source of uniform numbers in [0, 1]: 2000 numbered, reproducible "
        "streams. A stream "
        "number outside 1..2000 means stream 1; set_strict_streams(True) makes every such number "
        "warn "
        "(AssertionWarning, an error under warnings filter 'error'). Get it with "
        "RandomGenerator.instance().")
        .def_static(
            "instance", []() { return &generator(); }, py::return_value_policy::reference,
            "The generator singleton.")
        .def_property_readonly("number_of_streams", &Gen::GetNumberOfStreams,
                               "The number of streams (2000).")
        .def(
            "get_random_number",
            [](Gen& g, py::handle stream) {
                const double u = g.GetRandomNumber(streamNumber(stream));
                raiseIfWarned();
                return u;
            },
            py::arg("stream"), "The next number of the stream.")
        .def(
            "get_random_numbers",
            [](Gen& g, py::handle stream, py::ssize_t count) {
                py::array_t<double> out = newArray(count);
                double* p = out.mutable_data();
                const int k = streamNumber(stream);
                {
                    py::gil_scoped_release release;
                    g.GetRandomNumbers(k, p, static_cast<std::size_t>(count));
                }
                raiseIfWarned();
                return out;
            },
            py::arg("stream"), py::arg("count"),
            "The next `count` numbers of the stream as a numpy array, equal to `count` single "
            "draws.")
        .def(
            "reset_stream",
            [](Gen& g, py::handle stream) {
                g.ResetStream(streamNumber(stream));
                raiseIfWarned();
            },
            py::arg("stream"),
            "Back to the stream's initial seed (replays its sequence; the draw count restarts at "
            "0).")
        .def(
            "advance_stream",
            [](Gen& g, py::handle stream, std::uint64_t steps) {
                g.AdvanceStream(streamNumber(stream), steps);
                raiseIfWarned();
            },
            py::arg("stream"), py::arg("steps"), "Skips `steps` draws in O(log steps).")
        .def(
            "set_antithetic",
            [](Gen& g, py::handle stream) {
                g.SetAntithetic(streamNumber(stream));
                raiseIfWarned();
            },
            py::arg("stream"), "Switches the stream to 1 - u from its next draw on, for good.")
        .def(
            "get_initial_seed",
            [](Gen& g, py::handle stream) {
                const int seed = g.GetInitialSeed(streamNumber(stream));
                raiseIfWarned();
                return seed;
            },
            py::arg("stream"),
            "The stream's initial seed (32 bits read as a signed int, as in C++).")
        .def(
            "set_initial_seed",
            [](Gen& g, py::handle stream, long long seed) {
                if (seed < -0x80000000LL || seed > 0xFFFFFFFFLL)
                    throw py::value_error("seed must lie in [-2**31, 2**32), got " +
                                          std::to_string(seed));
                g.SetInitialSeed(streamNumber(stream),
                                 static_cast<unsigned int>(seed & 0xFFFFFFFFLL));
                raiseIfWarned();
            },
            py::arg("stream"), py::arg("seed"),
            "Replaces the initial seed (32 bits, given signed as get_initial_seed returns it or "
            "unsigned); takes "
            "effect at the next reset_stream.")
        .def(
            "draw_count",
            [](Gen& g, py::handle stream) {
                const std::uint64_t n = g.GetDrawCount(streamNumber(stream));
                raiseIfWarned();
                return n;
            },
            py::arg("stream"),
            "Draws of the stream since its creation or last reset_stream (blocks and advances "
            "count), modulo 2**32.")
        .def_static(
            "set_overrun_check", &Gen::SetOverrunCheck, py::arg("on"),
            "Process-wide: warn (AssertionWarning 'Stream ran into the next stream') once per "
            "reset when "
            "a stream's draw count passes 2**21, where its numbers become the next stream's.")
        .def_static("get_overrun_check", &Gen::GetOverrunCheck, "Whether the overrun check is on.")
        .def_static(
            "set_strict_streams", &Gen::SetStrictStreams, py::arg("on"),
            "Process-wide: warn (AssertionWarning 'Invalid stream number') for every stream number "
            "outside 1..2000, which then still means stream 1.")
        .def_static("get_strict_streams", &Gen::GetStrictStreams,
                    "Whether strict stream numbers are on.");

    py::class_<Base>(
        m, "RNDistribution",
        "Base of the distributions: each draw names a stream (a stream number or a RandomStream). "
        "Parametric draws are repeated until they fall within the bounds (none by default).")
        .def("variate", &variate, py::arg("stream"),
             "One variate drawn from `stream` (a number or a RandomStream).")
        .def(
            "set_bounds",
            [](Base& d, double lower, double upper) {
                if (std::isnan(lower) || std::isnan(upper))
                    refuse("set_bounds", "bounds must not be NaN",
                           std::isnan(lower) ? lower : upper);
                ordered("set_bounds", "lower", lower, "upper", upper);
                d.SetBounds(lower, upper);
            },
            py::arg("lower"), py::arg("upper"),
            "Acceptance bounds (an infinite bound is none); ValueError for NaN or lower > upper. "
            "Bounds that "
            "reject 2**24 draws in a row make the draw NaN with an AssertionWarning.")
        .def_property_readonly("lower_bound", &Base::GetLowerBound, "The lower acceptance bound.")
        .def_property_readonly("upper_bound", &Base::GetUpperBound, "The upper acceptance bound.");

    auto uniform = distribution<ZELUniformDistribution>(m, "UniformDistribution",
                                                        "Uniform on [minimum, maximum].");
    parameters<ZELUniformDistribution, double, double>(
        uniform,
        [](double lo, double hi) {
            finite("UniformDistribution", "minimum", lo),
                finite("UniformDistribution", "maximum", hi);
            ordered("UniformDistribution", "minimum", lo, "maximum", hi);
        },
        [](ZELUniformDistribution& d, double lo, double hi) {
            d.SetDistributionParameters(lo, hi);
        },
        "Uniform on [minimum, maximum] (finite, minimum <= maximum).", py::arg("minimum") = 0.0,
        py::arg("maximum") = 1.0);

    auto exponential = distribution<ZELExponentialDistribution>(m, "ExponentialDistribution",
                                                                "Exponential with the given mean.");
    parameters<ZELExponentialDistribution, double>(
        exponential, [](double mean) { positive("ExponentialDistribution", "mean", mean); },
        [](ZELExponentialDistribution& d, double mean) { d.SetDistributionParameters(mean); },
        "Exponential with the given mean (positive; there is no default).", py::arg("mean"));

    auto triangular = distribution<ZELTriangularDistribution>(
        m, "TriangularDistribution", "Triangular on [minimum, maximum] with a mode.");
    parameters<ZELTriangularDistribution, double, double, double>(
        triangular,
        [](double lo, double mode, double hi) {
            finite("TriangularDistribution", "minimum", lo),
                finite("TriangularDistribution", "mode", mode);
            finite("TriangularDistribution", "maximum", hi);
            ordered("TriangularDistribution", "minimum", lo, "mode", mode);
            ordered("TriangularDistribution", "mode", mode, "maximum", hi);
        },
        [](ZELTriangularDistribution& d, double lo, double mode, double hi) {
            d.SetParameters(lo, hi, mode);
        },
        "Triangular (minimum <= mode <= maximum, finite).", py::arg("minimum"), py::arg("mode"),
        py::arg("maximum"));

    auto normal = distribution<ZELNormalDistribution>(m, "NormalDistribution",
                                                      "Normal with a mean and standard deviation.");
    parameters<ZELNormalDistribution, double, double>(
        normal,
        [](double mean, double sd) {
            finite("NormalDistribution", "mean", mean),
                nonNegative("NormalDistribution", "std_dev", sd);
        },
        [](ZELNormalDistribution& d, double mean, double sd) { d.SetDistParameters(mean, sd); },
        "Normal (finite mean, non-negative std_dev).", py::arg("mean") = 0.0,
        py::arg("std_dev") = 1.0);

    auto logNormal = distribution<ZELLogNormalDistribution>(
        m, "LogNormalDistribution",
        "Log-normal with the mean and standard deviation of the variate itself.");
    parameters<ZELLogNormalDistribution, double, double>(
        logNormal,
        [](double mean, double sd) {
            positive("LogNormalDistribution", "mean", mean),
                nonNegative("LogNormalDistribution", "std_dev", sd);
        },
        [](ZELLogNormalDistribution& d, double mean, double sd) {
            d.SetDistributionParameters(mean, sd);
        },
        "Log-normal (positive mean, non-negative std_dev, of the variate itself).",
        py::arg("mean") = 1.0, py::arg("std_dev") = 1.0);

    auto gamma =
        distribution<ZELGammaDistribution>(m, "GammaDistribution", "Gamma with shape and scale.");
    parameters<ZELGammaDistribution, double, double>(
        gamma,
        [](double shape, double scale) {
            positive("GammaDistribution", "shape", shape),
                positive("GammaDistribution", "scale", scale);
            atMost("GammaDistribution", "shape", shape, 1e300,
                   "the method's constants overflow near 9e307");
        },
        [](ZELGammaDistribution& d, double shape, double scale) {
            d.SetDistParameters(shape, scale);
        },
        "Gamma (shape in (0, 1e300], positive scale).", py::arg("shape") = 1.0,
        py::arg("scale") = 1.0);

    auto erlang = distribution<ZELErlangDistribution>(m, "ErlangDistribution",
                                                      "Erlang with a mean and a number of phases.");
    parameters<ZELErlangDistribution, double, int>(
        erlang,
        [](double mean, int phases) {
            positive("ErlangDistribution", "mean", mean);
            if (phases < 1) refuse("ErlangDistribution", "phases must be at least 1", phases);
        },
        [](ZELErlangDistribution& d, double mean, int phases) {
            d.SetDistParameters(mean, phases);
        },
        "Erlang (positive mean; phases a whole number from 1 to 2**31 - 1).", py::arg("mean"),
        py::arg("phases") = 1);

    auto beta =
        distribution<ZELBetaDistribution>(m, "BetaDistribution", "Beta with two shape parameters.");
    parameters<ZELBetaDistribution, double, double>(
        beta,
        [](double a, double b) {
            for (double s : {a, b}) {
                positive("BetaDistribution", "a shape", s);
                if (s < kMinBetaShape)
                    refuse("BetaDistribution",
                           "a shape must be at least 1e-06 (the gamma method yields "
                           "0 for nearly every smaller shape)",
                           s);
            }
        },
        [](ZELBetaDistribution& d, double a, double b) { d.SetDistParameters(a, b); },
        "Beta (finite shapes of at least 1e-6).", py::arg("shape1") = 1.0,
        py::arg("shape2") = 0.25);

    auto weibull = distribution<ZELWeibullDistribution>(m, "WeibullDistribution",
                                                        "Weibull with scale and shape.");
    parameters<ZELWeibullDistribution, double, double>(
        weibull,
        [](double scale, double shape) {
            positive("WeibullDistribution", "scale", scale),
                positive("WeibullDistribution", "shape", shape);
        },
        [](ZELWeibullDistribution& d, double scale, double shape) {
            d.SetDistributionParameters(scale, shape);
        },
        "Weibull (positive scale and shape; there are no defaults).", py::arg("scale"),
        py::arg("shape"));

    auto poisson = distribution<ZELPoissonDistribution>(m, "PoissonDistribution",
                                                        "Poisson counts with mean lambda.");
    parameters<ZELPoissonDistribution, double>(
        poisson,
        [](double lam) {
            nonNegative("PoissonDistribution", "lam", lam);
            atMost("PoissonDistribution", "lam", lam, kMaxPoissonMean,
                   "exp(-lam) underflows near 745 and every draw is the cap");
        },
        [](ZELPoissonDistribution& d, double lam) { d.SetDistParameters(lam); },
        "Poisson (lam in [0, 700]).", py::arg("lam"));

    distribution<ZELUserDiscDistribution>(
        m, "UserDiscDistribution",
        "A discrete table: values drawn with the given (normalised) probabilities.")
        .def(py::init([](py::handle values, py::handle probabilities) {
                 return tableDistribution<ZELUserDiscDistribution>(values, probabilities,
                                                                   "UserDiscDistribution", false);
             }),
             py::arg("values"), py::arg("probabilities"),
             "From equally long, non-empty array-likes of finite values and non-negative "
             "probabilities with a "
             "positive sum.");
    distribution<ZELUserContDistribution>(
        m, "UserContDistribution",
        "A piecewise-linear distribution function through (value, cumulative probability) "
        "points built from the given probabilities.")
        .def(py::init([](py::handle values, py::handle probabilities) {
                 return tableDistribution<ZELUserContDistribution>(values, probabilities,
                                                                   "UserContDistribution", true);
             }),
             py::arg("values"), py::arg("probabilities"),
             "From equally long, non-empty array-likes of non-decreasing finite values and "
             "non-negative probabilities "
             "with a positive sum.");
}

}  // namespace zelmath_python
