// Scheduler, EventHandle, Tally, TimeWeighted, Resource and RequestHandle: event scheduling on
// the exact clock from Python. Actions are Python callables, run with the GIL held (they are
// Python code); an exception an action raises leaves step/run/run_until as it is and the
// scheduler stays usable. A run checks for signals after every event, so Ctrl-C stops it at
// once even when the actions are built-in functions that never run the interpreter's loop.
#include "zelmath_bindings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

namespace zelmath_python {

namespace {

// The Python callables an object's pending actions hold, with their counts: the garbage
// collector visits them through the Scheduler, so that a model whose actions refer back to its
// scheduler or resources (the usual case) is collected like any other cycle.
using Held = std::unordered_map<PyObject*, std::size_t>;

// A Python callable as an action: one owned reference, recorded in `held`; small enough to be
// stored inline. Created, called, moved and destroyed only with the GIL held (every binding here
// holds it).
class PyAction {
public:
    PyAction(py::handle callable, Held& held) : callable_(callable.inc_ref().ptr()), held_(&held) {
        ++held[callable_];
    }
    PyAction(PyAction&& other) noexcept
        : callable_(std::exchange(other.callable_, nullptr)), held_(other.held_) {}
    PyAction(const PyAction&) = delete;
    PyAction& operator=(const PyAction&) = delete;
    PyAction& operator=(PyAction&&) = delete;
    ~PyAction() {
        if (callable_ == nullptr) return;
        const Held::iterator it = held_->find(callable_);
        if (it != held_->end() && --it->second == 0) held_->erase(it);
        Py_DECREF(callable_);
    }

    void operator()() {
        PyObject* result = PyObject_CallObject(callable_, nullptr);
        if (result == nullptr) throw py::error_already_set();
        Py_DECREF(result);
    }

private:
    PyObject* callable_;
    Held* held_;
};

ZELAction actionOf(py::handle callable, Held& held, const char* what) {
    if (!PyCallable_Check(callable.ptr()))
        throw py::type_error(std::string(what) + ": the action must be callable, not " +
                             std::string(py::str(py::type::handle_of(callable).attr("__name__"))));
    return ZELAction(PyAction(callable, held));
}

// The scheduler with the stop request of the Python runs (which step event by event, to check
// for signals in between).
struct Scheduler {
    Held held;  // declared first: destroyed after the actions that refer to it
    ZELScheduler scheduler;
    bool stopRequested = false;

    explicit Scheduler(ZELSimTime start) : scheduler(start) {}

    void checkSignals() {
        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    }
    std::uint64_t run() {
        stopRequested = false;
        std::uint64_t count = 0;
        while (!stopRequested && scheduler.step()) {
            ++count;
            checkSignals();
        }
        stopRequested = false;
        return count;
    }
    std::uint64_t runUntil(ZELSimTime end) {
        if (end < scheduler.now()) scheduler.runUntil(end);  // raises DomainError
        stopRequested = false;
        std::uint64_t count = 0;
        while (!stopRequested && scheduler.pending() != 0 && !(end < scheduler.nextTime())) {
            scheduler.step();
            ++count;
            checkSignals();
        }
        if (!stopRequested) scheduler.runUntil(end);  // nothing left to run: the clock moves on
        stopRequested = false;
        return count;
    }
};

// A resource and its scheduler: a reference the garbage collector sees (keep_alive's would
// hide the cycle a model makes), and the record its waiting actions join.
struct Resource {
    Resource(py::object s, int capacity)
        : scheduler(std::move(s)),
          owner(&scheduler.cast<Scheduler&>()),
          resource(owner->scheduler, capacity) {}
    py::object scheduler;  // declared first: released after the resource
    Scheduler* owner;
    ZELResource resource;
};

// Whether the Scheduler of the instance exists (not yet, or no more, while its type's slots
// may already be called).
bool constructed(PyObject* self) {
    return reinterpret_cast<py::detail::instance*>(self)
        ->get_value_and_holder()
        .holder_constructed();
}

int traverse(PyObject* self, visitproc visit, void* arg) {
#if PY_VERSION_HEX >= 0x03090000
    Py_VISIT(Py_TYPE(self));
#endif
    if (!constructed(self)) return 0;
    const Scheduler& s = py::cast<const Scheduler&>(py::handle(self));
    for (const auto& [callable, count] : s.held)
        for (std::size_t k = 0; k < count; ++k) Py_VISIT(callable);
    return 0;
}

int traverseResource(PyObject* self, visitproc visit, void* arg) {
#if PY_VERSION_HEX >= 0x03090000
    Py_VISIT(Py_TYPE(self));
#endif
    if (constructed(self)) Py_VISIT(py::cast<const Resource&>(py::handle(self)).scheduler.ptr());
    return 0;
}

int clear(PyObject* self) {
    if (constructed(self)) py::cast<Scheduler&>(py::handle(self)).scheduler.clear();
    return 0;
}

}  // namespace

void bindScheduler(py::module_& m) {
    py::class_<ZELEventHandle>(
        m, "EventHandle",
        "Names one event of one Scheduler (for cancel, reschedule and is_pending). An "
        "EventHandle() names no event.")
        .def(py::init<>())
        .def_property_readonly("empty", &ZELEventHandle::empty, "Whether it names no event.")
        .def(py::self == py::self)
        .def(py::self != py::self)
        .def("__hash__", [](const ZELEventHandle& h) {
            return py::hash(py::bytes(reinterpret_cast<const char*>(&h), sizeof h));
        });

    py::class_<Scheduler>(
        m, "Scheduler", py::custom_type_setup([](PyHeapTypeObject* heapType) {
            PyTypeObject* type = &heapType->ht_type;
            type->tp_flags |= Py_TPFLAGS_HAVE_GC;
            type->tp_traverse = &traverse;
            type->tp_clear = &clear;
        }),
        "Scheduler(start=0)\n\nThe clock of a discrete-event simulation and its future-event "
        "list. Events run by time, then priority (lower first), then the order of scheduling. "
        "Times are SimTime or float seconds (rounded to the nearest nanosecond; ValueError for "
        "NaN and infinities).")
        .def(py::init([](py::handle start) {
                 return new Scheduler(simTimeArgument(start, "Scheduler(start)"));
             }),
             py::arg("start") = 0)
        .def_property_readonly(
            "now", [](const Scheduler& s) { return simTimeObject(s.scheduler.now()); },
            "The simulation time (a SimTime).")
        .def(
            "at",
            [](Scheduler& s, py::handle time, py::handle action, int priority) {
                ZELAction a = actionOf(action, s.held, "Scheduler.at");
                return s.scheduler.at(simTimeArgument(time, "Scheduler.at"), std::move(a),
                                      priority);
            },
            py::arg("time"), py::arg("action"), py::arg("priority") = 0,
            "Schedules action() at time (not before now: DomainError).")
        .def(
            "after",
            [](Scheduler& s, py::handle delay, py::handle action, int priority) {
                ZELAction a = actionOf(action, s.held, "Scheduler.after");
                return s.scheduler.after(simTimeArgument(delay, "Scheduler.after"), std::move(a),
                                         priority);
            },
            py::arg("delay"), py::arg("action"), py::arg("priority") = 0,
            "Schedules action() at now + delay (a negative delay: DomainError).")
        .def(
            "cancel", [](Scheduler& s, const ZELEventHandle& h) { return s.scheduler.cancel(h); },
            py::arg("event"), "True when the event was pending (it will not run).")
        .def(
            "reschedule",
            [](Scheduler& s, const ZELEventHandle& h, py::handle time, int priority) {
                return s.scheduler.reschedule(h, simTimeArgument(time, "Scheduler.reschedule"),
                                              priority);
            },
            py::arg("event"), py::arg("time"), py::arg("priority") = 0,
            "Moves a pending event to time (behind the events already there) and returns True; "
            "False, and nothing changes, for an event that ran, runs or was cancelled.")
        .def(
            "is_pending",
            [](const Scheduler& s, const ZELEventHandle& h) { return s.scheduler.isPending(h); },
            py::arg("event"))
        .def(
            "step",
            [](Scheduler& s) {
                const bool ran = s.scheduler.step();
                s.checkSignals();
                return ran;
            },
            "Runs the next event; False when none is pending.")
        .def("run", &Scheduler::run,
             "Runs events until none is pending or an action calls stop(); returns how many ran.")
        .def(
            "run_until",
            [](Scheduler& s, py::handle end) {
                return s.runUntil(simTimeArgument(end, "Scheduler.run_until"));
            },
            py::arg("end"),
            "Runs every event due at or before end, then sets now to end (an end before now: "
            "DomainError); returns how many ran.")
        .def(
            "stop",
            [](Scheduler& s) {
                s.stopRequested = true;
                s.scheduler.stop();
            },
            "Ends the current run after the running action.")
        .def_property_readonly(
            "pending", [](const Scheduler& s) { return s.scheduler.pending(); },
            "The number of pending events.")
        .def_property_readonly(
            "executed", [](const Scheduler& s) { return s.scheduler.executed(); },
            "The number of events run so far.")
        .def(
            "next_time", [](const Scheduler& s) { return simTimeObject(s.scheduler.nextTime()); },
            "The time of the next event (DomainError when none is pending).")
        .def(
            "clear", [](Scheduler& s) { s.scheduler.clear(); }, "Drops every pending event.");

    py::class_<ZELTally>(m, "Tally",
                         "Statistics of observations: count, mean, sample variance, extremes and "
                         "the Student t half-width; NaN observations are only counted.")
        .def(py::init<>())
        .def("add", &ZELTally::add, py::arg("x"))
        .def("reset", &ZELTally::reset)
        .def_property_readonly("count", &ZELTally::count)
        .def_property_readonly("nan_count", &ZELTally::nanCount)
        .def_property_readonly("mean", &ZELTally::mean)
        .def_property_readonly("variance", &ZELTally::variance)
        .def_property_readonly("std_dev", &ZELTally::stdDev)
        .def_property_readonly("min", &ZELTally::min)
        .def_property_readonly("max", &ZELTally::max)
        .def("half_width", &ZELTally::halfWidth, py::arg("level") = 0.95,
             "t(n - 1, (1 + level) / 2) * std_dev / sqrt(n) (DomainError for a level outside "
             "(0, 1)).");

    py::class_<ZELTimeWeighted>(
        m, "TimeWeighted",
        "TimeWeighted(start=0, initial=0.0)\n\nA time-persistent value and its time-weighted "
        "mean, accumulated exactly in nanoseconds.")
        .def(py::init([](py::handle start, double initial) {
                 return ZELTimeWeighted(simTimeArgument(start, "TimeWeighted(start)"),
                                        finiteOr(initial, "TimeWeighted initial value"));
             }),
             py::arg("start") = 0, py::arg("initial") = 0.0)
        .def(
            "set",
            [](ZELTimeWeighted& w, py::handle t, double value) {
                w.set(simTimeArgument(t, "TimeWeighted.set"),
                      finiteOr(value, "TimeWeighted value"));
            },
            py::arg("t"), py::arg("value"))
        .def(
            "mean",
            [](const ZELTimeWeighted& w, py::handle until) {
                return w.mean(simTimeArgument(until, "TimeWeighted.mean"));
            },
            py::arg("until"))
        .def(
            "reset",
            [](ZELTimeWeighted& w, py::handle t) {
                w.reset(simTimeArgument(t, "TimeWeighted.reset"));
            },
            py::arg("t"))
        .def_property_readonly("current", &ZELTimeWeighted::current)
        .def_property_readonly("min", &ZELTimeWeighted::min)
        .def_property_readonly("max", &ZELTimeWeighted::max)
        .def_property_readonly("start",
                               [](const ZELTimeWeighted& w) { return simTimeObject(w.start()); });

    py::class_<ZELRequestHandle>(m, "RequestHandle",
                                 "Names one request of one Resource (for withdraw and is_queued).")
        .def(py::init<>())
        .def_property_readonly("empty", &ZELRequestHandle::empty)
        .def(py::self == py::self)
        .def(py::self != py::self);

    py::class_<Resource>(
        m, "Resource", py::custom_type_setup([](PyHeapTypeObject* heapType) {
            PyTypeObject* type = &heapType->ht_type;
            type->tp_flags |= Py_TPFLAGS_HAVE_GC;
            type->tp_traverse = &traverseResource;
            type->tp_clear = [](PyObject*) { return 0; };  // the functions' cells break cycles
        }),
        "Resource(scheduler, capacity)\n\nIdentical servers on a scheduler: requests are granted "
        "at once when a unit is free (the action runs as an event at now), otherwise queued by "
        "priority, then first come, first served.")
        .def(py::init([](const py::object& s, int capacity) {
                 if (!py::isinstance<Scheduler>(s))
                     throw py::type_error("Resource: scheduler must be a Scheduler");
                 return new Resource(s, capacity);
             }),
             py::arg("scheduler"), py::arg("capacity"))
        .def(
            "request",
            [](Resource& r, py::handle action, int priority) {
                ZELAction a = actionOf(action, r.owner->held, "Resource.request");
                return r.resource.request(std::move(a), priority);
            },
            py::arg("on_granted"), py::arg("priority") = 0)
        .def(
            "release", [](Resource& r) { r.resource.release(); },
            "Frees a unit (DomainError when none is in use).")
        .def(
            "withdraw",
            [](Resource& r, const ZELRequestHandle& h) { return r.resource.withdraw(h); },
            py::arg("request"),
            "Takes a waiting request back: True; False for a granted or withdrawn one.")
        .def(
            "is_queued",
            [](const Resource& r, const ZELRequestHandle& h) { return r.resource.isQueued(h); },
            py::arg("request"))
        .def_property_readonly("capacity", [](const Resource& r) { return r.resource.capacity(); })
        .def_property_readonly("in_use", [](const Resource& r) { return r.resource.inUse(); })
        .def_property_readonly("queue_length",
                               [](const Resource& r) { return r.resource.queueLength(); })
        .def(
            "utilisation",
            [](const Resource& r, py::handle until) {
                return r.resource.utilisation(simTimeArgument(until, "Resource.utilisation"));
            },
            py::arg("until"))
        .def(
            "mean_queue_length",
            [](const Resource& r, py::handle until) {
                return r.resource.meanQueueLength(
                    simTimeArgument(until, "Resource.mean_queue_length"));
            },
            py::arg("until"))
        .def_property_readonly(
            "waiting_times", [](const Resource& r) { return r.resource.waitingTimes(); },
            "The waiting times in seconds (a copy of the Tally).")
        .def("reset_statistics", [](Resource& r) { r.resource.resetStatistics(); });
}

}  // namespace zelmath_python
