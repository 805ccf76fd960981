// Processes of `zelmath.simulation`: a process is its own callback, so the event loop finds it in
// an event's callbacks and resumes its generator directly (PyIter_Send, or its throw() for a
// failure), without a bound method or a Python frame in between; interruptions likewise.
#include "bind_processes.h"

#include <string>

namespace zelmath_python {
namespace processes {

namespace {

// ---- Process --------------------------------------------------------------------------------

// The process ended: with its return value (ok) or its exception; scheduled now, NORMAL.
int finish(ProcessObject* p, bool ok, PyObject* value) {
    Py_CLEAR(p->target);
    p->event.ok = ok;
    p->event.value = value;  // takes the reference
    return schedule(p->event.env, &p->event, kNormal, ZELSimTime());
}

// The exception in flight as the process's failure (its traceback kept on it).
int failProcess(ProcessObject* p) {
    PyObject *type = nullptr, *value = nullptr, *tb = nullptr;
    PyErr_Fetch(&type, &value, &tb);
    PyErr_NormalizeException(&type, &value, &tb);
    if (tb != nullptr) PyException_SetTraceback(value, tb);
    Py_XDECREF(type);
    Py_XDECREF(tb);
    if (value == nullptr) value = PyObject_CallFunction(PyExc_SystemError, "s", "lost failure");
    if (value == nullptr) return -1;
    if (PyErr_GivenExceptionMatches(value, PyExc_StopIteration)) {
        PyObject* result = PyObject_GetAttrString(value, "value");
        Py_DECREF(value);
        if (result == nullptr) return -1;
        return finish(p, true, result);
    }
    return finish(p, false, value);
}

PyObject* describeFrame(PyObject* generator) {
    PyObject* frame = PyObject_GetAttrString(generator, "gi_frame");
    if (frame == nullptr || frame == Py_None) {
        PyErr_Clear();
        Py_XDECREF(frame);
        return PyUnicode_FromString("");
    }
    PyCodeObject* code = PyFrame_GetCode(reinterpret_cast<PyFrameObject*>(frame));
    const int line = PyFrame_GetLineNumber(reinterpret_cast<PyFrameObject*>(frame));
    PyObject* text = PyUnicode_FromFormat("  File \"%U\", line %d, in %U\n", code->co_filename,
                                          line, code->co_name);
    Py_DECREF(code);
    Py_DECREF(frame);
    return text;
}

}  // namespace

namespace {

// Resumes `p` with the outcome of `event` and runs it until it waits for an untriggered event or
// ends. -1 with an error set when it yielded something that is not an event (the error leaves
// the event loop, as in SimPy) or on an internal failure; the process's own exceptions fail the
// process, not the loop.
int resume(ProcessObject* p, EventObject* event) {
    EnvironmentObject* env = p->event.env;
    PyObject* previous = env->active;
    Py_INCREF(asObject(p));
    env->active = asObject(p);
    Py_INCREF(asObject(event));
    int status = 0;
    for (;;) {
        PyObject* next = nullptr;
        if (event->ok) {
            const PySendResult r =
                PyIter_Send(p->generator, event->value != nullptr ? event->value : Py_None, &next);
            if (r == PYGEN_RETURN) {
                status = finish(p, true, next);
                break;
            }
            if (r == PYGEN_ERROR) {
                status = failProcess(p);
                break;
            }
        } else {
            event->defused = true;
            PyObject* exc = copiedFailure(event->value);
            if (exc == nullptr) {
                status = -1;
                break;
            }
            next = PyObject_CallMethod(p->generator, "throw", "O", exc);
            Py_DECREF(exc);
            if (next == nullptr) {
                status = failProcess(p);
                break;
            }
        }
        Py_DECREF(asObject(event));
        if (!isEvent(next) || asEvent(next)->env == nullptr) {
            PyObject* where = describeFrame(p->generator);
            if (where != nullptr)
                PyErr_Format(PyExc_RuntimeError, "\n%UInvalid yield value \"%S\"", where, next);
            Py_XDECREF(where);
            Py_DECREF(next);
            Py_CLEAR(p->target);
            event = nullptr;
            status = -1;
            break;
        }
        event = asEvent(next);  // the reference `next` carries
        if (!event->processed) {
            if (addCallback(event, asObject(p)) < 0) status = -1;
            Py_XSETREF(p->target, asObject(event));  // takes the reference
            event = nullptr;
            break;
        }
    }
    Py_XDECREF(asObject(event));
    env->active = previous;
    Py_DECREF(asObject(p));
    return status;
}

int processInit(PyObject* self, PyObject* args, PyObject* kwargs) {
    static const char* names[] = {"env", "generator", nullptr};
    PyObject* env = nullptr;
    PyObject* generator = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO:Process", const_cast<char**>(names), &env,
                                     &generator))
        return -1;
    if (!environmentArgument(env, "Process(env, generator)") || !notYetInitialised(self)) return -1;
    if (!PyGen_Check(generator) && !PyObject_HasAttrString(generator, "throw")) {
        PyErr_Format(PyExc_ValueError, "%S is not a generator.", generator);
        return -1;
    }
    EnvironmentObject* e = reinterpret_cast<EnvironmentObject*>(env);
    EventObject* start = newEvent(gEventType, e);
    if (start == nullptr) return -1;
    if (!initEvent(asEvent(self), e) || addCallback(start, self) < 0) {
        Py_DECREF(start);
        return -1;
    }
    ProcessObject* p = asProcess(self);
    Py_INCREF(generator);
    p->generator = generator;
    Py_INCREF(Py_None);
    start->value = Py_None;
    start->ok = true;
    p->target = asObject(start);
    return schedule(e, start, kUrgent, ZELSimTime());
}

PyObject* processName(PyObject* self) {
    PyObject* g = asProcess(self)->generator;
    PyObject* name = g != nullptr ? PyObject_GetAttrString(g, "__name__") : nullptr;
    if (name == nullptr) {
        PyErr_Clear();
        name = g != nullptr ? PyObject_Repr(g) : PyUnicode_FromString("");
    }
    return name;
}

PyObject* processRepr(PyObject* self) {
    PyObject* name = processName(self);
    if (name == nullptr) return nullptr;
    PyObject* r = PyUnicode_FromFormat("<%s(%U) object at %p>", Py_TYPE(self)->tp_name, name, self);
    Py_DECREF(name);
    return r;
}

PyObject* nameGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    return processName(self);
}

PyObject* isAliveGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    return PyBool_FromLong(asEvent(self)->value == nullptr);
}

PyObject* targetGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    PyObject* t = asProcess(self)->target != nullptr ? asProcess(self)->target : Py_None;
    Py_INCREF(t);
    return t;
}

PyObject* generatorGetter(PyObject* self, void*) {
    if (!ready(self)) return nullptr;
    Py_INCREF(asProcess(self)->generator);
    return asProcess(self)->generator;
}

PyObject* interruptMethod(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kw) {
    if (!ready(self)) return nullptr;
    PyObject* cause = Py_None;
    if (!optionalArgument(args, nargs, kw, "interrupt", "cause", cause)) return nullptr;
    ProcessObject* p = asProcess(self);
    if (p->event.value != nullptr) {
        PyErr_Format(PyExc_RuntimeError, "%R has terminated and cannot be interrupted.", self);
        return nullptr;
    }
    if (p->event.env->active == self) {
        PyErr_SetString(PyExc_RuntimeError, "A process is not allowed to interrupt itself.");
        return nullptr;
    }
    PyObject* interruptClass = hook("Interrupt");
    if (interruptClass == nullptr) return nullptr;
    PyObject* failure = PyObject_CallOneArg(interruptClass, cause);
    if (failure == nullptr) return nullptr;
    EventObject* e = newEvent(gInterruptionType, p->event.env);
    if (e == nullptr || addCallback(e, asObject(e)) < 0) {
        Py_XDECREF(asObject(e));
        Py_DECREF(failure);
        return nullptr;
    }
    e->value = failure;
    e->ok = false;
    e->defused = true;
    Py_INCREF(self);
    reinterpret_cast<InterruptionObject*>(e)->process = p;
    const int status = schedule(e->env, e, kUrgent, ZELSimTime());
    Py_DECREF(asObject(e));
    if (status < 0) return nullptr;
    Py_RETURN_NONE;
}

// The interruption's own callback: the process stops waiting for its target and receives the
// Interrupt (unless it ended in the meantime).
int interruptNow(InterruptionObject* i) {
    ProcessObject* p = i->process;
    if (p == nullptr || p->event.value != nullptr) return 0;
    EventObject* target = p->target != nullptr ? asEvent(p->target) : nullptr;
    if (target != nullptr && !target->processed) removeCallback(target, asObject(p));
    return resume(p, &i->event);
}

PyObject* interruptionCall(PyObject* self, PyObject* args, PyObject* kwargs) {
    if (!ready(self)) return nullptr;
    PyObject* event = nullptr;
    if (!PyArg_ParseTuple(args, "O:Interruption", &event)) return nullptr;
    (void)kwargs;
    if (interruptNow(reinterpret_cast<InterruptionObject*>(self)) < 0) return nullptr;
    Py_RETURN_NONE;
}

PyObject* processCall(PyObject* self, PyObject* args, PyObject* kwargs) {
    if (!ready(self)) return nullptr;
    PyObject* event = nullptr;
    if (!PyArg_ParseTuple(args, "O:Process", &event)) return nullptr;
    (void)kwargs;
    if (!PyObject_TypeCheck(event, gEventType) || !ready(event)) {
        PyErr_SetString(PyExc_TypeError, "a process is resumed with an event");
        return nullptr;
    }
    if (asEvent(event)->value == nullptr) {
        PyErr_SetString(PyExc_ValueError, "a process is resumed with a triggered event");
        return nullptr;
    }
    if (asEvent(self)->value != nullptr) Py_RETURN_NONE;
    if (resume(asProcess(self), asEvent(event)) < 0) return nullptr;
    Py_RETURN_NONE;
}

}  // namespace

namespace {

// Runs one callback of `event`: 0 done, 2 the stop marker, -1 error set.
int runCallback(EventObject* event, PyObject* cb) {
    if (cb == gStopMarker) return 2;
    if (Py_TYPE(cb) == gProcessType)
        return asEvent(cb)->value == nullptr ? resume(asProcess(cb), event) : 0;
    if (Py_TYPE(cb) == gInterruptionType)
        return interruptNow(reinterpret_cast<InterruptionObject*>(cb));
    PyObject* result = PyObject_CallOneArg(cb, asObject(event));
    if (result == nullptr) return -1;
    Py_DECREF(result);
    return 0;
}

}  // namespace

int processEvent(EnvironmentObject* env, EventObject* event) {
    if (event->value == nullptr) {  // scheduled with schedule() but never triggered
        PyErr_Format(PyExc_RuntimeError,
                     "%R is due but was never triggered: call succeed() or fail() (or set _ok "
                     "and _value) before it is processed",
                     asObject(event));
        return -1;
    }
    PyObject* callbacks = event->callbacks;
    PyObject* waiter = event->waiter;  // the references are ours now
    event->callbacks = nullptr;
    event->waiter = nullptr;
    event->processed = true;
    int status = 1;
    if (waiter != nullptr) {
        const int r = runCallback(event, waiter);
        Py_DECREF(waiter);
        if (r != 0) status = r < 0 ? -1 : 2;
    }
    if (callbacks != nullptr) {
        for (Py_ssize_t k = 0; status == 1 && k < PyList_GET_SIZE(callbacks); ++k) {
            PyObject* cb = PyList_GET_ITEM(callbacks, k);
            Py_INCREF(cb);
            const int r = runCallback(event, cb);
            Py_DECREF(cb);
            if (r != 0) status = r < 0 ? -1 : 2;
        }
        Py_DECREF(callbacks);
    }
    if (status == 2) {
        Py_INCREF(asObject(event));
        env->core->stopped = event;
    } else if (status == 1 && !event->ok && !event->defused) {
        PyObject* failure = copiedFailure(event->value);
        if (failure != nullptr) {
            PyErr_SetObject(asObject(Py_TYPE(failure)), failure);
            Py_DECREF(failure);
        }
        status = -1;
    }
    return status;
}

namespace {

PyGetSetDef kProcessProperties[] = {
    {"target", &targetGetter, nullptr, "The event the process waits for.", nullptr},
    {"is_alive", &isAliveGetter, nullptr, "True until the generator has ended.", nullptr},
    {"name", &nameGetter, nullptr, "The name of the generator function.", nullptr},
    {"_generator", &generatorGetter, nullptr, "The generator.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr}};

PyMethodDef kProcessMethods[] = {
    {"interrupt", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&interruptMethod)),
     METH_FASTCALL | METH_KEYWORDS,
     "Throws Interrupt(cause) into the process at the current time (before NORMAL events)."},
    {nullptr, nullptr, 0, nullptr}};

}  // namespace

void addProcessTypes(PyObject* module) {
    constexpr unsigned long kFlags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
    static PyType_Slot processSlots[] = {
        {Py_tp_traverse, slot(&eventTraverse)},
        {Py_tp_clear, slot(&eventClear)},
        {Py_tp_doc,
         const_cast<char*>("Process(env, generator): runs a generator that yields events; the "
                           "process is an event itself, with the generator's return value.")},
        {Py_tp_init, slot(&processInit)},
        {Py_tp_repr, slot(&processRepr)},
        {Py_tp_call, slot(&processCall)},
        {Py_tp_getset, kProcessProperties},
        {Py_tp_methods, kProcessMethods},
        {0, nullptr}};
    static PyType_Spec processSpec = {"zelmath.simulation.Process", sizeof(ProcessObject), 0,
                                      kFlags, processSlots};
    gProcessType = makeType(module, &processSpec, gEventType, "Process");

    static PyType_Slot interruptionSlots[] = {
        {Py_tp_traverse, slot(&eventTraverse)},
        {Py_tp_clear, slot(&eventClear)},
        {Py_tp_doc,
         const_cast<char*>("The event that delivers Process.interrupt(cause) to its process.")},
        {Py_tp_call, slot(&interruptionCall)},
        {0, nullptr}};
    static PyType_Spec interruptionSpec = {
        "zelmath.simulation.Interruption", sizeof(InterruptionObject), 0,
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_DISALLOW_INSTANTIATION,
        interruptionSlots};
    gInterruptionType = makeType(module, &interruptionSpec, gEventType, "Interruption");
}

}  // namespace processes
}  // namespace zelmath_python
