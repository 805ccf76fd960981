// The LU factorisation against an independent model: the column loop, the substitutions and the
// classic condition estimate written out plainly, 1-based, on a dense array. The library's
// blocked, in-place kernels must give the model's bits; properties cover what the model does not.
#include "protectedinterfaces/ZELLUFactor.h"

#include "AssertRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <type_traits>
#include <vector>

namespace {

using Dense = std::vector<double>;  // row-major n x n
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

struct RefLU {
    Dense a;
    std::vector<int> pivot;
    bool fail = false;
    int n = 0;
    double& at(int i, int j) { return a[(i - 1) * n + (j - 1)]; }
    double at(int i, int j) const { return a[(i - 1) * n + (j - 1)]; }
};

RefLU refFactor(const Dense& m, int n, double threshold = 1e-5) {
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
        if (std::fabs(r.at(j, j)) <= threshold) {
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

// The classic estimate step by step: U^T w = e, L^T y = w (on the transposed factors), L v = y,
// U z = v, rescaling z as documented.
double refCondition(const RefLU& f, double norm) {
    const int n = f.n;
    Dense zv(n, 0.0);
    auto z = [&](int i) -> double& { return zv[i - 1]; };
    auto scaleBy = [&](double c) {
        for (double& v : zv) v *= c;
    };
    auto l1 = [&] {
        double s = 0.0;
        for (double v : zv) s += std::fabs(v);
        return s;
    };
    double ek = 1.0;
    for (int k = 1; k <= n; ++k) {
        if (z(k) != 0) ek = -z(k) >= 0 ? 1.0 : -1.0;
        const double mek = -ek;
        if (std::fabs(ek - z(k)) > std::fabs(f.at(k, k))) {
            const double c = std::fabs(f.at(k, k)) / std::fabs(ek - z(k));
            scaleBy(c);
            ek = ek * c;
        }
        double wk = ek - z(k), wkm = mek - z(k), s = std::fabs(wk), sm = std::fabs(wkm);
        wk = f.at(k, k) == 0 ? 1.0 : wk / f.at(k, k);
        wkm = f.at(k, k) == 0 ? 1.0 : wkm / f.at(k, k);
        for (int j = k + 1; j <= n; ++j) {
            sm = sm + std::fabs(wkm * f.at(k, j) + z(j));
            z(j) = wk * f.at(k, j) + z(j);
            s = s + std::fabs(z(j));
        }
        if (k < n && sm >= s) {
            const double t = wkm - wk;
            wk = wkm;
            for (int j = k + 1; j <= n; ++j) z(j) = t * f.at(k, j) + z(j);
        }
        z(k) = wk;
    }
    scaleBy(1.0 / l1());
    for (int k = n; k >= 1; --k) {
        double s = 0.0;
        for (int j = k + 1; j <= n; ++j) s += f.at(j, k) * z(j);
        if (k < n) z(k) = z(k) - s;
        if (std::fabs(z(k)) > 1.0) scaleBy(1.0 / std::fabs(z(k)));
        if (k < n) std::swap(z(k), z(f.pivot[k - 1]));
    }
    scaleBy(1.0 / l1());
    double ynorm = 1.0;
    auto rescale = [&](double c) {
        scaleBy(c);
        ynorm = ynorm * c;
    };
    for (int k = 1; k <= n; ++k) {
        if (k < n) std::swap(z(k), z(f.pivot[k - 1]));
        double s = 0.0;
        for (int j = 1; j <= k - 1; ++j) s += f.at(k, j) * z(j);
        z(k) = z(k) - s;
        if (std::fabs(z(k)) > 1.0) rescale(1.0 / std::fabs(z(k)));
    }
    rescale(1.0 / l1());
    for (int k = n; k >= 1; --k) {
        double s = 0.0;
        for (int j = k + 1; j <= n; ++j) s += z(j) * f.at(k, j);
        z(k) = z(k) - s;
        if (std::fabs(z(k)) > std::fabs(f.at(k, k)))
            rescale(std::fabs(f.at(k, k)) / std::fabs(z(k)));
        z(k) = f.at(k, k) != 0 ? z(k) / f.at(k, k) : 1.0;
    }
    rescale(1.0 / l1());
    return ynorm / norm;
}

// The same bits, or both NaN (the payload of a NaN is not part of the result).
bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (a != a && b != b);
}

ZELMathMatrix toMatrix(const Dense& d, int n) { return ZELMathMatrix(d.data(), n, n); }

::testing::AssertionResult matchesReference(const ZELLUFactor& f, const RefLU& r) {
    if (f.fail() != r.fail || f.good() == r.fail)
        return ::testing::AssertionFailure() << "flags differ";
    if (f.getPivot() != r.pivot) return ::testing::AssertionFailure() << "pivot vectors differ";
    for (int i = 0; i < r.n * r.n; ++i)
        if (!sameBits(f.getLU()(i / r.n, i % r.n), r.a[i]))
            return ::testing::AssertionFailure() << "LU differs at " << i << " of n = " << r.n;
    return ::testing::AssertionSuccess();
}

// Column j of x has the bits of the plain solve of column j of the n x w right-hand side rhs.
::testing::AssertionResult solvesMatch(const ZELMathMatrix& x, const RefLU& r, const Dense& rhs,
                                       int w) {
    for (int j = 0; j < w; ++j) {
        Dense e(r.n);
        for (int i = 0; i < r.n; ++i) e[i] = rhs[i * w + j];
        const Dense col = refSolve(r, e);
        for (int i = 0; i < r.n; ++i)
            if (!sameBits(x(i, j), col[i]))
                return ::testing::AssertionFailure() << "(" << i << ", " << j << ")";
    }
    return ::testing::AssertionSuccess();
}

// The reciprocal 1-norm condition, the inverse taken column by column with the reference model.
double trueRcond(const Dense& a, int n) {
    const RefLU r = refFactor(a, n);
    double normA = 0.0, normInv = 0.0;
    for (int j = 0; j < n; ++j) {
        Dense e(n, 0.0);
        e[j] = 1.0;
        double sa = 0.0, si = 0.0;
        for (int i = 0; i < n; ++i) sa += std::fabs(a[i * n + j]);
        for (double x : refSolve(r, e)) si += std::fabs(x);
        normA = std::max(normA, sa);
        normInv = std::max(normInv, si);
    }
    return 1.0 / (normA * normInv);
}

// Box-Muller over a fixed generator: the same matrices on every platform.
struct Gaussian {
    std::mt19937_64 rng;
    double uniform() { return static_cast<double>(rng() >> 11) * 0x1.0p-53; }
    double operator()() {
        const double u = 1.0 - uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * uniform());
    }
    Dense matrix(int n) {
        Dense d(n * n);
        for (double& x : d) x = (*this)();
        return d;
    }
};

bool allNaN(const ZELMathMatrix& m) {
    for (std::size_t i = 0; i < m.rows(); ++i)
        for (std::size_t j = 0; j < m.cols(); ++j)
            if (!std::isnan(m(i, j))) return false;
    return true;
}
bool allNaN(const ZELMathVector& v) { return allNaN(ZELMathMatrix(v, 1, v.length())); }

}  // namespace

TEST(LUFactor, WorkedExamplesGiveTheDocumentedFactorsSolutionsAndText) {
    const double v[] = {4, 3, 6, 3};
    const ZELLUFactor f(ZELMathMatrix(v, 2, 2));
    EXPECT_TRUE(f.good() && !f.fail());
    EXPECT_EQ(f.getPivot(), std::vector<int>({2}));
    EXPECT_TRUE(f[0][0] == 6.0 && f[0][1] == 3.0 && f[1][0] == 4.0 / 6.0 &&
                f[1][1] == 3.0 - (4.0 / 6.0) * 3.0);
    const double exchange[] = {0, 1, 1, 0};
    EXPECT_TRUE(determinant(f) == -6.0 && determinant(ZELMathMatrix(exchange, 2, 2)) == -1.0);

    const double a[] = {2, 1, 1, 3}, b[] = {3, 5}, bm[] = {3, 1, 5, 0};
    const ZELMathVector x = solve(ZELMathMatrix(a, 2, 2), ZELMathVector(b, 2));
    EXPECT_TRUE(std::fabs(x[0] - 0.8) < 1e-15 && std::fabs(x[1] - 1.4) < 1e-15);
    const ZELMathMatrix xm = solve(ZELMathMatrix(a, 2, 2), ZELMathMatrix(bm, 2, 2));
    EXPECT_TRUE(xm(0, 0) == x[0] && xm(1, 0) == x[1]);
    const double m[] = {4, 7, 2, 6}, expected[] = {0.6, -0.7, -0.2, 0.4};
    EXPECT_TRUE(ZELNearAbs(inverse(ZELMathMatrix(m, 2, 2)), ZELMathMatrix(expected, 2, 2), 1e-15));

    const double ties[] = {1, 5, 0, -2, 1, 0, 2, 7, 1};  // |-2| and |2|: the upper one
    EXPECT_EQ(ZELLUFactor(ZELMathMatrix(ties, 3, 3)).getPivot()[0], 2);

    const double five = 5;  // text: the LU matrix in the matrix format, then the pivots
    std::ostringstream os;
    os << ZELLUFactor(ZELMathMatrix(&five, 1, 1)) << f;
    EXPECT_EQ(os.str(),
              "\n The LU matrix is 1X1:\n[\n             5 \n]\nThe pivot vector is [ ]\n"
              "\n The LU matrix is 2X2:\n[\n             6              3 \n      0.666667         "
              "     1 \n]\n"
              "The pivot vector is [ 2 ]\n");
}

TEST(LUFactor, MatchesThePlainColumnLoopBitForBit) {
    Gaussian g{std::mt19937_64(20240611)};
    for (int n = 1; n <= 132; n += n < 40 ? 1 : 23) {  // up to 40, then 63, 86, 109, 132
        for (int rep = 0; rep < (n <= 40 ? 6 : 3); ++rep) {
            Dense a = g.matrix(n);
            if (rep == 1)  // small integers: many pivot ties
                for (double& v : a) v = std::floor(v * 2.0);
            if (rep == 2 && n > 2) {  // a column that repeats an earlier one: fails there
                const int c = n - 1 - (n / 3);
                for (int i = 0; i < n; ++i) a[i * n + c] = a[i * n + c / 2];
            }
            if (rep == 3) a[(n * n) / 2 + n / 3] = n % 3 == 0 ? Inf : n % 3 == 1 ? -Inf : NaN;
            ZELLUFactor f(toMatrix(a, n));
            const RefLU r = refFactor(a, n);
            ASSERT_TRUE(matchesReference(f, r)) << "n = " << n << ", rep = " << rep;
            if (r.fail) continue;
            // A vector, the identity and a block of 11 columns, some rows zero: every column gets
            // the bits of the plain solve of that column.
            Dense b(n), id(n * n, 0.0), bm(n * 11);
            for (double& v : b) v = g();
            for (int i = 0; i < n; ++i) id[i * n + i] = 1.0;
            for (int i = 0; i < n * 11; ++i) bm[i] = (i / 11) % 4 == 1 ? 0.0 : g();
            ASSERT_TRUE(
                solvesMatch(ZELMathMatrix(solve(f, ZELMathVector(b.data(), n)), n, 1), r, b, 1));
            ASSERT_TRUE(solvesMatch(inverse(f), r, id, n));
            ASSERT_TRUE(solvesMatch(solve(f, ZELMathMatrix(bm.data(), n, 11)), r, bm, 11));
            ASSERT_TRUE(sameBits(f.condition(), refCondition(r, ZELL1Norm(toMatrix(a, n)))))
                << "n = " << n;
        }
    }
}

TEST(LUFactor, FactorsReproduceTheMatrixAndTheInverseAndDeterminantAreConsistent) {
    Gaussian g{std::mt19937_64(77)};
    for (int n : {3, 8, 33, 70}) {
        const ZELMathMatrix a = toMatrix(g.matrix(n), n), b = toMatrix(g.matrix(n), n);
        const ZELLUFactor f(a);
        ASSERT_TRUE(f.good());
        ZELMathMatrix l(n, n, 0.0), u(n, n, 0.0), pa = a;
        for (int i = 0; i < n; ++i) {
            l(i, i) = 1.0;
            for (int j = 0; j < n; ++j) (i > j ? l : u)(i, j) = f.getLU()(i, j);
        }
        for (int k = 0; k + 1 < n; ++k)
            for (int j = 0; j < n; ++j) std::swap(pa(k, j), pa(f.getPivot()[k] - 1, j));
        EXPECT_TRUE(ZELNearRel(l * u, pa, 1e-13)) << n;
        EXPECT_TRUE(ZELNearAbs(a * inverse(f), f.getIdentity(), 1e-11)) << n;
        EXPECT_NEAR(determinant(a * b) / (determinant(a) * determinant(b)), 1.0, 1e-10) << n;
    }
}

TEST(LUFactor, PivotsFailAtAnAbsolute1eMinus5UnlessAThresholdRelativeToTheNormIsChosen) {
    const double tiny[] = {1e-6, 0, 0, 1}, small[] = {1e-4, 0, 0, 1}, edge[] = {1e-5, 0, 0, 1};
    EXPECT_TRUE(ZELLUFactor(ZELMathMatrix(tiny, 2, 2)).fail());
    EXPECT_TRUE(ZELLUFactor(ZELMathMatrix(small, 2, 2)).good());
    EXPECT_TRUE(ZELLUFactor(ZELMathMatrix(edge, 2, 2)).fail());
    // A compliance matrix in m/N: entries near 1e-6, well conditioned, fails the absolute test.
    const Dense c = {2e-6, -1e-6, 0, -1e-6, 2e-6, -1e-6, 0, -1e-6, 2e-6};
    EXPECT_TRUE(ZELLUFactor(toMatrix(c, 3)).fail());
    const double norm = ZELL1Norm(toMatrix(c, 3));
    ZELLUFactor rel(toMatrix(c, 3), true, 1e-12, true);
    EXPECT_TRUE(matchesReference(rel, refFactor(c, 3, 1e-12 * norm)));
    EXPECT_EQ(rel.condition(), refCondition(refFactor(c, 3, 0.0), norm));
    // Exactly singular at any scale fails.
    for (double s : {1e-300, 1e-6, 1.0, 1e300}) {
        const double singular[] = {s, 2 * s, 2 * s, 4 * s};
        ZELLUFactor f;
        f.factor(ZELMathMatrix(singular, 2, 2), false, 1e-12, true);
        EXPECT_TRUE(f.fail()) << s;
    }
    // The threshold is tol * |A|_1 (here 4 * 0.25 = 1), compared with <=; absolute when asked.
    const double d[] = {4, 0, 0, 1};
    auto fails = [&d](double tol, bool relative) {
        return ZELLUFactor(ZELMathMatrix(d, 2, 2), false, tol, relative).fail();
    };
    EXPECT_TRUE(fails(0.25, true) && !fails(0.2, true) && !fails(0.25, false) && fails(1.0, false));
    // A negative or NaN tolerance counts as 0: zero pivots still fail, nothing else does.
    const double zero[] = {0, 0, 0, 1};
    for (double tol : {-1.0, NaN}) {
        EXPECT_TRUE(ZELLUFactor(ZELMathMatrix(zero, 2, 2), false, tol, false).fail()) << tol;
        EXPECT_TRUE(ZELLUFactor(ZELMathMatrix(c.data(), 3, 3), false, tol, true).good()) << tol;
    }
}

TEST(LUFactor, AFailureStopsAtOnceAndTheSolversAnswerWithNaNs) {
    // Column 2 is twice column 1: the second pivot is 0; column 3 keeps A's values.
    const double v[] = {1, 2, 5, 3, 6, 1, 2, 4, 7};
    ZELLUFactor f(ZELMathMatrix(v, 3, 3), true);
    EXPECT_TRUE(matchesReference(f, refFactor(Dense(v, v + 9), 3)) && f.getPivot()[1] == 2);
    EXPECT_EQ(f.isSingular(), 0);  // failed with computeCondition: not computed, then 0.0
    EXPECT_TRUE(f.condition() == 0.0 && f.isSingular() == 1 && f.conditionHigham() == 0.0);

    // Failure at the first column: the second pivot entry stays 0 and counts as an interchange.
    const double w[] = {0, 1, 2, 0, 3, 4, 0, 5, 6};
    const ZELLUFactor g(ZELMathMatrix(w, 3, 3));
    EXPECT_EQ(g.getPivot(), std::vector<int>({1, 0}));
    EXPECT_TRUE(determinant(g) == 0.0 && std::signbit(determinant(g)));

    // Singular and zero matrices fail, infinite ones do not (a NaN pivot never fails); all give
    // NaN solutions of the right shape.
    const double inf[] = {Inf, Inf, Inf, Inf};
    for (const ZELMathMatrix& a :
         {ZELMathMatrix(w, 3, 3), ZELMathMatrix(inf, 2, 2), ZELMathMatrix(3, 3, 0.0)}) {
        ZELLUFactor h(a, true);
        EXPECT_NE(h.fail(), std::isinf(a(0, 0)));
        const ZELMathVector x = solve(h, ZELMathVector(a.rows(), 1.0));
        EXPECT_TRUE(x.length() == a.rows() && allNaN(x));
        const ZELMathMatrix inv = inverse(a);
        EXPECT_TRUE(inv.rows() == a.rows() && inv.cols() == a.rows() && allNaN(inv));
        EXPECT_TRUE(allNaN(solve(h, ZELMathMatrix(a.rows(), 2, 1.0))));
    }
    // A NaN pivot is not a failure: NaN input completes, and everything it gives is NaN.
    const ZELLUFactor n(ZELMathMatrix(3, 3, NaN), true);
    EXPECT_TRUE(n.good() && !n.fail() && allNaN(n.getLU()) && std::isnan(determinant(n)));
    EXPECT_TRUE(allNaN(solve(n, ZELMathVector(3, 1.0))) && allNaN(inverse(n)));
    // So are a right-hand side of the wrong length and a factorisation that was never made.
    const double a2[] = {2, 1, 1, 3};
    const ZELMathVector y = solve(ZELMathMatrix(a2, 2, 2), ZELMathVector(3, 1.0));
    EXPECT_TRUE(y.length() == 3 && allNaN(y));
    EXPECT_TRUE(allNaN(solve(ZELLUFactor(), ZELMathVector(2, 1.0))));
}

TEST(LUFactor, EmptyNonSquareAndSelfReferencingInputsBehaveAsDocumented) {
    ZELLUFactor e(ZELMathMatrix(), true);
    EXPECT_TRUE(e.good() && e.dimension() == 0 && e.getPivot().empty() && determinant(e) == 1.0);
    EXPECT_TRUE(solve(e, ZELMathVector()).length() == 0 && inverse(e).rows() == 0);
    EXPECT_TRUE(e.condition() == 1.0 && e.conditionHigham() == 1.0);

    const double wide[] = {4, 3, 9, 6, 3, -9};  // extra columns are carried along, ignored
    const ZELLUFactor f(ZELMathMatrix(wide, 2, 3));
    EXPECT_TRUE(f.good() && f.getLU()(0, 2) == 9.0 && f.getLU()(1, 2) == -9.0 &&
                determinant(f) == -6.0);
    const double tall[] = {1, 2, 3, 4, 5, 6};  // missing columns are zeros: fails
    const ZELLUFactor g(ZELMathMatrix(tall, 3, 2));
    EXPECT_TRUE(g.fail() && g.getLU().cols() == 3);

    ZELLUFactor h(ZELMathMatrix(wide, 2, 2));
    const ZELMathMatrix lu = h.getLU();
    h.factor(h.getLU());
    EXPECT_TRUE(ZELNearAbs(h, ZELLUFactor(lu), 0.0));
}

TEST(LUFactor, CopyingIsReportedAssignmentCopiesAndMovesTakeOverTheState) {
    static_assert(std::is_nothrow_move_constructible<ZELLUFactor>::value, "containers must move");
    static_assert(std::is_nothrow_move_assignable<ZELLUFactor>::value, "containers must move");
    const double v[] = {2, 1, 1, 3};
    ZELLUFactor f(ZELMathMatrix(v, 2, 2), true);
    AssertRecorder rec;
    ZELLUFactor g(f);
    const auto reports = rec.take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, "This constructor is not yet implemented");
    EXPECT_TRUE(!g.good() && !g.fail() && g.dimension() == 0 && g.getPivot().empty());
    EXPECT_EQ(g.condition(), 0.0);  // nothing factored: norm 0.0

    g = f;
    EXPECT_TRUE(g.good() && ZELNearAbs(g, f, 0.0) && g.getIdentity().rows() == 2u);
    ZELLUFactor h(std::move(g));  // moves take the state over and leave an unfactored object
    EXPECT_TRUE(h.good() && h.condition() == f.condition());
    EXPECT_TRUE(!g.good() && g.dimension() == 0 && g.getPivot().empty());
    g = std::move(h);
    EXPECT_TRUE(g.good() && ZELNearAbs(g, f, 0.0) && g.getPivot() == f.getPivot());
    EXPECT_TRUE(!h.good() && h.dimension() == 0 && h.getLU().rows() == 0);
    h.factor(ZELMathMatrix(v, 2, 2));  // a moved-from factorisation is reusable
    EXPECT_TRUE(ZELNearAbs(h, f, 0.0) && h.getIdentity().rows() == 2);

    std::vector<ZELLUFactor> many;  // a growing container keeps every factorisation
    for (int k = 1; k <= 40; ++k)
        many.emplace_back(ZELMathMatrix(std::vector<double>{1, 2, 3, k * 1.0}.data(), 2, 2));
    for (int k = 1; k <= 40; ++k)
        EXPECT_TRUE((many[k - 1].good() || k == 6) &&
                    std::fabs(determinant(many[k - 1]) - (k - 6.0)) < 1e-13)
            << k;
    EXPECT_TRUE(rec.take().empty());
}

TEST(LUFactor, TriangularSubstitutionsReadOnlyTheirTriangle) {
    const double m[] = {NaN, 9, 9, 2, NaN, 9, 1, 3, NaN}, b[] = {1, 4, 10};
    ZELMathVector x(b, 3);
    EXPECT_EQ(&solveLower(ZELMathMatrix(m, 3, 3), x), &x);
    EXPECT_TRUE(x[0] == 1.0 && x[1] == 2.0 && x[2] == 3.0);  // 10 - (1*1 + 3*2)

    const double u[] = {2, 1, 1, NaN, 4, 2, NaN, NaN, 8};
    ZELMathVector y(b, 3);
    const ZELMathVector copy = solveUpper(ZELMathMatrix(u, 3, 3), y);
    EXPECT_TRUE(y[2] == 1.25 && y[1] == (4.0 - 2.0 * 1.25) / 4.0 &&
                y[0] == (1.0 - (y[1] + 1.25)) / 2.0);
    EXPECT_TRUE(copy == y);
    ZELMathVector empty;
    EXPECT_EQ(solveUpper(ZELMathMatrix(u, 3, 3), empty).length(), 0u);
}

TEST(LUFactor, ConditionEstimatesAreComputedOnceAndResetByFactor) {
    const double id[] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, x[] = {0, 1, 1, 0}, one[] = {-3e-5};
    for (const ZELMathMatrix& a :
         {ZELMathMatrix(id, 3, 3), ZELMathMatrix(x, 2, 2), ZELMathMatrix(one, 1, 1)}) {
        ZELLUFactor f(a, true);
        EXPECT_TRUE(f.condition() == 1.0 && std::fabs(f.conditionHigham() - 1.0) < 1e-15);
    }

    const double d[] = {1, 0, 0, 0.001};
    ZELLUFactor f(ZELMathMatrix(d, 2, 2), false);
    EXPECT_EQ(f.isSingular(), 0);
    const double classic = f.condition();
    EXPECT_NEAR(classic, 0.001, 2e-6);
    EXPECT_EQ(f.conditionHigham(), 0.001);
    f.getLU()(1, 1) = 1.0;  // cached: changing the factors does not change the answers
    EXPECT_TRUE(f.condition() == classic && f.conditionHigham() == 0.001);
    f.factor(f.getLU());
    EXPECT_EQ(f.isSingular(), 0);  // reset to "not computed"
    EXPECT_EQ(f.condition(), 1.0);
}

TEST(LUFactor, ClassicEstimateCanBeFarTooOptimisticWhileHighamsBoundsTheTruth) {
    const double v[] = {-4, -7, 2, 2, 5, 5, -4, -4, 10};
    ZELLUFactor f(ZELMathMatrix(v, 3, 3));
    const double truth = trueRcond(Dense(v, v + 9), 3);
    EXPECT_NEAR(truth, 0.0116, 5e-5);
    EXPECT_NEAR(f.condition(), 0.339, 5e-4);
    // A tie between the two sign choices of the first step takes the negative one.
    const Dense tie = {3, 0, 0, 2, 0, 3, -2, -3, 0};
    EXPECT_EQ(ZELLUFactor(toMatrix(tie, 3)).condition(), refCondition(refFactor(tie, 3), 7.0));
    EXPECT_TRUE(f.conditionHigham() >= truth * (1 - 1e-12) && f.conditionHigham() <= 3 * truth);

    Gaussian g{std::mt19937_64(4242)};
    for (int n = 4; n <= 64; n += 3) {
        for (int rep = 0; rep < 3; ++rep) {
            const Dense a = g.matrix(n);
            ZELLUFactor h(toMatrix(a, n));
            ASSERT_TRUE(h.good());
            const double t = trueRcond(a, n);
            EXPECT_TRUE(h.conditionHigham() >= t * (1 - 1e-9) && h.conditionHigham() <= t * 3) << n;
            EXPECT_GE(h.condition(), t * (1 - 1e-9)) << n;  // also an upper bound, if a loose one
        }
    }
}
