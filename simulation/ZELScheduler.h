/// \class ZELScheduler
/// ZELScheduler: the clock of a discrete-event simulation and its future-event list.
///
/// Events are actions (ZELAction: any callable `void()`) due at an exact time (ZELSimTime).
/// The order is total and deterministic: by time, then by priority (a lower value runs first),
/// then by the order of scheduling (first scheduled, first run). An event that a running action
/// schedules for the current time therefore runs after the events already due at that time with
/// the same priority. The same program gives the same order on every build and every run.
///
/// - `at(time, action, priority)` schedules at an absolute time, `after(delay, ...)` at now() +
///   delay (saturating at the largest time). A time before now(), a negative delay or an empty
///   action throw ZELEDomainError and schedule nothing.
/// - `cancel(handle)` is true when the event was pending: it will not run, and its place in the
///   list is freed at once (a study that cancels most of its events keeps bounded memory). It is
///   false, and changes nothing, when the event already ran, is running, was cancelled, the
///   handle is empty or names another scheduler's event.
/// - `reschedule(handle, time, priority)` is, for a pending event, exactly cancel followed by a
///   new `at` of the same action under the same handle (it goes behind the events already due at
///   that time and priority), and true; otherwise false and nothing changes. A time before now()
///   throws ZELEDomainError (only for a pending event) and changes nothing.
/// - `step()` runs the next event: now() becomes its time, the event stops being pending, then
///   its action runs. It is false when nothing is pending. `run()` steps until nothing is pending
///   or an action called `stop()`; `runUntil(end)` runs every event due at or before `end` and
///   then sets now() to `end` (unless an action stopped the run: now() then stays at that
///   event's time); an end before now() throws ZELEDomainError. Both return the number of events
///   they ran. `stop()` ends the current run after the running action returns (a run starts
///   without a stop request).
/// - An action that throws: the exception leaves step/run/runUntil unchanged; the event is gone
///   (counted by executed()), now() is its time, and the scheduler stays usable.
/// - Actions may schedule, cancel and reschedule freely, including through their own handle
///   (no longer pending while the action runs). An action may also call step(), run() or
///   runUntil() itself: the events it runs so come in the same order, and now() follows them
///   (`stop()` ends the innermost run).
/// - `clear()` drops every pending event (their handles are no longer pending); now() and
///   executed() stay.
///
/// Cost: scheduling, cancelling and running are O(log n) in the number of pending events, with
/// no heap allocation once the list has grown to its working size (for actions of at most
/// ZELAction::InlineSize bytes).
///
/// A scheduler belongs to one thread (each replication makes its own); it has no locks. It is
/// neither copyable nor movable (resources and handles refer to it).
#ifndef ZELMATH_SIMULATION_ZELSCHEDULER_H
#define ZELMATH_SIMULATION_ZELSCHEDULER_H

/// \addtogroup simulation
/// @{

#include "ZELMathExport.h"
#include "ZELSimTimeMD.m/src/ZELSimTime.h"
#include "simulation/ZELAction.h"
#include "simulation/ZELEventHandle.h"
#include "simulation/internal/ZELEventQueue.h"

#include <cstddef>
#include <cstdint>

class ZELMATH_EXPORT ZELScheduler {
public:
    using Action = ZELAction;

    /// A scheduler whose now() is zero.
    ZELScheduler();
    /// A scheduler whose now() is `start`.
    explicit ZELScheduler(ZELSimTime start);
    ZELScheduler(const ZELScheduler&) = delete;
    ZELScheduler& operator=(const ZELScheduler&) = delete;
    ~ZELScheduler();

    /// The simulation time: the time of the event running or last run (or the start, or the end
    /// of the last runUntil).
    ZELSimTime now() const noexcept { return now_; }

    /// Schedules `action` at `time` (not before now()).
    ZELEventHandle at(ZELSimTime time, Action action, int priority = 0);
    /// Schedules `action` at now() + `delay` (not negative).
    ZELEventHandle after(ZELSimTime delay, Action action, int priority = 0);

    bool cancel(ZELEventHandle event) noexcept;
    bool reschedule(ZELEventHandle event, ZELSimTime time, int priority = 0);
    bool isPending(ZELEventHandle event) const noexcept;

    bool step();
    std::uint64_t run();
    std::uint64_t runUntil(ZELSimTime end);
    void stop() noexcept { stopRequested_ = true; }

    /// The number of pending events.
    std::size_t pending() const noexcept { return queue_.size(); }
    /// The time of the next event; ZELEDomainError when nothing is pending.
    ZELSimTime nextTime() const;
    /// The number of events run since construction (those whose action threw included).
    std::uint64_t executed() const noexcept { return executed_; }
    void clear() noexcept;

private:
    bool owns(const ZELEventHandle& event) const noexcept {
        return event.owner_ == id_ && queue_.valid(event.slot_, event.generation_);
    }
    ZELEventHandle schedule(ZELSimTime time, Action& action, int priority);
    void runNext();

    zel_internal::EventQueue queue_;
    ZELSimTime now_;
    std::uint64_t executed_ = 0;
    std::uint64_t sequence_ = 0;
    std::uint32_t id_;
    bool stopRequested_ = false;
};

/// @}

#endif
