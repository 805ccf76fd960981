#include "ZELRandomMD.m/src/internal/ZELStatisticsKernels.h"

#include "foundation/internal/ZELConstants.h"

#include <cmath>
#include <limits>

namespace zel_internal {

// ---- the standard normal quantile ------------------------------------------------------------

// The lower-tail quantile: a rational first guess (relative error below 1.2e-9), then two
// Halley steps on the lower tail 0.5 erfc(-x / sqrt 2), which the library's erfc computes to a
// few units in the last place.
double normalLowerQuantile(double p) {
    static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02,
                               -2.759285104469687e+02, 1.383577518672690e+02,
                               -3.066479806614716e+01, 2.506628277459239e+00};
    static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02,
                               -1.556989798598866e+02, 6.680131188771972e+01,
                               -1.328068155288572e+01};
    static const double c[] = {-7.784894002430293e-03, -3.223964580411365e-01,
                               -2.400758277161838e+00, -2.549732539343734e+00,
                               4.374664141464968e+00,  2.938163982698783e+00};
    static const double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                               3.754408661907416e+00};
    const double pLow = 0.02425;
    double x;
    if (p < pLow) {
        const double q = std::sqrt(-2.0 * std::log(p));
        x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    } else if (p <= 1.0 - pLow) {
        const double q = p - 0.5;
        const double r = q * q;
        x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
            (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
    } else {
        const double q = std::sqrt(-2.0 * std::log1p(-p));
        x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    }
    for (int step = 0; step < 2; ++step) {
        const double e = 0.5 * std::erfc(-x / std::sqrt(2.0)) - p;
        const double u = e * std::sqrt(2.0 * kPi<double>) * std::exp(x * x / 2.0);
        if (!std::isfinite(u)) break;  // beyond the range of exp: the first guess stands
        x = x - u / (1.0 + x * u / 2.0);
    }
    return x;
}

// The z with P(Z > z) = q, for q in (0, 0.5]: computed on the lower tail q, where the
// probability is held without cancellation.
double normalUpperQuantile(double q) { return -normalLowerQuantile(q); }

namespace {

// ---- Student t --------------------------------------------------------------------------------

// B(a, 1/2) = sqrt(pi) Gamma(a) / Gamma(a + 1/2): the gamma functions below a = 100, the
// asymptotic series of Gamma(a + 1/2) / (Gamma(a) sqrt(a)) above (relative error below 1e-17).
double betaHalf(double a) {
    if (a < 100.0) return std::sqrt(kPi<double>) * (std::tgamma(a) / std::tgamma(a + 0.5));
    const double r = 1.0 / a;
    const double s = 1.0 +
        r *
            (-1.0 / 8.0 +
             r *
                 (1.0 / 128.0 +
                  r *
                      (5.0 / 1024.0 +
                       r * (-21.0 / 32768.0 + r * (-399.0 / 262144.0 + r * (869.0 / 4194304.0))))));
    return std::sqrt(kPi<double>) / (std::sqrt(a) * s);
}

// The continued fraction of the incomplete beta function I_x(a, b) (modified Lentz).
double betaFraction(double a, double b, double x) {
    const double tiny = 1e-300;
    const double qab = a + b, qap = a + 1.0, qam = a - 1.0;
    double c = 1.0;
    double d = 1.0 - qab * x / qap;
    if (std::fabs(d) < tiny) d = tiny;
    d = 1.0 / d;
    double h = d;
    for (int m = 1; m <= 100000; ++m) {
        const double m2 = 2.0 * m;
        double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < tiny) d = tiny;
        c = 1.0 + aa / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1.0 / d;
        h *= d * c;
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < tiny) d = tiny;
        c = 1.0 + aa / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1.0 / d;
        const double del = d * c;
        h *= del;
        if (std::fabs(del - 1.0) <= std::numeric_limits<double>::epsilon()) break;
    }
    return h;
}

// The upper tail P(T > t) of Student's t with nu degrees of freedom, t >= 0, and its density:
// P(T > t) = I_x(nu/2, 1/2) / 2 with x = nu / (nu + t^2), 1 - x = t^2 / (nu + t^2).
struct StudentT {
    double nu;
    double a;
    double beta;

    explicit StudentT(double dof) : nu(dof), a(dof / 2.0), beta(betaHalf(dof / 2.0)) {}

    double upperTail(double t) const {
        const double t2 = t * t;
        const double x = nu / (nu + t2);
        const double y = t2 / (nu + t2);
        const double front = std::exp(-a * std::log1p(t2 / nu) + 0.5 * std::log(y)) / beta;
        if (x < (a + 1.0) / (a + 2.5)) return 0.5 * (front * betaFraction(a, 0.5, x) / a);
        return 0.5 * (1.0 - front * betaFraction(0.5, a, y) / 0.5);
    }
    double density(double t) const {
        return std::exp(-(nu + 1.0) / 2.0 * std::log1p(t * t / nu)) / (std::sqrt(nu) * beta);
    }
};

// The expansion of t about the normal quantile z in powers of 1 / nu (Abramowitz and Stegun
// 26.7.5). Its error is close to the size of g4 / nu^5; `error` receives that estimate.
double cornishFisher(double z, double nu, double* error = nullptr) {
    const double z2 = z * z;
    const double g1 = (z2 + 1.0) * z / 4.0;
    const double g2 = ((5.0 * z2 + 16.0) * z2 + 3.0) * z / 96.0;
    const double g3 = (((3.0 * z2 + 19.0) * z2 + 17.0) * z2 - 15.0) * z / 384.0;
    const double g4 =
        ((((79.0 * z2 + 776.0) * z2 + 1482.0) * z2 - 1920.0) * z2 - 945.0) * z / 92160.0;
    if (error != nullptr) *error = std::fabs(g4) / (nu * nu * nu * nu * nu);
    return z + (g1 + (g2 + (g3 + g4 / nu) / nu) / nu) / nu;
}

}  // namespace

// The t with P(T > t) = q for q in (0, 0.5].
double studentUpperQuantile(double q, double nu) {
    if (q == 0.5) return 0.0;
    const double z = normalUpperQuantile(q);
    if (std::isinf(nu)) return z;
    if (nu == 1.0) return 1.0 / std::tan(kPi<double> * q);
    if (nu == 2.0) return (1.0 - 2.0 * q) / std::sqrt(2.0 * q * (1.0 - q));
    double error = 0.0;
    const double expansion = cornishFisher(z, nu, &error);
    if (error <= 0.25 * std::numeric_limits<double>::epsilon() * expansion) return expansion;
    const StudentT dist(nu);
    // Newton steps on log P(T > t) = log q, kept inside a bracket [lo, hi] that always holds
    // the answer (a step that leaves it bisects instead).
    double lo = 0.0;
    double hi = std::fmax(2.0 * expansion, 1.0);
    while (dist.upperTail(hi) > q) {
        lo = hi;
        hi *= 2.0;
        if (std::isinf(hi)) return hi;
    }
    double t = expansion;
    if (!(t > lo && t < hi)) t = 0.5 * (lo + hi);
    for (int iteration = 0; iteration < 200; ++iteration) {
        const double tail = dist.upperTail(t);
        if (tail > q)
            lo = t;
        else
            hi = t;
        double next = t + (std::log(tail) - std::log(q)) * tail / dist.density(t);
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        const bool done = std::fabs(next - t) <= 2.0 * std::numeric_limits<double>::epsilon() * t;
        t = next;
        if (done || hi - lo <= std::numeric_limits<double>::epsilon() * t) break;
    }
    return t;
}

double studentHalfWidth(double level, double stdDev, double n) {
    if (n < 2.0) return std::numeric_limits<double>::quiet_NaN();
    const double t = studentUpperQuantile(0.5 * (1.0 - level), n - 1.0);
    return t * stdDev / std::sqrt(n);
}

}  // namespace zel_internal
