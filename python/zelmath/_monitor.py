"""``Environment.monitor(resource)``: time-weighted statistics of a shared resource."""
import math


class Monitor:
    """Statistics of `resource` from the moment the monitor is made until ``env.now``.

    For a Resource (and its priority kinds): ``utilisation`` is the time average of the units in
    use over the capacity, ``mean_queue_length`` the time average of the queued requests and
    ``mean_wait`` the mean time (seconds) from request to grant over the granted requests. For a
    Container or a Store the level (or number of items) takes the place of the units in use and
    the waiting get requests that of the queue. Time averages are integrals over exact
    nanoseconds, summed exactly (integers) when the values are integers.
    """

    def __init__(self, env, resource):
        if getattr(resource, "_env", None) is not env:
            raise ValueError("monitor(resource): the resource belongs to another environment")
        self._env = env
        self._resource = resource
        self._start = self._last = env.now_time
        self._busy = self._busy_now()
        self._queued = self._queued_now()
        self._busy_area = 0
        self._queue_area = 0
        self._waits = 0
        self._wait_sum = 0.0
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

    def _advance(self):
        now = self._env.now_time
        if now != self._last:
            span = _nanoseconds(now - self._last)
            self._busy_area += self._busy * span
            self._queue_area += self._queued * span
            self._last = now

    def _update(self, granted):
        self._advance()
        self._busy = self._busy_now()
        self._queued = self._queued_now()
        if granted is not None:
            self._waits += 1
            self._wait_sum += self._env.now - granted.time

    def _mean(self, area, current):
        span = _nanoseconds(self._env.now_time - self._start)
        if span == 0:
            return math.nan
        area += current * _nanoseconds(self._env.now_time - self._last)
        return area / span

    @property
    def utilisation(self):
        """Time-average fraction of the capacity in use (NaN for an infinite capacity)."""
        capacity = self._resource.capacity
        if math.isinf(capacity):
            return math.nan
        return self._mean(self._busy_area, self._busy) / capacity

    @property
    def mean_level(self):
        """Time-average units in use, level or number of items."""
        return self._mean(self._busy_area, self._busy)

    @property
    def mean_queue_length(self):
        """Time-average number of waiting requests."""
        return self._mean(self._queue_area, self._queued)

    @property
    def mean_wait(self):
        """Mean seconds from request to grant (NaN before the first grant)."""
        return self._wait_sum / self._waits if self._waits else math.nan

    @property
    def granted(self):
        """The number of requests granted since the monitor was made."""
        return self._waits


def _nanoseconds(t):
    return t.whole_seconds * 1_000_000_000 + t.nanoseconds
