// Observation and time-weighted statistics against independent references: a two-pass tally,
// published quantiles, exact integer integrals; and an M/M/1 queue on the scheduler and a
// resource against its closed forms.
#include "ZELRandomMD.m/src/ZELRandomStream.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "foundation/ZELException.h"
#include "simulation/ZELResource.h"
#include "simulation/ZELScheduler.h"
#include "simulation/ZELStatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <vector>

namespace {

__extension__ typedef __int128 Wide;

TEST(Tally, MatchesAnExactReferenceFarFromZero) {
    // Observations offset + k / 2^20 with integer k are exact doubles up to |offset| 2^32, so the
    // reference mean and variance come from integer sums (no extended precision needed, which
    // some checkers, valgrind among them, do not emulate).
    std::mt19937_64 g(11);
    const double unit = std::ldexp(1.0, -20);
    for (double offset : {0.0, 1e8, -3e9}) {
        ZELTally tally;
        const Wide n = 10000;
        Wide sum = 0, squares = 0;
        for (int i = 0; i < 10000; ++i) {
            const auto k = static_cast<std::int64_t>(g() >> 44);  // 0 .. 2^20 - 1
            tally.add(offset + static_cast<double>(k) * unit);
            sum += k;
            squares += static_cast<Wide>(k) * k;
        }
        const double mean = offset + static_cast<double>(sum) / static_cast<double>(n) * unit;
        const double variance = static_cast<double>(n * squares - sum * sum) /
            (static_cast<double>(n) * static_cast<double>(n - 1)) * unit * unit;
        EXPECT_EQ(tally.count(), 10000u);
        EXPECT_NEAR(tally.mean(), mean, 4e-16 * std::fabs(offset) + 1e-15) << offset;
        // A one-pass sum of squares would lose every digit at 1e8 (1e16 against 0.08).
        EXPECT_NEAR(tally.variance(), variance, 1e-6 * variance) << offset;
        EXPECT_NEAR(variance, 1.0 / 12.0, 0.01);
    }
}

TEST(Tally, KnownAnswersNaNAndEmpty) {
    ZELTally t;
    EXPECT_EQ(t.count(), 0u);
    EXPECT_TRUE(std::isnan(t.mean()) && std::isnan(t.min()) && std::isnan(t.max()));
    t.add(4.0);
    EXPECT_EQ(t.mean(), 4.0);
    EXPECT_TRUE(std::isnan(t.variance()) && std::isnan(t.halfWidth(0.95)));
    t.reset();
    for (int i = 1; i <= 10; ++i) t.add(i);
    t.add(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(t.count(), 10u);
    EXPECT_EQ(t.nanCount(), 1u);
    EXPECT_EQ(t.mean(), 5.5);
    EXPECT_DOUBLE_EQ(t.stdDev(), 3.0276503540974917);
    EXPECT_EQ(t.min(), 1.0);
    EXPECT_EQ(t.max(), 10.0);
    // Student t half-widths, the quantile solved from the incomplete beta in 30 digits
    // (mpmath): t(9, 0.975) sqrt(55 / 6) / sqrt(10) and t(4, 0.995) sqrt(9.7625) / sqrt(5).
    EXPECT_NEAR(t.halfWidth(0.95), 2.16585058966816959791, 1e-14);
    ZELTally u;
    for (double x : {2.5, -1.0, 7.25, 3.0, 0.5}) u.add(x);
    EXPECT_DOUBLE_EQ(u.mean(), 2.45);
    EXPECT_DOUBLE_EQ(u.variance(), 9.7625);
    EXPECT_NEAR(u.halfWidth(0.99), 6.43338860271350572361, 1e-13);
    for (double bad : {0.0, 1.0, -0.5, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_THROW(u.halfWidth(bad), ZELEDomainError);
}

// Integer values held for whole numbers of nanoseconds: the exact integral and length are
// integers below 2^53, so the mean must be their correctly rounded quotient, to the last bit.
TEST(TimeWeighted, MeanOfIntegerStepsIsExact) {
    std::mt19937_64 g(5);
    for (std::int64_t startSec : {std::int64_t(0), std::int64_t(-7), std::int64_t(1000000000)}) {
        const ZELSimTime start(startSec, 123456789);
        ZELTimeWeighted tw(start, 3.0);
        Wide integral = 0;
        Wide length = 0;
        std::int64_t value = 3, lo = 3, hi = 3;
        ZELSimTime t = start;
        for (int i = 0; i < 2000; ++i) {
            const std::int64_t step = static_cast<std::int64_t>(g() % 3000000000u);  // < 3 s
            integral += Wide(value) * step;
            length += step;
            t += ZELSimTime(step / 1000000000, static_cast<int>(step % 1000000000));
            value = static_cast<std::int64_t>(g() % 41) - 20;
            lo = std::min(lo, value);
            hi = std::max(hi, value);
            tw.set(t, static_cast<double>(value));
            const double expected = static_cast<double>(integral) / static_cast<double>(length);
            ASSERT_EQ(tw.mean(t), expected) << i;
        }
        EXPECT_EQ(tw.current(), static_cast<double>(value));
        EXPECT_EQ(tw.min(), static_cast<double>(lo));
        EXPECT_EQ(tw.max(), static_cast<double>(hi));
        // Past the last change the current value keeps counting.
        const ZELSimTime until = t + ZELSimTime(2, 0);
        EXPECT_EQ(tw.mean(until),
                  static_cast<double>(integral + Wide(value) * 2000000000) /
                      static_cast<double>(length + 2000000000));
    }
}

TEST(TimeWeighted, ResetAndRefusals) {
    ZELTimeWeighted tw(ZELSimTime(10, 0), 2.0);
    EXPECT_TRUE(std::isnan(tw.mean(ZELSimTime(10, 0))));  // zero length
    tw.set(ZELSimTime(12, 0), 6.0);
    EXPECT_EQ(tw.mean(ZELSimTime(14, 0)), 4.0);
    EXPECT_EQ(tw.max(), 6.0);
    EXPECT_THROW(tw.set(ZELSimTime(11, 0), 1.0), ZELEDomainError);
    EXPECT_THROW(tw.set(ZELSimTime(13, 0), std::nan("")), ZELEDomainError);
    EXPECT_THROW(tw.set(ZELSimTime(13, 0), HUGE_VAL), ZELEDomainError);
    EXPECT_THROW((void)tw.mean(ZELSimTime(11, 0)), ZELEDomainError);
    EXPECT_THROW(tw.reset(ZELSimTime(11, 0)), ZELEDomainError);
    EXPECT_EQ(tw.current(), 6.0);  // unchanged by the refusals
    EXPECT_EQ(tw.mean(ZELSimTime(14, 0)), 4.0);
    tw.reset(ZELSimTime(13, 0));  // warm-up deletion: only the value is kept
    EXPECT_EQ(tw.min(), 6.0);
    tw.set(ZELSimTime(14, 0), 0.0);
    EXPECT_EQ(tw.mean(ZELSimTime(17, 0)), 1.5);
    EXPECT_EQ(tw.min(), 0.0);
    EXPECT_THROW(ZELTimeWeighted(ZELSimTime(), std::nan("")), ZELEDomainError);
}

// One replication of an M/M/1 queue (arrival rate lambda, service rate 1) on a resource, run
// for `length` seconds after a warm-up. Returns utilisation, mean queue length, mean wait.
struct MM1 {
    double utilisation, queueLength, wait;
};
MM1 mm1(std::uint64_t replication, double lambda, double warmUp, double length) {
    ZELScheduler s;
    ZELResource server(s, 1);
    ZELRandomStream arrivals = ZELRandomStream::Philox(2024, 2 * replication);
    ZELRandomStream services = ZELRandomStream::Philox(2024, 2 * replication + 1);
    std::function<void()> arrive = [&] {
        server.request([&] { s.after(-std::log(services.next()), [&] { server.release(); }); });
        s.after(-std::log(arrivals.next()) / lambda, arrive);
    };
    s.after(-std::log(arrivals.next()) / lambda, arrive);
    s.runUntil(warmUp);
    server.resetStatistics();
    const ZELSimTime end(warmUp + length);
    s.runUntil(end);
    return {server.utilisation(end), server.meanQueueLength(end), server.waitingTimes().mean()};
}

TEST(SimulationStatistics, MM1MatchesItsClosedForms) {
    const double lambda = 0.5, rho = lambda;  // service rate 1
    ZELTally utilisation, queueLength, wait;
    for (std::uint64_t r = 0; r < 20; ++r) {
        const MM1 one = mm1(r, lambda, 1000.0, 20000.0);
        utilisation.add(one.utilisation);
        queueLength.add(one.queueLength);
        wait.add(one.wait);
    }
    EXPECT_NEAR(utilisation.mean(), rho, utilisation.halfWidth(0.99));
    EXPECT_NEAR(queueLength.mean(), rho * rho / (1 - rho), queueLength.halfWidth(0.99));
    EXPECT_NEAR(wait.mean(), rho / (1 - rho), wait.halfWidth(0.99));  // Wq = Lq / lambda
    // The intervals are tight enough to tell a wrong formula (off by a tenth) apart.
    EXPECT_LT(utilisation.halfWidth(0.99), 0.01);
    EXPECT_LT(queueLength.halfWidth(0.99), 0.05);
    // The same replication twice: the same bits.
    const MM1 a = mm1(3, lambda, 10.0, 500.0), b = mm1(3, lambda, 10.0, 500.0);
    EXPECT_EQ(a.utilisation, b.utilisation);
    EXPECT_EQ(a.queueLength, b.queueLength);
    EXPECT_EQ(a.wait, b.wait);
}

}  // namespace
