// Every distribution's variates against its exact distribution function: Kolmogorov-Smirnov for
// continuous laws, chi-square for discrete ones, from fixed Philox and MRG32k3a streams (and
// numbered streams, which the same transformation serves). The thresholds are the statistics'
// 1 - 1e-6 quantiles, so a correct implementation fails less than once in a million seeds.
#include "ZELMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <vector>

namespace {

using Cdf = std::function<double(double)>;
constexpr double Pi = 3.14159265358979323846;
constexpr int N = 20000;  // variates per case

// ---- reference functions -----------------------------------------------------------------------

double normalCdf(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }

// Regularised lower incomplete gamma P(a, x): its series below a + 1, the continued fraction of
// Q = 1 - P above (modified Lentz).
double gammaP(double a, double x) {
    if (x <= 0.0) return 0.0;
    const double logPrefix = a * std::log(x) - x - std::lgamma(a);
    if (x < a + 1.0) {
        double term = 1.0 / a, sum = term;
        for (int n = 1; n < 10000 && std::fabs(term) > 1e-17 * sum; ++n) sum += term *= x / (a + n);
        return sum * std::exp(logPrefix);
    }
    double b = x + 1.0 - a, c = 1e300, d = 1.0 / b, h = d;
    for (int n = 1; n < 10000; ++n) {
        const double an = -n * (n - a);
        b += 2.0;
        d = an * d + b, c = b + an / c;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < 1e-16) break;
    }
    return 1.0 - std::exp(logPrefix) * h;
}

// Regularised incomplete beta I_x(a, b) by its continued fraction (modified Lentz), on the side
// where it converges fast.
double betaI(double a, double b, double x) {
    if (x <= 0.0) return 0.0;
    if (x >= 1.0) return 1.0;
    if (x > (a + 1.0) / (a + b + 2.0)) return 1.0 - betaI(b, a, 1.0 - x);
    const double logPrefix =
        std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x);
    double c = 1.0, d = 1.0 / (1.0 - (a + b) * x / (a + 1.0)), h = d;
    for (int m = 1; m < 10000; ++m) {
        for (int even = 1; even >= 0; --even) {
            const double num = even ? m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m))
                                    : -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1));
            d = 1.0 / (1.0 + num * d), c = 1.0 + num / c;
            h *= d * c;
        }
        if (std::fabs(d * c - 1.0) < 1e-16) break;
    }
    return std::exp(logPrefix) * h / a;
}

// The library's normal draw takes cos(3.14527 U2) sqrt(-2 ln U1): the angle is uniform on
// [0, pi + delta] rather than [0, pi], so the law is pi / c of the normal law plus delta / c of
// R cos(theta), theta uniform on (pi, pi + delta], R Rayleigh (integrated by Simpson's rule).
double drawnNormalCdf(double z) {
    const double c = ZELNormalDistribution::AngleFactor, delta = c - Pi;
    double extra = 1.0;  // P(R cos(theta) <= z) for z >= 0
    if (z < 0.0) {
        extra = 0.0;
        const int steps = 64;
        for (int i = 0; i <= steps; ++i) {
            const double cosine = std::cos(Pi + delta * i / steps);
            const double f = std::exp(-0.5 * (z / cosine) * (z / cosine));
            extra += f * (i == 0 || i == steps ? 1.0 : i % 2 == 1 ? 4.0 : 2.0);
        }
        extra /= 3.0 * steps;
    }
    return (Pi * normalCdf(z) + delta * extra) / c;
}

// ---- the tests' statistics ----------------------------------------------------------------------

// `N` variates of `d` from `stream`, through the stream object or, for Classic, the number.
std::vector<double> sample(ZELRNDistribution& d, ZELRandomStream stream) {
    std::vector<double> x(N);
    if (stream.engine() == ZELStreamEngine::Classic)
        for (double& v : x) v = d.getRandomVariate(static_cast<int>(stream.streamIndex()));
    else
        d.getRandomVariates(stream, x.data(), x.size());
    return x;
}

// Kolmogorov-Smirnov: sqrt(n) D (with Stephens' small-sample factor) against 2.6934, where the
// limiting tail 2 exp(-2 t^2) is 1e-6. At an atom F_n and F are compared on both sides.
void expectKs(std::vector<double> x, const Cdf& cdf, const char* what) {
    std::sort(x.begin(), x.end());
    double d = 0.0;
    for (std::size_t i = 0; i < x.size();) {
        std::size_t j = i;
        while (j < x.size() && x[j] == x[i]) ++j;
        const double f = cdf(x[i]), below = cdf(std::nextafter(x[i], -HUGE_VAL));
        d = std::max({d, std::fabs(static_cast<double>(j) / N - f),
                      std::fabs(static_cast<double>(i) / N - below)});
        i = j;
    }
    const double root = std::sqrt(static_cast<double>(N));
    EXPECT_LT(d * (root + 0.12 + 0.11 / root), 2.6934) << what << ": D = " << d;
}

// Chi-square over the given values' probabilities (values not listed fall into a remainder cell)
// against the 1 - 1e-6 quantile of its degrees of freedom, found by bisection on gammaP.
void expectChiSquare(const std::vector<double>& x, const std::map<double, double>& pmf,
                     const char* what) {
    std::map<double, double> seen;
    for (double v : x) ++seen[pmf.count(v) ? v : HUGE_VAL];
    double rest = 1.0, chi2 = 0.0;
    for (const auto& [value, p] : pmf) {
        rest -= p;
        chi2 += (seen[value] - N * p) * (seen[value] - N * p) / (N * p);
    }
    int cells = static_cast<int>(pmf.size());
    if (rest * N > 1.0)
        chi2 += (seen[HUGE_VAL] - N * rest) * (seen[HUGE_VAL] - N * rest) / (N * rest), ++cells;
    else
        EXPECT_EQ(seen[HUGE_VAL], 0.0) << what;
    const double k = (cells - 1) / 2.0;
    double lo = 0.0, hi = 1000.0;
    for (int i = 0; i < 200; ++i)
        ((1.0 - gammaP(k, (lo + hi) / 4.0)) > 1e-6 ? lo : hi) = (lo + hi) / 2.0;
    EXPECT_LT(chi2, lo) << what;
}

std::map<double, double> poissonPmf(double lambda) {
    std::map<double, double> pmf;
    double p = std::exp(-lambda);
    for (int k = 0; k < 200; ++k, p *= lambda / k)
        if (p * N >= 5.0) pmf[k] = p;
    return pmf;
}

ZELRandomStream philox(std::uint64_t stream) { return ZELRandomStream::Philox(20261206u, stream); }
ZELRandomStream mrg(std::uint64_t stream) { return ZELRandomStream::MRG32k3a(stream); }

TEST(DistributionStatistics, ClosedFormLaws) {
    ZELUniformDistribution uniform(-2.0, 3.0);
    expectKs(
        sample(uniform, philox(1)), [](double x) { return std::clamp((x + 2.0) / 5.0, 0.0, 1.0); },
        "uniform");
    ZELExponentialDistribution exponential(2.5);
    expectKs(
        sample(exponential, mrg(2)), [](double x) { return x < 0 ? 0.0 : -std::expm1(-x / 2.5); },
        "exponential");
    ZELTriangularDistribution triangular(1.0, 2.0, 5.0);
    expectKs(
        sample(triangular, philox(3)),
        [](double x) {
            return x <= 1.0 ? 0.0
                : x <= 2.0  ? (x - 1) * (x - 1) / 4.0
                : x < 5.0   ? 1.0 - (5 - x) * (5 - x) / 12.0
                            : 1.0;
        },
        "triangular");
    ZELWeibullDistribution weibull(2.0, 0.7);
    expectKs(
        sample(weibull, mrg(4)),
        [](double x) { return x < 0 ? 0.0 : -std::expm1(-std::pow(x / 2.0, 0.7)); }, "weibull");
}

TEST(DistributionStatistics, NormalFamilyIncludingBounds) {
    ZELNormalDistribution normal(10.0, 3.0);
    expectKs(
        sample(normal, philox(5)), [](double x) { return drawnNormalCdf((x - 10.0) / 3.0); },
        "normal");
    expectKs(
        sample(normal, ZELRandomStream::Classic(7)),
        [](double x) { return drawnNormalCdf((x - 10.0) / 3.0); }, "normal, stream 7");
    const double m = 3.0, s = 1.5, v = std::log(s * s / (m * m) + 1.0), mu = std::log(m) - 0.5 * v;
    ZELLogNormalDistribution logNormal(m, s);
    expectKs(
        sample(logNormal, mrg(6)),
        [&](double x) { return x <= 0 ? 0.0 : drawnNormalCdf((std::log(x) - mu) / std::sqrt(v)); },
        "log-normal");
    normal.SetBounds(8.0, 16.0);  // redrawn until inside: the truncated law
    const double f0 = drawnNormalCdf(-2.0 / 3.0), f1 = drawnNormalCdf(2.0);
    expectKs(
        sample(normal, philox(8)),
        [&](double x) {
            return std::clamp((drawnNormalCdf((x - 10.0) / 3.0) - f0) / (f1 - f0), 0.0, 1.0);
        },
        "bounded");
}

// Shapes on both sides of 1 and at 1 (each of the three methods), Erlang as the gamma of k phases
// of mean/k, beta through the incomplete beta function.
TEST(DistributionStatistics, GammaFamily) {
    const double shapes[] = {0.1, 0.5, 1.0, 1.5, 3.0, 25.0};
    for (double alpha : shapes) {
        ZELGammaDistribution gamma(alpha, 2.0);
        // GS yields 0 for P = b U1 <= 0.01 when 1/alpha >= 7: an atom holding the law below 0.01^(1/alpha) beta.
        const double cut = alpha <= 1.0 / 7.0 ? 2.0 * std::pow(0.01, 1.0 / alpha) : 0.0;
        const Cdf cdf = [=](double x) {
            return x < 0.0 ? 0.0 : gammaP(alpha, std::max(x, cut) / 2.0);
        };
        expectKs(sample(gamma, philox(10)), cdf, "gamma, Philox");
        expectKs(sample(gamma, ZELRandomStream::Classic(11)), cdf, "gamma, stream 11");
    }
    ZELErlangDistribution erlang(6.0, 3);
    expectKs(
        sample(erlang, mrg(12)), [](double x) { return gammaP(3.0, x * 3.0 / 6.0); }, "erlang");
    const std::pair<double, double> betas[] = {{2.0, 3.0}, {0.5, 0.5}, {1.0, 0.25}, {0.7, 4.0}};
    for (const auto& [a, b] : betas) {
        ZELBetaDistribution beta(a, b);
        expectKs(
            sample(beta, philox(13)), [a = a, b = b](double x) { return betaI(a, b, x); }, "beta");
    }
}

TEST(DistributionStatistics, CountsAndTables) {
    for (double lambda : {0.5, 4.0, 30.0}) {
        ZELPoissonDistribution poisson(lambda);
        expectChiSquare(sample(poisson, mrg(14)), poissonPmf(lambda), "poisson");
    }
    const double values[] = {-1.0, 2.0, 7.0, 8.0}, weights[] = {2.0, 1.0, 4.0, 3.0};
    ZELUserDiscDistribution disc(values, weights, 4);
    expectChiSquare(sample(disc, philox(15)), {{-1.0, 0.2}, {2.0, 0.1}, {7.0, 0.4}, {8.0, 0.3}},
                    "user table");
    ZELUsrDist usr(weights, 4);  // returns the selected entry's probability
    expectChiSquare(sample(usr, ZELRandomStream::Classic(1)),
                    {{0.2, 0.2}, {0.1, 0.1}, {0.4, 0.4}, {0.3, 0.3}}, "weights");
    const double edges[] = {0.0, 1.0, 4.0, 5.0},
                 mass[] = {0.0, 0.5, 0.25, 0.25};  // cum 0, .5, .75, 1
    ZELUserContDistribution cont(edges, mass, 4);
    expectKs(
        sample(cont, mrg(16)),
        [](double x) {
            return x <= 0 ? 0.0
                : x <= 1  ? 0.5 * x
                : x <= 4  ? 0.5 + 0.25 * (x - 1) / 3
                : x <= 5  ? 0.75 + 0.25 * (x - 4)
                          : 1.0;
        },
        "piecewise-linear table");
}

}  // namespace
