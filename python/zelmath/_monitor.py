"""``Environment.monitor(resource)``: time-weighted statistics of a shared resource."""
import math

from . import _zelmath  # type: ignore[attr-defined]  # the compiled extension


class Monitor:
    """Statistics of `resource` from the moment the monitor is made until ``env.now``.

    For a Resource (and its priority kinds): ``utilisation`` is the time average of the units in
    use over the capacity, ``mean_queue_length`` the time average of the queued requests and
    ``mean_wait`` the mean time (seconds) from request to grant over the granted requests. For a
    Container or a Store the level (or number of items) takes the place of the units in use and
    the waiting get requests that of the queue. The statistics are the library's TimeWeighted
    (integrals over exact nanoseconds, compensated sums) and Tally.
    """

    def __init__(self, env, resource):
        if getattr(resource, "_env", None) is not env:
            raise ValueError("monitor(resource): the resource belongs to another environment")
        self._env = env
        self._resource = resource
        self._start = env.now_time
        self._busy = _zelmath.TimeWeighted(self._start, self._busy_now())
        self._queued = _zelmath.TimeWeighted(self._start, self._queued_now())
        self._waits = _zelmath.Tally()
        resource._monitors.append(self)

    def _busy_now(self):
        r = self._resource
        if hasattr(r, "users"):
            return len(r.users)
        if hasattr(r, "items"):
            return len(r.items)
        return r.level

    def _queued_now(self):
        r = self._resource
        return len(r.put_queue if hasattr(r, "users") else r.get_queue)

    def _update(self, granted):
        now = self._env.now_time
        self._busy.set(now, self._busy_now())
        self._queued.set(now, self._queued_now())
        if granted is not None:
            self._waits.add(self._env.now - granted.time)

    def _mean(self, statistic):
        now = self._env.now_time
        return math.nan if now == self._start else statistic.mean(now)

    @property
    def utilisation(self):
        """Time-average fraction of the capacity in use (NaN for an infinite capacity)."""
        capacity = self._resource.capacity
        if math.isinf(capacity):
            return math.nan
        return self._mean(self._busy) / capacity

    @property
    def mean_level(self):
        """Time-average units in use, level or number of items."""
        return self._mean(self._busy)

    @property
    def mean_queue_length(self):
        """Time-average number of waiting requests."""
        return self._mean(self._queued)

    @property
    def mean_wait(self):
        """Mean seconds from request to grant (NaN before the first grant)."""
        return self._waits.mean if self._waits.count else math.nan

    @property
    def granted(self):
        """The number of requests granted since the monitor was made."""
        return self._waits.count
