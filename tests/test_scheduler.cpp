// The event order against a plain reference model on random programs that schedule, cancel,
// reschedule and step the scheduler from inside actions; independence of unrelated events; cancel, reschedule and the
// run controls; throwing actions; bad input; and the memory a long run with cancellations uses.
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"
#include "foundation/ZELException.h"
#include "simulation/ZELScheduler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// Every allocation of the test binary is counted, so that a test can check that a loop
// allocates nothing.
namespace {
std::atomic<std::uint64_t> allocations{0};
}
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

ZELSimTime ns(std::int64_t n) {
    return ZELSimTime(n / 1000000000, static_cast<int>(n % 1000000000));
}
std::int64_t toNs(const ZELSimTime& t) { return t.wholeSeconds() * 1000000000 + t.nanoseconds(); }

// What an event does when it runs: a list of operations drawn from its own seeded generator,
// so the scheduler and the reference model make the same decisions as long as they agree.
struct Op {
    enum Kind { Schedule, Cancel, Reschedule, CancelSelf, RescheduleSelf, Step } kind;
    std::size_t target;  // Cancel, Reschedule: an event number below the count made so far
    std::int64_t delay;  // Schedule, Reschedule: nanoseconds after now
    int priority;
};

std::vector<Op> program(std::uint64_t seed, std::size_t id, std::size_t made) {
    std::mt19937_64 g(seed * 1000003u + id);
    std::vector<Op> ops;
    const int count = 1 + static_cast<int>(g() % 4);
    for (int i = 0; i < count && made < 3000; ++i) {
        Op op{};
        const auto r = g() % 20;
        op.kind = r < 12 ? Op::Schedule
            : r < 14     ? Op::Cancel
            : r < 18     ? Op::Reschedule
            : r == 18    ? ((g() % 2 == 0) ? Op::CancelSelf : Op::RescheduleSelf)
                         : Op::Step;
        op.target = static_cast<std::size_t>(g() % made);
        // Small delays, many of them zero, so that times and priorities often tie.
        op.delay = (g() % 3 == 0) ? 0 : static_cast<std::int64_t>(g() % 5);
        op.priority = static_cast<int>(g() % 3) - 1;
        ops.push_back(op);
        if (op.kind == Op::Schedule) ++made;
    }
    return ops;
}

// How deep actions may step the scheduler from inside actions.
constexpr int kMaxDepth = 6;

struct Ran {
    std::size_t id;
    std::int64_t time;
    friend bool operator==(const Ran& a, const Ran& b) { return a.id == b.id && a.time == b.time; }
};

// The scheduler under test.
struct Real {
    explicit Real(std::uint64_t s) : seed(s) {}
    std::uint64_t seed;
    ZELScheduler scheduler;
    std::vector<ZELEventHandle> handles;
    std::vector<Ran> log;
    std::vector<bool> answers;
    int depth = 0;
    std::uint64_t nestedSteps = 0;

    void schedule(std::int64_t time, int priority) {
        const std::size_t id = handles.size();
        handles.push_back(scheduler.at(
            ns(time), [this, id] { onRun(id); }, priority));
    }
    void onRun(std::size_t id) {
        log.push_back({id, toNs(scheduler.now())});
        ++depth;
        for (const Op& op : program(seed, id, handles.size())) {
            const std::int64_t now = toNs(scheduler.now());  // a nested step moves it
            switch (op.kind) {
                case Op::Schedule: schedule(now + op.delay, op.priority); break;
                case Op::Cancel: answers.push_back(scheduler.cancel(handles[op.target])); break;
                case Op::Reschedule:
                    answers.push_back(
                        scheduler.reschedule(handles[op.target], ns(now + op.delay), op.priority));
                    break;
                case Op::CancelSelf: answers.push_back(scheduler.cancel(handles[id])); break;
                case Op::RescheduleSelf:
                    answers.push_back(scheduler.reschedule(handles[id], ns(now + op.delay), 0));
                    break;
                case Op::Step:
                    if (depth <= kMaxDepth) {
                        answers.push_back(scheduler.step());
                        nestedSteps += answers.back() ? 1 : 0;
                    }
                    break;
            }
        }
        --depth;
    }
};

// The reference: a sorted set of (time, priority, sequence, id) and the key of each pending id.
struct Model {
    explicit Model(std::uint64_t s) : seed(s) {}
    using Key = std::tuple<std::int64_t, int, std::uint64_t, std::size_t>;
    std::uint64_t seed;
    std::set<Key> queue;
    std::vector<Key> keys;
    std::vector<bool> pending;
    std::uint64_t sequence = 0;
    std::vector<Ran> log;
    std::vector<bool> answers;
    std::int64_t now = 0;
    int depth = 0;

    void put(std::size_t id, std::int64_t time, int priority) {
        keys[id] = Key{time, priority, sequence++, id};
        queue.insert(keys[id]);
        pending[id] = true;
    }
    void schedule(std::int64_t time, int priority) {
        keys.emplace_back();
        pending.push_back(false);
        put(keys.size() - 1, time, priority);
    }
    bool cancel(std::size_t id) {
        if (!pending[id]) return false;
        queue.erase(keys[id]);
        pending[id] = false;
        return true;
    }
    bool reschedule(std::size_t id, std::int64_t time, int priority) {
        if (!cancel(id)) return false;
        put(id, time, priority);
        return true;
    }
    bool step() {
        if (queue.empty()) return false;
        const Key first = *queue.begin();
        queue.erase(queue.begin());
        const std::size_t id = std::get<3>(first);
        now = std::get<0>(first);
        pending[id] = false;
        log.push_back({id, now});
        ++depth;
        for (const Op& op : program(seed, id, keys.size())) {
            switch (op.kind) {
                case Op::Schedule: schedule(now + op.delay, op.priority); break;
                case Op::Cancel: answers.push_back(cancel(op.target)); break;
                case Op::Reschedule:
                    answers.push_back(reschedule(op.target, now + op.delay, op.priority));
                    break;
                case Op::CancelSelf: answers.push_back(cancel(id)); break;
                case Op::RescheduleSelf:
                    answers.push_back(reschedule(id, now + op.delay, 0));
                    break;
                case Op::Step:
                    if (depth <= kMaxDepth) answers.push_back(step());
                    break;
            }
        }
        --depth;
        return true;
    }
    void run() {
        while (step()) {}
    }
};

TEST(SchedulerOrder, MatchesTheReferenceOnRandomPrograms) {
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        Real real(seed);
        Model model(seed);
        std::mt19937_64 g(seed);
        for (int i = 0; i < 30; ++i) {
            const auto time = static_cast<std::int64_t>(g() % 4);
            const int priority = static_cast<int>(g() % 3) - 1;
            real.schedule(time, priority);
            model.schedule(time, priority);
        }
        const std::uint64_t ran = real.scheduler.run();
        model.run();
        ASSERT_EQ(real.log.size(), model.log.size()) << "seed " << seed;
        EXPECT_TRUE(real.log == model.log) << "seed " << seed;
        EXPECT_EQ(real.answers, model.answers) << "seed " << seed;
        EXPECT_EQ(ran + real.nestedSteps, real.log.size());
        EXPECT_GT(real.nestedSteps, 0u);
        EXPECT_EQ(real.scheduler.executed(), real.log.size());
        EXPECT_EQ(real.scheduler.pending(), 0u);
        EXPECT_GT(real.log.size(), 100u);  // the programs do grow
    }
}

TEST(SchedulerOrder, UnrelatedEventsDoNotChangeTheOrderOfOthers) {
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
        auto runOnce = [seed](bool extras) {
            ZELScheduler s;
            std::vector<int> log;
            std::mt19937_64 g(seed);
            std::mt19937_64 other(seed + 99);
            std::function<void(int)> body = [&](int id) {
                log.push_back(id);
                if (id < 300)
                    s.after(
                        ns(static_cast<std::int64_t>(g() % 3)), [&body, id] { body(id + 100); },
                        static_cast<int>(g() % 2));
                if (extras && other() % 2 == 0)
                    s.after(
                        ns(static_cast<std::int64_t>(other() % 3)), [] {},
                        static_cast<int>(other() % 3) - 1);
            };
            for (int id = 0; id < 100; ++id) {
                if (extras) s.at(ns(static_cast<std::int64_t>(other() % 4)), [] {});
                s.at(
                    ns(static_cast<std::int64_t>(g() % 4)), [&body, id] { body(id); },
                    static_cast<int>(g() % 2));
            }
            s.run();
            return log;
        };
        EXPECT_EQ(runOnce(false), runOnce(true)) << "seed " << seed;
    }
}

TEST(SchedulerOrder, TimeThenPriorityThenFirstScheduled) {
    ZELScheduler s(ZELSimTime(5, 0));
    std::string order;
    s.at(ZELSimTime(7, 0), [&] { order += 'e'; });
    s.at(
        ZELSimTime(6, 0), [&] { order += 'c'; }, 1);
    s.at(ZELSimTime(6, 0), [&] {
        order += 'a';
        // Due now, same priority: behind the b already due; priority -1 runs before b.
        s.after(ZELSimTime(), [&] { order += 'x'; });
        s.after(
            ZELSimTime(), [&] { order += 'p'; }, -1);
    });
    s.at(ZELSimTime(6, 0), [&] { order += 'b'; });
    s.at(
        ZELSimTime(5, 999999999), [&] { order += '0'; }, 9);
    EXPECT_EQ(s.nextTime(), ZELSimTime(5, 999999999));
    EXPECT_EQ(s.run(), 7u);
    EXPECT_EQ(order, "0apbxce");
    EXPECT_EQ(s.now(), ZELSimTime(7, 0));
    // Negative and extreme times order numerically.
    ZELScheduler n(ZELSimTime(-3, -500000000));
    order.clear();
    n.at(ZELSimTime(0, -1), [&] { order += 'b'; });
    n.at(ZELSimTime(-1, -500000000), [&] { order += 'a'; });
    n.at(ZELSimTime(INT64_MAX, 999999999), [&] { order += 'd'; });
    n.after(
        ZELSimTime(0, 500000001), [&] { order += 'c'; }, 1);  // -3 s + 0.5 s
    n.run();
    EXPECT_EQ(order, "cabd");
}

TEST(SchedulerCancel, PendingOnlyAndNeverRuns) {
    ZELScheduler s;
    ZELScheduler other;
    int ran = 0;
    const ZELEventHandle a = s.at(ZELSimTime(1, 0), [&] { ++ran; });
    const ZELEventHandle b = s.at(ZELSimTime(2, 0), [&] { ++ran; });
    const ZELEventHandle foreign = other.at(ZELSimTime(1, 0), [&] { ran += 100; });
    EXPECT_FALSE(s.cancel(ZELEventHandle()));
    EXPECT_FALSE(s.isPending(ZELEventHandle()));
    EXPECT_TRUE(ZELEventHandle().empty());
    EXPECT_FALSE(a.empty());
    EXPECT_FALSE(s.cancel(foreign));  // another scheduler's event: nothing changes
    EXPECT_FALSE(s.reschedule(foreign, ZELSimTime(3, 0)));
    EXPECT_TRUE(other.isPending(foreign));
    EXPECT_EQ(s.pending(), 2u);
    EXPECT_TRUE(s.cancel(a));
    EXPECT_FALSE(s.isPending(a));
    EXPECT_FALSE(s.cancel(a));
    EXPECT_FALSE(s.reschedule(a, ZELSimTime(3, 0)));
    EXPECT_EQ(s.pending(), 1u);
    // The freed place is reused; the old handle does not name the new event.
    const ZELEventHandle c = s.at(ZELSimTime(1, 0), [&] { ran += 10; });
    EXPECT_NE(a, c);
    EXPECT_FALSE(s.isPending(a));
    EXPECT_FALSE(s.cancel(a));
    EXPECT_TRUE(s.isPending(c));
    EXPECT_EQ(s.run(), 2u);
    EXPECT_EQ(ran, 11);
    EXPECT_FALSE(s.cancel(b));  // already ran
    EXPECT_FALSE(s.isPending(b));
}

TEST(SchedulerReschedule, MovesBehindEqualEventsAndRefusesOthers) {
    ZELScheduler s;
    std::string order;
    const ZELEventHandle a = s.at(ZELSimTime(1, 0), [&] { order += 'a'; });
    s.at(ZELSimTime(2, 0), [&] { order += 'b'; });
    const ZELEventHandle c = s.at(
        ZELSimTime(2, 0), [&] { order += 'c'; }, 1);
    EXPECT_TRUE(s.reschedule(a, ZELSimTime(2, 0)));  // behind b (same time, same priority)
    EXPECT_TRUE(s.isPending(a));
    EXPECT_EQ(s.nextTime(), ZELSimTime(2, 0));
    // A time before now for a pending event throws and changes nothing.
    s.runUntil(ZELSimTime(1, 500000000));
    EXPECT_THROW(s.reschedule(c, ZELSimTime(1, 0)), ZELEDomainError);
    EXPECT_TRUE(s.isPending(c));
    EXPECT_TRUE(s.reschedule(c, ZELSimTime(2, 0), -1));  // the new priority counts
    s.run();
    EXPECT_EQ(order, "cba");
    EXPECT_FALSE(s.reschedule(a, ZELSimTime(9, 0)));  // ran
    EXPECT_FALSE(s.reschedule(a, ZELSimTime(0, 0)));  // ran: false before any time check
    EXPECT_EQ(s.pending(), 0u);
}

TEST(SchedulerReschedule, AnActionIsNotPendingWhileItRuns) {
    ZELScheduler s;
    ZELEventHandle self;
    int runs = 0;
    self = s.at(ZELSimTime(1, 0), [&] {
        ++runs;
        EXPECT_FALSE(s.isPending(self));
        EXPECT_FALSE(s.cancel(self));
        EXPECT_FALSE(s.reschedule(self, ZELSimTime(2, 0)));
    });
    s.run();
    EXPECT_EQ(runs, 1);
}

TEST(SchedulerRun, StepRunUntilStopAndClear) {
    ZELScheduler s;
    std::vector<int> seen;
    EXPECT_FALSE(s.step());
    for (int i = 1; i <= 5; ++i) s.at(ZELSimTime(i, 0), [&seen, i] { seen.push_back(i); });
    EXPECT_TRUE(s.step());
    EXPECT_EQ(s.now(), ZELSimTime(1, 0));
    EXPECT_EQ(s.runUntil(ZELSimTime(3, 0)), 2u);  // events at 2 and 3 (at the end: included)
    EXPECT_EQ(s.now(), ZELSimTime(3, 0));
    EXPECT_EQ(s.runUntil(ZELSimTime(3, 500000000)), 0u);
    EXPECT_EQ(s.now(), ZELSimTime(3, 500000000));  // the clock moves to the end
    s.at(
        ZELSimTime(4, 0), [&] { s.stop(); }, -1);
    EXPECT_EQ(s.run(), 1u);  // stopped after the first action
    EXPECT_EQ(s.now(), ZELSimTime(4, 0));
    s.stop();  // outside a run: the next run starts afresh
    EXPECT_EQ(s.run(), 2u);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(s.executed(), 6u);
    // A stop inside runUntil leaves the clock at that event.
    s.at(ZELSimTime(6, 0), [&] { s.stop(); });
    s.at(ZELSimTime(7, 0), [] {});
    EXPECT_EQ(s.runUntil(ZELSimTime(9, 0)), 1u);
    EXPECT_EQ(s.now(), ZELSimTime(6, 0));
    // clear drops the pending events, destroys their actions, keeps the clock.
    auto token = std::make_shared<int>(0);
    const ZELEventHandle h = s.at(ZELSimTime(8, 0), [token] {});
    EXPECT_EQ(token.use_count(), 2);
    s.clear();
    EXPECT_EQ(token.use_count(), 1);
    EXPECT_EQ(s.pending(), 0u);
    EXPECT_FALSE(s.isPending(h));
    EXPECT_EQ(s.now(), ZELSimTime(6, 0));
    EXPECT_EQ(s.run(), 0u);
    s.at(ZELSimTime(8, 0), [] {});
    EXPECT_EQ(s.run(), 1u);
}

TEST(SchedulerRun, AnActionMayStepAndRunTheSchedulerItself) {
    ZELScheduler s;
    std::vector<std::pair<int, ZELSimTime>> seen;
    auto note = [&](int id) { return [&seen, &s, id] { seen.emplace_back(id, s.now()); }; };
    s.at(ZELSimTime(1, 0), [&] {
        EXPECT_TRUE(s.step());  // the event at 5, while the one at 1 runs
        EXPECT_EQ(s.now(), ZELSimTime(5, 0));
        s.after(ZELSimTime(), note(6));
    });
    s.at(ZELSimTime(5, 0), note(5));
    s.at(ZELSimTime(7, 0), [&] {
        EXPECT_EQ(s.runUntil(ZELSimTime(8, 0)), 1u);  // the event at 8, not the one at 9
        s.at(ZELSimTime(8, 500000000), [&] { s.run(); });
    });
    s.at(ZELSimTime(8, 0), note(8));
    s.at(ZELSimTime(9, 0), note(9));
    s.at(ZELSimTime(10, 0), note(10));
    EXPECT_EQ(s.run(), 4u);  // 1, 6, 7, 8.5: the nested calls ran 5, 8, 9 and 10
    EXPECT_EQ(seen,
              (std::vector<std::pair<int, ZELSimTime>>{{5, ZELSimTime(5, 0)},
                                                       {6, ZELSimTime(5, 0)},
                                                       {8, ZELSimTime(8, 0)},
                                                       {9, ZELSimTime(9, 0)},
                                                       {10, ZELSimTime(10, 0)}}));
    EXPECT_EQ(s.now(), ZELSimTime(10, 0));
    EXPECT_EQ(s.executed(), 8u);
    EXPECT_EQ(s.pending(), 0u);
}

TEST(SchedulerRun, AThrowingActionLeavesTheSchedulerUsable) {
    ZELScheduler s;
    int after = 0;
    auto token = std::make_shared<int>(0);
    s.at(ZELSimTime(1, 0), [token] { throw std::runtime_error("boom"); });
    s.at(ZELSimTime(2, 0), [&] { ++after; });
    EXPECT_THROW(s.run(), std::runtime_error);
    EXPECT_EQ(s.now(), ZELSimTime(1, 0));
    EXPECT_EQ(s.pending(), 1u);
    EXPECT_EQ(s.executed(), 1u);
    EXPECT_EQ(token.use_count(), 1);  // the thrown-from action was destroyed
    EXPECT_EQ(s.run(), 1u);
    EXPECT_EQ(after, 1);
    s.at(ZELSimTime(3, 0), [] { throw 7; });
    EXPECT_THROW(s.runUntil(ZELSimTime(5, 0)), int);
    EXPECT_EQ(s.now(), ZELSimTime(3, 0));
}

TEST(SchedulerBadInput, RefusedAndNothingScheduled) {
    ZELScheduler s(ZELSimTime(10, 0));
    auto refused = [&s](auto call) {
        EXPECT_THROW(call(), ZELEDomainError);
        EXPECT_EQ(s.pending(), 0u);
        EXPECT_EQ(s.now(), ZELSimTime(10, 0));
    };
    refused([&] { s.at(ZELSimTime(9, 999999999), [] {}); });
    refused([&] { s.after(ZELSimTime(0, -1), [] {}); });
    void (*none)() = nullptr;
    refused([&] { s.at(ZELSimTime(11, 0), none); });
    refused([&] { s.after(ZELSimTime(1, 0), std::function<void()>()); });
    refused([&] { s.runUntil(ZELSimTime(9, 0)); });
    refused([&] { s.nextTime(); });
    try {
        s.at(ZELSimTime(9, 0), [] {});
    } catch (const ZELEDomainError& e) {
        EXPECT_STREQ(e.what(), "ZELScheduler: at: time 9.000000000 s is before now 10.000000000 s");
    }
    // The clock saturates rather than wrapping.
    s.after(ZELSimTime(INT64_MAX, 0), [] {});
    EXPECT_EQ(s.nextTime(), scl_numeric_limits<ZELSimTime>::max());
}

TEST(SchedulerActions, SmallActionsStayInlineAndLargeOnesAreFreed) {
    auto token = std::make_shared<int>(0);
    struct Big {
        std::shared_ptr<int> t;
        char pad[64];
        void operator()() const {}
    };
    ZELAction small([token] {});
    ZELAction big(Big{token, {}});
    EXPECT_TRUE(small.isInline());
    EXPECT_FALSE(big.isInline());
    EXPECT_EQ(token.use_count(), 3);
    ZELAction moved(std::move(big));
    EXPECT_FALSE(static_cast<bool>(big));
    ZELScheduler s;
    s.at(ZELSimTime(1, 0), std::move(small));
    s.at(ZELSimTime(1, 0), std::move(moved));
    auto owned = std::make_unique<int>(4);
    int seen = 0;
    s.at(ZELSimTime(2, 0), [p = std::move(owned), &seen] { seen = *p; });  // move-only
    s.run();
    EXPECT_EQ(seen, 4);
    EXPECT_EQ(token.use_count(), 1);
}

// The hold model with half the events cancelled before they run: after warm-up nothing is
// allocated, so memory stays flat however long the run.
TEST(SchedulerMemory, HoldWithCancellationsAllocatesNothing) {
    struct Hold {
        ZELScheduler* s;
        std::mt19937_64* g;
        ZELEventHandle* decoy;
        void operator()() const {
            s->after(ns(static_cast<std::int64_t>((*g)() % 1000000)), *this);
            EXPECT_TRUE(s->cancel(*decoy));
            *decoy =
                s->after(ZELSimTime(1000, 0), [] { ADD_FAILURE() << "a cancelled event ran"; });
        }
    };
    ZELScheduler s;
    std::mt19937_64 g(7);
    ZELEventHandle decoy = s.after(ZELSimTime(1000, 0), [] {});
    for (int i = 0; i < 1000; ++i)
        s.after(ns(static_cast<std::int64_t>(g() % 1000000)), Hold{&s, &g, &decoy});
    for (int i = 0; i < 1000; ++i) s.step();
    const std::uint64_t before = allocations.load();
    for (int i = 0; i < 200000; ++i) s.step();
    EXPECT_EQ(allocations.load(), before);
    EXPECT_EQ(s.pending(), 1001u);
}

}  // namespace
