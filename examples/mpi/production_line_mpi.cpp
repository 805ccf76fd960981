// The production-line study of production_line.cpp spread over MPI ranks (and each rank's
// threads): run with `mpirun -np 2 production_line_mpi`. Every rank receives the whole study;
// rank 0 prints it, and it is the table of the threaded example.
#include "../production_line.h"

#include <ZELReplicationsMPI.h>

#include <cstdio>

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    int rank = 0, size = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    ZELReplicationOptions options;
    options.threads = 1;  // one thread per rank: start as many ranks as cores
    const ZELReplicationResults results =
        ZELRunReplicationsMPI(MPI_COMM_WORLD, 1000, production_line::shift, options);
    if (rank == 0)
        std::printf("Two-machine line on %d MPI ranks: %zu replications\n\n%s\n", size,
                    results.count(), results.summary(production_line::Outputs).c_str());
    MPI_Finalize();
    return 0;
}
