// A discrete-event simulation of a single queue with exponential inter-arrival and service
// times: one server (M/M/1), then two (M/M/2), as events on a ZELScheduler with the servers a
// ZELResource. Arrivals draw from stream 1, services from stream 2, and the clock is exact. The simulated mean waiting time and
// utilisation are printed next to the queueing-theory values; resetting the streams repeats a
// run exactly (common random numbers), so two designs can be compared on the same customers.
#include "ZELMath.h"

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int ArrivalStream = 1;
constexpr int ServiceStream = 2;
constexpr int Customers = 200000;

struct Result {
    double meanWait;     // seconds in the queue, before service
    double utilisation;  // busy time of the servers / (servers x elapsed time)
};

// Customers arrive, request a server (first come, first served), hold it for their service and
// release it. The resource records each customer's wait and the time-weighted busy servers.
Result simulate(int servers, double meanInterarrival, double meanService) {
    ZELExponentialDistribution interarrival(meanInterarrival);
    ZELExponentialDistribution service(meanService);
    ZELScheduler scheduler;
    ZELResource server(scheduler, servers);
    int arrived = 0;
    std::function<void()> arrive = [&] {
        server.request([&] {
            scheduler.after(service.getRandomVariate(ServiceStream), [&] { server.release(); });
        });
        // The event holds a reference to `arrive` (stored inline), not a copy of it.
        if (++arrived < Customers)
            scheduler.after(interarrival.getRandomVariate(ArrivalStream), [&arrive] { arrive(); });
    };
    scheduler.after(interarrival.getRandomVariate(ArrivalStream), [&arrive] { arrive(); });
    scheduler.run();  // until the last customer has left
    return {server.waitingTimes().mean(), server.utilisation(scheduler.now())};
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
