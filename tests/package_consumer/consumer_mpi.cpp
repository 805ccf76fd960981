// Builds against the installed MPI component only (ZELMath::mpi or pkg-config zelmath-mpi) and
// runs a study over however many ranks mpiexec starts. Every rank must hold, bit for bit, the
// study run on its own with one thread; rank 0 then prints the study's means as hexadecimal
// floats, which are the same text for every build of this program and every number of ranks.
// Exit status 0 on every rank when all holds.
#include <ZELReplicationsMPI.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::vector<double> model(const ZELReplication& rep) {
    ZELRandomStream arrivals = rep.stream(0), services = rep.stream(1);
    double wait = 0.0, total = 0.0;
    for (int i = 0; i < 50; ++i) {
        total += wait;
        const double next = wait + services.next() - arrivals.next();
        wait = next > 0.0 ? next : 0.0;
    }
    return {total, wait};
}

}  // namespace

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    ZELReplicationOptions options;
    options.seed = 2024;
    options.first = 3;
    options.threads = 1;
    const ZELReplicationResults alone = ZELRunReplications(37, model, options);
    options.threads = 2;
    const ZELReplicationResults spread = ZELRunReplicationsMPI(MPI_COMM_WORLD, 37, model, options);
    bool same = spread.count() == alone.count() && spread.outputs() == alone.outputs() &&
        spread.first() == alone.first();
    for (std::size_t i = 0; same && i < alone.count(); ++i)
        same = std::memcmp(spread.values()[i].data(), alone.values()[i].data(),
                           alone.outputs() * sizeof(double)) == 0;
    if (!same)
        std::fprintf(stderr, "rank %d: the study over MPI differs from one thread's\n", rank);
    if (rank == 0 && same) std::printf("%a %a\n", spread.mean(0), spread.mean(1));
    MPI_Finalize();
    return same ? 0 : 1;
}
