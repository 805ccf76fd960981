// A study of 1000 shifts of a two-machine production line with breakdowns (see
// production_line.h), on every core: throughput and mean time in system with 95 % confidence
// intervals. The table is the same, to the last digit, on one thread or many.
#include "production_line.h"

#include <chrono>
#include <cstdio>
#include <thread>

int main() {
    ZELReplicationOptions options;  // MRG32k3a streams, package seed 12345 x 6, every core
    const auto start = std::chrono::steady_clock::now();
    const ZELReplicationResults results = ZELRunReplications(1000, production_line::shift, options);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf(
        "Two-machine line, buffer of %zu, %g-minute shifts: %zu replications on %u threads in %.2f "
        "s\n\n",
        production_line::BufferSize, production_line::Shift, results.count(),
        std::thread::hardware_concurrency(), took.count());
    std::printf("%s\n", results.summary(production_line::Outputs).c_str());

    options.threads = 1;
    const bool same =
        ZELRunReplications(1000, production_line::shift, options)
            .summary(production_line::Outputs) == results.summary(production_line::Outputs);
    std::printf("The same study on one thread gives %s.\n",
                same ? "the same table" : "ANOTHER TABLE (a bug)");
    return same ? 0 : 1;
}
