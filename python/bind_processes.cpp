// Events, timeouts and processes of `zelmath.simulation` as plain CPython types (see
// bind_processes.h). A process is its own callback: the event loop finds it in an event's
// callbacks and resumes its generator directly (PyIter_Send, or its throw() for a failure),
// without a bound method or a Python frame in between.
#include "bind_processes.h"

#include <structmember.h>

#include <cmath>
#include <cstring>
#include <string>

namespace zelmath_python {
namespace processes {

PyTypeObject* gEventType = nullptr;
PyTypeObject* gTimeoutType = nullptr;
PyTypeObject* gProcessType = nullptr;
PyTypeObject* gInterruptionType = nullptr;
PyObject* gPending = nullptr;
PyObject* gStopMarker = nullptr;
PyObject* gHooks = nullptr;

// Every method refuses an object made with T.__new__(T) and never initialised.
bool ready(PyObject* self) {
    if (asEvent(self)->env != nullptr) return true;
    PyErr_Format(PyExc_TypeError, "%s object is not initialised (call %s(env, ...) to create one)",
                 Py_TYPE(self)->tp_name, Py_TYPE(self)->tp_name);
    return false;
}

PyObject* hook(const char* name) {
    PyObject* h = gHooks != nullptr ? PyDict_GetItemString(gHooks, name) : nullptr;
    if (h == nullptr)
        PyErr_Format(PyExc_RuntimeError, "zelmath.simulation is not imported (%s missing)", name);
    return h;
}

// ---- Event ----------------------------------------------------------------------------------

int eventTraverse(PyObject* self, visitproc visit, void* arg) {
    EventObject* e = asEvent(self);
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(asObject(e->env));
    Py_VISIT(e->callbacks);
    Py_VISIT(e->waiter);
    Py_VISIT(e->value);
    if (e->kind == kTimeoutEvent) Py_VISIT(reinterpret_cast<TimeoutObject*>(self)->delay);
    if (e->kind == kProcessEvent) {
        Py_VISIT(asProcess(self)->generator);
        Py_VISIT(asProcess(self)->target);
    }
    if (e->kind == kInterruptionEvent)
        Py_VISIT(asObject(reinterpret_cast<InterruptionObject*>(self)->process));
    return 0;
}

int eventClear(PyObject* self) {
    EventObject* e = asEvent(self);
    if (e->kind == kTimeoutEvent) Py_CLEAR(reinterpret_cast<TimeoutObject*>(self)->delay);
    if (e->kind == kProcessEvent) {
        Py_CLEAR(asProcess(self)->generator);
        Py_CLEAR(asProcess(self)->target);
    }
    if (e->kind == kInterruptionEvent) {
        InterruptionObject* i = reinterpret_cast<InterruptionObject*>(self);
        PyObject* p = asObject(i->process);
        i->process = nullptr;
        Py_XDECREF(p);
    }
    PyObject* env = asObject(e->env);
    e->env = nullptr;
    Py_XDECREF(env);
    Py_CLEAR(e->callbacks);
    Py_CLEAR(e->waiter);
    Py_CLEAR(e->value);
    return 0;
}

namespace {

// Timeouts are made and dropped once per step of most models: the memory of dropped ones (of
// the exact type) is kept here, untracked and with every field cleared, for the next ones.
constexpr int kSpareTimeouts = 256;
PyObject* gSpareTimeouts[kSpareTimeouts];
int gSpareCount = 0;

void eventDealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    PyObject_GC_UnTrack(self);
    eventClear(self);
    if (type == gTimeoutType && gSpareCount < kSpareTimeouts) {
        gSpareTimeouts[gSpareCount++] = self;
    } else {
        type->tp_free(self);
    }
    Py_DECREF(type);
}

// A Timeout from the spare memory (as tp_alloc leaves it: zeroed, referenced once, tracked),
// or null when there is none.
EventObject* spareTimeout() {
    if (gSpareCount == 0) return nullptr;
    PyObject* o = gSpareTimeouts[--gSpareCount];
    std::memset(reinterpret_cast<char*>(o) + sizeof(PyObject), 0,
                sizeof(TimeoutObject) - sizeof(PyObject));
    PyObject_Init(o, gTimeoutType);
    PyObject_GC_Track(o);
    return asEvent(o);
}

}  // namespace

// Fills a fresh event.
bool initEvent(EventObject* e, EnvironmentObject* env) {
    PyTypeObject* t = Py_TYPE(e);
    e->kind = t == gTimeoutType || t == gEventType
        ? (t == gTimeoutType ? kTimeoutEvent : kPlainEvent)
        : PyType_IsSubtype(t, gTimeoutType)      ? kTimeoutEvent
        : PyType_IsSubtype(t, gProcessType)      ? kProcessEvent
        : PyType_IsSubtype(t, gInterruptionType) ? kInterruptionEvent
                                                 : kPlainEvent;
    Py_INCREF(asObject(env));
    e->env = env;
    return true;
}

bool environmentArgument(PyObject* env, const char* what) {
    if (PyObject_TypeCheck(env, gEnvironmentType) &&
        reinterpret_cast<EnvironmentObject*>(env)->core != nullptr)
        return true;
    PyErr_Format(PyExc_TypeError, "%s: expected an initialised Environment, got %s", what,
                 Py_TYPE(env)->tp_name);
    return false;
}

bool notYetInitialised(PyObject* self) {
    if (asEvent(self)->env == nullptr) return true;
    PyErr_Format(PyExc_TypeError, "%s object is already initialised", Py_TYPE(self)->tp_name);
    return false;
}

namespace {

int eventInit(PyObject* self, PyObject* args, PyObject* kwargs) {
    static const char* names[] = {"env", nullptr};
    PyObject* env = nullptr;
    if (kwargs == nullptr && PyTuple_GET_SIZE(args) == 1)  // Event(env), from every request
        env = PyTuple_GET_ITEM(args, 0);
    else if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O:Event", const_cast<char**>(names), &env))
        return -1;
    if (!environmentArgument(env, "Event(env)") || !notYetInitialised(self)) return -1;
    return initEvent(asEvent(self), reinterpret_cast<EnvironmentObject*>(env)) ? 0 : -1;
}

}  // namespace

PyObject* describe(PyObject* self, const char* detail) {
    return PyUnicode_FromFormat("<%s(%s) object at %p>", Py_TYPE(self)->tp_name, detail, self);
}

namespace {

PyObject* eventRepr(PyObject* self) { return describe(self, ""); }

PyObject* triggeredGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    return PyBool_FromLong(asEvent(self)->value != nullptr);
}

PyObject* processedGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    return PyBool_FromLong(asEvent(self)->processed);
}

PyObject* okGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    if (asEvent(self)->value == nullptr) {
        PyErr_Format(PyExc_AttributeError, "Value of %R is not yet available", self);
        return nullptr;
    }
    return PyBool_FromLong(asEvent(self)->ok);
}

PyObject* valueGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    PyObject* v = asEvent(self)->value;
    if (v == nullptr) {
        PyErr_Format(PyExc_AttributeError, "Value of %R is not yet available", self);
        return nullptr;
    }
    Py_INCREF(v);
    return v;
}

// `_value` and `_ok` as SimPy's events have them (PENDING while untriggered).
PyObject* rawValueGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    PyObject* v = asEvent(self)->value != nullptr ? asEvent(self)->value : gPending;
    Py_INCREF(v);
    return v;
}

int rawValueSetter(PyObject* self, PyObject* v, void*) {
    if (!ready(self)) return -1;
    if (v == nullptr) {
        PyErr_SetString(PyExc_AttributeError, "_value cannot be deleted");
        return -1;
    }
    PyObject* old = asEvent(self)->value;
    if (v == gPending) {
        asEvent(self)->value = nullptr;
    } else {
        Py_INCREF(v);
        asEvent(self)->value = v;
    }
    Py_XDECREF(old);
    return 0;
}

PyObject* rawOkGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    return PyBool_FromLong(asEvent(self)->ok);
}

int flagSetter(PyObject* self, PyObject* v, bool EventObject::*flag) {
    if (!ready(self)) return -1;
    if (v == nullptr) {
        PyErr_SetString(PyExc_AttributeError, "the flag cannot be deleted");
        return -1;
    }
    const int b = PyObject_IsTrue(v);
    if (b < 0) return -1;
    asEvent(self)->*flag = b != 0;
    return 0;
}

int rawOkSetter(PyObject* self, PyObject* v, void*) {
    return flagSetter(self, v, &EventObject::ok);
}

PyObject* defusedGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    return PyBool_FromLong(asEvent(self)->defused);
}

int defusedSetter(PyObject* self, PyObject* v, void*) {
    return flagSetter(self, v, &EventObject::defused);
}

PyObject* callbacksGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    PyObject* c = asEvent(self)->processed ? Py_None : callbackList(asEvent(self));
    Py_XINCREF(c);
    return c;
}

int callbacksSetter(PyObject* self, PyObject* v, void*) {
    if (!ready(self)) return -1;
    if (v == nullptr || (v != Py_None && !PyList_Check(v))) {
        PyErr_SetString(PyExc_TypeError, "callbacks must be a list or None");
        return -1;
    }
    EventObject* e = asEvent(self);
    PyObject* old = e->callbacks;
    Py_CLEAR(e->waiter);
    Py_XINCREF(v == Py_None ? nullptr : v);
    e->callbacks = v == Py_None ? nullptr : v;
    e->processed = v == Py_None;
    Py_XDECREF(old);
    return 0;
}

PyObject* envGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    Py_INCREF(asObject(asEvent(self)->env));
    return asObject(asEvent(self)->env);
}

bool untriggered(PyObject* self) {
    if (!ready(self)) return false;
    if (asEvent(self)->value == nullptr) return true;
    PyErr_Format(PyExc_RuntimeError, "%R has already been triggered", self);
    return false;
}

PyObject* settle(PyObject* self, bool ok, PyObject* value) {
    Py_INCREF(value);
    asEvent(self)->value = value;
    asEvent(self)->ok = ok;
    if (schedule(asEvent(self)->env, asEvent(self), kNormal, ZELSimTime()) < 0) return nullptr;
    Py_INCREF(self);
    return self;
}

PyObject* succeedMethod(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kw) {
    PyObject* value = Py_None;
    if (!optionalArgument(args, nargs, kw, "succeed", "value", value)) return nullptr;
    if (!untriggered(self)) return nullptr;
    return settle(self, true, value);
}

PyObject* failMethod(PyObject* self, PyObject* exception) {
    if (!untriggered(self)) return nullptr;
    if (!PyExceptionInstance_Check(exception)) {
        PyErr_Format(PyExc_ValueError, "%S is not an exception.", exception);
        return nullptr;
    }
    return settle(self, false, exception);
}

PyObject* triggerMethod(PyObject* self, PyObject* other) {
    if (!untriggered(self)) return nullptr;
    if (!isEvent(other) || asEvent(other)->value == nullptr) {
        PyErr_Format(PyExc_ValueError, "trigger(event): %R is not a triggered event", other);
        return nullptr;
    }
    return settle(self, asEvent(other)->ok, asEvent(other)->value);
}

// a & b and a | b: the conditions of the Python layer over both events.
PyObject* combine(PyObject* a, PyObject* b, const char* kind) {
    if (!PyObject_TypeCheck(a, gEventType) || !PyObject_TypeCheck(b, gEventType))
        Py_RETURN_NOTIMPLEMENTED;
    if (!ready(a) || !ready(b)) return nullptr;
    PyObject* cls = hook(kind);
    if (cls == nullptr) return nullptr;
    PyObject* events = PyTuple_Pack(2, a, b);
    if (events == nullptr) return nullptr;
    PyObject* r = PyObject_CallFunctionObjArgs(cls, asObject(asEvent(a)->env), events, nullptr);
    Py_DECREF(events);
    return r;
}
PyObject* andSlot(PyObject* a, PyObject* b) { return combine(a, b, "AllOf"); }
PyObject* orSlot(PyObject* a, PyObject* b) { return combine(a, b, "AnyOf"); }

// ---- Timeout --------------------------------------------------------------------------------

int timeoutInit(PyObject* self, PyObject* args, PyObject* kwargs) {
    static const char* names[] = {"env", "delay", "value", nullptr};
    PyObject* env = nullptr;
    PyObject* delay = nullptr;
    PyObject* value = Py_None;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO|O:Timeout", const_cast<char**>(names), &env,
                                     &delay, &value))
        return -1;
    if (!environmentArgument(env, "Timeout(env, delay)") || !notYetInitialised(self)) return -1;
    ZELSimTime d;
    if (delayFrom(delay, d) < 0) return -1;
    EventObject* e = asEvent(self);
    if (!initEvent(e, reinterpret_cast<EnvironmentObject*>(env))) return -1;
    Py_INCREF(delay);
    reinterpret_cast<TimeoutObject*>(self)->delay = delay;
    Py_INCREF(value);
    e->value = value;
    e->ok = true;
    return schedule(e->env, e, kNormal, d);
}

PyObject* timeoutRepr(PyObject* self) {
    PyObject* delay = reinterpret_cast<TimeoutObject*>(self)->delay;
    PyObject* value = asEvent(self)->value;
    if (delay == nullptr) return describe(self, "");
    if (value == nullptr || value == Py_None)
        return PyUnicode_FromFormat("<%s(%S) object at %p>", Py_TYPE(self)->tp_name, delay, self);
    return PyUnicode_FromFormat("<%s(%S, value=%S) object at %p>", Py_TYPE(self)->tp_name, delay,
                                value, self);
}

}  // namespace

int addCallback(EventObject* e, PyObject* callback) {
    if (e->callbacks == nullptr && e->waiter == nullptr) {
        Py_INCREF(callback);
        e->waiter = callback;
        return 0;
    }
    PyObject* list = callbackList(e);
    return list != nullptr ? PyList_Append(list, callback) : -1;
}

PyObject* callbackList(EventObject* e) {
    if (e->callbacks == nullptr) {
        e->callbacks = PyList_New(0);
        if (e->callbacks == nullptr) return nullptr;
    }
    if (e->waiter != nullptr) {
        PyObject* w = e->waiter;
        e->waiter = nullptr;
        const int r = PyList_Append(e->callbacks, w);
        Py_DECREF(w);
        if (r < 0) return nullptr;
    }
    return e->callbacks;
}

bool removeCallback(EventObject* e, PyObject* callback) {
    if (e->waiter == callback) {
        Py_CLEAR(e->waiter);
        return true;
    }
    PyObject* list = e->callbacks;
    if (list == nullptr) return false;
    for (Py_ssize_t k = PyList_GET_SIZE(list); k-- > 0;)
        if (PyList_GET_ITEM(list, k) == callback) {
            PyObject *type, *value, *tb;
            PyErr_Fetch(&type, &value, &tb);
            const bool done = PySequence_DelItem(list, k) == 0;
            if (!done) PyErr_Clear();
            PyErr_Restore(type, value, tb);
            return done;
        }
    return false;
}

bool optionalArgument(PyObject* const* args, Py_ssize_t nargs, PyObject* kw, const char* method,
                      const char* name, PyObject*& out) {
    const Py_ssize_t named = kw != nullptr ? PyTuple_GET_SIZE(kw) : 0;
    if (nargs + named > 1 ||
        (named == 1 &&
         (!PyUnicode_Check(PyTuple_GET_ITEM(kw, 0)) ||
          PyUnicode_CompareWithASCIIString(PyTuple_GET_ITEM(kw, 0), name) != 0))) {
        PyErr_Format(PyExc_TypeError, "%s() takes one optional argument, %s", method, name);
        return false;
    }
    if (nargs + named == 1) out = args[0];
    return true;
}

PyObject* copiedFailure(PyObject* e) {
    if (e == nullptr) {  // a failed event whose _value was set back to PENDING
        PyErr_SetString(PyExc_RuntimeError, "an event failed without an exception");
        return nullptr;
    }
    PyObject* args = PyObject_GetAttrString(e, "args");
    PyObject* copy = args != nullptr && PyTuple_Check(args)
        ? PyObject_Call(asObject(Py_TYPE(e)), args, nullptr)
        : nullptr;
    Py_XDECREF(args);
    if (copy == nullptr || !PyExceptionInstance_Check(copy)) {
        PyErr_Clear();
        Py_XDECREF(copy);
        Py_INCREF(e);
        return e;
    }
    Py_INCREF(e);
    PyException_SetCause(copy, e);
    return copy;
}

EventObject* newEvent(PyTypeObject* type, EnvironmentObject* env) {
    EventObject* e = type == gTimeoutType ? spareTimeout() : nullptr;
    if (e == nullptr) e = asEvent(type->tp_alloc(type, 0));
    if (e == nullptr) return nullptr;
    if (!initEvent(e, env)) {
        Py_DECREF(e);
        return nullptr;
    }
    return e;
}

namespace {

PyGetSetDef kEventProperties[] = {
    {"env", &envGetter, nullptr, "The environment the event belongs to.", nullptr},
    {"triggered", &triggeredGetter, nullptr, "True once the event has its value.", nullptr},
    {"processed", &processedGetter, nullptr, "True once its callbacks ran.", nullptr},
    {"ok", &okGetter, nullptr, "True when the event succeeded (AttributeError while pending).",
     nullptr},
    {"value", &valueGetter, nullptr,
     "The value of the event, or the exception of a failed one (AttributeError while pending).",
     nullptr},
    {"defused", &defusedGetter, &defusedSetter,
     "True when a failure of the event has been handled (it does not stop the run).", nullptr},
    {"callbacks", &callbacksGetter, &callbacksSetter,
     "The callables run with the event when it is processed (None afterwards).", nullptr},
    {"_value", &rawValueGetter, &rawValueSetter, "The value, or PENDING.", nullptr},
    {"_ok", &rawOkGetter, &rawOkSetter, "The success flag.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr}};

PyMethodDef kEventMethods[] = {
    {"succeed", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&succeedMethod)),
     METH_FASTCALL | METH_KEYWORDS,
     "Triggers the event with `value` (scheduled now); returns the event."},
    {"fail", &failMethod, METH_O,
     "Triggers the event as failed with `exception` (scheduled now); returns the event."},
    {"trigger", &triggerMethod, METH_O,
     "Triggers the event with the outcome of the triggered event `event` (a callback)."},
    {nullptr, nullptr, 0, nullptr}};

PyMemberDef kTimeoutMembers[] = {
    {"_delay", T_OBJECT, offsetof(TimeoutObject, delay), READONLY, "The delay as given."},
    {nullptr, 0, 0, 0, nullptr}};

}  // namespace

PyTypeObject* makeType(PyObject* module, PyType_Spec* typeSpec, PyTypeObject* base,
                       const char* name) {
    PyObject* bases = base != nullptr ? PyTuple_Pack(1, asObject(base)) : nullptr;
    PyObject* type = PyType_FromSpecWithBases(typeSpec, bases);
    Py_XDECREF(bases);
    if (type == nullptr) throw py::error_already_set();
    if (PyObject_SetAttrString(type, "__module__", py::str("zelmath.simulation").ptr()) < 0 ||
        PyModule_AddObjectRef(module, name, type) < 0) {
        Py_DECREF(type);
        throw py::error_already_set();
    }
    return reinterpret_cast<PyTypeObject*>(type);  // kept for the life of the process
}

void addEventTypes(PyObject* module) {
    constexpr unsigned long kFlags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
    static PyType_Slot eventSlots[] = {
        {Py_tp_doc,
         const_cast<char*>("Event(env): an event that callbacks and processes can wait for; "
                           "triggered with succeed(value) or fail(exception).")},
        {Py_tp_new, slot(&PyType_GenericNew)},
        {Py_tp_init, slot(&eventInit)},
        {Py_tp_dealloc, slot(&eventDealloc)},
        {Py_tp_traverse, slot(&eventTraverse)},
        {Py_tp_clear, slot(&eventClear)},
        {Py_tp_repr, slot(&eventRepr)},
        {Py_tp_getset, kEventProperties},
        {Py_tp_methods, kEventMethods},
        {Py_nb_and, slot(&andSlot)},
        {Py_nb_or, slot(&orSlot)},
        {0, nullptr}};
    static PyType_Spec eventSpec = {"zelmath.simulation.Event", sizeof(EventObject), 0, kFlags,
                                    eventSlots};
    gEventType = makeType(module, &eventSpec, nullptr, "Event");

    static PyType_Slot timeoutSlots[] = {
        {Py_tp_traverse, slot(&eventTraverse)},
        {Py_tp_clear, slot(&eventClear)},
        {Py_tp_doc,
         const_cast<char*>("Timeout(env, delay, value=None): an event that succeeds after delay "
                           "(float seconds, rounded to the nearest ns, or a SimTime).")},
        {Py_tp_init, slot(&timeoutInit)},
        {Py_tp_repr, slot(&timeoutRepr)},
        {Py_tp_members, kTimeoutMembers},
        {0, nullptr}};
    static PyType_Spec timeoutSpec = {"zelmath.simulation.Timeout", sizeof(TimeoutObject), 0,
                                      kFlags, timeoutSlots};
    gTimeoutType = makeType(module, &timeoutSpec, gEventType, "Timeout");
    addProcessTypes(module);
}

}  // namespace processes
}  // namespace zelmath_python
