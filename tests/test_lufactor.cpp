#include "protectedinterfaces/ZELLUFactor.h"

#include "AssertRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Dense = std::vector<double>;  // row-major n x n

// ---- reference: the column loop exactly as documented, 1-based, on a plain array ----
struct RefLU {
    Dense a;
    std::vector<int> pivot;
    bool fail = false;
    int n = 0;
    double& at(int i, int j) { return a[(i - 1) * n + (j - 1)]; }
    double at(int i, int j) const { return a[(i - 1) * n + (j - 1)]; }
};

RefLU refFactor(const Dense& m, int n) {
    RefLU r{m, std::vector<int>(n > 0 ? n - 1 : 0, 0), false, n};
    for (int j = 1; j <= n; ++j) {
        for (int k = 1; k <= j - 1; ++k) std::swap(r.at(k, j), r.at(r.pivot[k - 1], j));
        for (int m = 1; m <= j - 1; ++m)
            for (int i = m + 1; i <= j - 1; ++i) r.at(i, j) = r.at(i, j) - r.at(i, m) * r.at(m, j);
        for (int m = 1; m <= j - 1; ++m)
            for (int i = j; i <= n; ++i) r.at(i, j) = r.at(i, j) - r.at(i, m) * r.at(m, j);
        if (j < n) {
            int p = j;
            double best = 0.0;
            for (int i = j; i <= n; ++i)
                if (std::fabs(r.at(i, j)) > best) p = i, best = std::fabs(r.at(i, j));
            r.pivot[j - 1] = p;
            if (p != j)
                for (int k = 1; k <= j; ++k) std::swap(r.at(p, k), r.at(j, k));
        }
        if (std::fabs(r.at(j, j)) <= 1e-5) {
            r.fail = true;
            return r;
        }
        for (int i = j + 1; i <= n; ++i) r.at(i, j) = r.at(i, j) / r.at(j, j);
    }
    return r;
}

Dense refSolve(const RefLU& f, Dense x) {
    const int n = static_cast<int>(x.size());
    auto X = [&](int i) -> double& { return x[i - 1]; };
    for (int k = 1; k <= n - 1; ++k) std::swap(X(k), X(f.pivot[k - 1]));
    for (int i = 2; i <= n; ++i) {
        double s = 0.0;
        for (int k = 1; k <= i - 1; ++k) s += f.at(i, k) * X(k);
        X(i) = X(i) - s;
    }
    X(n) = X(n) / f.at(n, n);
    for (int i = n - 1; i >= 1; --i) {
        double s = 0.0;
        for (int k = i + 1; k <= n; ++k) s += f.at(i, k) * X(k);
        X(i) = (X(i) - s) / f.at(i, i);
    }
    return x;
}

// The classic estimate, step by step on the transposed factors.
double refCondition(const RefLU& f, double norm) {
    const int n = f.n;
    if (norm == 0.0) return 0.0;
    Dense zv(n, 0.0);
    auto z = [&](int i) -> double& { return zv[i - 1]; };
    auto U = [&](int i, int j) { return f.at(i, j); };
    auto scaleBy = [&](double c) {
        for (double& v : zv) v *= c;
    };
    auto l1 = [&] {
        double s = 0.0;
        for (double v : zv) s += std::fabs(v);
        return s;
    };
    auto sgn = [](double x) { return x >= 0 ? 1.0 : -1.0; };
    double ek = 1.0;
    for (int k = 1; k <= n; ++k) {
        if (z(k) != 0) ek = sgn(-z(k));
        const double mek = -ek;
        if (std::fabs(ek - z(k)) > std::fabs(U(k, k))) {
            const double c = std::fabs(U(k, k)) / std::fabs(ek - z(k));
            scaleBy(c);
            ek = ek * c;
        }
        double wk = ek - z(k), wkm = mek - z(k), s = std::fabs(wk), sm = std::fabs(wkm);
        if (U(k, k) == 0) {
            wk = wkm = 1.0;
        } else {
            wk = wk / U(k, k);
            wkm = wkm / U(k, k);
        }
        if (k < n) {
            for (int j = k + 1; j <= n; ++j) {
                sm = sm + std::fabs(wkm * U(k, j) + z(j));
                z(j) = wk * U(k, j) + z(j);
                s = s + std::fabs(z(j));
            }
            if (sm >= s) {
                const double t = wkm - wk;
                wk = wkm;
                for (int j = k + 1; j <= n; ++j) z(j) = t * U(k, j) + z(j);
            }
        }
        z(k) = wk;
    }
    scaleBy(1.0 / l1());
    Dense lt(n * n);  // transpose
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) lt[(j - 1) * n + (i - 1)] = f.at(i, j);
    for (int k = n; k >= 1; --k) {
        if (k < n) {
            double s = 0.0;
            for (int j = k + 1; j <= n; ++j) s += lt[(k - 1) * n + (j - 1)] * z(j);
            z(k) = z(k) - s;
        }
        if (std::fabs(z(k)) > 1.0) scaleBy(1.0 / std::fabs(z(k)));
        if (k < n) std::swap(z(k), z(f.pivot[k - 1]));
    }
    scaleBy(1.0 / l1());
    double ynorm = 1.0;
    for (int k = 1; k <= n; ++k) {
        if (k < n) std::swap(z(k), z(f.pivot[k - 1]));
        double s = 0.0;
        for (int j = 1; j <= k - 1; ++j) s += f.at(k, j) * z(j);
        z(k) = z(k) - s;
        if (std::fabs(z(k)) > 1.0) {
            const double c = 1.0 / std::fabs(z(k));
            scaleBy(c);
            ynorm = ynorm * c;
        }
    }
    double c = 1.0 / l1();
    scaleBy(c);
    ynorm = ynorm * c;
    for (int k = n; k >= 1; --k) {
        double s = 0.0;
        for (int j = k + 1; j <= n; ++j) s += z(j) * U(k, j);
        z(k) = z(k) - s;
        if (std::fabs(z(k)) > std::fabs(U(k, k))) {
            c = std::fabs(U(k, k)) / std::fabs(z(k));
            scaleBy(c);
            ynorm = ynorm * c;
        }
        z(k) = U(k, k) != 0 ? z(k) / U(k, k) : 1.0;
    }
    c = 1.0 / l1();
    scaleBy(c);
    ynorm = ynorm * c;
    return ynorm / norm;
}

// ---- helpers ----
bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

ZELMathMatrix toMatrix(const Dense& d, int n) { return ZELMathMatrix(d.data(), n, n); }

::testing::AssertionResult matchesReference(const ZELLUFactor& f, const RefLU& r) {
    if (f.fail() != r.fail || f.good() == r.fail) return ::testing::AssertionFailure() << "flags differ";
    if (f.getPivot() != r.pivot) return ::testing::AssertionFailure() << "pivot vectors differ";
    for (int i = 0; i < r.n; ++i)
        for (int j = 0; j < r.n; ++j)
            if (!sameBits(f.getLU()(i, j), r.a[i * r.n + j]))
                return ::testing::AssertionFailure() << "LU differs at (" << i << ", " << j << ") of n = " << r.n;
    return ::testing::AssertionSuccess();
}

double colNorm1(const std::vector<long double>& m, int n) {
    long double best = 0;
    for (int j = 0; j < n; ++j) {
        long double s = 0;
        for (int i = 0; i < n; ++i) s += std::fabs(m[i * n + j]);
        best = std::max(best, s);
    }
    return static_cast<double>(best);
}

// The true reciprocal 1-norm condition, through a long double Gauss-Jordan inverse.
double trueRcond(const Dense& a, int n) {
    std::vector<long double> m(a.begin(), a.end()), inv(n * n, 0.0L);
    for (int i = 0; i < n; ++i) inv[i * n + i] = 1.0L;
    for (int j = 0; j < n; ++j) {
        int p = j;
        for (int i = j + 1; i < n; ++i)
            if (std::fabs(m[i * n + j]) > std::fabs(m[p * n + j])) p = i;
        for (int k = 0; k < n; ++k) std::swap(m[j * n + k], m[p * n + k]), std::swap(inv[j * n + k], inv[p * n + k]);
        const long double d = m[j * n + j];
        for (int k = 0; k < n; ++k) m[j * n + k] /= d, inv[j * n + k] /= d;
        for (int i = 0; i < n; ++i) {
            const long double f = m[i * n + j];
            if (i == j || f == 0) continue;
            for (int k = 0; k < n; ++k) m[i * n + k] -= f * m[j * n + k], inv[i * n + k] -= f * inv[j * n + k];
        }
    }
    const std::vector<long double> al(a.begin(), a.end());
    return 1.0 / (colNorm1(al, n) * colNorm1(inv, n));
}

struct Gaussian {
    std::mt19937_64 rng;
    explicit Gaussian(std::uint64_t seed) : rng(seed) {}
    double uniform() { return static_cast<double>(rng() >> 11) * 0x1.0p-53; }
    double operator()() {
        const double u = 1.0 - uniform(), v = uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    }
    Dense matrix(int n) {
        Dense d(n * n);
        for (double& x : d) x = (*this)();
        return d;
    }
};

// L * H_n with L = lcm(1 .. 2n-1): integer entries, so the matrix is exact.
Dense scaledHilbert(int n, double& lcmOut) {
    std::uint64_t l = 1;
    for (std::uint64_t k = 2; k < static_cast<std::uint64_t>(2 * n); ++k) {
        std::uint64_t a = l, b = k;
        while (b) a %= b, std::swap(a, b);
        l = l / a * k;
    }
    lcmOut = static_cast<double>(l);
    Dense d(n * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) d[i * n + j] = static_cast<double>(l / static_cast<std::uint64_t>(i + j + 1));
    return d;
}

// 1 / (|H|_1 |H^-1|_1) from the closed form of the Hilbert inverse.
double hilbertRcond(int n) {
    auto binom = [](int a, int b) {
        long double r = 1;
        for (int k = 1; k <= b; ++k) r = r * (a - b + k) / k;
        return r;
    };
    std::vector<long double> inv(n * n), h(n * n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            inv[(i - 1) * n + j - 1] = ((i + j) % 2 ? -1.0L : 1.0L) * (i + j - 1) * binom(n + i - 1, n - j) *
                                       binom(n + j - 1, n - i) * binom(i + j - 2, i - 1) * binom(i + j - 2, i - 1);
            h[(i - 1) * n + j - 1] = 1.0L / (i + j - 1);
        }
    return 1.0 / (colNorm1(h, n) * colNorm1(inv, n));
}

}  // namespace

// ---- worked examples ----

TEST(LUFactor, FactorsWithInterchangeAndSignedDeterminant) {
    const double v[] = {4, 3, 6, 3};
    ZELLUFactor f(ZELMathMatrix(v, 2, 2), false);
    EXPECT_TRUE(f.good());
    EXPECT_FALSE(f.fail());
    EXPECT_EQ(f.dimension(), 2u);
    EXPECT_EQ(f.getPivot(), std::vector<int>({2}));
    EXPECT_EQ(f[0][0], 6.0);
    EXPECT_EQ(f[0][1], 3.0);
    EXPECT_EQ(f[1][0], 4.0 / 6.0);
    EXPECT_EQ(f[1][1], 3.0 - (4.0 / 6.0) * 3.0);
    EXPECT_EQ(determinant(f), -6.0);

    const double x[] = {0, 1, 1, 0};
    EXPECT_EQ(determinant(ZELMathMatrix(x, 2, 2)), -1.0);
}

TEST(LUFactor, SolvesAndInvertsSmallSystems) {
    const double a[] = {2, 1, 1, 3}, b[] = {3, 5};
    const ZELMathVector x = solve(ZELMathMatrix(a, 2, 2), ZELMathVector(b, 2));
    ASSERT_EQ(x.length(), 2u);
    EXPECT_NEAR(x[0], 0.8, 1e-15);
    EXPECT_NEAR(x[1], 1.4, 1e-15);

    const double m[] = {4, 7, 2, 6}, expected[] = {0.6, -0.7, -0.2, 0.4};
    EXPECT_TRUE(ZELNearAbs(inverse(ZELMathMatrix(m, 2, 2)), ZELMathMatrix(expected, 2, 2), 1e-15));

    // A matrix right-hand side is solved column by column.
    const double bm[] = {3, 1, 5, 0};
    const ZELMathMatrix xm = solve(ZELMathMatrix(a, 2, 2), ZELMathMatrix(bm, 2, 2));
    EXPECT_EQ(xm(0, 0), x[0]);
    EXPECT_EQ(xm(1, 0), x[1]);
    EXPECT_NEAR(xm(0, 1), 0.6, 1e-15);
    EXPECT_NEAR(xm(1, 1), -0.2, 1e-15);
}

TEST(LUFactor, AbsolutePivotThreshold) {
    const double tiny[] = {1e-6, 0, 0, 1}, small[] = {1e-4, 0, 0, 1}, edge[] = {1e-5, 0, 0, 1};
    ZELLUFactor f(ZELMathMatrix(tiny, 2, 2), true);
    EXPECT_TRUE(f.fail());
    EXPECT_FALSE(f.good());
    EXPECT_EQ(f.condition(), 0.0);  // requested after the failure
    EXPECT_EQ(f.isSingular(), 1);
    EXPECT_TRUE(ZELLUFactor(ZELMathMatrix(small, 2, 2)).good());
    EXPECT_TRUE(ZELLUFactor(ZELMathMatrix(edge, 2, 2)).fail());
    // The threshold does not scale: a well-conditioned but tiny matrix fails.
    const double scaled[] = {1e-6, 0, 0, 1e-6};
    EXPECT_TRUE(ZELLUFactor(ZELMathMatrix(scaled, 2, 2)).fail());
}

TEST(LUFactor, TiesKeepTheTopmostRow) {
    const double v[] = {1, 5, 0, -2, 1, 0, 2, 7, 1};
    ZELLUFactor f(ZELMathMatrix(v, 3, 3));
    EXPECT_EQ(f.getPivot()[0], 2);  // |-2| and |2|: the upper one
}

TEST(LUFactor, FailureLeavesLaterColumnsUntouched) {
    // Column 2 is twice column 1: the second pivot is 0.
    const double v[] = {1, 2, 5, 3, 6, 1, 2, 4, 7};
    ZELLUFactor f(ZELMathMatrix(v, 3, 3), true);
    EXPECT_TRUE(f.fail());
    EXPECT_EQ(f.condition(), 0.0);
    EXPECT_EQ(f.getPivot(), std::vector<int>({2, 2}));
    EXPECT_TRUE(matchesReference(f, refFactor(Dense(v, v + 9), 3)));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(f.getLU()(i, 2), v[i * 3 + 2]);  // no interchange, no update

    // Failure at the first column: the second pivot entry stays 0 and counts as an interchange.
    const double w[] = {0, 1, 2, 0, 3, 4, 0, 5, 6};
    ZELLUFactor g(ZELMathMatrix(w, 3, 3));
    EXPECT_EQ(g.getPivot(), std::vector<int>({1, 0}));
    EXPECT_EQ(determinant(g), -0.0 * 3.0 * 6.0);
    EXPECT_TRUE(std::signbit(determinant(g)));

    // Solvers give NaNs instead of reading the missing interchanges.
    const double b[] = {1, 2, 3};
    const ZELMathVector x = solve(g, ZELMathVector(b, 3));
    ASSERT_EQ(x.length(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(std::isnan(x[i]));
    const ZELMathMatrix inv = inverse(ZELMathMatrix(w, 3, 3));
    ASSERT_EQ(inv.rows(), 3u);
    ASSERT_EQ(inv.cols(), 3u);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_TRUE(std::isnan(inv(i, j)));
    // So does a right-hand side of the wrong length.
    const double a2[] = {2, 1, 1, 3};
    const ZELMathVector y = solve(ZELMathMatrix(a2, 2, 2), ZELMathVector(b, 3));
    ASSERT_EQ(y.length(), 3u);
    EXPECT_TRUE(std::isnan(y[2]));
}

TEST(LUFactor, TextOutput) {
    const double five = 5;
    std::ostringstream os;
    os << ZELLUFactor(ZELMathMatrix(&five, 1, 1));
    EXPECT_EQ(os.str(), "\n The LU matrix is 1X1:\n[\n             5 \n]\nThe pivot vector is [ ]\n");

    const double v[] = {4, 3, 6, 3};
    std::ostringstream os2;
    os2 << ZELLUFactor(ZELMathMatrix(v, 2, 2));
    EXPECT_EQ(os2.str().substr(os2.str().size() - 26), "The pivot vector is [ 2 ]\n");
}

TEST(LUFactor, CopyConstructorReportsAndStaysUnfactored) {
    const double v[] = {2, 1, 1, 3};
    const ZELLUFactor f(ZELMathMatrix(v, 2, 2), true);
    AssertRecorder rec;
    ZELLUFactor g(f);
    const auto reports = rec.take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].category, "Software");
    EXPECT_EQ(reports[0].message, "This constructor is not yet implemented");
    EXPECT_EQ(reports[0].file, "protectedinterfaces/ZELLUFactor");
    EXPECT_EQ(reports[0].line, 86);
    EXPECT_FALSE(g.good());
    EXPECT_FALSE(g.fail());
    EXPECT_EQ(g.dimension(), 0u);
    EXPECT_EQ(g.getLU().rows(), 0u);
    EXPECT_TRUE(g.getPivot().empty());
    EXPECT_EQ(g.isSingular(), 0);
    EXPECT_EQ(g.condition(), 0.0);  // nothing factored: norm 0.0

    // Assignment copies the whole state; moving takes it over.
    g = f;
    EXPECT_TRUE(g.good());
    EXPECT_TRUE(ZELNearAbs(g, f, 0.0));
    EXPECT_EQ(g.getIdentity().rows(), 2u);
    ZELLUFactor h(std::move(g));
    EXPECT_TRUE(rec.take().empty());
    EXPECT_TRUE(h.good());
    EXPECT_EQ(h.condition(), ZELLUFactor(ZELMathMatrix(v, 2, 2)).condition());
    EXPECT_FALSE(g.good());
    EXPECT_EQ(g.dimension(), 0u);
}

TEST(LUFactor, EmptyMatrix) {
    ZELLUFactor f(ZELMathMatrix(), true);
    EXPECT_TRUE(f.good());
    EXPECT_EQ(f.dimension(), 0u);
    EXPECT_TRUE(f.getPivot().empty());
    EXPECT_EQ(determinant(f), 1.0);
    EXPECT_EQ(solve(f, ZELMathVector()).length(), 0u);
    EXPECT_EQ(inverse(f).rows(), 0u);
    EXPECT_EQ(f.condition(), 1.0);
    EXPECT_EQ(f.conditionHigham(), 1.0);
}

TEST(LUFactor, NonSquareInput) {
    // Extra columns are carried along and ignored.
    const double wide[] = {4, 3, 9, 6, 3, 9};
    ZELLUFactor f(ZELMathMatrix(wide, 2, 3));
    EXPECT_TRUE(f.good());
    EXPECT_EQ(f.getLU().cols(), 3u);
    EXPECT_EQ(determinant(f), -6.0);
    // Missing columns are zeros: the factorisation fails.
    const double tall[] = {1, 2, 3, 4, 5, 6};
    ZELLUFactor g(ZELMathMatrix(tall, 3, 2));
    EXPECT_TRUE(g.fail());
    EXPECT_EQ(g.getLU().cols(), 3u);
}

TEST(LUFactor, FactorsItsOwnLUMatrix) {
    const double v[] = {4, 3, 6, 3};
    ZELLUFactor f(ZELMathMatrix(v, 2, 2));
    const ZELMathMatrix lu = f.getLU();
    f.factor(f.getLU());
    ZELLUFactor g(lu);
    EXPECT_TRUE(ZELNearAbs(f, g, 0.0));
    EXPECT_EQ(f.getPivot(), g.getPivot());
}

// ---- the direct substitutions ----

TEST(LUFactor, TriangularSubstitutions) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // The diagonal of the lower solve is not read.
    const double m[] = {nan, 9, 9, 2, nan, 9, 1, 3, nan};
    const double b[] = {1, 4, 10};
    ZELMathVector x(b, 3);
    ZELMathVector& same = solveLower(ZELMathMatrix(m, 3, 3), x);
    EXPECT_EQ(&same, &x);
    EXPECT_EQ(x[0], 1.0);
    EXPECT_EQ(x[1], 2.0);
    EXPECT_EQ(x[2], 3.0);  // 10 - (1*1 + 3*2)

    const double u[] = {2, 1, 1, 0, 4, 2, 0, 0, 8};
    ZELMathVector y(b, 3);
    const ZELMathVector copy = solveUpper(ZELMathMatrix(u, 3, 3), y);
    EXPECT_EQ(y[2], 1.25);
    EXPECT_EQ(y[1], (4.0 - 2.0 * 1.25) / 4.0);
    EXPECT_EQ(y[0], (1.0 - (y[1] + 1.25)) / 2.0);
    EXPECT_TRUE(copy == y);
    ZELMathVector empty;
    EXPECT_EQ(solveUpper(ZELMathMatrix(u, 3, 3), empty).length(), 0u);
}

// ---- bit-exact agreement with the column loop ----

TEST(LUFactor, MatchesColumnLoopBitForBit) {
    Gaussian g(20240611);
    std::vector<int> sizes;
    for (int n = 1; n <= 40; ++n) sizes.push_back(n);
    for (int n : {47, 64, 65, 97, 130}) sizes.push_back(n);
    for (int n : sizes) {
        for (int rep = 0; rep < (n <= 40 ? 6 : 2); ++rep) {
            Dense a = g.matrix(n);
            if (rep == 1)  // small integers: many pivot ties
                for (double& v : a) v = std::floor(v * 2.0);
            if (rep == 2 && n > 2) {  // a column that repeats an earlier one: fails there
                const int c = n - 1 - (n / 3);
                for (int i = 0; i < n; ++i) a[i * n + c] = a[i * n + c / 2];
            }
            ZELLUFactor f(toMatrix(a, n));
            const RefLU r = refFactor(a, n);
            ASSERT_TRUE(matchesReference(f, r)) << "n = " << n << ", rep = " << rep;
            if (r.fail) continue;
            Dense b(n);
            for (double& v : b) v = g();
            const ZELMathVector x = solve(f, ZELMathVector(b.data(), n));
            const Dense xr = refSolve(r, b);
            for (int i = 0; i < n; ++i) ASSERT_TRUE(sameBits(x[i], xr[i])) << "solve, n = " << n;
            // Every column of the inverse is a plain solve against a unit vector.
            const ZELMathMatrix inv = inverse(f);
            for (int j = 0; j < n; j += std::max(1, n / 5)) {
                Dense e(n, 0.0);
                e[j] = 1.0;
                const Dense col = refSolve(r, e);
                for (int i = 0; i < n; ++i) ASSERT_TRUE(sameBits(inv(i, j), col[i])) << "inverse, n = " << n;
            }
            // A general right-hand side, some of its rows zero.
            Dense bm(n * 3);
            for (int i = 0; i < n * 3; ++i) bm[i] = (i / 3) % 4 == 1 ? 0.0 : g();
            const ZELMathMatrix xm = solve(f, ZELMathMatrix(bm.data(), n, 3));
            for (int j = 0; j < 3; ++j) {
                Dense e(n);
                for (int i = 0; i < n; ++i) e[i] = bm[i * 3 + j];
                const Dense col = refSolve(r, e);
                for (int i = 0; i < n; ++i) ASSERT_TRUE(sameBits(xm(i, j), col[i])) << "matrix solve, n = " << n;
            }
            ASSERT_TRUE(sameBits(f.condition(), refCondition(r, ZELL1Norm(toMatrix(a, n))))) << "n = " << n;
        }
    }
}

TEST(LUFactor, NonFiniteEntriesPropagateAsInTheColumnLoop) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double bad : {inf, -inf, nan}) {
        Dense a = {4, 1, 2, 0, 1, 5, 1, 2, 2, 1, 6, 1, 0, 3, 1, 7};
        a[9] = bad;
        ZELLUFactor f(toMatrix(a, 4));
        const RefLU r = refFactor(a, 4);
        ASSERT_EQ(f.fail(), r.fail);
        for (int i = 0; i < 16; ++i) {
            const double got = f.getLU()(i / 4, i % 4);
            EXPECT_TRUE(sameBits(got, r.a[i]) || (std::isnan(got) && std::isnan(r.a[i]))) << i;
        }
        if (r.fail) continue;
        const ZELMathMatrix inv = inverse(f);
        for (int j = 0; j < 4; ++j) {
            Dense e(4, 0.0);
            e[j] = 1.0;
            const Dense col = refSolve(r, e);
            for (int i = 0; i < 4; ++i)
                EXPECT_TRUE(sameBits(inv(i, j), col[i]) || (std::isnan(inv(i, j)) && std::isnan(col[i]))) << i << j;
        }
    }
}

TEST(LUFactor, SatisfiesAlgebraicIdentities) {
    Gaussian g(77);
    for (int n : {3, 8, 33, 70}) {
        const Dense ad = g.matrix(n), bd = g.matrix(n);
        const ZELMathMatrix a = toMatrix(ad, n), b = toMatrix(bd, n);
        ZELLUFactor f(a);
        ASSERT_TRUE(f.good());
        // P*A = L*U
        ZELMathMatrix l(n, n, 0.0), u(n, n, 0.0), pa = a;
        for (int i = 0; i < n; ++i) {
            l(i, i) = 1.0;
            for (int j = 0; j < n; ++j) {
                if (i > j)
                    l(i, j) = f.getLU()(i, j);
                else
                    u(i, j) = f.getLU()(i, j);
            }
        }
        for (int k = 0; k + 1 < n; ++k)
            for (int j = 0; j < n; ++j) std::swap(pa(k, j), pa(f.getPivot()[k] - 1, j));
        EXPECT_TRUE(ZELNearRel(l * u, pa, 1e-13)) << n;
        const ZELMathMatrix identity = f.getIdentity();
        EXPECT_TRUE(ZELNearAbs(a * inverse(f), identity, 1e-11)) << n;
        const double dab = determinant(a * b), da = determinant(a), db = determinant(b);
        EXPECT_NEAR(dab / (da * db), 1.0, 1e-10) << n;
    }
}

// ---- condition estimates ----

TEST(LUFactor, ConditionEstimateStates) {
    for (int n = 1; n <= 5; ++n) {
        ZELMathMatrix id(n, n, 0.0);
        for (int i = 0; i < n; ++i) id(i, i) = 1.0;
        EXPECT_EQ(ZELLUFactor(id, true).condition(), 1.0);
        EXPECT_EQ(ZELLUFactor(id).conditionHigham(), 1.0);
    }
    const double x[] = {0, 1, 1, 0}, one[] = {-3e-5};
    EXPECT_EQ(ZELLUFactor(ZELMathMatrix(x, 2, 2)).condition(), 1.0);
    EXPECT_EQ(ZELLUFactor(ZELMathMatrix(one, 1, 1)).condition(), 1.0);

    const double d[] = {1, 0, 0, 0.001};
    ZELLUFactor f(ZELMathMatrix(d, 2, 2), false);
    EXPECT_EQ(f.isSingular(), 0);
    const double classic = f.condition();
    EXPECT_NEAR(classic, 0.001, 2e-6);
    EXPECT_EQ(f.isSingular(), 0);
    EXPECT_EQ(f.conditionHigham(), 0.001);
    // Cached: changing the factors afterwards does not change the answers.
    f.getLU()(1, 1) = 1.0;
    EXPECT_EQ(f.condition(), classic);
    EXPECT_EQ(f.conditionHigham(), 0.001);
    f.factor(f.getLU());
    EXPECT_EQ(f.isSingular(), 0);  // reset to "not computed"
    EXPECT_EQ(f.condition(), 1.0);

    const double zero[] = {0, 0, 0, 0};
    ZELLUFactor z(ZELMathMatrix(zero, 2, 2), true);
    EXPECT_TRUE(z.fail());
    EXPECT_EQ(z.isSingular(), 0);  // failed with computeCondition: still not computed
    EXPECT_EQ(z.conditionHigham(), 0.0);
}

TEST(LUFactor, ClassicEstimateCanBeFarTooOptimistic) {
    const double v[] = {-4, -7, 2, 2, 5, 5, -4, -4, 10};
    ZELLUFactor f(ZELMathMatrix(v, 3, 3));
    const double truth = trueRcond(Dense(v, v + 9), 3);
    EXPECT_NEAR(truth, 0.0116, 5e-5);
    EXPECT_NEAR(f.condition(), 0.339, 5e-4);
    EXPECT_GE(f.conditionHigham(), truth * (1 - 1e-12));
    EXPECT_LE(f.conditionHigham(), 3 * truth);
}

TEST(LUFactor, EstimatesTrackHilbertMatrices) {
    double previous = 1.0;
    for (int n = 4; n <= 10; ++n) {
        double l;
        const Dense a = scaledHilbert(n, l);
        ZELLUFactor f(toMatrix(a, n), true);
        ASSERT_TRUE(f.good()) << n;
        const double truth = hilbertRcond(n);
        EXPECT_LT(f.condition(), previous) << n;
        previous = f.condition();
        EXPECT_GE(f.condition(), truth / 10) << n;
        EXPECT_LE(f.condition(), truth * 10) << n;
        EXPECT_GE(f.conditionHigham(), truth / 3) << n;
        EXPECT_LE(f.conditionHigham(), truth * 3) << n;
    }
}

TEST(LUFactor, HighamEstimateWithinFactorThreeOnGaussianMatrices) {
    Gaussian g(4242);
    for (int n = 4; n <= 64; n += 3) {
        for (int rep = 0; rep < 3; ++rep) {
            const Dense a = g.matrix(n);
            ZELLUFactor f(toMatrix(a, n));
            ASSERT_TRUE(f.good());
            const double truth = trueRcond(a, n);
            EXPECT_GE(f.conditionHigham(), truth * (1 - 1e-9)) << n;
            EXPECT_LE(f.conditionHigham(), truth * 3) << n;
            EXPECT_GE(f.condition(), truth * (1 - 1e-9)) << n;  // also an upper bound, if a loose one
        }
    }
}
