// Wall time of a CPU-bound study (about 5 ms a replication, 200 replications, one thread per
// rank) over the ranks mpirun starts; rank 0 prints it. Compare `mpirun -np 1` with `-np 2`
// (target run_replications_mpi_timing runs both).
#include <ZELReplicationsMPI.h>

#include <cstdio>

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    int rank = 0, size = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    ZELReplicationOptions options;
    options.threads = 1;
    MPI_Barrier(MPI_COMM_WORLD);
    const double start = MPI_Wtime();
    const ZELReplicationResults r = ZELRunReplicationsMPI(
        MPI_COMM_WORLD, 200,
        [](const ZELReplication& rep) {
            ZELRandomStream s = rep.stream(0);
            double sum = 0.0;
            for (int i = 0; i < 350000; ++i) sum += s.next();
            return std::vector<double>{sum};
        },
        options);
    const double took = MPI_Wtime() - start;
    if (rank == 0)
        std::printf("ranks %d: %zu replications in %.3f s (mean %.6f)\n", size, r.count(), took,
                    r.mean(0));
    MPI_Finalize();
    return 0;
}
