// ZELRunReplicationsMPI on however many ranks mpirun starts: every rank must hold, bit for bit,
// the study ZELRunReplications computes with one thread, and every rank must report the same
// error for a failing model. Exit status 0 on every rank when all holds.
#include <ZELReplicationsMPI.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

int failures = 0;

void check(bool ok, const char* what, int rank) {
    if (!ok) {
        std::fprintf(stderr, "rank %d: FAILED: %s\n", rank, what);
        ++failures;
    }
}

std::vector<double> model(const ZELReplication& rep) {
    ZELRandomStream s = rep.stream(2);
    double sum = 0.0;
    for (int i = 0; i < 100 + static_cast<int>(rep.index() % 5) * 100; ++i) sum += s.next();
    return {sum,
            rep.index() % 9 == 4 ? std::numeric_limits<double>::quiet_NaN() : rep.stream(5).next()};
}

bool sameBits(const ZELReplicationResults& a, const ZELReplicationResults& b) {
    if (a.count() != b.count() || a.outputs() != b.outputs() || a.first() != b.first())
        return false;
    for (std::size_t i = 0; i < a.count(); ++i)
        if (std::memcmp(a.values()[i].data(), b.values()[i].data(), a.outputs() * sizeof(double)) !=
            0)
            return false;
    return a.summary() == b.summary();
}

}  // namespace

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    for (ZELStreamEngine engine : {ZELStreamEngine::MRG32k3a, ZELStreamEngine::Philox}) {
        ZELReplicationOptions options;
        options.engine = engine;
        options.seed = 77;
        options.first = 5;
        options.threads = 1;
        const ZELReplicationResults reference = ZELRunReplications(101, model, options);
        options.threads = 2;
        check(sameBits(ZELRunReplicationsMPI(MPI_COMM_WORLD, 101, model, options), reference),
              "same bits", rank);
        check(ZELRunReplicationsMPI(MPI_COMM_WORLD, 1, model, options).count() == 1,
              "one replication", rank);
        check(ZELRunReplicationsMPI(MPI_COMM_WORLD, 0, model, options).count() == 0,
              "no replications", rank);
    }
    // Replication 70 lies in the last rank's block when there are two: every rank reports it.
    try {
        ZELRunReplicationsMPI(MPI_COMM_WORLD, 90, [](const ZELReplication& rep) {
            if (rep.index() == 70 || rep.index() == 85) throw std::runtime_error("tool broke");
            return std::vector<double>{1.0};
        });
        check(false, "a throwing model gives an error", rank);
    } catch (const ZELERuntimeError& e) {
        check(std::strstr(e.what(), "replication 70 failed: tool broke") != nullptr, e.what(),
              rank);
    }
    try {
        ZELRunReplicationsMPI(MPI_COMM_WORLD, 90, [](const ZELReplication& rep) {
            return std::vector<double>(rep.index() >= 60 ? 3 : 2, 0.5);
        });
        check(false, "a changing output count gives an error", rank);
    } catch (const ZELEDomainError& e) {
        check(std::strstr(e.what(), "replication 60 returned 3 outputs") != nullptr, e.what(),
              rank);
    }
    int all = 0;
    MPI_Allreduce(&failures, &all, 1, MPI_INT, MPI_SUM, MPI_COMM_WORLD);
    if (rank == 0)
        std::printf("ZELRunReplicationsMPI: %s\n", all == 0 ? "all checks passed" : "FAILED");
    MPI_Finalize();
    return all == 0 ? 0 : 1;
}
