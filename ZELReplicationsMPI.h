/// \file
/// ZELRunReplicationsMPI: a study of replications spread over the ranks of an MPI communicator.
///
/// Use with the CMake target `ZELMath::mpi` (or pkg-config `zelmath-mpi`) and
/// `#include <ZELReplicationsMPI.h>`; built when MPI is found (option ZELMATH_BUILD_MPI).
///
/// Every rank of `comm` calls it with the same n, model and options. Rank r of s runs the
/// contiguous block of replications [first + r n / s, first + (r + 1) n / s) on its own pool of
/// options.threads threads; the rows are then gathered to every rank in replication order. The
/// result is, on every rank, bit for bit the result of ZELRunReplications with one thread.
/// options.progress, when set, is called on each rank with that rank's own counts.
///
/// Failures are decided together, so that every rank throws the same error (and none waits for
/// ever): the lowest replication whose model threw, on whichever rank (ZELERuntimeError with
/// that rank's message); otherwise the lowest replication whose number of outputs differs from
/// the first replication's (ZELEDomainError). Input refused before any model runs (see
/// ZELReplications.h) is refused on every rank alike.
#ifndef ZELMATH_ZELREPLICATIONSMPI_H
#define ZELMATH_ZELREPLICATIONSMPI_H

#include "ZELMath.h"

#include <mpi.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace zel_mpi_detail {

// One rank's account of its block (a ZELReplicationPart), exchanged by every rank.
enum : int {
    kStart,
    kCount,
    kFailed,
    kFailedIndex,
    kOutputs,
    kMismatch,
    kMismatchOutputs,
    kFields
};

// Sends `count` doubles from `root` to every rank, in pieces an int can count.
inline void broadcast(double* data, std::uint64_t count, int root, MPI_Comm comm) {
    const std::uint64_t piece = std::uint64_t{1} << 28;
    for (std::uint64_t done = 0; done < count; done += piece)
        MPI_Bcast(data + done, static_cast<int>(std::min(piece, count - done)), MPI_DOUBLE, root,
                  comm);
}

// `runBlock(count, options)` runs this rank's block and returns its ZELReplicationBatch.
template <class RunBlock>
ZELReplicationResults runOnRanks(MPI_Comm comm, std::uint64_t n,
                                 const ZELReplicationOptions& options, RunBlock&& runBlock) {
    int rank = 0, size = 1;
    MPI_Comm_rank(comm, &rank);
    MPI_Comm_size(comm, &size);
    ZELReplicationBatch::Check(n, options);
    const auto blockStart = [&](int r) {
        const std::uint64_t s = static_cast<std::uint64_t>(size);
        const std::uint64_t q = n / s, m = n % s, rr = static_cast<std::uint64_t>(r);
        return q * rr + std::min(rr, m);
    };
    ZELReplicationOptions local = options;
    local.first = options.first + blockStart(rank);
    const ZELReplicationBatch batch = runBlock(blockStart(rank + 1) - blockStart(rank), local);

    const ZELReplicationPart part = batch.part();
    const std::uint64_t mine[kFields] = {part.start,          part.count,   part.failed ? 1u : 0u,
                                         part.failedIndex,    part.outputs, part.mismatch,
                                         part.mismatchOutputs};
    std::vector<std::uint64_t> all(static_cast<std::size_t>(kFields) *
                                   static_cast<std::size_t>(size));
    MPI_Allgather(mine, kFields, MPI_UINT64_T, all.data(), kFields, MPI_UINT64_T, comm);
    std::vector<ZELReplicationPart> parts(static_cast<std::size_t>(size));
    for (std::size_t r = 0; r < parts.size(); ++r) {
        const std::uint64_t* f = all.data() + r * kFields;
        parts[r] = {f[kStart],   f[kCount],    f[kFailed] != 0,    f[kFailedIndex],
                    f[kOutputs], f[kMismatch], f[kMismatchOutputs]};
    }

    // Every rank judges the same parts alike (a mismatch throws here, on every rank); a model
    // that threw: its rank sends the message.
    const ZELReplicationVerdict verdict =
        ZELReplicationBatch::Judge(parts.data(), parts.size(), options.first);
    if (verdict.failedPart < parts.size()) {
        const int failedRank = static_cast<int>(verdict.failedPart);
        std::string message = rank == failedRank ? batch.failure() : std::string();
        std::uint64_t length = message.size();
        MPI_Bcast(&length, 1, MPI_UINT64_T, failedRank, comm);
        message.resize(static_cast<std::size_t>(length));
        MPI_Bcast(message.empty() ? nullptr : &message[0], static_cast<int>(length), MPI_CHAR,
                  failedRank, comm);
        ZELReplicationBatch::ThrowFailure(parts[verdict.failedPart].failedIndex, message);
    }
    const std::uint64_t k = verdict.outputs;
    // Every rank's rows, in rank order: replication order.
    std::vector<double> values(static_cast<std::size_t>(n * k));
    for (int r = 0; r < size; ++r) {
        double* block = values.data() + blockStart(r) * k;
        if (r == rank) batch.copyValues(block);
        broadcast(block, parts[static_cast<std::size_t>(r)].count * k, r, comm);
    }
    return ZELReplicationResults(
        ZELMathMatrix(values.data(), static_cast<std::size_t>(n), static_cast<std::size_t>(k)),
        options.first);
}

}  // namespace zel_mpi_detail

/// Runs replications options.first .. options.first + n - 1 of `model` over the ranks of
/// `comm` and each rank's threads; every rank returns the whole study's results.
template <class Model>
ZELReplicationResults ZELRunReplicationsMPI(MPI_Comm comm, std::uint64_t n, Model&& model,
                                            const ZELReplicationOptions& options = {}) {
    return zel_mpi_detail::runOnRanks(comm, n, options,
                                      [&](std::uint64_t count, const ZELReplicationOptions& local) {
                                          return ZELReplicationBatch::RunModel(count, model, local);
                                      });
}

#endif
