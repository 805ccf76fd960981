// LU factorisation, solving, inversion, determinant and both condition estimates on arbitrary
// small matrices (square or not; finite, NaN, infinite, tiny or huge entries): no crash, no
// access outside the matrices, no undefined behaviour; for well-conditioned input the solution
// has a small residual and the inverse is one.
#include "FuzzInput.h"
#include "protectedinterfaces/ZELLUFactor.h"

#include <cmath>
#include <cstdint>
#include <sstream>
#include <utility>

namespace {

using Matrix = ZELBasicMathMatrix<double>;
using Vector = ZELBasicMathVector<double>;

// An entry by kind: any bit pattern, a small integer, or a small integer scaled by a power of 2.
double entry(FuzzInput& in, int kind) {
    switch (kind) {
        case 0: return in.take<double>();
        case 1: return static_cast<double>(in.take<std::int8_t>());
        default: {
            const double v = static_cast<double>(in.take<std::int8_t>());
            return std::ldexp(v, in.take<std::int8_t>() % 40);
        }
    }
}

double infNorm(const Vector& v) {
    double m = 0.0;
    for (std::size_t i = 0; i < v.length(); ++i) m = std::fmax(m, std::fabs(v[i]));
    return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const auto shape = in.take<std::uint8_t>();
    const std::size_t n = shape % 7;                                 // 0 to 6 rows
    const std::size_t cols = (shape & 0x80) ? (shape >> 3) % 8 : n;  // sometimes not square
    const int kind = in.take<std::uint8_t>() % 3;
    Matrix a(n, cols, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < cols; ++j) a[i][j] = entry(in, kind);
    Vector b(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) b[i] = entry(in, kind);

    ZELLUFactor f(a, (shape & 0x40) != 0);
    FUZZ_CHECK(f.good() != f.fail());
    FUZZ_CHECK(f.dimension() == n);
    const double rcond = f.condition();
    const double rcondHigham = f.conditionHigham();
    (void)f.isSingular();
    const double det = determinant(f);
    const Vector x = solve(f, b);
    FUZZ_CHECK(x.length() == n);
    const Matrix inv = inverse(f);
    FUZZ_CHECK(inv.rows() == n);
    Matrix rhs(n, 2, 1.0);
    const Matrix xs = solve(f, rhs);
    FUZZ_CHECK(xs.rows() == n && xs.cols() == 2);
    // A right-hand side of the wrong length is answered with NaNs, never read past its end.
    const Vector shortB(n + 1, 1.0);
    const Vector wrong = solve(f, shortB);
    for (std::size_t i = 0; i < wrong.length(); ++i) FUZZ_CHECK(std::isnan(wrong[i]));
    std::ostringstream text;
    text << f;

    ZELLUFactor copy;
    copy = f;
    FUZZ_CHECK(copy.good() == f.good());
    ZELLUFactor moved(std::move(copy));
    FUZZ_CHECK(moved.good() == f.good() && !copy.good() && copy.dimension() == 0);
    // The threshold relative to the norm: exactly zero pivots fail whatever the tolerance.
    const ZELLUFactor relative(a, false, in.take<double>(), true);
    FUZZ_CHECK(relative.good() != relative.fail());
    for (std::size_t i = 0; relative.good() && i < n; ++i)
        FUZZ_CHECK(relative.getLU()(i, i) != 0.0);
    f.factor(f.getLU());  // refactoring from its own LU matrix is allowed

    if (cols != n || kind == 0 || !moved.good() || !(rcondHigham > 1e-6)) return 0;
    // Well-conditioned, moderate input: small residual, A * inverse = I.
    (void)rcond;
    FUZZ_CHECK(std::isfinite(det) && det != 0.0);
    double normA = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        normA = std::fmax(normA, infNorm(a[i]) * static_cast<double>(n));
    const Vector ax = a * x;
    const double residual = infNorm(ax - b);
    FUZZ_CHECK(residual <= 1e-12 * (normA * infNorm(x) + infNorm(b)));
    const Matrix ai = a * inv;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            FUZZ_CHECK(std::fabs(ai[i][j] - (i == j ? 1.0 : 0.0)) <= 1e-8);
    return 0;
}
