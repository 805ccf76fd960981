// The native core of `zelmath.simulation`: events, timeouts and processes as plain CPython types,
// and the environment whose event loop runs in C++ and resumes the processes' generators
// through the C API. Conditions, resources and the statistics monitor are written in Python on
// top of these types (python/zelmath/simulation.py).
#ifndef ZELMATH_PYTHON_BIND_PROCESSES_H
#define ZELMATH_PYTHON_BIND_PROCESSES_H

#include "zelmath_bindings.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zelmath_python {
namespace processes {

struct EnvironmentObject;

/// An event: pending while `value` is null; triggered once it holds its value (or the exception
/// of a failed event); processed once its callbacks ran (`callbacks` null). `env` is null only
/// in an object that was never initialised.
struct EventObject {
    PyObject_HEAD EnvironmentObject* env;
    PyObject* callbacks;
    PyObject* value;
    bool ok;
    bool defused;
};

struct TimeoutObject {
    EventObject event;
    PyObject* delay;
};

struct ProcessObject {
    EventObject event;
    PyObject* generator;
    PyObject* target;  // the event the process waits for
};

struct InterruptionObject {
    EventObject event;
    ProcessObject* process;
};

/// One entry of the future-event list: SimPy's order is (time, priority, scheduling order).
struct Entry {
    ZELSimTime time;
    int priority;
    std::uint64_t order;
    EventObject* event;  // a strong reference
};

/// The heap's order: true when `a` runs after `b`.
struct Later {
    bool operator()(const Entry& a, const Entry& b) const {
        if (a.time != b.time) return b.time < a.time;
        if (a.priority != b.priority) return b.priority < a.priority;
        return b.order < a.order;
    }
};

struct EnvironmentObject {
    PyObject_HEAD ZELSimTime now;
    std::vector<Entry>* queue;  // a binary min-heap; null only before initialisation
    std::uint64_t scheduled;
    PyObject* active;  // the process being resumed, or null
};

constexpr int kUrgent = 0;
constexpr int kNormal = 1;

extern PyTypeObject* gEventType;
extern PyTypeObject* gTimeoutType;
extern PyTypeObject* gProcessType;
extern PyTypeObject* gInterruptionType;
extern PyTypeObject* gEnvironmentType;
extern PyObject* gPending;        // the value of an untriggered event, as `_value` shows it
extern PyObject* gStopMarker;     // the callback run(until=...) attaches to its event
extern PyObject* gEmptySchedule;  // raised by step() when nothing is scheduled
extern PyObject* gHooks;          // dict set from Python: AllOf, AnyOf, Interrupt

/// Puts `event` on the list at now + delay (a strong reference is taken). -1 with an error set
/// when the environment is not initialised.
int schedule(EnvironmentObject* env, EventObject* event, int priority, const ZELSimTime& delay);

/// A delay from Python: float or int seconds (rounded to the nearest ns) or a SimTime. NaN,
/// infinities and negative values raise ValueError; anything else TypeError. 0 on success.
int delayFrom(PyObject* o, ZELSimTime& out);

/// A fresh initialised event of `type` (which must be gEventType or a subtype).
EventObject* newEvent(PyTypeObject* type, EnvironmentObject* env);

/// Runs the callbacks of the next event. 1: one event processed; 0: nothing scheduled; 2: the
/// stop marker ran (`*stopped` gets a new reference to that event); -1: error set.
int stepOnce(EnvironmentObject* env, EventObject** stopped);

/// An exclusive copy of a failure for raising: type(e)(*e.args) with e as its cause (e itself
/// when it cannot be copied). A new reference.
PyObject* copiedFailure(PyObject* e);

void addEventTypes(PyObject* module);
void addEnvironmentType(PyObject* module);

}  // namespace processes

}  // namespace zelmath_python

#endif
