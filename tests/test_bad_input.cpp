// Hostile input across the library: NaN, infinities, denormals, values at and beyond the ends of
// the ranges, zero vectors, matrices that are not rotations, enumeration values outside their
// sets, out-of-range stream numbers and unusable distribution parameters. Each case checks the
// documented outcome; the sanitizer builds check that nothing else happens.
#include "AssertRecorder.h"
#include "RandomModel.h"
#include "ZELRandomMD.m/src/ZELBetaDistribution.h"
#include "ZELRandomMD.m/src/ZELErlangDistribution.h"
#include "ZELRandomMD.m/src/ZELExponentialDistribution.h"
#include "ZELRandomMD.m/src/ZELGammaDistribution.h"
#include "ZELRandomMD.m/src/ZELLogNormalDistribution.h"
#include "ZELRandomMD.m/src/ZELNormalDistribution.h"
#include "ZELRandomMD.m/src/ZELPoissonDistribution.h"
#include "ZELRandomMD.m/src/ZELTriangularDistribution.h"
#include "ZELRandomMD.m/src/ZELUniformDistribution.h"
#include "ZELRandomMD.m/src/ZELUserContDistribution.h"
#include "ZELRandomMD.m/src/ZELUserDiscDistribution.h"
#include "ZELRandomMD.m/src/ZELUsrDist.h"
#include "ZELRandomMD.m/src/ZELWeibullDistribution.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"
#include "foundation/ZELException.h"
#include "protectedinterfaces/ZELLUFactor.h"
#include "publicinterfaces/ZELMathVector.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Denormal = 4.9406564584124654e-324;
constexpr std::int64_t MaxSec = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t MinSec = std::numeric_limits<std::int64_t>::min();

const ZELSimTime Largest = scl_numeric_limits<ZELSimTime>::max();
const ZELSimTime Smallest = scl_numeric_limits<ZELSimTime>::min();

std::string print(const ZELSimTime& t, int precision, std::ios_base::fmtflags flags = {}, int width = 0) {
    std::ostringstream os;
    os.flags(flags);
    os.precision(precision);
    os.width(width);
    os.fill('*');
    os << t;
    return os.str();
}

// ---- simulation time -----------------------------------------------------------------------------

TEST(BadInput, TimeFromNonFiniteAndExtremeDoubles) {
    EXPECT_EQ(ZELSimTime(NaN), ZELSimTime());
    EXPECT_EQ(ZELSimTime(Inf), Largest);
    EXPECT_EQ(ZELSimTime(-Inf), Smallest);
    EXPECT_EQ(ZELSimTime(1e300), Largest);
    EXPECT_EQ(ZELSimTime(-1e300), Smallest);
    EXPECT_EQ(ZELSimTime(9223372036854775808.0), Largest);  // 2^63: one past the whole seconds
    EXPECT_EQ(ZELSimTime(-9223372036854775808.0), ZELSimTime(MinSec, 0));
    EXPECT_EQ(ZELSimTime(Denormal), ZELSimTime());
    EXPECT_EQ(ZELSimTime(-Denormal), ZELSimTime());
    EXPECT_EQ(ZELSimTime(0.9999999999), ZELSimTime(1, 0));  // the rounding carries
}

TEST(BadInput, TimeNanosecondsOutOfDomainThrowAndKeepTheValue) {
    for (int nsec : {1000000000, -1000000000, INT_MAX, INT_MIN}) {
        EXPECT_THROW(ZELSimTime(0, nsec), ZELEDomainError);
        ZELSimTime t(5, 5);
        try {
            t.set(7, nsec);
            ADD_FAILURE() << "no throw for " << nsec;
        } catch (const ZELEDomainError& e) {
            EXPECT_EQ(e.message(), L"Nanosecond domain violation");
        }
        EXPECT_EQ(t, ZELSimTime(5, 5));
    }
}

TEST(BadInput, TimeArithmeticSaturatesAtTheEndsOfTheRange) {
    EXPECT_EQ(Largest + ZELSimTime(0, 1), Largest);
    EXPECT_EQ(Smallest - ZELSimTime(0, 1), Smallest);
    EXPECT_EQ(-Smallest, Largest);
    EXPECT_EQ(abs(Smallest), Largest);
    EXPECT_EQ(Largest * ZELSimTime(2, 0), Largest);
    EXPECT_EQ(Largest * ZELSimTime(-2, 0), Smallest);
    EXPECT_EQ(ceil(ZELSimTime(MaxSec, 1)), Largest);
    EXPECT_EQ(floor(ZELSimTime(MinSec, -1)), Smallest);
    ZELSimTime t = Largest;
    EXPECT_EQ(++t, Largest);
    t = Smallest;
    EXPECT_EQ(t--, Smallest);
    EXPECT_EQ(t, Smallest);
    // Zero seconds minus -2^63 s: the negative nanoseconds bring the difference back into range.
    EXPECT_EQ(ZELSimTime(0, -999999999) - ZELSimTime(MinSec, 0), ZELSimTime(MaxSec, 1));
    EXPECT_EQ(ZELSimTime(0, -500000000) - ZELSimTime(MinSec, -400000000), ZELSimTime(MaxSec, 900000000));
    EXPECT_EQ(ZELSimTime(0, -500000000) - ZELSimTime(MinSec, -600000000), Largest);
    EXPECT_EQ(ZELSimTime(0, 1) - ZELSimTime(MinSec, 0), Largest);
}

TEST(BadInput, TimeDivisionErrorsLeaveTheTarget) {
    ZELSimTime t(3, 0);
    try {
        t /= ZELSimTime();
        ADD_FAILURE();
    } catch (const ZELEZeroDivide& e) {
        EXPECT_EQ(e.message(), L"ZELSimTime divide by zero");
    }
    EXPECT_EQ(t, ZELSimTime(3, 0));
    EXPECT_THROW(fmod(t, ZELSimTime()), ZELEZeroDivide);
    t = Largest;
    try {
        t /= ZELSimTime(0, 1);
        ADD_FAILURE();
    } catch (const ZELEOverflowError& e) {
        EXPECT_EQ(e.message(), L"ZELSimTime division overflow");
    }
    EXPECT_EQ(t, Largest);
    EXPECT_THROW(Smallest / ZELSimTime(0, -999999999), ZELEOverflowError);
    EXPECT_THROW(fmod(Largest, ZELSimTime(0, 1)), ZELEOverflowError);
    EXPECT_EQ(Largest / ZELSimTime(1, 0), Largest);
    EXPECT_EQ(Smallest / Largest, ZELSimTime(-1, 0));
}

TEST(BadInput, TimeFunctionsOutsideTheirDomain) {
    EXPECT_EQ(sqrt(ZELSimTime(-1, 0)), ZELSimTime());  // NaN
    EXPECT_EQ(log(ZELSimTime()), Smallest);             // -inf
    EXPECT_EQ(exp(ZELSimTime(1000000, 0)), Largest);    // +inf
    EXPECT_EQ(acos(ZELSimTime(2, 0)), ZELSimTime());
    EXPECT_EQ(pow(ZELSimTime(), ZELSimTime(-1, 0)), Largest);
    AssertRecorder rec;
    EXPECT_EQ(scl_numeric_limits<ZELSimTime>::infinity(), ZELSimTime());
    EXPECT_EQ(scl_numeric_limits<ZELSimTime>::quiet_NaN(), ZELSimTime());
    EXPECT_EQ(rec.take().size(), 2u);
}

TEST(BadInput, TimeOutputAtTheExtremesAndWithOddFormats) {
    EXPECT_EQ(print(Largest, 9), "9223372036854775807.999999999");
    EXPECT_EQ(print(Largest, 0), "9223372036854775808");  // the carry passes 2^63 - 1
    EXPECT_EQ(print(Smallest, 3), "-9223372036854775809.000");
    EXPECT_EQ(print(ZELSimTime(0, -1), -5), "-0.000000001");
    EXPECT_EQ(print(ZELSimTime(1, 5), 1000), "1.000000005");
    // Conflicting adjustment flags pad on the left, as numbers do.
    EXPECT_EQ(print(ZELSimTime(-1, 0), 1, std::ios_base::left | std::ios_base::internal, 7), "***-1.0");
    EXPECT_EQ(print(ZELSimTime(-1, 0), 1, std::ios_base::internal, 7), "-***1.0");
    std::ostringstream bad;
    bad.setstate(std::ios_base::failbit);
    bad << ZELSimTime(1, 0);
    EXPECT_EQ(bad.str(), "");
}

// ---- LU factorisation -----------------------------------------------------------------------------

using Matrix = ZELBasicMathMatrix<double>;
using Vector = ZELBasicMathVector<double>;

bool allNaN(const Vector& v) {
    for (std::size_t i = 0; i < v.length(); ++i)
        if (!std::isnan(v[i])) return false;
    return true;
}

TEST(BadInput, LUOfSingularNonFiniteAndOddlyShapedMatrices) {
    const double singular[9] = {1, 2, 3, 2, 4, 6, 1, 1, 1};
    const double tinyPivot[4] = {1e-6, 0, 0, 1e-6};  // the pivot threshold is absolute
    const double withNaN[4] = {NaN, 1, 1, 1};
    const double withInf[4] = {Inf, 1, 1, 1};
    const double allInf[4] = {Inf, Inf, Inf, Inf};
    const Matrix inputs[] = {Matrix(singular, 3, 3), Matrix(tinyPivot, 2, 2), Matrix(withNaN, 2, 2),
                             Matrix(withInf, 2, 2), Matrix(allInf, 2, 2), Matrix(3, 3, 0.0)};
    for (const Matrix& a : inputs) {
        ZELLUFactor f(a, true);
        const Vector x = solve(f, Vector(a.rows(), 1.0));
        const Matrix inv = inverse(f);
        EXPECT_EQ(inv.rows(), a.rows());
        (void)determinant(f);
        (void)f.conditionHigham();
        if (f.fail()) {
            EXPECT_FALSE(f.good());
            EXPECT_TRUE(allNaN(x));
            EXPECT_EQ(f.condition(), 0.0);
            EXPECT_EQ(f.isSingular(), 1);
        }
    }
    EXPECT_TRUE(ZELLUFactor(inputs[0]).fail());
    EXPECT_TRUE(ZELLUFactor(inputs[1]).fail());
    EXPECT_TRUE(ZELLUFactor(inputs[5]).fail());

    // 0 x 0 factors; a right-hand side of the wrong length is answered with NaNs.
    ZELLUFactor empty(Matrix(0, 0, 0.0), true);
    EXPECT_TRUE(empty.good());
    EXPECT_EQ(determinant(empty), 1.0);
    EXPECT_EQ(empty.condition(), 1.0);
    const double good[4] = {2, 1, 1, 3};
    ZELLUFactor f(Matrix(good, 2, 2));
    const Vector wrong = solve(f, Vector(3, 1.0));
    EXPECT_EQ(wrong.length(), 3u);
    EXPECT_TRUE(allNaN(wrong));
    EXPECT_TRUE(allNaN(solve(ZELLUFactor(), Vector(2, 1.0))));
    // More rows than columns: padded with zero columns, so the factorisation fails.
    const double tall[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(ZELLUFactor(Matrix(tall, 3, 2)).fail());
    // More columns than rows: the extra columns are ignored.
    const double wide[6] = {2, 1, 99, 1, 3, -99};
    ZELLUFactor w(Matrix(wide, 2, 3));
    EXPECT_TRUE(w.good());
    EXPECT_EQ(determinant(w), determinant(f));
}

TEST(BadInput, LUCopyConstructorIsReported) {
    const double good[4] = {2, 1, 1, 3};
    const ZELLUFactor f(Matrix(good, 2, 2));
    AssertRecorder rec;
    const ZELLUFactor copy(f);
    const std::vector<AssertReport> reports = rec.take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, "This constructor is not yet implemented");
    EXPECT_FALSE(copy.good());
    EXPECT_EQ(copy.dimension(), 0u);
}

// ---- random streams and distributions ------------------------------------------------------------

TEST(BadInput, OutOfRangeStreamNumbersMeanStreamOne) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    const int bad[] = {0, -1, 2001, INT_MAX, INT_MIN};
    for (int stream : bad) {
        g->ResetStream(1);
        model::Stream m{model::seedOfStream(1)};
        EXPECT_EQ(g->GetRandomNumber(stream), m.next()) << stream;
        EXPECT_EQ(g->GetRandomNumber(1), m.next());
        EXPECT_EQ(g->GetInitialSeed(stream), g->GetInitialSeed(1));
    }
    g->ResetStream(2);
    g->AdvanceStream(INT_MIN, 0);
    g->GetRandomNumbers(-3, nullptr, 0);  // an empty block draws nothing
    g->ResetStream(1);
    model::Stream m{model::seedOfStream(1)};
    double block[3];
    g->GetRandomNumbers(5000, block, 3);
    for (double u : block) EXPECT_EQ(u, m.next());
    ZELUniformDistribution uniform;
    EXPECT_EQ(uniform.getRandomVariate(-7), m.next());
    g->ResetStream(1);
}

// Draws `n` numbers of `stream` and tells whether the stream then continues at position n.
bool streamAt(int stream, int n) {
    model::Stream m{model::seedOfStream(stream)};
    for (int i = 0; i < n; ++i) m.next();
    return ZELRandomGenerator::Instance()->GetRandomNumber(stream) == m.next();
}

TEST(BadInput, ZeroNegativeAndNonFiniteDistributionParameters) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    constexpr int S = 700;
    g->ResetStream(S);

    ZELExponentialDistribution exponential(0.0);
    EXPECT_EQ(exponential.getRandomVariate(S), 0.0);
    exponential.SetDistributionParameters(-2.0);
    EXPECT_LE(exponential.getRandomVariate(S), 0.0);
    EXPECT_TRUE(streamAt(S, 2));

    // Erlang: k = 0 and k < 0 draw nothing; a negative count in the constructor means 1 phase.
    g->ResetStream(S);
    ZELErlangDistribution erlang(3.0, 0);
    EXPECT_EQ(erlang.getRandomVariate(S), 0.0);
    erlang.SetDistParameters(3.0, -2.0);
    const double negative = erlang.getRandomVariate(S);
    EXPECT_EQ(negative, 0.0);
    EXPECT_TRUE(std::signbit(negative));
    EXPECT_TRUE(streamAt(S, 0));
    g->ResetStream(S);
    ZELErlangDistribution onePhase(3.0, -5);
    ZELExponentialDistribution same(3.0);
    const double x = onePhase.getRandomVariate(S);
    g->ResetStream(S);
    EXPECT_EQ(x, same.getRandomVariate(S));
    g->ResetStream(S);
    erlang.SetDistParameters(1.0, 2.5);  // ceil(2.5) phases
    (void)erlang.getRandomVariate(S);
    EXPECT_TRUE(streamAt(S, 3));

    // Weibull with a shape <= 0 (or the default object) yields 0 without drawing.
    g->ResetStream(S);
    ZELWeibullDistribution weibull(2.0, 0.0);
    EXPECT_EQ(weibull.getRandomVariate(S), 0.0);
    weibull.SetDistributionParameters(2.0, -1.0);
    EXPECT_EQ(weibull.getRandomVariate(S), 0.0);
    EXPECT_EQ(ZELWeibullDistribution().getRandomVariate(S), 0.0);
    EXPECT_TRUE(streamAt(S, 0));

    // Degenerate spreads give the location.
    g->ResetStream(S);
    EXPECT_EQ(ZELNormalDistribution(4.0, 0.0).getRandomVariate(S), 4.0);
    EXPECT_EQ(ZELTriangularDistribution(2.0, 2.0, 2.0).getRandomVariate(S), 2.0);
    EXPECT_EQ(ZELUniformDistribution(5.0, 5.0).getRandomVariate(S), 5.0);
    const double mirrored = ZELUniformDistribution(1.0, -1.0).getRandomVariate(S);
    EXPECT_TRUE(mirrored >= -1.0 && mirrored <= 1.0);

    // A gamma of shape 0 ends at once (the early exits), a log-normal of mean <= 0 gives no
    // finite positive values, NaN parameters give NaN; none of them hangs or crashes.
    ZELGammaDistribution gamma(0.0, 1.0);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(gamma.getRandomVariate(S), 0.0);
    ZELLogNormalDistribution logNormal(0.0, 1.0);
    for (int i = 0; i < 10; ++i) {
        const double v = logNormal.getRandomVariate(S);
        EXPECT_FALSE(std::isfinite(v) && v > 0.0) << v;
    }
    EXPECT_TRUE(std::isnan(ZELNormalDistribution(NaN, 1.0).getRandomVariate(S)));
    EXPECT_TRUE(std::isnan(ZELExponentialDistribution(NaN).getRandomVariate(S)));
    ZELBetaDistribution beta(0.0, 1.0);  // Y1 is always 0
    EXPECT_EQ(beta.getRandomVariate(S), 0.0);
}

TEST(BadInput, PoissonWithHugeNegativeAndNaNMeans) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    constexpr int S = 701;
    for (double lambda : {1e6, 800.0, Inf}) {
        g->ResetStream(S);
        ZELPoissonDistribution poisson(lambda);
        EXPECT_EQ(poisson.getRandomVariate(S), double(ZELPoissonDistribution::Cap)) << lambda;
        EXPECT_TRUE(streamAt(S, ZELPoissonDistribution::Cap + 1));
    }
    for (double lambda : {-5.0, -Inf, NaN}) {  // exp(-lambda) >= 1 or NaN: the first uniform ends it
        g->ResetStream(S);
        ZELPoissonDistribution poisson(lambda);
        EXPECT_EQ(poisson.getRandomVariate(S), 0.0) << lambda;
        EXPECT_TRUE(streamAt(S, 1));
    }
}

TEST(BadInput, BoundsThatAreNaNNeverReject) {
    ZELRandomGenerator::Instance()->ResetStream(702);
    ZELNormalDistribution normal(0.0, 1.0);
    normal.SetBounds(NaN, NaN);
    (void)normal.getRandomVariate(702);
    EXPECT_TRUE(streamAt(702, 2));
    double v = NaN;
    normal.SetBounds(0.0, 1.0);
    EXPECT_TRUE(normal.DistValueOK(&v));
}

TEST(BadInput, DegenerateUserTables) {
    constexpr int S = 703;
    const double values[3] = {10, 20, 30};
    const double zeros[3] = {0, 0, 0};
    const double negative[3] = {1, -2, 0.5};
    ZELRandomGenerator::Instance()->ResetStream(S);
    EXPECT_EQ(ZELUserDiscDistribution(values, zeros, 3).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUserContDistribution(values, zeros, 3).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUserDiscDistribution(nullptr, nullptr, -4).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUserContDistribution(nullptr, nullptr, INT_MIN).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUsrDist(zeros, 3).getRandomVariate(S), -1.0);
    EXPECT_EQ(ZELUsrDist(nullptr, -1).getRandomVariate(S), -1.0);
    // Negative probabilities are taken as they come: every draw is a table value or -1.
    ZELUserDiscDistribution disc(values, negative, 3);
    ZELUserContDistribution cont(values, negative, 3);
    for (int i = 0; i < 200; ++i) {
        const double d = disc.getRandomVariate(S);
        EXPECT_TRUE(d == -1.0 || d == 10.0 || d == 20.0 || d == 30.0) << d;
        const double c = cont.getRandomVariate(S);
        EXPECT_TRUE(c == -1.0 || (c >= 10.0 && c <= 30.0) || std::isnan(c)) << c;
    }
    // More weights than the capacity: the first ones are kept.
    std::vector<double> many(ZELUsrDist::Capacity + 5, 1.0);
    auto usr = std::make_unique<ZELUsrDist>(many.data(), static_cast<int>(many.size()));
    EXPECT_EQ(usr->count(), ZELUsrDist::Capacity);
    EXPECT_EQ(usr->getRandomVariate(S), 1.0 / ZELUsrDist::Capacity);
}

}  // namespace
