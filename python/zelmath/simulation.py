"""Process-based discrete-event simulation with SimPy's API on the exact clock.

``import zelmath.simulation as simpy`` runs a SimPy model unchanged: processes are generators
that yield events; the environment's event loop, its events, timeouts and processes are native
(the loop resumes the generators from C++). Time is exact: delays in float seconds are rounded to
the nearest nanosecond (or given as ``SimTime``), ``now`` is float seconds and ``now_time`` the
exact ``SimTime``. Events run in SimPy's order: by time, then URGENT before NORMAL, then in the
order they were scheduled.

Beyond SimPy: ``Environment.monitor(resource)`` keeps time-weighted statistics of a resource.
"""
from heapq import heappop, heappush
from collections import namedtuple

from ._zelmath import _simulation as _core  # type: ignore[attr-defined]

__all__ = [
    "AllOf", "AnyOf", "Condition", "ConditionValue", "Container", "ContainerGet", "ContainerPut",
    "EmptySchedule", "Environment", "Event", "FilterStore", "FilterStoreGet", "Interrupt",
    "Interruption", "Monitor", "NORMAL", "PENDING", "Preempted", "PreemptiveResource",
    "PriorityItem", "PriorityRequest", "PriorityResource", "PriorityStore", "Process", "Release",
    "Request", "Resource", "SimTime", "StopSimulation", "Store", "StoreGet", "StorePut", "Timeout",
    "URGENT",
]

from ._zelmath import SimTime  # noqa: E402

Event = _core.Event
Timeout = _core.Timeout
Process = _core.Process
Interruption = _core.Interruption
EmptySchedule = _core.EmptySchedule
PENDING = _core.PENDING
URGENT = _core.URGENT
NORMAL = _core.NORMAL
Infinity = float("inf")


class StopSimulation(Exception):
    """Kept for models that name it; ``run(until=...)`` stops without raising it."""


class Interrupt(Exception):
    """Thrown into a process by ``Process.interrupt(cause)``; ``cause`` is the argument."""

    def __str__(self):
        return f"{self.__class__.__name__}({self.cause!r})"

    @property
    def cause(self):
        return self.args[0]


class ConditionValue:
    """The value of a condition: the processed events it covers, in the order given."""

    def __init__(self):
        self.events = []

    def __getitem__(self, key):
        if key not in self.events:
            raise KeyError(str(key))
        return key._value

    def __contains__(self, key):
        return key in self.events

    def __eq__(self, other):
        if type(other) is ConditionValue:
            return self.events == other.events
        return self.todict() == other

    __hash__ = None

    def __repr__(self):
        return f"<ConditionValue {self.todict()}>"

    def __iter__(self):
        return self.keys()

    def keys(self):
        return (event for event in self.events)

    def values(self):
        return (event._value for event in self.events)

    def items(self):
        return ((event, event._value) for event in self.events)

    def todict(self):
        return {event: event._value for event in self.events}


class Condition(Event):
    """An event that succeeds when ``evaluate(events, count)`` holds, or fails with the first
    of its events that fails."""

    def __init__(self, env, evaluate, events):
        super().__init__(env)
        self._evaluate = evaluate
        self._events = events if type(events) is tuple else tuple(events)
        self._count = 0
        if not self._events:
            self.succeed(ConditionValue())
            return
        for event in self._events:
            if not isinstance(event, Event):
                raise TypeError(f"{event!r} is not an event")
            if self.env is not event.env:
                raise ValueError("It is not allowed to mix events from different environments")
        check = self._check
        for event in self._events:
            if event.callbacks is None:
                check(event)
            else:
                event.callbacks.append(check)
        self.callbacks.append(self._build_value)

    def __repr__(self):
        return f"<{type(self).__name__}({self._evaluate.__name__}, {self._events}) object at {id(self):#x}>"

    def _populate_value(self, value):
        for event in self._events:
            if isinstance(event, Condition):
                event._populate_value(value)
            elif event.callbacks is None:
                value.events.append(event)

    def _build_value(self, event):
        self._remove_check_callbacks()
        if event._ok:
            self._value = ConditionValue()
            self._populate_value(self._value)

    def _remove_check_callbacks(self):
        check = self._check
        for event in self._events:
            if event.callbacks and check in event.callbacks:
                event.callbacks.remove(check)
            if isinstance(event, Condition):
                event._remove_check_callbacks()

    def _check(self, event):
        if self._value is not PENDING:
            return
        self._count += 1
        if not event._ok:
            event.defused = True
            self.fail(event._value)
        elif self._evaluate(self._events, self._count):
            self.succeed()

    @staticmethod
    def all_events(events, count):
        return len(events) == count

    @staticmethod
    def any_events(events, count):
        return count > 0 or len(events) == 0


class AllOf(Condition):
    """Succeeds once every event has succeeded."""

    def __init__(self, env, events):
        super().__init__(env, Condition.all_events, events)


class AnyOf(Condition):
    """Succeeds once one event has succeeded (at once for no events)."""

    def __init__(self, env, events):
        super().__init__(env, Condition.any_events, events)


_core._register({"AllOf": AllOf, "AnyOf": AnyOf, "Interrupt": Interrupt})


class Environment(_core.Environment):
    """The clock and event list of a simulation (see the module's description)."""

    def all_of(self, events):
        return AllOf(self, events)

    def any_of(self, events):
        return AnyOf(self, events)

    def monitor(self, resource):
        """Time-weighted statistics of `resource` from now on (see ``Monitor``)."""
        return Monitor(self, resource)


# ---- Shared resources ---------------------------------------------------------------------
# The queues are processed exactly as SimPy does (the same events, scheduled in the same order),
# so that a model gives the same trace with either library.


_event_init = Event.__init__


class _Exchange(Event):
    """A put or a get waiting in one of its resource's queues; a context manager that cancels it
    on exit."""

    __slots__ = ("resource", "proc")
    _queue = ""  # the resource's attribute holding the queue of this kind

    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc_value, traceback):
        self.cancel()

    def cancel(self):
        if not self.triggered:
            getattr(self.resource, self._queue).remove(self)
            self.resource._changed()


class Put(_Exchange):
    """A request to put into a resource; a context manager that cancels it on exit."""

    __slots__ = ()
    _queue = "put_queue"

    def __init__(self, resource):
        env = resource._env
        _event_init(self, env)
        self.resource = resource
        self.proc = env.active_process
        resource.put_queue.append(self)
        self.callbacks.append(resource._after_put)
        resource._trigger_put(None)


class Get(_Exchange):
    """A request to get from a resource; a context manager that cancels it on exit."""

    __slots__ = ()
    _queue = "get_queue"

    def __init__(self, resource):
        env = resource._env
        _event_init(self, env)
        self.resource = resource
        self.proc = env.active_process
        resource.get_queue.append(self)
        self.callbacks.append(resource._after_get)
        resource._trigger_get(None)


class BaseResource:
    """Put and get queues processed in order; subclasses say when a request can complete."""

    PutQueue = list
    GetQueue = list

    def __init__(self, env, capacity):
        if not isinstance(env, _core.Environment):
            raise TypeError(f"expected an Environment, got {type(env).__name__}")
        self._env = env
        self._capacity = capacity
        self.put_queue = self.PutQueue()
        self.get_queue = self.GetQueue()
        self._monitors = []
        # The callbacks of a processed put (get): bound once, not per request.
        self._after_put = self._trigger_get
        self._after_get = self._trigger_put

    @property
    def capacity(self):
        return self._capacity

    def _trigger_put(self, get_event):
        queue = self.put_queue
        idx = 0
        while idx < len(queue):
            put_event = queue[idx]
            proceed = self._do_put(put_event)
            if not put_event.triggered:
                idx += 1
            elif queue.pop(idx) is not put_event:
                raise RuntimeError("Put queue invariant violated")
            if not proceed:
                break
        if self._monitors:
            self._changed()

    def _trigger_get(self, put_event):
        queue = self.get_queue
        idx = 0
        while idx < len(queue):
            get_event = queue[idx]
            proceed = self._do_get(get_event)
            if not get_event.triggered:
                idx += 1
            elif queue.pop(idx) is not get_event:
                raise RuntimeError("Get queue invariant violated")
            if not proceed:
                break
        if self._monitors:
            self._changed()

    def _changed(self, granted=None):
        for monitor in self._monitors:
            monitor._update(granted)


def _positive_capacity(capacity):
    if capacity != capacity or capacity <= 0:
        raise ValueError(f'"capacity" must be > 0, got {capacity!r}.')


class Preempted:
    """The cause of the Interrupt a preempted user receives."""

    def __init__(self, by, usage_since, resource):
        self.by = by
        self.usage_since = usage_since
        self.resource = resource

    def __repr__(self):
        return f"Preempted(by={self.by!r}, usage_since={self.usage_since!r})"


class Request(Put):
    """A request for one unit of a Resource; ``with`` releases it on exit."""

    __slots__ = ("usage_since", "time")

    def __init__(self, resource):  # Put.__init__ inlined: requests are hot
        env = resource._env
        self.usage_since = None
        self.time = env.now
        _event_init(self, env)
        self.resource = resource
        self.proc = env.active_process
        resource.put_queue.append(self)
        self.callbacks.append(resource._after_put)
        resource._trigger_put(None)

    def __exit__(self, exc_type, exc_value, traceback):
        self.cancel()
        if exc_type is not GeneratorExit:
            self.resource.release(self)


class Release(Get):
    """Gives the unit of `request` back (or withdraws it when still queued)."""

    __slots__ = ("request",)

    def __init__(self, resource, request):
        self.request = request
        Get.__init__(self, resource)


class PriorityRequest(Request):
    """A request with a priority (lower first) and whether it may preempt."""

    __slots__ = ("priority", "preempt", "key")

    def __init__(self, resource, priority=0, preempt=True):
        self.priority = priority
        self.preempt = preempt
        self.key = (priority, resource._env.now, not preempt)
        Request.__init__(self, resource)


class SortedQueue(list):
    """The queue of a PriorityResource: kept sorted by the requests' keys."""

    def __init__(self, maxlen=None):
        super().__init__()
        self.maxlen = maxlen

    def append(self, item):
        if self.maxlen is not None and len(self) >= self.maxlen:
            raise RuntimeError("Cannot append event. Queue is full.")
        super().append(item)
        super().sort(key=lambda e: e.key)


class Resource(BaseResource):
    """`capacity` identical units, granted first come first served."""

    def __init__(self, env, capacity=1):
        _positive_capacity(capacity)
        super().__init__(env, capacity)
        self.users = []
        self.queue = self.put_queue
        # Unless a subclass changes how a request is granted, grant without the extra call.
        if type(self)._do_put is Resource._do_put and type(self)._trigger_put is Resource._trigger_put:
            self._trigger_put = self._after_get = self._grant
        if type(self)._do_get is Resource._do_get and type(self)._trigger_get is Resource._trigger_get:
            self._trigger_get = self._after_put = self._release

    def _grant(self, get_event):  # _trigger_put with _do_put inlined
        queue = self.put_queue
        if queue:
            event = queue[0]
            users = self.users
            if len(users) < self._capacity:
                users.append(event)
                event.usage_since = self._env.now
                event.succeed()
                del queue[0]
                if self._monitors:
                    self._changed(event)
        if self._monitors:
            self._changed()

    def _release(self, put_event):  # _trigger_get with _do_get inlined
        queue = self.get_queue
        if queue:
            event = queue[0]
            try:
                self.users.remove(event.request)
            except ValueError:
                pass
            event.succeed()
            del queue[0]
        if self._monitors:
            self._changed()

    @property
    def count(self):
        return len(self.users)

    def request(self):
        return Request(self)

    def release(self, request):
        return Release(self, request)

    def _do_put(self, event):
        if len(self.users) < self._capacity:
            self.users.append(event)
            event.usage_since = self._env.now
            event.succeed()
            if self._monitors:
                self._changed(event)

    def _do_get(self, event):
        try:
            self.users.remove(event.request)
        except ValueError:
            pass
        event.succeed()


class PriorityResource(Resource):
    """A Resource whose queue is ordered by priority, then time of request."""

    PutQueue = SortedQueue

    def request(self, priority=0, preempt=True):
        return PriorityRequest(self, priority, preempt)


class PreemptiveResource(PriorityResource):
    """A PriorityResource where a more important request interrupts the least important user
    (its process gets Interrupt(Preempted(...)))."""

    def _do_put(self, event):
        if len(self.users) >= self._capacity and event.preempt:
            preempt = sorted(self.users, key=lambda e: e.key)[-1]
            if preempt.key > event.key:
                self.users.remove(preempt)
                preempt.proc.interrupt(Preempted(by=event.proc, usage_since=preempt.usage_since,
                                                 resource=self))
        return super()._do_put(event)


def _positive_amount(amount):
    if amount != amount or amount <= 0:
        raise ValueError(f"amount(={amount}) must be > 0.")


class ContainerPut(Put):
    __slots__ = ("amount",)

    def __init__(self, container, amount):
        _positive_amount(amount)
        if amount > container._capacity:
            raise ValueError(f"amount(={amount}) exceeds the capacity ({container._capacity}).")
        self.amount = amount
        super().__init__(container)


class ContainerGet(Get):
    __slots__ = ("amount", "time")

    def __init__(self, container, amount):
        _positive_amount(amount)
        if amount > container._capacity:
            raise ValueError(f"amount(={amount}) exceeds the capacity ({container._capacity}).")
        self.amount = amount
        self.time = container._env.now
        super().__init__(container)


class Container(BaseResource):
    """A continuous or discrete quantity (``level``) up to `capacity`."""

    def __init__(self, env, capacity=float("inf"), init=0):
        _positive_capacity(capacity)
        if init != init or init < 0:
            raise ValueError('"init" must be >= 0.')
        if init > capacity:
            raise ValueError('"init" must be <= "capacity".')
        super().__init__(env, capacity)
        self._level = init

    @property
    def level(self):
        return self._level

    def put(self, amount):
        return ContainerPut(self, amount)

    def get(self, amount):
        return ContainerGet(self, amount)

    def _do_put(self, event):
        if self._capacity - self._level >= event.amount:
            self._level += event.amount
            event.succeed()
            return True

    def _do_get(self, event):
        if self._level >= event.amount:
            self._level -= event.amount
            event.succeed()
            if self._monitors:
                self._changed(event)
            return True


class StorePut(Put):
    __slots__ = ("item",)

    def __init__(self, store, item):  # Put.__init__ inlined: a store's puts are hot
        self.item = item
        env = store._env
        _event_init(self, env)
        self.resource = store
        self.proc = env.active_process
        store.put_queue.append(self)
        self.callbacks.append(store._after_put)
        store._trigger_put(None)


class StoreGet(Get):
    __slots__ = ("time",)

    def __init__(self, store):  # Get.__init__ inlined: a store's gets are hot
        env = store._env
        self.time = env.now
        _event_init(self, env)
        self.resource = store
        self.proc = env.active_process
        store.get_queue.append(self)
        self.callbacks.append(store._after_get)
        store._trigger_get(None)


class FilterStoreGet(StoreGet):
    __slots__ = ("filter",)

    def __init__(self, resource, filter=lambda item: True):
        self.filter = filter
        super().__init__(resource)


class Store(BaseResource):
    """Items (``items``), put and got first in first out, up to `capacity` of them."""

    def __init__(self, env, capacity=float("inf")):
        _positive_capacity(capacity)
        super().__init__(env, capacity)
        self.items = []
        if type(self)._do_put is Store._do_put and type(self)._trigger_put is Store._trigger_put:
            self._trigger_put = self._after_get = self._put_fifo
        if type(self)._do_get is Store._do_get and type(self)._trigger_get is Store._trigger_get:
            self._trigger_get = self._after_put = self._get_fifo

    def _put_fifo(self, get_event):  # _trigger_put with _do_put inlined
        queue = self.put_queue
        if queue:
            event = queue[0]
            items = self.items
            if len(items) < self._capacity:
                items.append(event.item)
                event.succeed()
                del queue[0]
        if self._monitors:
            self._changed()

    def _get_fifo(self, put_event):  # _trigger_get with _do_get inlined
        queue = self.get_queue
        if queue:
            event = queue[0]
            items = self.items
            if items:
                event.succeed(items.pop(0))
                del queue[0]
                if self._monitors:
                    self._changed(event)
        if self._monitors:
            self._changed()

    def put(self, item):
        return StorePut(self, item)

    def get(self):
        return StoreGet(self)

    def _do_put(self, event):
        if len(self.items) < self._capacity:
            self.items.append(event.item)
            event.succeed()

    def _do_get(self, event):
        if self.items:
            event.succeed(self.items.pop(0))
            if self._monitors:
                self._changed(event)


class PriorityItem(namedtuple("PriorityItem", "priority item")):
    """An item of a PriorityStore, ordered by its priority alone."""

    def __lt__(self, other):
        return self.priority < other.priority


class PriorityStore(Store):
    """A Store that gives out its smallest item first."""

    def _do_put(self, event):
        if len(self.items) < self._capacity:
            heappush(self.items, event.item)
            event.succeed()

    def _do_get(self, event):
        if self.items:
            event.succeed(heappop(self.items))
            if self._monitors:
                self._changed(event)


class FilterStore(Store):
    """A Store whose get(filter) takes the first item the filter accepts."""

    def get(self, filter=lambda item: True):
        return FilterStoreGet(self, filter)

    def _do_get(self, event):
        for item in self.items:
            if event.filter(item):
                self.items.remove(item)
                event.succeed(item)
                if self._monitors:
                    self._changed(event)
                break
        return True


from ._monitor import Monitor  # noqa: E402
