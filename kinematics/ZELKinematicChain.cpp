#include "kinematics/ZELKinematicChain.h"

#include "foundation/ZELException.h"
#include "kinematics/internal/ZELKinematicsReportSites.h"
#include "publicinterfaces/ZELCleanSinCos.h"
#include "publicinterfaces/internal/ZELTransformKernel.h"

#include <cmath>
#include <limits>
#include <string>

using zel_internal::detailNumber;

namespace {

// t = t · l for poses of twelve scalars, with the transform's own product.
inline void compose(double* t, const double* l) noexcept {
    double m[12];
    zel_internal::composeXform(t, t + 9, l, l + 9, m);
    for (int i = 0; i < 12; ++i) t[i] = m[i];
}

inline bool isFinite(double x) noexcept { return std::isfinite(x); }

}  // namespace

// ---- building --------------------------------------------------------------------------------

void ZELKinematicChain::addRevolute(double d, double a, double alpha, double offset, double lower,
                                    double upper) {
    if (!isFinite(d) || !isFinite(a) || !isFinite(alpha) || !isFinite(offset))
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kChainRevoluteLink,
            "addRevolute: d, a, alpha and offset must be finite (got " + detailNumber(d) + ", " +
                detailNumber(a) + ", " + detailNumber(alpha) + ", " + detailNumber(offset) + ")");
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
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kChainPrismaticLink,
            "addPrismatic: theta, a, alpha and offset must be finite (got " + detailNumber(theta) +
                ", " + detailNumber(a) + ", " + detailNumber(alpha) + ", " + detailNumber(offset) +
                ")");
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
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kChainJointLimits,
            "joint " + std::to_string(links_.size()) + ": lower limit " + detailNumber(link.lower) +
                " is not at or below upper limit " + detailNumber(link.upper));
    const double inf = std::numeric_limits<double>::infinity();
    if (link.lower == inf || link.upper == -inf)
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kChainJointLimits,
            "joint " + std::to_string(links_.size()) + ": limits " + detailNumber(link.lower) +
                " and " + detailNumber(link.upper) + " leave no finite joint value");
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
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kChainJointIndex,
            "joint index " + std::to_string(i) + " outside 0.." + std::to_string(joints() - 1));
    return links_[static_cast<std::size_t>(i)];
}

double ZELKinematicChain::lower(int i) const { return link(i).lower; }
double ZELKinematicChain::upper(int i) const { return link(i).upper; }
bool ZELKinematicChain::isPrismatic(int i) const { return link(i).prismatic; }

void ZELKinematicChain::checkLength(const ZELMathVector& q, const char* what) const {
    if (q.length() != links_.size())
        zel_internal::raise<ZELEDomainError>(zel_internal::kChainJointVector,
                                             std::string(what) + ": joint vector of length " +
                                                 std::to_string(q.length()) + " for a chain of " +
                                                 std::to_string(links_.size()) + " joints");
}

// ---- forward kinematics and Jacobian -------------------------------------------------------

namespace {

// The transform of link `l` at joint value q, as twelve scalars.
template <class Link>
inline void linkScalars(const Link& l, double q, double* out) noexcept {
    if (l.prismatic) {
        zel_internal::dhLink(l.sinTheta, l.cosTheta, q + l.offset, l.a, l.sinAlpha, l.cosAlpha, out,
                             out + 9);
    } else {
        double st, ct;
        ZELCleanSinCos(q + l.offset, st, ct);
        zel_internal::dhLink(st, ct, l.d, l.a, l.sinAlpha, l.cosAlpha, out, out + 9);
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
