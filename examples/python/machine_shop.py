"""A machine shop whose machines break down: a repair preempts the job running on the machine.

Each machine is a PreemptiveResource of capacity 1. Jobs request it with priority 1; a
breakdown requests it with priority 0 and so interrupts the job, which keeps the work it has
done and queues again for the rest. Replicated 100 times with zelmath.replicate.
"""
import math

import zelmath
import zelmath.simulation as simpy

MACHINES = 3
MEAN_JOB = 10.0  # minutes of work per job
JOBS_PER_MINUTE = 0.25
MEAN_TIME_TO_FAILURE = 120.0
MEAN_REPAIR = 15.0
WEEK = 5 * 8 * 60  # minutes


def shop_week(rep):
    arrivals, work, failures, repairs = (rep.stream(k) for k in range(4))

    def exponential(stream, mean):
        return -mean * math.log(stream.next())

    env = simpy.Environment()
    machines = [simpy.PreemptiveResource(env, capacity=1) for _ in range(MACHINES)]
    finished, preemptions, flow_times = [0], [0], []

    def job(machine, remaining):
        arrive = env.now
        while remaining > 0:
            with machine.request(priority=1) as request:
                yield request
                try:
                    yield env.timeout(remaining)
                    remaining = 0.0
                except simpy.Interrupt as interrupt:
                    preemptions[0] += 1
                    # The cause is Preempted(by, usage_since, resource): the work done since
                    # the job got the machine counts.
                    remaining -= env.now - interrupt.cause.usage_since
        finished[0] += 1
        flow_times.append(env.now - arrive)

    def breakdowns(machine):
        while True:
            yield env.timeout(exponential(failures, MEAN_TIME_TO_FAILURE))
            with machine.request(priority=0) as repair:
                yield repair
                yield env.timeout(exponential(repairs, MEAN_REPAIR))

    def dispatcher():
        k = 0
        while True:
            yield env.timeout(exponential(arrivals, 1.0 / JOBS_PER_MINUTE))
            env.process(job(machines[k % MACHINES], exponential(work, MEAN_JOB)))
            k += 1

    for machine in machines:
        env.process(breakdowns(machine))
    env.process(dispatcher())
    env.run(until=WEEK)
    return [finished[0], preemptions[0], sum(flow_times) / len(flow_times)]


if __name__ == "__main__":
    study = zelmath.replicate(shop_week, 100)
    print(f"A machine shop of {MACHINES} machines with breakdowns, 100 replicated weeks")
    print(study.summary(["jobs finished", "jobs preempted", "mean flow time (min)"]))
