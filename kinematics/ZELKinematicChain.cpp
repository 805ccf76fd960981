#include "kinematics/ZELKinematicChain.h"

#include "foundation/ZELException.h"
#include "foundation/internal/ZELConstants.h"
#include "foundation/internal/ZELSimdPair.h"
#include "kinematics/internal/ZELKinematicsReportSites.h"
#include "publicinterfaces/ZELCleanSinCos.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

[[noreturn]] void domainError(const zel_internal::ThrowSite& site, const std::string& text) {
    zel_internal::raise<ZELEDomainError>(site, std::wstring(text.begin(), text.end()));
}

std::string number(double x) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", x);
    return buffer;
}

// ---- poses as twelve scalars: the rotation column by column, then the position -------------

// t = t · l, with the transform's product formula term for term (ZELXform3D::multiply), so that
// a chain composed here has the same bits as one composed from ZELXform3D objects. Rows 0 and 1
// of each column go as a pair, row 2 alone; each element keeps its order of operations.
inline void compose(double* t, const double* l) noexcept {
    using zel_internal::loadPair;
    using zel_internal::Pair;
    using zel_internal::splatPair;
    const Pair c0 = loadPair(t), c1 = loadPair(t + 3), c2 = loadPair(t + 6), p = loadPair(t + 9);
    const double z0 = t[2], z1 = t[5], z2 = t[8], zp = t[11];
    double m[12];
    for (int k = 0; k < 4; ++k) {
        const double a = l[3 * k], b = l[3 * k + 1], c = l[3 * k + 2];
        Pair top = c0 * splatPair(a) + c1 * splatPair(b) + c2 * splatPair(c);
        double bottom = z0 * a + z1 * b + z2 * c;
        if (k == 3) {
            top = top + p;
            bottom = bottom + zp;
        }
        zel_internal::storePair(m + 3 * k, top);
        m[3 * k + 2] = bottom;
    }
    for (int i = 0; i < 12; ++i) t[i] = m[i];
}

// The link transform of setDH(theta, d, alpha, a), entry for entry, from the cleaned sines and
// cosines.
inline void dhScalars(double st, double ct, double d, double a, double sa, double ca,
                      double* l) noexcept {
    l[0] = ct;
    l[1] = st;
    l[2] = 0.0;
    l[3] = -ca * st;
    l[4] = ca * ct;
    l[5] = sa;
    l[6] = sa * st;
    l[7] = -sa * ct;
    l[8] = ca;
    l[9] = a * ct;
    l[10] = a * st;
    l[11] = d;
}

inline bool isFinite(double x) noexcept { return std::isfinite(x); }

}  // namespace

// ---- building --------------------------------------------------------------------------------

void ZELKinematicChain::addRevolute(double d, double a, double alpha, double offset, double lower,
                                    double upper) {
    if (!isFinite(d) || !isFinite(a) || !isFinite(alpha) || !isFinite(offset))
        domainError(zel_internal::kChainRevoluteLink,
                    "addRevolute: d, a, alpha and offset must be finite (got " + number(d) + ", " +
                        number(a) + ", " + number(alpha) + ", " + number(offset) + ")");
    Link link{};
    link.d = d;
    link.a = a;
    ZELCleanSinCos(alpha, link.sinAlpha, link.cosAlpha);
    link.offset = offset;
    link.lower = lower;
    link.upper = upper;
    link.prismatic = false;
    add(link);
}

void ZELKinematicChain::addPrismatic(double theta, double a, double alpha, double offset,
                                     double lower, double upper) {
    if (!isFinite(theta) || !isFinite(a) || !isFinite(alpha) || !isFinite(offset))
        domainError(zel_internal::kChainPrismaticLink,
                    "addPrismatic: theta, a, alpha and offset must be finite (got " +
                        number(theta) + ", " + number(a) + ", " + number(alpha) + ", " +
                        number(offset) + ")");
    Link link{};
    ZELCleanSinCos(theta, link.sinTheta, link.cosTheta);
    link.a = a;
    ZELCleanSinCos(alpha, link.sinAlpha, link.cosAlpha);
    link.offset = offset;
    link.lower = lower;
    link.upper = upper;
    link.prismatic = true;
    add(link);
}

void ZELKinematicChain::add(const Link& link) {
    if (std::isnan(link.lower) || std::isnan(link.upper) || link.lower > link.upper)
        domainError(zel_internal::kChainJointLimits,
                    "joint " + std::to_string(links_.size()) + ": lower limit " +
                        number(link.lower) + " is not at or below upper limit " +
                        number(link.upper));
    links_.push_back(link);
    updateReach();
}

void ZELKinematicChain::setTool(const ZELXform3D& tool) {
    tool_ = tool;
    hasTool_ = !(tool == ZELXform3D::Identity);
    updateReach();
}

void ZELKinematicChain::updateReach() noexcept {
    double sum = 0.0;
    for (const Link& l : links_) {
        double d = l.d;
        if (l.prismatic) {
            d = std::fabs(l.offset);
            if (isFinite(l.lower) && isFinite(l.upper))
                d = d + std::fmax(std::fabs(l.lower), std::fabs(l.upper));
        }
        sum = sum + std::sqrt(l.a * l.a + d * d);
    }
    const ZELVector3D p = tool_.position();
    reach_ = sum + std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
}

const ZELKinematicChain::Link& ZELKinematicChain::link(int i) const {
    if (i < 0 || i >= joints())
        domainError(
            zel_internal::kChainJointIndex,
            "joint index " + std::to_string(i) + " outside 0.." + std::to_string(joints() - 1));
    return links_[static_cast<std::size_t>(i)];
}

double ZELKinematicChain::lower(int i) const { return link(i).lower; }
double ZELKinematicChain::upper(int i) const { return link(i).upper; }
bool ZELKinematicChain::isPrismatic(int i) const { return link(i).prismatic; }

void ZELKinematicChain::checkLength(const ZELMathVector& q, const char* what) const {
    if (q.length() != links_.size())
        domainError(zel_internal::kChainJointVector,
                    std::string(what) + ": joint vector of length " + std::to_string(q.length()) +
                        " for a chain of " + std::to_string(links_.size()) + " joints");
}

// ---- forward kinematics and Jacobian -------------------------------------------------------

namespace {

// The transform of link `l` at joint value q, as twelve scalars.
template <class Link>
inline void linkScalars(const Link& l, double q, double* out) noexcept {
    if (l.prismatic) {
        dhScalars(l.sinTheta, l.cosTheta, q + l.offset, l.a, l.sinAlpha, l.cosAlpha, out);
    } else {
        double st, ct;
        ZELCleanSinCos(q + l.offset, st, ct);
        dhScalars(st, ct, l.d, l.a, l.sinAlpha, l.cosAlpha, out);
    }
}

}  // namespace

template <class Before, class After>
void ZELKinematicChain::walk(const double* q, double* t, Before before,
                             After after) const noexcept {
    double l[12];
    if (hasBase_) {
        base_.get(t);
    } else {
        ZELXform3D::Identity.get(t);
    }
    const std::size_t n = links_.size();
    for (std::size_t i = 0; i < n; ++i) {
        before(i, t);
        linkScalars(links_[i], q[i], l);
        if (i == 0 && !hasBase_) {
            for (int k = 0; k < 12; ++k) t[k] = l[k];
        } else {
            compose(t, l);
        }
        after(i, t);
    }
    if (hasTool_) {
        tool_.get(l);
        compose(t, l);
    }
}

void ZELKinematicChain::forwardScalars(const double* q, double* pose) const noexcept {
    walk(
        q, pose, [](std::size_t, const double*) {}, [](std::size_t, const double*) {});
}

ZELXform3D ZELKinematicChain::forward(const ZELMathVector& q) const {
    checkLength(q, "forward");
    double pose[12];
    forwardScalars(q.data(), pose);
    ZELXform3D x(ZELMath3D::Uninitialized);
    x.setScalars(pose);
    return x;
}

void ZELKinematicChain::forward(const ZELMathVector& q, std::vector<ZELXform3D>& frames) const {
    checkLength(q, "forward");
    const std::size_t n = links_.size();
    frames.resize(n + 1);
    double t[12];
    walk(
        q.data(), t, [](std::size_t, const double*) {},
        [&](std::size_t i, const double* x) { frames[i].setScalars(x); });
    frames[n].setScalars(t);
}

void ZELKinematicChain::jacobianRows(const double* q, double* const rows[6],
                                     double* pose) const noexcept {
    double t[12];
    // First pass: the axis z (rows 3-5) and the origin p (rows 0-2) of the frame before each link.
    walk(
        q, t,
        [&](std::size_t i, const double* x) {
            for (int r = 0; r < 3; ++r) {
                rows[3 + r][i] = x[6 + r];
                rows[r][i] = x[9 + r];
            }
        },
        [](std::size_t, const double*) {});
    const double px = t[9], py = t[10], pz = t[11];
    // Second pass: the columns.
    const std::size_t n = links_.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double zx = rows[3][i], zy = rows[4][i], zz = rows[5][i];
        if (links_[i].prismatic) {
            rows[0][i] = zx;
            rows[1][i] = zy;
            rows[2][i] = zz;
            rows[3][i] = 0.0;
            rows[4][i] = 0.0;
            rows[5][i] = 0.0;
        } else {
            const double dx = px - rows[0][i], dy = py - rows[1][i], dz = pz - rows[2][i];
            rows[0][i] = zy * dz - zz * dy;
            rows[1][i] = zz * dx - zx * dz;
            rows[2][i] = zx * dy - zy * dx;
        }
    }
    if (pose != nullptr)
        for (int k = 0; k < 12; ++k) pose[k] = t[k];
}

ZELMathMatrix ZELKinematicChain::jacobian(const ZELMathVector& q) const {
    checkLength(q, "jacobian");
    ZELMathMatrix j(6, links_.size(), 0.0);
    double* rows[6];
    for (std::size_t r = 0; r < 6; ++r) rows[r] = &j(r, 0);
    jacobianRows(q.data(), rows);
    return j;
}

// ---- inverse kinematics ----------------------------------------------------------------------

namespace {

// The error of a pose against the target: e[0..2] the position error divided by the reach,
// e[3..5] the rotation vector (axis times angle, base frame) that turns the pose's orientation
// into the target's.
struct PoseError {
    double e[6];
    double position;     // |target p − p|, length unit
    double orientation;  // angle, radians
    double cost;         // e · e
};

void poseError(const double* target, const double* pose, double invReach, PoseError& out) noexcept {
    const double dx = target[9] - pose[9], dy = target[10] - pose[10], dz = target[11] - pose[11];
    out.position = std::sqrt(dx * dx + dy * dy + dz * dz);
    out.e[0] = dx * invReach;
    out.e[1] = dy * invReach;
    out.e[2] = dz * invReach;
    // E = Rt · Rᵀ, element (r, c) at flat index 3c + r.
    double m[9];
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            m[3 * c + r] =
                target[r] * pose[c] + target[3 + r] * pose[3 + c] + target[6 + r] * pose[6 + c];
    const double vx = 0.5 * (m[5] - m[7]), vy = 0.5 * (m[6] - m[2]), vz = 0.5 * (m[1] - m[3]);
    const double s = std::sqrt(vx * vx + vy * vy + vz * vz);
    const double c = 0.5 * (m[0] + m[4] + m[8] - 1.0);
    const double angle = std::atan2(s, c);
    out.orientation = angle;
    if (s >= 1e-6 || c > 0.0) {
        const double f = s > 0.0 ? angle / s : 1.0;
        out.e[3] = vx * f;
        out.e[4] = vy * f;
        out.e[5] = vz * f;
    } else {
        // Close to a half turn: the axis from the diagonal of E = 2·a·aᵀ − I (with c ≈ −1),
        // its sign from the largest component and the off-diagonal sums.
        double axis[3];
        int k = 0;
        for (int i = 0; i < 3; ++i) {
            const double d = (m[4 * i] - c) / (1.0 - c);
            axis[i] = d > 0.0 ? std::sqrt(d) : 0.0;
            if (axis[i] > axis[k]) k = i;
        }
        for (int i = 0; i < 3; ++i)
            if (i != k && m[3 * k + i] + m[3 * i + k] < 0.0) axis[i] = -axis[i];
        const double dot = axis[0] * vx + axis[1] * vy + axis[2] * vz;
        const double f = dot < 0.0 ? -angle : angle;
        out.e[3] = axis[0] * f;
        out.e[4] = axis[1] * f;
        out.e[5] = axis[2] * f;
    }
    out.cost = 0.0;
    for (int i = 0; i < 6; ++i) out.cost = out.cost + out.e[i] * out.e[i];
}

// Solves (A + mu·I)·y = b for the symmetric positive semi-definite 6 × 6 matrix A (row-major)
// by Cholesky factorisation. False when the damped matrix is not positive definite.
bool dampedSolve(const double* a, double mu, const double* b, double* y) noexcept {
    double l[36];
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j <= i; ++j) {
            double sum = a[6 * i + j] + (i == j ? mu : 0.0);
            for (int k = 0; k < j; ++k) sum = sum - l[6 * i + k] * l[6 * j + k];
            if (i == j) {
                if (!(sum > 0.0)) return false;
                l[6 * i + i] = std::sqrt(sum);
            } else {
                l[6 * i + j] = sum / l[6 * j + j];
            }
        }
    }
    for (int i = 0; i < 6; ++i) {
        double sum = b[i];
        for (int k = 0; k < i; ++k) sum = sum - l[6 * i + k] * y[k];
        y[i] = sum / l[6 * i + i];
    }
    for (int i = 5; i >= 0; --i) {
        double sum = y[i];
        for (int k = i + 1; k < 6; ++k) sum = sum - l[6 * k + i] * y[k];
        y[i] = sum / l[6 * i + i];
    }
    return true;
}

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

}  // namespace

ZELIKResult ZELKinematicChain::inverse(const ZELXform3D& target, const ZELMathVector& seed,
                                       ZELMathVector& q, const ZELIKOptions& options) const {
    checkLength(seed, "inverse");
    ZELIKResult result;
    const std::size_t n = links_.size();
    double goal[12];
    target.get(goal);
    bool valid = !std::isnan(options.positionTolerance) &&
        !std::isnan(options.orientationTolerance) && !std::isnan(options.timeBudget) &&
        options.maxIterations >= 0 && options.restarts >= 0;
    for (int k = 0; k < 12; ++k) valid = valid && isFinite(goal[k]);
    for (std::size_t i = 0; i < n; ++i) valid = valid && isFinite(seed[i]);
    if (!valid) {
        result.reason = ZELIKReason::InvalidInput;
        return result;
    }

    using Clock = std::chrono::steady_clock;
    const bool timed = options.timeBudget < std::numeric_limits<double>::infinity();
    const Clock::time_point start = timed ? Clock::now() : Clock::time_point();
    const double budget = options.timeBudget;
    auto outOfTime = [&] {
        return timed && std::chrono::duration<double>(Clock::now() - start).count() >= budget;
    };

    const double length = reach();
    const double invReach = 1.0 / length;
    const double positionTolerance =
        options.positionTolerance > 0.0 ? options.positionTolerance : 1e-6 * length;
    const double orientationTolerance = options.orientationTolerance;
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
        low[i] = isFinite(l.lower) ? l.lower : centre - span;
        high[i] = isFinite(l.upper) ? l.upper : centre + span;
        if (!isFinite(l.lower) && isFinite(l.upper)) low[i] = l.upper - 2.0 * span;
        if (isFinite(l.lower) && !isFinite(l.upper)) high[i] = l.lower + 2.0 * span;
    }

    double pose[12];
    PoseError err{}, trialErr{}, bestErr{};
    bestErr.cost = std::numeric_limits<double>::infinity();
    auto converged = [&](const PoseError& e) {
        return e.position <= positionTolerance && e.orientation <= orientationTolerance;
    };
    auto keepBest = [&] {
        if (err.cost < bestErr.cost) {
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
            if (outOfTime()) {
                reason = ZELIKReason::TimeLimit;
                break;
            }
            ++result.restarts;
            for (std::size_t i = 0; i < n; ++i) {
                const double u =
                    stream.next();  // (1 − u)·low + u·high: no overflow for any finite limits
                cur[i] = clamp((1.0 - u) * low[i] + u * high[i], links_[i].lower, links_[i].upper);
            }
        }
        forwardScalars(cur, pose);
        poseError(goal, pose, invReach, err);
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
            if (outOfTime()) {
                reason = ZELIKReason::TimeLimit;
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
                jrow[3][i] = jrow[3][i] * scale[i];
                jrow[4][i] = jrow[4][i] * scale[i];
                jrow[5][i] = jrow[5][i] * scale[i];
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
                if (dampedSolve(a, mu, err.e, y)) {
                    for (std::size_t i = 0; i < n; ++i) {
                        double step = 0.0;
                        for (int r = 0; r < 6; ++r) step = step + jrow[r][i] * y[r];
                        trial[i] =
                            clamp(cur[i] + step * scale[i], links_[i].lower, links_[i].upper);
                    }
                    forwardScalars(trial, pose);
                    poseError(goal, pose, invReach, trialErr);
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
    const PoseError& final = reason == ZELIKReason::Converged ? err : bestErr;
    q.resize(n);
    for (std::size_t i = 0; i < n; ++i) q[i] = cur[i];
    result.converged = reason == ZELIKReason::Converged;
    result.reason = reason;
    result.positionError = final.position;
    result.orientationError = final.orientation;
    return result;
}
