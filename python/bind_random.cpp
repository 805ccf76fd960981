// RandomGenerator and the distributions.
#include "zelmath_bindings.h"

#include <cstdint>
#include <vector>

namespace zelmath_python {

namespace {

using Gen = ZELRandomGenerator;
using Base = ZELRNDistribution;

// Below this many draws the GIL stays held.
constexpr py::ssize_t kReleaseGilDraws = 1024;

Gen& generator() {
    Gen* g = Gen::Instance();
    if (g == nullptr) throw std::bad_alloc();
    return *g;
}

py::array_t<double> newArray(py::ssize_t count) {
    if (count < 0) throw py::value_error("count must not be negative");
    return py::array_t<double>(count);
}

// `count` draws of a private copy of the distribution (draws may run without the GIL, so they
// must not read an object that Python code could change meanwhile), exactly as `count` calls
// of variate(stream).
template <class D>
py::array_t<double> variates(const D& d, long long stream, py::ssize_t count) {
    py::array_t<double> out = newArray(count);
    double* p = out.mutable_data();
    D local(d);
    const int s = streamNumber(stream);
    runReleasingGil(count >= kReleaseGilDraws, [&] {
        for (py::ssize_t i = 0; i < count; ++i) p[i] = local.getRandomVariate(s);
    });
    return out;
}

template <class D>
py::class_<D, Base> distribution(py::module_& m, const char* name, const char* doc) {
    py::class_<D, Base> cls(m, name, doc);
    cls.def("variates", &variates<D>, py::arg("stream"), py::arg("count"),
            "`count` variates from `stream` as a numpy array, equal to `count` calls of variate(stream).");
    cls.def("__copy__", [](const D& d) { return D(d); }, "A copy (same parameters and bounds).");
    cls.def("__deepcopy__", [](const D& d, py::dict) { return D(d); }, py::arg("memo"), "A copy.");
    return cls;
}

template <class D>
D* tableDistribution(py::handle values, py::handle probabilities) {
    const InArray v = shapedArray(values, {-1}, "values");
    const InArray p = shapedArray(probabilities, {v.shape(0)}, "probabilities");
    return new D(v.data(), p.data(), static_cast<int>(v.shape(0)));
}

}  // namespace

void bindRandom(py::module_& m) {
    py::class_<Gen, std::unique_ptr<Gen, py::nodelete>>(
        m, "RandomGenerator",
        "The process-wide source of uniform numbers in [0, 1]: 2000 numbered, reproducible streams (any other "
        "stream number means stream 1). Get it with RandomGenerator.instance().")
        .def_static("instance", []() { return &generator(); }, py::return_value_policy::reference,
                    "The generator singleton.")
        .def_property_readonly("number_of_streams", &Gen::GetNumberOfStreams, "The number of streams (2000).")
        .def("get_random_number", [](Gen& g, long long stream) { return g.GetRandomNumber(streamNumber(stream)); },
             py::arg("stream"), "The next number of the stream.")
        .def("get_random_numbers", [](Gen& g, long long stream, py::ssize_t count) {
            py::array_t<double> out = newArray(count);
            double* p = out.mutable_data();
            py::gil_scoped_release release;
            g.GetRandomNumbers(streamNumber(stream), p, static_cast<std::size_t>(count));
            return out;
        }, py::arg("stream"), py::arg("count"),
           "The next `count` numbers of the stream as a numpy array, equal to `count` single draws.")
        .def("reset_stream", [](Gen& g, long long stream) { g.ResetStream(streamNumber(stream)); }, py::arg("stream"),
             "Back to the stream's initial seed (replays its sequence).")
        .def("advance_stream", [](Gen& g, long long stream, std::uint64_t steps) {
            g.AdvanceStream(streamNumber(stream), steps);
        }, py::arg("stream"), py::arg("steps"), "Skips `steps` draws in O(log steps).")
        .def("set_antithetic", [](Gen& g, long long stream) { g.SetAntithetic(streamNumber(stream)); },
             py::arg("stream"), "Switches the stream to 1 - u from its next draw on, for good.")
        .def("get_initial_seed", [](Gen& g, long long stream) { return g.GetInitialSeed(streamNumber(stream)); },
             py::arg("stream"), "The stream's initial seed (32 bits read as a signed int).")
        .def("set_initial_seed", [](Gen& g, long long stream, unsigned int seed) {
            g.SetInitialSeed(streamNumber(stream), seed);
        }, py::arg("stream"), py::arg("seed"), "Replaces the initial seed; takes effect at the next reset_stream.");

    py::class_<Base>(m, "RNDistribution",
                     "Base of the distributions: each draw names a stream of the generator. Parametric draws are "
                     "repeated until they fall within the bounds (none by default).")
        .def("variate", [](Base& d, long long stream) { return d.getRandomVariate(streamNumber(stream)); },
             py::arg("stream"), "One variate drawn from `stream`.")
        .def("set_bounds", &Base::SetBounds, py::arg("lower"), py::arg("upper"),
             "Acceptance bounds (an infinite bound is none).")
        .def_property_readonly("lower_bound", &Base::GetLowerBound, "The lower acceptance bound.")
        .def_property_readonly("upper_bound", &Base::GetUpperBound, "The upper acceptance bound.");

    distribution<ZELUniformDistribution>(m, "UniformDistribution", "Uniform on [minimum, maximum].")
        .def(py::init<double, double>(), py::arg("minimum") = 0.0, py::arg("maximum") = 1.0, "Uniform on [minimum, maximum].")
        .def("set_distribution_parameters", &ZELUniformDistribution::SetDistributionParameters, py::arg("minimum"),
             py::arg("maximum"), "Replaces the parameters.");
    distribution<ZELExponentialDistribution>(m, "ExponentialDistribution", "Exponential with the given mean.")
        .def(py::init<double>(), py::arg("mean") = 0.0, "Exponential with the given mean.")
        .def("set_distribution_parameters", &ZELExponentialDistribution::SetDistributionParameters, py::arg("mean"),
             "Replaces the mean.");
    distribution<ZELTriangularDistribution>(m, "TriangularDistribution", "Triangular on [minimum, maximum] with a mode.")
        .def(py::init<double, double, double>(), py::arg("minimum"), py::arg("mode"), py::arg("maximum"),
             "Triangular (minimum, mode, maximum).")
        .def("set_parameters", &ZELTriangularDistribution::SetParameters, py::arg("minimum"), py::arg("maximum"),
             py::arg("mode"), "Replaces the parameters (note the C++ order: minimum, maximum, mode).");
    distribution<ZELNormalDistribution>(m, "NormalDistribution", "Normal with a mean and standard deviation.")
        .def(py::init<double, double>(), py::arg("mean") = 0.0, py::arg("std_dev") = 1.0, "Normal (mean, std_dev).")
        .def("set_dist_parameters", &ZELNormalDistribution::SetDistParameters, py::arg("mean"), py::arg("std_dev"),
             "Replaces the parameters.");
    distribution<ZELLogNormalDistribution>(m, "LogNormalDistribution",
                                           "Log-normal with the mean and standard deviation of the variate itself.")
        .def(py::init<double, double>(), py::arg("mean") = 1.0, py::arg("std_dev") = 1.0, "Log-normal (mean, std_dev).")
        .def("set_distribution_parameters", &ZELLogNormalDistribution::SetDistributionParameters, py::arg("mean"),
             py::arg("std_dev"), "Replaces the parameters.");
    distribution<ZELGammaDistribution>(m, "GammaDistribution", "Gamma with shape and scale.")
        .def(py::init<double, double>(), py::arg("shape") = 1.0, py::arg("scale") = 1.0, "Gamma (shape, scale).")
        .def("set_dist_parameters", &ZELGammaDistribution::SetDistParameters, py::arg("shape"), py::arg("scale"),
             "Replaces the parameters.");
    distribution<ZELErlangDistribution>(m, "ErlangDistribution", "Erlang with a mean and a number of phases.")
        .def(py::init<double, int>(), py::arg("mean") = 0.0, py::arg("phases") = 1, "Erlang (mean, phases).")
        .def("set_dist_parameters", &ZELErlangDistribution::SetDistParameters, py::arg("mean"), py::arg("phases"),
             "Replaces the parameters.");
    distribution<ZELBetaDistribution>(m, "BetaDistribution", "Beta with two shape parameters.")
        .def(py::init<double, double>(), py::arg("shape1") = 1.0, py::arg("shape2") = 0.25, "Beta (shape1, shape2).")
        .def("set_dist_parameters", &ZELBetaDistribution::SetDistParameters, py::arg("shape1"), py::arg("shape2"),
             "Replaces the parameters.");
    distribution<ZELWeibullDistribution>(m, "WeibullDistribution", "Weibull with scale and shape.")
        .def(py::init<double, double>(), py::arg("scale") = 0.0, py::arg("shape") = 0.0, "Weibull (scale, shape).")
        .def("set_distribution_parameters", &ZELWeibullDistribution::SetDistributionParameters, py::arg("scale"),
             py::arg("shape"), "Replaces the parameters.");
    distribution<ZELPoissonDistribution>(m, "PoissonDistribution", "Poisson counts with mean lambda.")
        .def(py::init<double>(), py::arg("lam"), "Poisson (lambda).")
        .def("set_dist_parameters", &ZELPoissonDistribution::SetDistParameters, py::arg("lam"), "Replaces lambda.");
    distribution<ZELUserDiscDistribution>(m, "UserDiscDistribution",
                                          "A discrete table: values drawn with the given (normalised) probabilities.")
        .def(py::init(&tableDistribution<ZELUserDiscDistribution>), py::arg("values"), py::arg("probabilities"),
             "From equally long array-likes of values and probabilities.");
    distribution<ZELUserContDistribution>(m, "UserContDistribution",
                                          "A piecewise-linear distribution function through (value, cumulative probability) "
                                          "points built from the given probabilities.")
        .def(py::init(&tableDistribution<ZELUserContDistribution>), py::arg("values"), py::arg("probabilities"),
             "From equally long array-likes of values and probabilities.");
}

}  // namespace zelmath_python
