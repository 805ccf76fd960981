// KinematicChain, IKResult and IKReason.
#include "zelmath_bindings.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <string>
#include <vector>

namespace zelmath_python {

namespace {

using Chain = ZELKinematicChain;

// A float64 array of joint values: (n,) when `batch` is false, (n,) or (m, n) when it is true.
// The module's one check of array-likes refuses what is not real numbers (TypeError); a wrong
// shape is a ValueError naming both shapes.
InArray jointArray(const Chain& chain, py::handle object, bool batch, const char* what) {
    InArray a = numericArray(object, what);
    const py::ssize_t n = chain.joints();
    const bool ok =
        (a.ndim() == 1 && a.shape(0) == n) || (batch && a.ndim() == 2 && a.shape(1) == n);
    if (!ok) {
        const std::string one = "(" + std::to_string(n) + ",)";
        throw py::value_error(std::string(what) + ": expected shape " + one +
                              (batch ? " or (m, " + std::to_string(n) + ")" : std::string()) +
                              ", got " + shapeText(a));
    }
    return a;
}

ZELMathVector toVector(const InArray& a) {
    return ZELMathVector(a.data(), static_cast<std::size_t>(a.shape(0)));
}

py::array_t<double> toArray(const ZELMathVector& v) {
    py::array_t<double> out(static_cast<py::ssize_t>(v.length()));
    for (std::size_t i = 0; i < v.length(); ++i) out.mutable_data()[i] = v[i];
    return out;
}

// The twelve scalars of a pose (rotation column by column, then position) as a 4 × 4 row-major
// homogeneous matrix.
void homogeneous(const double* pose, double* m) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) m[4 * r + c] = pose[3 * c + r];
        m[4 * r + 3] = pose[9 + r];
        m[12 + r] = 0.0;
    }
    m[15] = 1.0;
}

// forward(q): an Xform3D for (n,), an (m, 4, 4) array for (m, n). The rows run without the GIL
// in chunks, with a check for Ctrl-C (or any signal handler raising) between chunks; a chunk
// grows while it takes under 20 ms, so short rows pay little for the checks and long ones stay
// responsive.
py::object forward(const Chain& self, py::handle qObject) {
    const InArray q = jointArray(self, qObject, true, "KinematicChain.forward");
    if (q.ndim() == 1) return py::cast(self.forward(toVector(q)));
    const py::ssize_t m = q.shape(0), n = q.shape(1);
    py::array_t<double> out({m, py::ssize_t(4), py::ssize_t(4)});
    const double* in = q.data();
    double* o = out.mutable_data();
    const Chain local(self);  // the loop runs without the GIL: work on a private copy
    inChunks(m, 16, m >= 16, [&](py::ssize_t done, py::ssize_t rows) {
        double pose[12];
        for (py::ssize_t k = done; k < done + rows; ++k) {
            local.forwardScalars(in + k * n, pose);
            homogeneous(pose, o + 16 * k);
        }
    });
    return std::move(out);
}

py::array_t<double> jacobian(const Chain& self, py::handle qObject) {
    const InArray q = jointArray(self, qObject, false, "KinematicChain.jacobian");
    const py::ssize_t n = self.joints();
    py::array_t<double> out({py::ssize_t(6), n});
    double* rows[6];
    for (py::ssize_t r = 0; r < 6; ++r) rows[r] = out.mutable_data() + r * n;
    self.jacobianRows(q.data(), rows);
    return out;
}

// A tolerance from Python: a number >= 0 (inf allowed); ValueError naming the keyword otherwise.
double tolerance(double x, const char* name) {
    if (!(x >= 0.0))
        throw py::value_error(std::string("KinematicChain.inverse: ") + name +
                              " must be >= 0, got " + py::repr(py::float_(x)).cast<std::string>());
    return x;
}

py::tuple inverse(const Chain& self, const ZELXform3D& target, py::handle seedObject,
                  double positionTolerance, double orientationTolerance, int maxIterations,
                  double timeBudget, int restarts, py::object stream, bool positionOnly) {
    const InArray seedArray = jointArray(self, seedObject, false, "KinematicChain.inverse (seed)");
    ZELIKOptions options;
    options.positionTolerance = tolerance(positionTolerance, "position_tolerance");
    options.orientationTolerance = tolerance(orientationTolerance, "orientation_tolerance");
    options.timeBudget = tolerance(timeBudget, "time_budget");
    if (maxIterations < 0 || restarts < 0)
        throw py::value_error(
            "KinematicChain.inverse: max_iterations and restarts must be >= 0, "
            "got " +
            std::to_string(maxIterations) + " and " + std::to_string(restarts));
    options.maxIterations = maxIterations;
    options.restarts = restarts;
    options.positionOnly = positionOnly;
    if (!stream.is_none()) {
        if (!py::isinstance<ZELRandomStream>(stream))
            throw py::type_error(
                "KinematicChain.inverse: stream must be a RandomStream or None, got " +
                py::str(py::type::of(stream).attr("__name__")).cast<std::string>());
        options.stream = stream.cast<ZELRandomStream>();
    }
    // Ctrl-C: the solver asks between iterations; every 50 ms of work the GIL is taken back for
    // a moment to run the signal handlers. An exception they raise ends the search.
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastCheck = Clock::now();
    bool interrupted = false;
    options.interrupt = [&] {
        const Clock::time_point now = Clock::now();
        if (now - lastCheck < std::chrono::milliseconds(50)) return false;
        lastCheck = now;
        interrupted = pythonInterrupted();
        return interrupted;
    };
    const ZELMathVector seed = toVector(seedArray);
    ZELMathVector q(seed);
    ZELIKResult result;
    {
        const Chain local(self);
        py::gil_scoped_release unlocked;
        result = local.inverse(target, seed, q, options);
    }
    if (interrupted) throw py::error_already_set();
    return py::make_tuple(toArray(q), result);
}

}  // namespace

void bindKinematics(py::module_& m) {
    py::enum_<ZELIKReason>(m, "IKReason", "Why KinematicChain.inverse stopped.")
        .value("Converged", ZELIKReason::Converged)
        .value("IterationLimit", ZELIKReason::IterationLimit)
        .value("TimeLimit", ZELIKReason::TimeLimit)
        .value("InvalidInput", ZELIKReason::InvalidInput)
        .value("Interrupted", ZELIKReason::Interrupted);

    py::class_<ZELIKResult>(m, "IKResult", "The outcome of KinematicChain.inverse.")
        .def_readonly("converged", &ZELIKResult::converged, "Both errors within their tolerances.")
        .def_readonly("iterations", &ZELIKResult::iterations, "Iterations over all attempts.")
        .def_readonly("restarts", &ZELIKResult::restarts, "Restarts from random joint vectors.")
        .def_readonly("position_error", &ZELIKResult::positionError,
                      "Tool position error, length unit.")
        .def_readonly("orientation_error", &ZELIKResult::orientationError,
                      "Tool orientation error, radians.")
        .def_readonly("reason", &ZELIKResult::reason, "Why the solver stopped (IKReason).")
        .def(
            "__repr__",
            [](const ZELIKResult& r) {
                return "IKResult(converged=" + std::string(r.converged ? "True" : "False") +
                    ", iterations=" + std::to_string(r.iterations) +
                    ", restarts=" + std::to_string(r.restarts) + ", position_error=" +
                    py::repr(py::float_(r.positionError)).cast<std::string>() +
                    ", orientation_error=" +
                    py::repr(py::float_(r.orientationError)).cast<std::string>() +
                    ", reason=" + py::repr(py::cast(r.reason)).cast<std::string>() + ")";
            },
            "IKResult(converged=..., ...).");

    const double inf = std::numeric_limits<double>::infinity();
    const ZELIKOptions defaults;
    py::class_<Chain>(
        m, "KinematicChain",
        "A serial arm of classic Denavit-Hartenberg links Rz(theta)*Tz(d)*Tx(a)*Rx(alpha): forward "
        "kinematics, the 6 x n geometric Jacobian of the tool point in base coordinates (rows vx "
        "vy "
        "vz wx wy wz) and deterministic inverse kinematics.")
        .def(py::init<>(), "An empty chain with identity base and tool.")
        .def("add_revolute", &Chain::addRevolute, py::arg("d"), py::arg("a"), py::arg("alpha"),
             py::arg("offset") = 0.0, py::arg("lower") = -inf, py::arg("upper") = inf,
             "Appends a revolute link, theta = q + offset. DomainError when lower > upper.")
        .def("add_prismatic", &Chain::addPrismatic, py::arg("theta"), py::arg("a"),
             py::arg("alpha"), py::arg("offset") = 0.0, py::arg("lower") = -inf,
             py::arg("upper") = inf,
             "Appends a prismatic link, d = q + offset. DomainError when lower > upper.")
        .def("set_base", &Chain::setBase, py::arg("base"), "The transform before the first link.")
        .def("set_tool", &Chain::setTool, py::arg("tool"),
             "The transform from the last link to the tool.")
        .def("base", &Chain::base, "A copy of the base transform.")
        .def("tool", &Chain::tool, "A copy of the tool transform.")
        .def("joints", &Chain::joints, "The number of joints.")
        .def("lower", &Chain::lower, py::arg("i"), "The lower limit of joint i.")
        .def("upper", &Chain::upper, py::arg("i"), "The upper limit of joint i.")
        .def("is_prismatic", &Chain::isPrismatic, py::arg("i"), "Whether joint i is prismatic.")
        .def("reach", &Chain::reach,
             "The length scale of the chain (sum of the link lengths and the tool offset).")
        .def("forward", &forward, py::arg("q"),
             "The tool pose: an Xform3D for q of shape (n,), an (m, 4, 4) array of homogeneous "
             "matrices for q of shape (m, n), computed in the library without the GIL (Ctrl-C "
             "stops it). NaN joints give NaN poses; complex, string or object values raise "
             "TypeError.")
        .def(
            "frames",
            [](const Chain& self, py::handle q) {
                std::vector<ZELXform3D> frames;
                self.forward(toVector(jointArray(self, q, false, "KinematicChain.frames")), frames);
                py::list out;
                for (const ZELXform3D& x : frames) out.append(py::cast(x));
                return out;
            },
            py::arg("q"),
            "Every link frame (base * links 0..i), then the tool pose: a list of n + 1 Xform3D.")
        .def("jacobian", &jacobian, py::arg("q"),
             "The (6, n) geometric Jacobian of the tool point, base frame.")
        .def("inverse", &inverse, py::arg("target"), py::arg("seed"),
             py::arg("position_tolerance") = defaults.positionTolerance,
             py::arg("orientation_tolerance") = defaults.orientationTolerance,
             py::arg("max_iterations") = defaults.maxIterations,
             py::arg("time_budget") = defaults.timeBudget, py::arg("restarts") = defaults.restarts,
             py::arg("stream") = py::none(), py::arg("position_only") = false,
             "Joint values putting the tool at target, from seed: returns (q, IKResult). "
             "position_tolerance 0 means 1e-6 of reach(); tolerances and time_budget >= 0 "
             "(ValueError otherwise); time_budget in seconds (inf: none); stream: the MRG32k3a or "
             "Philox RandomStream of the restarts (None: the fixed default; a classic stream is "
             "refused with DomainError); position_only: ignore the orientation. The same "
             "arguments give the same bits, unless the time budget stopped the search. A target "
             "whose rotation is not a rotation, or a chain of infinite reach, raises DomainError; "
             "Ctrl-C stops the search (KeyboardInterrupt).");
}

}  // namespace zelmath_python
