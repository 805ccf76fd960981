// Inverse kinematics of ZELKinematicChain: damped least squares (Levenberg-Marquardt) within the
// joint limits, with restarts from random joint vectors when an attempt stalls.
#include "kinematics/ZELKinematicChain.h"

#include "foundation/ZELException.h"
#include "foundation/internal/ZELConstants.h"
#include "kinematics/internal/ZELDampedSolve.h"
#include "kinematics/internal/ZELKinematicsReportSites.h"
#include "kinematics/internal/ZELPoseError.h"

#include <chrono>
#include <cmath>
#include <string>

namespace {

inline double clamp(double x, double lo, double hi) noexcept {
    return x < lo ? lo : (x > hi ? hi : x);
}

// The damping starts here relative to the normalised Jacobian, shrinks on every accepted step
// and grows on every rejected one; an attempt that needs more than kMaxDamping has stalled.
constexpr double kInitialDamping = 1e-3;
constexpr double kMinDamping = 1e-12;
constexpr double kMaxDamping = 1e3;
// An attempt also ends when kSlowSteps accepted steps in a row each removed less than
// kSlowGain of the cost.
constexpr int kSlowSteps = 3;
constexpr double kSlowGain = 1e-2;
// A target's rotation columns must be orthonormal to this (largest entry of RᵀR − I), with a
// positive determinant: a matrix that is not a rotation cannot be reached, and the rotation
// error measured against it would be blind to its scale.
constexpr double kRigidTolerance = 1e-6;

// How far the rotation of a pose (twelve scalars) is from orthonormal; infinite for a reflection.
double rigidityError(const double* x) noexcept {
    double worst = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j <= i; ++j) {
            const double dot =
                x[3 * i] * x[3 * j] + x[3 * i + 1] * x[3 * j + 1] + x[3 * i + 2] * x[3 * j + 2];
            worst = std::fmax(worst, std::fabs(dot - (i == j ? 1.0 : 0.0)));
        }
    const double det = x[0] * (x[4] * x[8] - x[5] * x[7]) - x[3] * (x[1] * x[8] - x[2] * x[7]) +
        x[6] * (x[1] * x[5] - x[2] * x[4]);
    return det > 0.0 ? worst : std::numeric_limits<double>::infinity();
}

}  // namespace

ZELIKResult ZELKinematicChain::inverse(const ZELXform3D& target, const ZELMathVector& seed,
                                       ZELMathVector& q, const ZELIKOptions& options) const {
    using zel_internal::detailNumber;
    checkLength(seed, "inverse");
    if (options.stream.engine() == ZELStreamEngine::Classic)
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kChainInverseStream,
            "inverse: the restarts cannot draw from classic stream " +
                std::to_string(options.stream.streamIndex()) +
                " (its position lives in the process-wide generator, so two calls would draw "
                "different restarts); use an MRG32k3a or Philox stream");
    if (!std::isfinite(reach_))
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kChainInverseReach,
            "inverse: the chain's reach is " + detailNumber(reach_) +
                " (link lengths too large to measure a position error against)");
    ZELIKResult result;
    const std::size_t n = links_.size();
    double goal[12];
    target.get(goal);
    bool valid = options.positionTolerance >= 0.0 && options.orientationTolerance >= 0.0 &&
        !std::isnan(options.timeBudget) && options.maxIterations >= 0 && options.restarts >= 0;
    for (int k = 0; k < 12; ++k) valid = valid && std::isfinite(goal[k]);
    for (std::size_t i = 0; i < n; ++i) valid = valid && std::isfinite(seed[i]);
    if (!valid) {
        result.reason = ZELIKReason::InvalidInput;
        return result;
    }
    const double rigidity = rigidityError(goal);
    if (!(rigidity <= kRigidTolerance))
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kChainInverseTarget,
            "inverse: the target's rotation is not a rotation (columns off orthonormal by " +
                detailNumber(rigidity) + ", more than 1e-06, or a reflection)");

    using Clock = std::chrono::steady_clock;
    const bool timed = options.timeBudget < std::numeric_limits<double>::infinity();
    const Clock::time_point start = timed ? Clock::now() : Clock::time_point();
    const double budget = options.timeBudget;
    ZELIKReason stop = ZELIKReason::IterationLimit;  // why the search must end now
    auto mustStop = [&] {
        if (timed && std::chrono::duration<double>(Clock::now() - start).count() >= budget)
            stop = ZELIKReason::TimeLimit;
        else if (options.interrupt && options.interrupt())
            stop = ZELIKReason::Interrupted;
        else
            return false;
        return true;
    };

    const double length = reach();
    const double invReach = 1.0 / length;
    const double positionTolerance =
        options.positionTolerance > 0.0 ? options.positionTolerance : 1e-6 * length;
    const double orientationTolerance = options.orientationTolerance;
    const bool positionOnly = options.positionOnly;
    const int rows = positionOnly ? 3 : 6;  // rows of the error and the Jacobian in use
    ZELRandomStream stream = options.stream;

    // Work space for the whole call: the Jacobian rows, the current, trial and best joint
    // vectors, the joint limits used for sampling and the column scales (1 for a revolute
    // joint, the reach for a prismatic one, whose value is measured against the reach).
    std::vector<double> work(6 * n + 6 * n);
    double* jrow[6];
    for (std::size_t r = 0; r < 6; ++r) jrow[r] = work.data() + r * n;
    double* cur = work.data() + 6 * n;
    double* trial = cur + n;
    double* best = trial + n;
    double* scale = best + n;
    double* low = scale + n;
    double* high = low + n;
    for (std::size_t i = 0; i < n; ++i) {
        const Link& l = links_[i];
        scale[i] = l.prismatic ? length : 1.0;
        const double span = l.prismatic ? length : zel_internal::kPi<double>;
        const double centre = l.prismatic ? -l.offset + 0.0 : 0.0;
        low[i] = std::isfinite(l.lower) ? l.lower : centre - span;
        high[i] = std::isfinite(l.upper) ? l.upper : centre + span;
        if (!std::isfinite(l.lower) && std::isfinite(l.upper)) low[i] = l.upper - 2.0 * span;
        if (std::isfinite(l.lower) && !std::isfinite(l.upper)) high[i] = l.lower + 2.0 * span;
    }

    double pose[12];
    zel_internal::PoseError err{}, trialErr{}, bestErr{};
    bool haveBest = false;  // the first pose measured is the best so far, whatever its cost
    // The error at the joint vector x; position only: the orientation takes no part in the cost.
    auto measure = [&](const double* x, zel_internal::PoseError& e) {
        forwardScalars(x, pose);
        zel_internal::poseError(goal, pose, invReach, e);
        if (positionOnly) {
            e.e[3] = e.e[4] = e.e[5] = 0.0;
            e.cost = e.e[0] * e.e[0] + e.e[1] * e.e[1] + e.e[2] * e.e[2];
        }
    };
    auto converged = [&](const zel_internal::PoseError& e) {
        return e.position <= positionTolerance && std::isfinite(e.position) &&
            (positionOnly ||
             (e.orientation <= orientationTolerance && std::isfinite(e.orientation)));
    };
    auto keepBest = [&] {
        if (!haveBest || err.cost < bestErr.cost) {
            haveBest = true;
            bestErr = err;
            for (std::size_t i = 0; i < n; ++i) best[i] = cur[i];
        }
    };

    ZELIKReason reason = ZELIKReason::IterationLimit;
    bool done = false;
    for (int attempt = 0; attempt <= options.restarts && !done; ++attempt) {
        if (attempt == 0) {
            for (std::size_t i = 0; i < n; ++i)
                cur[i] = clamp(seed[i], links_[i].lower, links_[i].upper);
        } else {
            if (mustStop()) {
                reason = stop;
                break;
            }
            ++result.restarts;
            for (std::size_t i = 0; i < n; ++i) {
                const double u =
                    stream.next();  // (1 − u)·low + u·high: no overflow for any finite limits
                cur[i] = clamp((1.0 - u) * low[i] + u * high[i], links_[i].lower, links_[i].upper);
            }
        }
        measure(cur, err);
        keepBest();
        double mu = kInitialDamping;
        int slow = 0;
        for (int it = 0;; ++it) {
            if (converged(err)) {
                reason = ZELIKReason::Converged;
                done = true;
                break;
            }
            if (it == options.maxIterations) break;
            if (mustStop()) {
                reason = stop;
                done = true;
                break;
            }
            ++result.iterations;
            // Normalised Jacobian Ĵ: position rows / reach, prismatic columns · reach.
            jacobianRows(cur, jrow);
            for (std::size_t i = 0; i < n; ++i) {
                const double f = scale[i] * invReach;
                jrow[0][i] = jrow[0][i] * f;
                jrow[1][i] = jrow[1][i] * f;
                jrow[2][i] = jrow[2][i] * f;
                for (int r = 3; r < 6; ++r) jrow[r][i] = r < rows ? jrow[r][i] * scale[i] : 0.0;
                // A joint at a limit that the error pulls further out of it takes no part in
                // this step: its column is dropped, and the others do its share.
                const Link& l = links_[i];
                if (cur[i] <= l.lower || cur[i] >= l.upper) {
                    double pull = 0.0;
                    for (int r = 0; r < 6; ++r) pull = pull + jrow[r][i] * err.e[r];
                    if ((cur[i] <= l.lower && pull < 0.0) || (cur[i] >= l.upper && pull > 0.0))
                        for (int r = 0; r < 6; ++r) jrow[r][i] = 0.0;
                }
            }
            double a[36];
            for (int r = 0; r < 6; ++r)
                for (int c = 0; c <= r; ++c) {
                    double sum = 0.0;
                    for (std::size_t i = 0; i < n; ++i) sum = sum + jrow[r][i] * jrow[c][i];
                    a[6 * r + c] = sum;
                    a[6 * c + r] = sum;
                }
            // Damped steps until one lowers the cost or the damping runs out.
            bool accepted = false;
            while (!accepted && mu <= kMaxDamping) {
                double y[6];
                if (zel_internal::dampedSolve(a, mu, err.e, y)) {
                    for (std::size_t i = 0; i < n; ++i) {
                        double step = 0.0;
                        for (int r = 0; r < 6; ++r) step = step + jrow[r][i] * y[r];
                        trial[i] =
                            clamp(cur[i] + step * scale[i], links_[i].lower, links_[i].upper);
                    }
                    measure(trial, trialErr);
                    accepted = trialErr.cost < err.cost;
                }
                mu = accepted ? std::fmax(mu * 0.1, kMinDamping) : mu * 10.0;
            }
            if (!accepted) break;
            slow = trialErr.cost > (1.0 - kSlowGain) * err.cost ? slow + 1 : 0;
            err = trialErr;
            for (std::size_t i = 0; i < n; ++i) cur[i] = trial[i];
            keepBest();
            if (slow == kSlowSteps && !converged(err)) break;
        }
    }

    for (std::size_t i = 0; i < n; ++i)
        cur[i] = reason == ZELIKReason::Converged ? cur[i] : best[i];
    const zel_internal::PoseError& final = reason == ZELIKReason::Converged ? err : bestErr;
    q.resize(n);
    for (std::size_t i = 0; i < n; ++i) q[i] = cur[i];
    result.converged = reason == ZELIKReason::Converged;
    result.reason = reason;
    result.positionError = final.position;
    result.orientationError = final.orientation;
    return result;
}
