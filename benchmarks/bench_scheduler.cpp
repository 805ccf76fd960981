// The hold model: N pending events; each step runs the earliest, whose action schedules one new
// event at now + an exponential increment (mean 1 s, Philox stream, rounded to the nanosecond).
// ZELScheduler against a plain std::priority_queue of (time, priority, sequence,
// std::function<void()>) doing the same work, in the same binary. Items are holds, so the ratio
// is read from items_per_second. The cancelling hold also schedules a far event per step and
// cancels the previous one (half of all events never run) and reports the resident-set growth.
#include "ZELRandomMD.m/src/ZELRandomStream.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "simulation/ZELScheduler.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <queue>
#include <vector>

namespace {

// The increment: Exp(1) seconds, rounded to the nanosecond by the time's conversion.
ZELSimTime increment(ZELRandomStream& stream) { return ZELSimTime(-std::log(stream.next())); }

struct SchedulerHold {
    ZELScheduler scheduler;
    ZELRandomStream stream = ZELRandomStream::Philox(42, 1);
    void schedule() {
        scheduler.after(increment(stream), [this] { schedule(); });
    }
};

void BM_Scheduler_Hold(benchmark::State& state) {
    SchedulerHold model;
    for (std::int64_t i = 0; i < state.range(0); ++i) model.schedule();
    for (auto _ : state) model.scheduler.step();
    state.SetItemsProcessed(state.iterations());
}

// The peer: what a simulation writes by hand.
struct PlainHold {
    struct Event {
        ZELSimTime time;
        int priority;
        std::uint64_t sequence;
        std::function<void()> action;
    };
    struct Later {
        bool operator()(const Event& a, const Event& b) const {
            if (a.time != b.time) return b.time < a.time;
            if (a.priority != b.priority) return a.priority > b.priority;
            return a.sequence > b.sequence;
        }
    };
    std::priority_queue<Event, std::vector<Event>, Later> queue;
    ZELSimTime now;
    std::uint64_t sequence = 0;
    ZELRandomStream stream = ZELRandomStream::Philox(42, 1);

    void schedule() {
        queue.push(Event{now + increment(stream), 0, sequence++, [this] { schedule(); }});
    }
    void step() {
        Event next = std::move(const_cast<Event&>(queue.top()));
        queue.pop();
        now = next.time;
        next.action();
    }
};

void BM_PriorityQueue_Hold(benchmark::State& state) {
    PlainHold model;
    for (std::int64_t i = 0; i < state.range(0); ++i) model.schedule();
    for (auto _ : state) model.step();
    state.SetItemsProcessed(state.iterations());
}

long residentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct CancellingHold {
    ZELScheduler scheduler;
    ZELRandomStream stream = ZELRandomStream::Philox(42, 2);
    ZELEventHandle decoy;
    void schedule() {
        scheduler.after(increment(stream), [this] { schedule(); });
        scheduler.cancel(decoy);
        decoy = scheduler.after(ZELSimTime(1e9), [] {});
    }
};

void BM_Scheduler_HoldHalfCancelled(benchmark::State& state) {
    CancellingHold model;
    for (std::int64_t i = 0; i < state.range(0); ++i) model.schedule();
    for (int i = 0; i < 100000; ++i) model.scheduler.step();
    const long before = residentKiB();
    for (auto _ : state) model.scheduler.step();
    state.SetItemsProcessed(state.iterations());
    state.counters["rss_growth_KiB"] = static_cast<double>(residentKiB() - before);
    state.counters["pending"] = static_cast<double>(model.scheduler.pending());
}

}  // namespace

BENCHMARK(BM_Scheduler_Hold)->RangeMultiplier(10)->Range(1000, 1000000);
BENCHMARK(BM_PriorityQueue_Hold)->RangeMultiplier(10)->Range(1000, 1000000);
BENCHMARK(BM_Scheduler_HoldHalfCancelled)->Arg(1000)->Iterations(10000000);

BENCHMARK_MAIN();
