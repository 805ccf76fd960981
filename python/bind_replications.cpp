// Replication, ReplicationResults and the helpers of zelmath.replicate (python/zelmath/_replications.py):
// the streams and the statistics of a study come from the C++ library, so that Python and C++
// give the same bits. Also the pickling of the distributions, which models take to workers.
#include "zelmath_bindings.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zelmath_python {

namespace {

ZELStreamEngine engineNamed(const std::string& name) {
    if (name == "mrg32k3a") return ZELStreamEngine::MRG32k3a;
    if (name == "philox") return ZELStreamEngine::Philox;
    throw py::value_error("engine must be \"mrg32k3a\" or \"philox\", not \"" + name + "\"");
}

const char* engineName(ZELStreamEngine engine) {
    return engine == ZELStreamEngine::Philox ? "philox" : "mrg32k3a";
}

ZELReplicationOptions studyKey(const std::string& engine,
                               const std::array<std::uint32_t, 6>& packageSeed, std::uint64_t seed,
                               std::uint64_t first = 0) {
    ZELReplicationOptions o;
    o.engine = engineNamed(engine);
    o.packageSeed = packageSeed;
    o.seed = seed;
    o.first = first;
    return o;
}

ZELReplication replicationOf(std::uint64_t index, const std::string& engine,
                             const std::array<std::uint32_t, 6>& packageSeed, std::uint64_t seed) {
    return ZELReplication(index, studyKey(engine, packageSeed, seed));
}

ZELReplicationResults resultsOf(py::handle values, std::uint64_t first) {
    const InArray a = numericArray(values, "ReplicationResults values");
    if (a.ndim() != 2)
        throw py::type_error(
            "ReplicationResults values: expected a 2-D array (a row per replication, a column per "
            "output), got shape " +
            shapeText(a));
    return ZELReplicationResults(ZELMathMatrix(a.data(), static_cast<std::size_t>(a.shape(0)),
                                               static_cast<std::size_t>(a.shape(1))),
                                 first);
}

py::array_t<double> valuesOf(const ZELReplicationResults& r) {
    py::array_t<double> out(
        {static_cast<py::ssize_t>(r.count()), static_cast<py::ssize_t>(r.outputs())});
    double* p = out.mutable_data();
    for (std::size_t i = 0; i < r.count(); ++i)
        for (std::size_t j = 0; j < r.outputs(); ++j) *p++ = r.values()(i, j);
    return out;
}

// Per-output statistics as one array.
template <class F>
py::array_t<double> perOutput(const ZELReplicationResults& r, F statistic) {
    py::array_t<double> out(static_cast<py::ssize_t>(r.outputs()));
    for (std::size_t j = 0; j < r.outputs(); ++j) out.mutable_data()[j] = statistic(j);
    return out;
}

// Pickling of a distribution class bound by bindRandom: its parameters (in the order its setter
// takes them) and its bounds. `blank()` makes an object that `set` then gives the parameters.
template <class D, std::size_t N, class Blank, class Set>
void pickleParametric(py::module_& m, const char* name, Blank blank, Set set) {
    auto cls = py::reinterpret_borrow<py::class_<D, ZELRNDistribution>>(m.attr(name));
    cls.def(py::pickle(
        [](const D& d) {
            return py::make_tuple(d.GetParameters(), d.GetLowerBound(), d.GetUpperBound());
        },
        [blank, set, name](const py::tuple& t) {
            if (t.size() != 3)
                throw py::value_error(std::string(name) + ": a pickled state has three items");
            const auto given = t[0].cast<std::vector<double>>();
            if (given.size() != N)
                throw py::value_error(std::string(name) + ": a pickled state has " +
                                      std::to_string(N) + " parameters");
            std::array<double, N> parameters{};
            std::copy(given.begin(), given.end(), parameters.begin());
            D d = blank();
            set(d, parameters);
            d.SetBounds(t[1].cast<double>(), t[2].cast<double>());
            return d;
        }));
}

// The user tables pickle as their values and cumulative probabilities, rebuilt bit for bit.
template <class D>
void pickleTable(py::module_& m, const char* name) {
    auto cls = py::reinterpret_borrow<py::class_<D, ZELRNDistribution>>(m.attr(name));
    cls.def(py::pickle(
        [](const D& d) {
            const ZELUserTable& t = d.table();
            const std::vector<double> values(t.values(), t.values() + t.count());
            const std::vector<double> cum(t.cumProbs(), t.cumProbs() + t.count());
            return py::make_tuple(values, cum);
        },
        [name](const py::tuple& t) {
            if (t.size() != 2)
                throw py::value_error(std::string(name) + ": a pickled state has two items");
            const auto values = t[0].cast<std::vector<double>>();
            const auto cum = t[1].cast<std::vector<double>>();
            if (values.size() != cum.size() || values.size() > 0x7fffffffu)
                throw py::value_error(std::string(name) +
                                      ": a pickled state has as many values as probabilities");
            return D(ZELUserTable::FromCumulative(values.data(), cum.data(),
                                                  static_cast<int>(values.size())));
        }));
}

// Every distribution pickles, so that models and their inputs travel to worker processes.
void pickleDistributions(py::module_& m) {
    using A1 = std::array<double, 1>;
    using A2 = std::array<double, 2>;
    pickleParametric<ZELUniformDistribution, 2>(
        m, "UniformDistribution", [] { return ZELUniformDistribution(); },
        [](ZELUniformDistribution& d, const A2& p) { d.SetDistributionParameters(p[0], p[1]); });
    pickleParametric<ZELExponentialDistribution, 1>(
        m, "ExponentialDistribution", [] { return ZELExponentialDistribution(); },
        [](ZELExponentialDistribution& d, const A1& p) { d.SetDistributionParameters(p[0]); });
    pickleParametric<ZELTriangularDistribution, 3>(
        m, "TriangularDistribution", [] { return ZELTriangularDistribution(0.0, 0.0, 0.0); },
        [](ZELTriangularDistribution& d, const std::array<double, 3>& p) {
            d.SetParameters(p[0], p[1], p[2]);
        });
    pickleParametric<ZELNormalDistribution, 2>(
        m, "NormalDistribution", [] { return ZELNormalDistribution(); },
        [](ZELNormalDistribution& d, const A2& p) { d.SetDistParameters(p[0], p[1]); });
    pickleParametric<ZELLogNormalDistribution, 2>(
        m, "LogNormalDistribution", [] { return ZELLogNormalDistribution(); },
        [](ZELLogNormalDistribution& d, const A2& p) { d.SetDistributionParameters(p[0], p[1]); });
    pickleParametric<ZELGammaDistribution, 2>(
        m, "GammaDistribution", [] { return ZELGammaDistribution(); },
        [](ZELGammaDistribution& d, const A2& p) { d.SetDistParameters(p[0], p[1]); });
    pickleParametric<ZELErlangDistribution, 2>(
        m, "ErlangDistribution", [] { return ZELErlangDistribution(); },
        [](ZELErlangDistribution& d, const A2& p) { d.SetDistParameters(p[0], p[1]); });
    pickleParametric<ZELBetaDistribution, 2>(
        m, "BetaDistribution", [] { return ZELBetaDistribution(); },
        [](ZELBetaDistribution& d, const A2& p) { d.SetDistParameters(p[0], p[1]); });
    pickleParametric<ZELWeibullDistribution, 2>(
        m, "WeibullDistribution", [] { return ZELWeibullDistribution(); },
        [](ZELWeibullDistribution& d, const A2& p) { d.SetDistributionParameters(p[0], p[1]); });
    pickleParametric<ZELPoissonDistribution, 1>(
        m, "PoissonDistribution", [] { return ZELPoissonDistribution(0.0); },
        [](ZELPoissonDistribution& d, const A1& p) { d.SetDistParameters(p[0]); });
    pickleTable<ZELUserDiscDistribution>(m, "UserDiscDistribution");
    pickleTable<ZELUserContDistribution>(m, "UserContDistribution");
}

}  // namespace

void bindReplications(py::module_& m) {
    pickleDistributions(m);
    const std::array<std::uint32_t, 6> defaultSeed = ZELRandomStream::DefaultPackageSeed;

    py::class_<ZELReplication>(
        m, "Replication",
        "What a model receives in zelmath.replicate: the replication number and its streams.")
        .def(py::init(&replicationOf), py::arg("index"), py::arg("engine") = "mrg32k3a",
             py::arg("package_seed") = defaultSeed, py::arg("seed") = 0,
             "Replication `index` of the study keyed by the engine, the MRG32k3a package seed and "
             "the Philox seed.")
        .def_property_readonly("index", &ZELReplication::index, "The replication number.")
        .def_property_readonly(
            "engine", [](const ZELReplication& r) { return engineName(r.engine()); },
            "\"mrg32k3a\" or \"philox\".")
        .def("stream", &ZELReplication::stream, py::arg("source"),
             "The RandomStream of `source` in this replication: MRG32k3a stream `source`, "
             "substream `index` of the "
             "package seed; or Philox with key `seed`, stream `source`, substream `index` (as in "
             "C++).")
        .def(py::pickle(
            [](const ZELReplication& r) {
                return py::make_tuple(r.index(), engineName(r.engine()), r.packageSeed(), r.seed());
            },
            [](const py::tuple& t) {
                if (t.size() != 4)
                    throw py::value_error("Replication: a pickled state has four items");
                return replicationOf(t[0].cast<std::uint64_t>(), t[1].cast<std::string>(),
                                     t[2].cast<std::array<std::uint32_t, 6>>(),
                                     t[3].cast<std::uint64_t>());
            }))
        .def("__repr__", [](const ZELReplication& r) {
            return "Replication(" + std::to_string(r.index()) + ", " + engineName(r.engine()) + ")";
        });

    py::class_<ZELReplicationResults>(m, "ReplicationResults",
                                      "The outputs of a study (one row per replication) and their "
                                      "statistics, computed in replication order.")
        .def(py::init(&resultsOf), py::arg("values"), py::arg("first") = 0,
             "From an n x k array of outputs: row i is replication first + i.")
        .def_property_readonly("values", &valuesOf, "The n x k outputs (a copy).")
        .def_property_readonly("first", &ZELReplicationResults::first,
                               "The index of the first replication.")
        .def_property_readonly("count", &ZELReplicationResults::count,
                               "The number of replications.")
        .def_property_readonly("outputs", &ZELReplicationResults::outputs, "The number of outputs.")
        .def("mean", &ZELReplicationResults::mean, py::arg("j"),
             "Mean of output j over its non-NaN values.")
        .def("std_dev", &ZELReplicationResults::stdDev, py::arg("j"),
             "Sample standard deviation of output j.")
        .def("half_width", &ZELReplicationResults::halfWidth, py::arg("j"), py::arg("level") = 0.95,
             "Half-width of the Student t confidence interval for the mean of output j.")
        .def("nan_count", &ZELReplicationResults::nanCount, py::arg("j"),
             "Replications that gave NaN for output j.")
        .def(
            "means",
            [](const ZELReplicationResults& r) {
                return perOutput(r, [&](std::size_t j) { return r.mean(j); });
            },
            "Every output's mean.")
        .def(
            "std_devs",
            [](const ZELReplicationResults& r) {
                return perOutput(r, [&](std::size_t j) { return r.stdDev(j); });
            },
            "Every output's sample standard deviation.")
        .def(
            "half_widths",
            [](const ZELReplicationResults& r, double level) {
                return perOutput(r, [&](std::size_t j) { return r.halfWidth(j, level); });
            },
            py::arg("level") = 0.95, "Every output's half-width at `level`.")
        .def(
            "summary",
            [](const ZELReplicationResults& r, const std::vector<std::string>& names,
               double level) { return r.summary(names, level); },
            py::arg("names") = std::vector<std::string>(), py::arg("level") = 0.95,
            "A table for printing.")
        .def_static("join", &ZELReplicationResults::Join, py::arg("parts"),
                    "Studies that follow each other, as one.")
        .def_static("student_t_quantile", &ZELReplicationResults::StudentTQuantile, py::arg("p"),
                    py::arg("dof"), "The p-quantile of Student's t with `dof` degrees of freedom.")
        .def(py::pickle(
            [](const ZELReplicationResults& r) { return py::make_tuple(valuesOf(r), r.first()); },
            [](const py::tuple& t) {
                if (t.size() != 2)
                    throw py::value_error("ReplicationResults: a pickled state has two items");
                return resultsOf(t[0], t[1].cast<std::uint64_t>());
            }));

    m.def(
        "_check_study",
        [](std::uint64_t n, const std::string& engine,
           const std::array<std::uint32_t, 6>& packageSeed, std::uint64_t seed,
           std::uint64_t first) {
            ZELReplicationBatch::Check(n, studyKey(engine, packageSeed, seed, first));
        },
        "Refuses a study that no replication could run (as ZELRunReplications does).");
    m.def(
        "_judge",
        [](const std::vector<py::tuple>& summaries, std::uint64_t first) -> py::object {
            std::vector<ZELReplicationPart> parts;
            parts.reserve(summaries.size());
            for (const py::tuple& t : summaries) {
                if (t.size() != 6)
                    throw py::value_error(
                        "_judge: a part is (start, count, failed index or "
                        "None, outputs, mismatch, mismatch outputs)");
                ZELReplicationPart p;
                p.start = t[0].cast<std::uint64_t>();
                p.count = t[1].cast<std::uint64_t>();
                p.failed = !t[2].is_none();
                p.failedIndex = p.failed ? t[2].cast<std::uint64_t>() : 0;
                p.outputs = t[3].cast<std::uint64_t>();
                p.mismatch = t[4].cast<std::uint64_t>();
                p.mismatchOutputs = t[5].cast<std::uint64_t>();
                parts.push_back(p);
            }
            const ZELReplicationVerdict v =
                ZELReplicationBatch::Judge(parts.data(), parts.size(), first);
            if (v.failedPart < parts.size()) return py::int_(v.failedPart);
            return py::none();
        },
        py::arg("parts"), py::arg("first"),
        "The study's verdict by the library's one rule: the position of the part whose failure "
        "is reported (the lowest failing replication), else None after raising DomainError for "
        "the lowest replication with another number of outputs than the first.");
}

}  // namespace zelmath_python
