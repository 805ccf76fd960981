// Resources on the scheduler: grants in the scheduler's order, the queue's priority and
// first-come order, reneging, refusals, and the time-weighted utilisation and queue length on
// hand-checked timelines.
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "foundation/ZELException.h"
#include "simulation/ZELResource.h"
#include "simulation/ZELScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Resource, GrantsAtOnceThenQueuesAndPassesUnitsOn) {
    ZELScheduler s;
    ZELResource r(s, 2);
    std::string log;
    s.at(ZELSimTime(), [&] { log += 'e'; });  // already due: the grants run behind it
    for (char c : std::string("abc")) r.request([&log, c] { log += c; });
    EXPECT_EQ(r.inUse(), 2);
    EXPECT_EQ(r.queueLength(), 1u);
    s.run();
    EXPECT_EQ(log, "eab");
    s.at(ZELSimTime(5, 0), [&] { r.release(); });
    s.run();
    EXPECT_EQ(log, "eabc");
    EXPECT_EQ(r.inUse(), 2);  // the unit went straight to c
    EXPECT_EQ(r.queueLength(), 0u);
    EXPECT_EQ(r.waitingTimes().count(), 3u);
    EXPECT_EQ(r.waitingTimes().max(), 5.0);
    EXPECT_EQ(r.waitingTimes().min(), 0.0);
    r.release();
    r.release();
    EXPECT_EQ(r.inUse(), 0);
    EXPECT_THROW(r.release(), ZELEDomainError);  // nothing in use: refused, nothing changes
    EXPECT_EQ(r.inUse(), 0);
}

TEST(Resource, QueueOrderIsPriorityThenFirstCome) {
    ZELScheduler s;
    ZELResource r(s, 1);
    std::string log;
    r.request([&] { log += '0'; });
    r.request([&] { log += 'd'; }, 1);
    r.request([&] { log += 'b'; }, 0);
    r.request([&] { log += 'c'; }, 0);
    r.request([&] { log += 'a'; }, -1);
    for (int i = 1; i <= 4; ++i) s.at(ZELSimTime(i, 0), [&] { r.release(); });
    s.run();
    EXPECT_EQ(log, "0abcd");
}

TEST(Resource, WithdrawTakesBackOnlyWaitingRequests) {
    ZELScheduler s;
    ZELResource r(s, 1);
    ZELResource other(s, 1);
    int granted = 0;
    const ZELRequestHandle first = r.request([&] { ++granted; });
    const ZELRequestHandle second = r.request([&] { granted += 10; });
    const ZELRequestHandle third = r.request([&] { granted += 100; });
    const ZELRequestHandle foreign = other.request([] {});
    EXPECT_TRUE(r.isQueued(second));
    EXPECT_FALSE(r.withdraw(first));  // granted
    EXPECT_FALSE(r.withdraw(ZELRequestHandle()));
    EXPECT_FALSE(r.withdraw(foreign));
    EXPECT_EQ(r.queueLength(), 2u);
    EXPECT_TRUE(r.withdraw(second));
    EXPECT_FALSE(r.withdraw(second));
    EXPECT_FALSE(r.isQueued(second));
    EXPECT_EQ(r.queueLength(), 1u);
    r.release();  // passes to third, not to the withdrawn second
    s.run();
    EXPECT_EQ(granted, 101);
    EXPECT_FALSE(r.withdraw(third));
    EXPECT_EQ(r.waitingTimes().count(), 2u);  // a withdrawn request is not a waiting time
}

TEST(Resource, UtilisationAndQueueLengthOnAKnownTimeline) {
    ZELScheduler s(ZELSimTime(100, 0));
    ZELResource r(s, 2);
    // Units: 1 in use over [100, 104], 2 over [104, 106] with one waiting over [105, 106],
    // 2 over [106, 108] (the waiting one got the unit), 0 after 108.
    r.request([] {});
    s.at(ZELSimTime(104, 0), [&] { r.request([] {}); });
    s.at(ZELSimTime(105, 0), [&] { r.request([] {}); });
    s.at(ZELSimTime(106, 0), [&] { r.release(); });
    s.at(ZELSimTime(108, 0), [&] {
        r.release();
        r.release();
    });
    s.runUntil(ZELSimTime(110, 0));
    // Busy unit-seconds 4 + 2 * 2 + 2 * 2 = 12 over 2 units and 10 s.
    EXPECT_EQ(r.utilisation(s.now()), 0.6);
    EXPECT_EQ(r.meanQueueLength(s.now()), 0.1);
    EXPECT_EQ(r.waitingTimes().mean(), 1.0 / 3.0);
    EXPECT_THROW((void)r.utilisation(ZELSimTime(107, 0)), ZELEDomainError);
    // Warm-up deletion: the statistics restart at now() with the state as it is.
    r.request([] {});
    r.resetStatistics();
    EXPECT_EQ(r.waitingTimes().count(), 0u);
    s.runUntil(ZELSimTime(114, 0));
    EXPECT_EQ(r.utilisation(s.now()), 0.5);
    EXPECT_EQ(r.meanQueueLength(s.now()), 0.0);
}

TEST(Resource, RefusesBadConstructionAndEmptyActions) {
    ZELScheduler s;
    EXPECT_THROW(ZELResource(s, 0), ZELEDomainError);
    EXPECT_THROW(ZELResource(s, -3), ZELEDomainError);
    ZELResource r(s, 1);
    EXPECT_THROW(r.request(ZELAction()), ZELEDomainError);
    EXPECT_EQ(r.inUse(), 0);
    EXPECT_EQ(s.pending(), 0u);
}

}  // namespace
