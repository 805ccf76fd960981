// Kinematic chains from arbitrary link parameters, limits, base and tool, joint vectors, targets
// and solver options: building refuses exactly the bad links and leaves the chain as it was;
// forward kinematics, the link frames and the Jacobian agree with each other to the bit and are
// finite and rigid for moderate finite input (NaN only from NaN or infinite joints); inverse
// kinematics returns within its iteration budget (and in time), keeps q within the limits, throws
// nothing but ZELEDomainError, and reports converged only with finite errors within the
// tolerances.
#include "FuzzInput.h"
#include "foundation/ZELException.h"
#include "kinematics/ZELKinematicChain.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// A raw double, or (most of the time) one of moderate size built from it, so that both the edge
// values and the ordinary arms get explored.
double scalar(FuzzInput& in, std::uint8_t mode) {
    const double x = in.take<double>();
    if ((mode & 3) == 0) return x;
    if (!std::isfinite(x)) return (mode & 4) ? x : 0.0;
    return std::fmod(x, (mode & 3) == 1 ? 4.0 : 1e3);
}

bool finiteAll(const double* x, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(x[i])) return false;
    return true;
}

// Largest |RᵀR − I| entry of a pose's rotation (twelve scalars).
double orthoError(const double* x) {
    double worst = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const double dot =
                x[3 * i] * x[3 * j] + x[3 * i + 1] * x[3 * j + 1] + x[3 * i + 2] * x[3 * j + 2];
            worst = std::fmax(worst, std::fabs(dot - (i == j ? 1.0 : 0.0)));
        }
    return worst;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const auto shape = in.take<std::uint8_t>();
    const int links = 1 + shape % 8;
    ZELKinematicChain chain;
    bool moderate = true;  // every accepted parameter finite and below 1e3 in magnitude
    for (int k = 0; k < links; ++k) {
        const auto mode = in.take<std::uint8_t>();
        const double p0 = scalar(in, mode), a = scalar(in, mode), alpha = scalar(in, mode);
        const double offset = scalar(in, mode);
        double lower = -kInf, upper = kInf;
        if (mode & 8) lower = scalar(in, mode);
        if (mode & 16) upper = scalar(in, mode);
        const bool prismatic = (mode & 32) != 0;
        const bool good = std::isfinite(p0) && std::isfinite(a) && std::isfinite(alpha) &&
            std::isfinite(offset) && !std::isnan(lower) && !std::isnan(upper) && lower <= upper &&
            lower != kInf && upper != -kInf;
        const int before = chain.joints();
        bool threw = false;
        try {
            if (prismatic)
                chain.addPrismatic(p0, a, alpha, offset, lower, upper);
            else
                chain.addRevolute(p0, a, alpha, offset, lower, upper);
        } catch (const ZELEDomainError&) {
            threw = true;
        }
        FUZZ_CHECK(threw == !good);
        FUZZ_CHECK(chain.joints() == before + (good ? 1 : 0));
        if (good)
            moderate = moderate && std::fabs(p0) < 1e3 && std::fabs(a) < 1e3 &&
                std::fabs(offset) < 1e3 &&
                (!prismatic ||
                 (std::isfinite(lower) && std::fabs(lower) < 1e3 && std::isfinite(upper) &&
                  std::fabs(upper) < 1e3));
    }
    const auto frameMode = in.take<std::uint8_t>();
    if (frameMode & 1) {
        const ZELXform3D base(scalar(in, 1), scalar(in, 1), scalar(in, 1), scalar(in, 1));
        chain.setBase(base);
    }
    if (frameMode & 2) {
        const ZELXform3D tool(scalar(in, 1), scalar(in, 1), scalar(in, 1), scalar(in, 1));
        chain.setTool(tool);
    }
    const int n = chain.joints();
    const auto nz = static_cast<std::size_t>(n);

    // Forward kinematics, frames and Jacobian at a joint vector.
    const auto qMode = in.take<std::uint8_t>();
    ZELMathVector q(nz, 0.0);
    for (std::size_t i = 0; i < nz; ++i) q[i] = scalar(in, qMode);
    double pose[12], again[12];
    chain.forward(q).get(pose);
    std::vector<ZELXform3D> frames;
    chain.forward(q, frames);
    FUZZ_CHECK(frames.size() == nz + 1);
    frames.back().get(again);
    FUZZ_CHECK(std::memcmp(pose, again, sizeof pose) == 0);
    const ZELMathMatrix j = chain.jacobian(q);
    FUZZ_CHECK(j.rows() == 6 && j.cols() == nz);
    std::vector<double> storage(6 * nz + 1);
    double* rows[6];
    for (std::size_t r = 0; r < 6; ++r) rows[r] = storage.data() + r * nz;
    chain.jacobianRows(q.data(), rows, again);
    FUZZ_CHECK(std::memcmp(pose, again, sizeof pose) == 0);
    for (std::size_t r = 0; r < 6; ++r)
        for (std::size_t c = 0; c < nz; ++c) {
            const double x = j(r, c), y = rows[r][c];
            FUZZ_CHECK(std::memcmp(&x, &y, sizeof x) == 0);
        }
    bool moderateQ = true;
    for (std::size_t i = 0; i < nz; ++i) moderateQ = moderateQ && std::fabs(q[i]) < 1e3;
    if (moderate && moderateQ) {
        FUZZ_CHECK(finiteAll(pose, 12));
        FUZZ_CHECK(orthoError(pose) <= 1e-12);
        for (std::size_t r = 0; r < 6; ++r) FUZZ_CHECK(finiteAll(rows[r], nz));
    }

    // Inverse kinematics towards a pose of the chain (perhaps turned and moved), or towards
    // twelve raw scalars, from a seed, with small budgets.
    const auto tMode = in.take<std::uint8_t>();
    ZELXform3D target = chain.forward(q);
    if (tMode & 1) {
        double raw[12];
        for (double& x : raw) x = scalar(in, tMode >> 1);
        target.setScalars(raw);
    } else if (tMode & 2) {
        target.rotate(ZELMath3D::ZAxis, scalar(in, 1), ZELMath3D::LocalFrame);
        target.translate(ZELVector3D(scalar(in, 1), scalar(in, 1), scalar(in, 1)),
                         ZELMath3D::WorldFrame);
    }
    const auto sMode = in.take<std::uint8_t>();
    ZELMathVector seed(nz, 0.0);
    for (std::size_t i = 0; i < nz; ++i) seed[i] = scalar(in, sMode);
    ZELIKOptions options;
    const auto oMode = in.take<std::uint8_t>();
    if (oMode & 1) options.positionTolerance = scalar(in, 0);
    if (oMode & 2) options.orientationTolerance = scalar(in, 0);
    options.maxIterations = in.take<std::uint8_t>() % 40 - ((oMode & 4) ? 1 : 0);
    options.restarts = in.take<std::uint8_t>() % 4 - ((oMode & 8) ? 1 : 0);
    options.positionOnly = (oMode & 16) != 0;
    if (oMode & 32) options.timeBudget = (oMode & 64) ? std::nan("") : 0.0;
    ZELMathVector solved(seed);
    ZELIKResult r;
    const auto start = std::chrono::steady_clock::now();
    try {
        r = chain.inverse(target, seed, solved, options);
    } catch (const ZELEDomainError&) {
        FUZZ_CHECK(std::memcmp(solved.data(), seed.data(), nz * sizeof(double)) == 0);
        return 0;
    }
    // At most 8 links × 39 iterations × 4 attempts: far below a second even under the
    // sanitizers; much longer means a loop that does not end.
    FUZZ_CHECK(std::chrono::steady_clock::now() - start < std::chrono::seconds(5));
    FUZZ_CHECK(r.converged == (r.reason == ZELIKReason::Converged));
    if (r.reason == ZELIKReason::InvalidInput) {
        FUZZ_CHECK(!r.converged && r.iterations == 0);
        FUZZ_CHECK(std::memcmp(solved.data(), seed.data(), nz * sizeof(double)) == 0);
        return 0;
    }
    FUZZ_CHECK(options.maxIterations >= 0 && options.restarts >= 0);
    FUZZ_CHECK(r.iterations <= options.maxIterations * (options.restarts + 1));
    FUZZ_CHECK(r.restarts <= options.restarts);
    FUZZ_CHECK(solved.length() == nz);
    for (int i = 0; i < n; ++i)
        FUZZ_CHECK(solved[i] >= chain.lower(i) && solved[i] <= chain.upper(i));
    if (r.converged) {
        const double tolerance =
            options.positionTolerance > 0.0 ? options.positionTolerance : 1e-6 * chain.reach();
        FUZZ_CHECK(std::isfinite(r.positionError) && r.positionError <= tolerance);
        if (!options.positionOnly)
            FUZZ_CHECK(std::isfinite(r.orientationError) &&
                       r.orientationError <= options.orientationTolerance);
        // The reported error is that of the joint vector written.
        const ZELVector3D p = chain.forward(solved).position(), t = target.position();
        const double dx = t[0] - p[0], dy = t[1] - p[1], dz = t[2] - p[2];
        FUZZ_CHECK(std::sqrt(dx * dx + dy * dy + dz * dz) == r.positionError);
    }
    return 0;
}
