// A discrete-event simulation of a single queue with exponential inter-arrival and service
// times: one server (M/M/1), then two (M/M/2). Arrivals draw from stream 1, services from
// stream 2, and the clock is an exact ZELSimTime. The simulated mean waiting time and
// utilisation are printed next to the queueing-theory values; resetting the streams repeats a
// run exactly (common random numbers), so two designs can be compared on the same customers.
#include "ZELMath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <queue>
#include <vector>

namespace {

constexpr int ArrivalStream = 1;
constexpr int ServiceStream = 2;
constexpr int Customers = 200000;

struct Result {
    double meanWait;     // seconds in the queue, before service
    double utilisation;  // busy time of the servers / (servers x elapsed time)
};

// First-come first-served: each customer goes to the server that becomes free first.
Result simulate(int servers, double meanInterarrival, double meanService) {
    ZELExponentialDistribution interarrival(meanInterarrival);
    ZELExponentialDistribution service(meanService);
    // Times at which the servers become free, earliest on top.
    std::priority_queue<ZELSimTime, std::vector<ZELSimTime>, std::greater<ZELSimTime>> freeAt;
    for (int s = 0; s < servers; ++s) freeAt.push(ZELSimTime());

    ZELSimTime clock;  // arrival time of the current customer
    ZELSimTime totalWait, busy, lastDeparture;
    for (int i = 0; i < Customers; ++i) {
        clock += ZELSimTime(interarrival.getRandomVariate(ArrivalStream));
        const ZELSimTime serviceTime(service.getRandomVariate(ServiceStream));
        const ZELSimTime start = std::max(clock, freeAt.top());
        freeAt.pop();
        const ZELSimTime departure = start + serviceTime;
        freeAt.push(departure);
        totalWait += start - clock;
        busy += serviceTime;
        lastDeparture = std::max(lastDeparture, departure);
    }
    return {totalWait.seconds() / Customers, busy.seconds() / (servers * lastDeparture.seconds())};
}

// Mean wait in queue of an M/M/c queue (Erlang's C formula).
double theoreticalWait(int c, double meanInterarrival, double meanService) {
    const double lambda = 1.0 / meanInterarrival, mu = 1.0 / meanService;
    const double a = lambda / mu, rho = a / c;
    double sum = 0.0, term = 1.0;  // term = a^k / k!
    for (int k = 0; k < c; ++k) {
        sum += term;
        term *= a / (k + 1);
    }
    const double tail = term / (1.0 - rho);
    return tail / (sum + tail) / (c * mu - lambda);
}

void resetStreams() {
    ZELRandomGenerator* generator = ZELRandomGenerator::Instance();
    generator->ResetStream(ArrivalStream);
    generator->ResetStream(ServiceStream);
}

void report(const char* name, int servers, double meanInterarrival, double meanService) {
    resetStreams();
    const Result r = simulate(servers, meanInterarrival, meanService);
    const double rho = meanService / (servers * meanInterarrival);
    std::printf("%-36s wait %7.2f s (theory %6.2f)   utilisation %.4f (theory %.4f)\n", name,
                r.meanWait, theoreticalWait(servers, meanInterarrival, meanService), r.utilisation,
                rho);
}

}  // namespace

int main() {
    std::printf("%d customers, arrivals on stream %d, services on stream %d\n\n", Customers,
                ArrivalStream, ServiceStream);
    report("M/M/1, arrivals 10 s, service 8 s", 1, 10.0, 8.0);
    report("M/M/2, arrivals 5 s, service 8 s", 2, 5.0, 8.0);

    // Common random numbers: the same streams, reset, give the identical run ...
    resetStreams();
    const Result first = simulate(1, 10.0, 8.0);
    resetStreams();
    const Result again = simulate(1, 10.0, 8.0);
    std::printf("\nrepeated M/M/1 run after ResetStream: %s (mean wait %.6f s both times)\n",
                first.meanWait == again.meanWait && first.utilisation == again.utilisation
                    ? "identical"
                    : "DIFFERENT",
                again.meanWait);
    // ... so a faster server is compared on exactly the same customers.
    resetStreams();
    const Result faster = simulate(1, 10.0, 7.0);
    std::printf(
        "service 7 s instead of 8 s on the same customers: wait %.2f s -> %.2f s "
        "(theory %.2f s -> %.2f s)\n",
        first.meanWait, faster.meanWait, theoreticalWait(1, 10.0, 8.0),
        theoreticalWait(1, 10.0, 7.0));
    return 0;
}
