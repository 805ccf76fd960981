// The dynamics methods of KinematicChain: inertial parameters, inverse and forward dynamics, the
// mass matrix, gravity and Coriolis torques, on one joint vector or a batch of them.
#include "zelmath_bindings.h"

#include <string>
#include <vector>

namespace zelmath_python {

namespace {

using Chain = ZELKinematicChain;

// Below this many rows a batch keeps the GIL: releasing it costs more than the rows.
constexpr py::ssize_t kReleaseGilRows = 16;

// The arguments of one call: every array (n,) or every array (m, n) with the same m (wrenches
// (6,) or (m, 6)); ValueError naming the argument and both shapes otherwise.
struct Batch {
    bool single = true;
    py::ssize_t rows = 1;
    py::ssize_t n = 0;

    InArray take(py::handle object, py::ssize_t width, const char* name, const char* what) {
        InArray a = numericArray(object, what);
        const bool first = !started;
        started = true;
        const bool vector = a.ndim() == 1 && a.shape(0) == width;
        const bool matrix = a.ndim() == 2 && a.shape(1) == width;
        if (first && (vector || matrix)) {
            single = vector;
            rows = vector ? 1 : a.shape(0);
            return a;
        }
        if ((single && vector) || (!single && matrix && a.shape(0) == rows)) return a;
        const std::string w = std::to_string(width);
        const std::string expected = first ? "(" + w + ",) or (m, " + w + ")"
            : single                       ? "(" + w + ",)"
                                           : "(" + std::to_string(rows) + ", " + w + ")";
        throw py::value_error(std::string(what) + ": " + name + " must have shape " + expected +
                              ", got " + shapeText(a));
    }

private:
    bool started = false;
};

// Runs work(first, count) over the rows in chunks (inChunks): without the GIL when there are
// enough rows.
template <class Work>
void overRows(py::ssize_t rows, Work work) {
    inChunks(rows, 64, rows >= kReleaseGilRows, work);
}

py::array_t<double> result(const Batch& b, py::ssize_t width) {
    if (b.single) return py::array_t<double>(width);
    return py::array_t<double>({b.rows, width});
}

// inverse_dynamics, gravity_torques and coriolis_torques: qd or qdd None stands for zeros.
py::array_t<double> torques(const Chain& self, py::handle q, py::handle qd, py::handle qdd,
                            py::handle wrench, bool gravity, const char* what) {
    Batch b;
    const py::ssize_t n = self.joints();
    const InArray qa = b.take(q, n, "q", what);
    const InArray qda = qd.is_none() ? InArray() : b.take(qd, n, "qd", what);
    const InArray qdda = qdd.is_none() ? InArray() : b.take(qdd, n, "qdd", what);
    const InArray wa = wrench.is_none() ? InArray() : b.take(wrench, 6, "wrench", what);
    py::array_t<double> out = result(b, n);
    const double* pq = qa.data();
    const double* pqd = qd.is_none() ? nullptr : qda.data();
    const double* pqdd = qdd.is_none() ? nullptr : qdda.data();
    const double* pw = wrench.is_none() ? nullptr : wa.data();
    double* o = out.mutable_data();
    const Chain local(self);  // the rows run without the GIL: work on a private copy
    overRows(b.rows, [&](py::ssize_t first, py::ssize_t count) {
        for (py::ssize_t k = first; k < first + count; ++k)
            local.inverseDynamicsArrays(pq + k * n, pqd ? pqd + k * n : nullptr,
                                        pqdd ? pqdd + k * n : nullptr, o + k * n,
                                        pw ? pw + 6 * k : nullptr, gravity);
    });
    return out;
}

py::array_t<double> massMatrix(const Chain& self, py::handle q) {
    Batch b;
    const py::ssize_t n = self.joints();
    const InArray qa = b.take(q, n, "q", "KinematicChain.mass_matrix");
    py::array_t<double> out =
        b.single ? py::array_t<double>({n, n}) : py::array_t<double>({b.rows, n, n});
    const double* pq = qa.data();
    double* o = out.mutable_data();
    const Chain local(self);
    overRows(b.rows, [&](py::ssize_t first, py::ssize_t count) {
        for (py::ssize_t k = first; k < first + count; ++k)
            local.massMatrixArray(pq + k * n, o + k * n * n);
    });
    return out;
}

py::array_t<double> forwardDynamics(const Chain& self, py::handle q, py::handle qd, py::handle tau,
                                    py::handle wrench) {
    const char* what = "KinematicChain.forward_dynamics";
    Batch b;
    const py::ssize_t n = self.joints();
    const InArray qa = b.take(q, n, "q", what);
    const InArray qda = b.take(qd, n, "qd", what);
    const InArray ta = b.take(tau, n, "tau", what);
    const InArray wa = wrench.is_none() ? InArray() : b.take(wrench, 6, "wrench", what);
    py::array_t<double> out = result(b, n);
    const double* pq = qa.data();
    const double* pqd = qda.data();
    const double* pt = ta.data();
    const double* pw = wrench.is_none() ? nullptr : wa.data();
    double* o = out.mutable_data();
    const Chain local(self);
    overRows(b.rows, [&](py::ssize_t first, py::ssize_t count) {
        for (py::ssize_t k = first; k < first + count; ++k)
            local.forwardDynamicsArrays(pq + k * n, pqd + k * n, pt + k * n, o + k * n,
                                        pw ? pw + 6 * k : nullptr);
    });
    return out;
}

void checkIndex(const Chain& self, int i, const char* what) {
    if (i < 0 || i >= self.joints())
        throw py::index_error(std::string(what) + ": link index " + std::to_string(i) +
                              " outside 0.." + std::to_string(self.joints() - 1));
}

std::array<double, 6> inertia6(py::handle object, const char* what) {
    const InArray a = shapedArray(object, {6}, what);
    std::array<double, 6> out{};
    for (std::size_t k = 0; k < 6; ++k) out[k] = a.data()[k];
    return out;
}

}  // namespace

void bindDynamics(py::module_& m) {
    auto chain = py::reinterpret_borrow<py::class_<Chain>>(m.attr("KinematicChain"));
    chain
        .def(
            "set_inertia",
            [](Chain& self, int i, double mass, py::handle com, py::handle inertia) {
                checkIndex(self, i, "KinematicChain.set_inertia");
                self.setInertia(i, mass,
                                vector3From(com, "KinematicChain.set_inertia (centre_of_mass)"),
                                inertia6(inertia, "KinematicChain.set_inertia (inertia)"));
            },
            py::arg("i"), py::arg("mass"), py::arg("centre_of_mass"), py::arg("inertia"),
            "Link i's mass, centre of mass and inertia (Ixx, Iyy, Izz, Ixy, Ixz, Iyz) about the "
            "centre of mass, in link i's frame (the frame at the end of the link). DomainError "
            "for a negative mass, a NaN or an inertia that is not positive semi-definite or "
            "breaks the triangle inequalities; IndexError for a link that does not exist.")
        .def(
            "set_armature",
            [](Chain& self, int i, double rotorInertia) {
                checkIndex(self, i, "KinematicChain.set_armature");
                self.setArmature(i, rotorInertia);
            },
            py::arg("i"), py::arg("rotor_inertia"),
            "The reflected rotor inertia of joint i, added to the mass matrix's diagonal.")
        .def(
            "set_gravity",
            [](Chain& self, py::handle g) {
                self.setGravity(vector3From(g, "KinematicChain.set_gravity"));
            },
            py::arg("g"), "Gravity's acceleration in the coordinates of forward's result.")
        .def("gravity", &Chain::gravity, "Gravity's acceleration (default (0, 0, -9.81)).")
        .def(
            "set_payload",
            [](Chain& self, double mass, py::handle com, py::handle inertia) {
                self.setPayload(mass,
                                vector3From(com, "KinematicChain.set_payload (centre_of_mass)"),
                                inertia6(inertia, "KinematicChain.set_payload (inertia)"));
            },
            py::arg("mass"), py::arg("centre_of_mass"), py::arg("inertia"),
            "A rigid payload in the tool frame, checked as set_inertia; mass 0 removes it.")
        .def(
            "inverse_dynamics",
            [](const Chain& self, py::handle q, py::handle qd, py::handle qdd, py::handle wrench) {
                if (qd.is_none() || qdd.is_none())
                    throw py::type_error("KinematicChain.inverse_dynamics: qd and qdd are arrays");
                return torques(self, q, qd, qdd, wrench, true, "KinematicChain.inverse_dynamics");
            },
            py::arg("q"), py::arg("qd"), py::arg("qdd"), py::arg("wrench") = py::none(),
            "Joint torques (forces for prismatic joints) for the motion (q, qd, qdd): (n,) "
            "arrays or (m, n) batches, computed without the GIL. wrench: None, or (fx, fy, fz, "
            "mx, my, mz) exerted by the environment on the tool at its origin in tool "
            "coordinates, (6,) or (m, 6).")
        .def("mass_matrix", &massMatrix, py::arg("q"),
             "The joint-space mass matrix, armature included: (n, n), or (m, n, n) for a batch.")
        .def(
            "gravity_torques",
            [](const Chain& self, py::handle q) {
                return torques(self, q, py::none(), py::none(), py::none(), true,
                               "KinematicChain.gravity_torques");
            },
            py::arg("q"), "The torques holding the chain still against gravity.")
        .def(
            "coriolis_torques",
            [](const Chain& self, py::handle q, py::handle qd) {
                if (qd.is_none())
                    throw py::type_error("KinematicChain.coriolis_torques: qd is an array");
                return torques(self, q, qd, py::none(), py::none(), false,
                               "KinematicChain.coriolis_torques");
            },
            py::arg("q"), py::arg("qd"), "The Coriolis and centrifugal torques C(q, qd) qd.")
        .def("forward_dynamics", &forwardDynamics, py::arg("q"), py::arg("qd"), py::arg("tau"),
             py::arg("wrench") = py::none(),
             "Joint accelerations under the torques tau (articulated bodies); shapes and wrench "
             "as inverse_dynamics.");
}

}  // namespace zelmath_python
