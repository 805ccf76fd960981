// The native core of `zelmath.simulation`: events, timeouts and processes as plain CPython types,
// and the environment whose event loop runs in C++ and resumes the processes' generators
// through the C API. Conditions, resources and the statistics monitor are written in Python on
// top of these types (python/zelmath/simulation.py).
#ifndef ZELMATH_PYTHON_BIND_PROCESSES_H
#define ZELMATH_PYTHON_BIND_PROCESSES_H

#include "zelmath_bindings.h"

#include <cstdint>
#include <vector>

namespace zelmath_python {
namespace processes {

struct EnvironmentObject;

/// An event: pending while `value` is null; triggered once it holds its value (or the exception
/// of a failed event); processed once its callbacks ran. `env` is null only in an object that
/// was never initialised. The callbacks are `waiter` alone (most events have one, a process)
/// until a second one comes or Python asks for the list; then they are the list `callbacks`.
struct EventObject {
    PyObject_HEAD EnvironmentObject* env;
    PyObject* callbacks;
    PyObject* waiter;
    PyObject* value;
    bool ok;
    bool defused;
    bool processed;
    unsigned char kind;  // which of the structs below this is (set with `env`)
};

enum EventKind : unsigned char { kPlainEvent, kTimeoutEvent, kProcessEvent, kInterruptionEvent };

/// True when `o` is an event (of a native type or a Python subclass).
inline bool isEvent(PyObject* o);

/// Adds a callback to an unprocessed event; -1 with an error set when memory runs out.
int addCallback(EventObject* e, PyObject* callback);
/// The callbacks of an unprocessed event as its list (made on first use); a borrowed reference.
PyObject* callbackList(EventObject* e);
/// Takes `callback` off an unprocessed event (its last occurrence); false when it was not there.
bool removeCallback(EventObject* e, PyObject* callback);

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

/// The scheduler of an environment and the events it holds. An action on the scheduler names
/// its event by a slot of `events` (a strong reference), so that the garbage collector can see
/// every scheduled event; freed slots are reused.
struct Core {
    explicit Core(ZELSimTime start) : scheduler(start) {}
    ZELScheduler scheduler;
    std::vector<EventObject*> events;
    std::vector<std::uint32_t> freeSlots;
    int status = 0;                  // of the event being processed, as stepOnce returns it
    EventObject* stopped = nullptr;  // the event whose stop marker ran
    bool stepping = false;
};

struct EnvironmentObject {
    PyObject_HEAD Core* core;  // null only before initialisation
    PyObject* active;          // the process being resumed, or null
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

/// Runs the callbacks of `event`, now due (a borrowed reference). 1: done; 2: the stop marker
/// ran (`env->core->stopped` gets a new reference to the event); -1: error set.
int processEvent(EnvironmentObject* env, EventObject* event);

/// The one optional argument `name` of `method` (positional or by keyword) into `out`, which
/// keeps its default when it is not given; false with TypeError set for anything else.
bool optionalArgument(PyObject* const* args, Py_ssize_t nargs, PyObject* kw, const char* method,
                      const char* name, PyObject*& out);

/// An exclusive copy of a failure for raising: type(e)(*e.args) with e as its cause (e itself
/// when it cannot be copied). A new reference; null with RuntimeError set when `e` is null.
PyObject* copiedFailure(PyObject* e);

inline bool isEvent(PyObject* o) {
    return Py_TYPE(o) == gTimeoutType || Py_TYPE(o) == gEventType ||
        PyObject_TypeCheck(o, gEventType);
}

void addEventTypes(PyObject* module);
void addProcessTypes(PyObject* module);

// Shared by the event and process types.
inline EventObject* asEvent(PyObject* o) { return reinterpret_cast<EventObject*>(o); }
inline ProcessObject* asProcess(PyObject* o) { return reinterpret_cast<ProcessObject*>(o); }
inline PyObject* asObject(void* o) { return reinterpret_cast<PyObject*>(o); }
template <class F>
void* slot(F f) {
    return reinterpret_cast<void*>(f);
}
/// False with TypeError set for an event made with T.__new__(T) and never initialised.
bool ready(PyObject* self);
/// The Python class registered under `name` by simulation.py (borrowed), or null with an error.
PyObject* hook(const char* name);
bool initEvent(EventObject* e, EnvironmentObject* env);
bool environmentArgument(PyObject* env, const char* what);
bool notYetInitialised(PyObject* self);
PyObject* describe(PyObject* self, const char* detail);
int eventTraverse(PyObject* self, visitproc visit, void* arg);
int eventClear(PyObject* self);
/// A heap type of zelmath.simulation from `typeSpec`, added to `module` as `name`.
PyTypeObject* makeType(PyObject* module, PyType_Spec* typeSpec, PyTypeObject* base,
                       const char* name);
void addEnvironmentType(PyObject* module);

}  // namespace processes

}  // namespace zelmath_python

#endif
