// The environment of `zelmath.simulation`: the clock (exact, a ZELSimTime) and the future-event
// list in SimPy's order (time, then URGENT before NORMAL, then scheduling order), with the event
// loop of run() in C++. Python adds all_of, any_of and monitor in a subclass (simulation.py).
#include "bind_processes.h"

#include <cmath>
#include <limits>
#include <string>

namespace zelmath_python {
namespace processes {

PyTypeObject* gEnvironmentType = nullptr;
PyObject* gEmptySchedule = nullptr;

namespace {

// Ctrl-C is looked at after this many events (a few microseconds each).
constexpr unsigned kSignalInterval = 1024;

EnvironmentObject* asEnv(PyObject* o) { return reinterpret_cast<EnvironmentObject*>(o); }

bool envReady(PyObject* self) {
    if (asEnv(self)->core != nullptr) return true;
    PyErr_SetString(PyExc_TypeError,
                    "Environment object is not initialised (call Environment() to create one)");
    return false;
}

// Seconds from a Python number; false with ValueError/TypeError set.
bool secondsFrom(PyObject* o, const char* what, ZELSimTime& out) {
    if (simTimeValue(o, out)) return true;
    if (PyBool_Check(o) || !(PyFloat_Check(o) || PyIndex_Check(o) || PyNumber_Check(o))) {
        PyErr_Format(PyExc_TypeError, "%s: expected a float, an int or a SimTime, got %s", what,
                     Py_TYPE(o)->tp_name);
        return false;
    }
    const double s = PyFloat_AsDouble(o);
    if (s == -1.0 && PyErr_Occurred()) return false;
    if (!std::isfinite(s)) {
        PyErr_Format(PyExc_ValueError, "%s must be finite, got %R", what, o);
        return false;
    }
    out = ZELSimTime(s);
    return true;
}

}  // namespace

int delayFrom(PyObject* o, ZELSimTime& out) {
    if (PyFloat_CheckExact(o)) {
        const double s = PyFloat_AS_DOUBLE(o);
        if (!(s >= 0.0) || s == std::numeric_limits<double>::infinity()) {
            PyErr_Format(PyExc_ValueError,
                         s < 0.0 ? "Negative delay %R" : "delay must be finite, got %R", o);
            return -1;
        }
        out = ZELSimTime(s);
        return 0;
    }
    if (!secondsFrom(o, "delay", out)) return -1;
    if (out < ZELSimTime()) {
        PyErr_Format(PyExc_ValueError, "Negative delay %R", o);
        return -1;
    }
    return 0;
}

namespace {

// The scheduler's action for the event in `slot`: the slot is freed, then the event processed.
void fire(EnvironmentObject* env, std::uint32_t slot) {
    Core& core = *env->core;
    EventObject* event = core.events[slot];
    core.events[slot] = nullptr;
    core.freeSlots.push_back(slot);
    core.status = processEvent(env, event);
    Py_DECREF(asObject(event));
}

}  // namespace

int schedule(EnvironmentObject* env, EventObject* event, int priority, const ZELSimTime& delay) {
    if (env == nullptr || env->core == nullptr) {
        PyErr_SetString(PyExc_TypeError, "the event's environment is not initialised");
        return -1;
    }
    Core& core = *env->core;
    try {
        std::uint32_t slot;
        if (core.freeSlots.empty()) {
            slot = static_cast<std::uint32_t>(core.events.size());
            core.events.push_back(nullptr);
        } else {
            slot = core.freeSlots.back();
            core.freeSlots.pop_back();
        }
        core.scheduler.after(
            delay, [env, slot] { fire(env, slot); }, priority);
        Py_INCREF(asObject(event));
        core.events[slot] = event;
    } catch (const std::exception& e) {
        PyErr_Format(PyExc_MemoryError, "scheduling an event failed: %s", e.what());
        return -1;
    }
    return 0;
}

namespace {

int stepOnce(EnvironmentObject* env) {
    Core& core = *env->core;
    if (core.scheduler.pending() == 0) return 0;
    if (core.stepping) {
        PyErr_SetString(PyExc_RuntimeError,
                        "step() or run() called from a callback while the environment runs");
        return -1;
    }
    core.stepping = true;
    core.status = -1;
    core.scheduler.step();  // the action never throws: its outcome is in core.status
    core.stepping = false;
    return core.status;
}

int envTraverse(PyObject* self, visitproc visit, void* arg) {
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(asEnv(self)->active);
    if (asEnv(self)->core != nullptr) {
        for (EventObject* e : asEnv(self)->core->events) Py_VISIT(asObject(e));
        Py_VISIT(asObject(asEnv(self)->core->stopped));
    }
    return 0;
}

int envClear(PyObject* self) {
    EnvironmentObject* env = asEnv(self);
    Py_CLEAR(env->active);
    if (env->core != nullptr) {
        Core& core = *env->core;
        core.scheduler.clear();
        std::vector<EventObject*> events;
        events.swap(core.events);
        core.freeSlots.clear();
        for (EventObject* e : events) Py_XDECREF(asObject(e));
        EventObject* stopped = core.stopped;
        core.stopped = nullptr;
        Py_XDECREF(asObject(stopped));
    }
    return 0;
}

void envDealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    PyObject_GC_UnTrack(self);
    envClear(self);
    delete asEnv(self)->core;
    asEnv(self)->core = nullptr;
    type->tp_free(self);
    Py_DECREF(type);
}

int envInit(PyObject* self, PyObject* args, PyObject* kwargs) {
    static const char* names[] = {"initial_time", nullptr};
    PyObject* initial = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:Environment", const_cast<char**>(names),
                                     &initial))
        return -1;
    if (asEnv(self)->core != nullptr) {
        PyErr_SetString(PyExc_TypeError, "Environment object is already initialised");
        return -1;
    }
    ZELSimTime start;
    if (initial != nullptr && !secondsFrom(initial, "initial_time", start)) return -1;
    asEnv(self)->core = new Core(start);
    return 0;
}

PyObject* nowGetter(PyObject* self, void*) {
    if (!envReady(self)) return nullptr;
    return PyFloat_FromDouble(asEnv(self)->core->scheduler.now().seconds());
}

PyObject* nowTimeGetter(PyObject* self, void*) {
    if (!envReady(self)) return nullptr;
    return newSimTimeReference(asEnv(self)->core->scheduler.now());
}

PyObject* activeGetter(PyObject* self, void*) {
    if (!envReady(self)) return nullptr;
    PyObject* p = asEnv(self)->active != nullptr ? asEnv(self)->active : Py_None;
    Py_INCREF(p);
    return p;
}

PyObject* processMethod(PyObject* self, PyObject* generator) {
    if (!envReady(self)) return nullptr;
    return PyObject_CallFunctionObjArgs(asObject(gProcessType), self, generator, nullptr);
}

PyObject* eventMethod(PyObject* self, PyObject*) {
    if (!envReady(self)) return nullptr;
    return asObject(newEvent(gEventType, asEnv(self)));
}

// timeout(delay, value=None): the hot path of most models, without argument parsing.
PyObject* timeoutMethod(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kw) {
    if (!envReady(self)) return nullptr;
    PyObject* delay = nargs > 0 ? args[0] : nullptr;
    PyObject* value = nargs > 1 ? args[1] : Py_None;
    const Py_ssize_t nkw = kw != nullptr ? PyTuple_GET_SIZE(kw) : 0;
    bool bad = nargs > 2;
    for (Py_ssize_t k = 0; k < nkw && !bad; ++k) {
        PyObject* name = PyTuple_GET_ITEM(kw, k);
        if (PyUnicode_CompareWithASCIIString(name, "delay") == 0 && delay == nullptr)
            delay = args[nargs + k];
        else if (PyUnicode_CompareWithASCIIString(name, "value") == 0 && nargs < 2)
            value = args[nargs + k];
        else
            bad = true;
    }
    if (bad || delay == nullptr) {
        PyErr_SetString(PyExc_TypeError, "timeout() takes a delay and an optional value");
        return nullptr;
    }
    ZELSimTime d;
    if (delayFrom(delay, d) < 0) return nullptr;
    EventObject* e = newEvent(gTimeoutType, asEnv(self));
    if (e == nullptr) return nullptr;
    Py_INCREF(delay);
    reinterpret_cast<TimeoutObject*>(e)->delay = delay;
    Py_INCREF(value);
    e->value = value;
    e->ok = true;
    if (schedule(asEnv(self), e, kNormal, d) < 0) {
        Py_DECREF(asObject(e));
        return nullptr;
    }
    return asObject(e);
}

PyObject* scheduleMethod(PyObject* self, PyObject* args, PyObject* kwargs) {
    static const char* names[] = {"event", "priority", "delay", nullptr};
    PyObject* event = nullptr;
    int priority = kNormal;
    PyObject* delay = nullptr;
    if (!envReady(self) ||
        !PyArg_ParseTupleAndKeywords(args, kwargs, "O|iO:schedule", const_cast<char**>(names),
                                     &event, &priority, &delay))
        return nullptr;
    if (!PyObject_TypeCheck(event, gEventType) ||
        reinterpret_cast<EventObject*>(event)->env == nullptr) {
        PyErr_Format(PyExc_TypeError, "schedule(): expected an initialised Event, got %s",
                     Py_TYPE(event)->tp_name);
        return nullptr;
    }
    ZELSimTime d;
    if (delay != nullptr && delayFrom(delay, d) < 0) return nullptr;
    if (schedule(asEnv(self), reinterpret_cast<EventObject*>(event), priority, d) < 0)
        return nullptr;
    Py_RETURN_NONE;
}

PyObject* peekMethod(PyObject* self, PyObject*) {
    if (!envReady(self)) return nullptr;
    const ZELScheduler& s = asEnv(self)->core->scheduler;
    return PyFloat_FromDouble(s.pending() == 0 ? std::numeric_limits<double>::infinity()
                                               : s.nextTime().seconds());
}

PyObject* peekTimeMethod(PyObject* self, PyObject*) {
    if (!envReady(self)) return nullptr;
    const ZELScheduler& s = asEnv(self)->core->scheduler;
    if (s.pending() == 0) Py_RETURN_NONE;
    return newSimTimeReference(s.nextTime());
}

// The outcome of the event that stopped a run: its value, or its exception raised.
PyObject* stopValue(EnvironmentObject* env) {
    EventObject* stopped = env->core->stopped;
    env->core->stopped = nullptr;
    PyObject* v = stopped->value;
    Py_INCREF(v);
    const bool ok = stopped->ok;
    Py_DECREF(asObject(stopped));
    if (ok) return v;
    PyErr_SetObject(asObject(Py_TYPE(v)), v);
    Py_DECREF(v);
    return nullptr;
}

PyObject* stepMethod(PyObject* self, PyObject*) {
    if (!envReady(self)) return nullptr;
    const int r = stepOnce(asEnv(self));
    if (r == 0) {
        PyErr_SetNone(gEmptySchedule);
        return nullptr;
    }
    if (r == 2) return stopValue(asEnv(self));
    if (r < 0) return nullptr;
    Py_RETURN_NONE;
}

// Takes the stop marker off a run's event again (a run left by an error or Ctrl-C).
void detachMarker(EventObject* until) {
    if (until != nullptr && !until->processed) removeCallback(until, gStopMarker);
}

PyObject* runMethod(PyObject* self, PyObject* args, PyObject* kwargs) {
    static const char* names[] = {"until", nullptr};
    PyObject* until = Py_None;
    if (!envReady(self) ||
        !PyArg_ParseTupleAndKeywords(args, kwargs, "|O:run", const_cast<char**>(names), &until))
        return nullptr;
    EnvironmentObject* env = asEnv(self);
    EventObject* event = nullptr;  // a strong reference while the run lasts
    if (PyObject_TypeCheck(until, gEventType)) {
        event = reinterpret_cast<EventObject*>(until);
        if (event->env == nullptr) {
            PyErr_SetString(PyExc_TypeError, "run(until): the event is not initialised");
            return nullptr;
        }
        if (event->env != env) {
            PyErr_SetString(PyExc_ValueError,
                            "run(until): the event belongs to another environment");
            return nullptr;
        }
        if (event->processed) {
            Py_INCREF(event->value);
            return event->value;
        }
        if (addCallback(event, gStopMarker) < 0) return nullptr;
        Py_INCREF(until);
    } else if (until != Py_None) {
        ZELSimTime at;
        if (!secondsFrom(until, "until", at)) return nullptr;
        if (at <= env->core->scheduler.now()) {
            PyErr_Format(PyExc_ValueError, "until(=%R) must be > the current simulation time.",
                         until);
            return nullptr;
        }
        event = newEvent(gEventType, env);
        if (event == nullptr) return nullptr;
        Py_INCREF(Py_None);
        event->value = Py_None;
        event->ok = true;
        if (addCallback(event, gStopMarker) < 0 ||
            schedule(env, event, kUrgent, at - env->core->scheduler.now()) < 0) {
            Py_DECREF(asObject(event));
            return nullptr;
        }
    }
    PyObject* result = nullptr;
    for (unsigned n = 1;; ++n) {
        if (n % kSignalInterval == 0 && PyErr_CheckSignals() < 0) break;
        const int r = stepOnce(env);
        if (r == 1) continue;
        if (r == 2) {
            result = stopValue(env);
        } else if (r == 0) {
            if (event == nullptr) {
                Py_INCREF(Py_None);
                result = Py_None;
            } else {
                PyErr_Format(PyExc_RuntimeError,
                             "No scheduled events left but \"until\" event was not triggered: %R",
                             until);
            }
        }
        break;
    }
    if (result == nullptr) detachMarker(event);
    Py_XDECREF(asObject(event));
    return result;
}

PyObject* registerHooks(PyObject*, PyObject* hooks) {
    if (!PyDict_Check(hooks)) {
        PyErr_SetString(PyExc_TypeError, "_register(hooks): expected a dict");
        return nullptr;
    }
    Py_INCREF(hooks);
    Py_XSETREF(gHooks, hooks);
    Py_RETURN_NONE;
}

PyObject* stopMarkerCall(PyObject*, PyObject*) { Py_RETURN_NONE; }

PyGetSetDef kProperties[] = {
    {"now", &nowGetter, nullptr, "The current time in float seconds.", nullptr},
    {"now_time", &nowTimeGetter, nullptr, "The current time, exact (a SimTime).", nullptr},
    {"active_process", &activeGetter, nullptr, "The process being run, or None.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr}};

template <class F>
PyCFunction method(F f) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(f));
}

PyMethodDef kMethods[] = {
    {"process", &processMethod, METH_O, "Starts a Process running `generator`; returns it."},
    {"timeout", method(&timeoutMethod), METH_FASTCALL | METH_KEYWORDS,
     "A Timeout: succeeds with `value` after `delay` (float seconds or a SimTime)."},
    {"event", &eventMethod, METH_NOARGS, "A new untriggered Event."},
    {"schedule", method(&scheduleMethod), METH_VARARGS | METH_KEYWORDS,
     "Puts `event` on the event list at now + delay with `priority` (URGENT or NORMAL)."},
    {"peek", &peekMethod, METH_NOARGS,
     "The time of the next event in float seconds (inf when nothing is scheduled)."},
    {"peek_time", &peekTimeMethod, METH_NOARGS,
     "The exact time of the next event (None when nothing is scheduled)."},
    {"step", &stepMethod, METH_NOARGS,
     "Processes the next event (EmptySchedule when nothing is scheduled)."},
    {"run", method(&runMethod), METH_VARARGS | METH_KEYWORDS,
     "Runs until nothing is scheduled, until the time `until` (events at that time do not run) "
     "or until the event `until` is processed (its value returned, its failure raised)."},
    {nullptr, nullptr, 0, nullptr}};

}  // namespace

void addEnvironmentType(PyObject* module) {
    static PyType_Slot slots[] = {
        {Py_tp_doc,
         const_cast<char*>("Environment(initial_time=0): the clock (exact to the nanosecond) and "
                           "the event list of a simulation.")},
        {Py_tp_new, slot(&PyType_GenericNew)},
        {Py_tp_init, slot(&envInit)},
        {Py_tp_dealloc, slot(&envDealloc)},
        {Py_tp_traverse, slot(&envTraverse)},
        {Py_tp_clear, slot(&envClear)},
        {Py_tp_getset, kProperties},
        {Py_tp_methods, kMethods},
        {0, nullptr}};
    static PyType_Spec typeSpec = {"zelmath.simulation.Environment", sizeof(EnvironmentObject), 0,
                                   Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC,
                                   slots};
    PyObject* type = PyType_FromSpec(&typeSpec);
    if (type == nullptr || PyModule_AddObjectRef(module, "Environment", type) < 0)
        throw py::error_already_set();
    gEnvironmentType = reinterpret_cast<PyTypeObject*>(type);
}

}  // namespace processes

void bindProcesses(py::module_& m) {
    using namespace processes;
    py::module_ sim = m.def_submodule("_simulation", "The native core of zelmath.simulation.");
    PyObject* module = sim.ptr();
    addEventTypes(module);
    addEnvironmentType(module);
    gEmptySchedule = PyErr_NewExceptionWithDoc(
        "zelmath.simulation.EmptySchedule", "step() found no event scheduled.", nullptr, nullptr);
    if (gEmptySchedule == nullptr ||
        PyModule_AddObjectRef(module, "EmptySchedule", gEmptySchedule) < 0)
        throw py::error_already_set();
    gPending = PyObject_CallNoArgs(asObject(&PyBaseObject_Type));
    static PyMethodDef stopDef = {"stop_simulation", &stopMarkerCall, METH_O,
                                  "Marks the event that ends a run."};
    gStopMarker = PyCFunction_New(&stopDef, nullptr);
    if (gPending == nullptr || gStopMarker == nullptr ||
        PyModule_AddObjectRef(module, "PENDING", gPending) < 0)
        throw py::error_already_set();
    static PyMethodDef registerDef = {"_register", &registerHooks, METH_O,
                                      "Sets the Python classes the native core creates."};
    sim.add_object("_register",
                   py::reinterpret_steal<py::object>(PyCFunction_New(&registerDef, nullptr)));
    sim.attr("URGENT") = kUrgent;
    sim.attr("NORMAL") = kNormal;
}

}  // namespace zelmath_python
