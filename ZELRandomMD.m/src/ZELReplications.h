/// \file
/// A study of independent replications of a model, run on a pool of threads with the same bits
/// as on one thread.
///
///     ZELReplicationOptions options;            // MRG32k3a, package seed 12345 x 6, all cores
///     ZELReplicationResults r = ZELRunReplications(1000, [](const ZELReplication& rep) {
///         ZELRandomStream arrivals = rep.stream(0), services = rep.stream(1);
///         ...                                   // simulate one replication
///         return std::vector<double>{throughput, meanTimeInSystem};
///     }, options);
///     std::cout << r.summary({"throughput", "time in system"});
///
/// Reproducibility: the model of replication r draws from `rep.stream(source)`, a stream keyed
/// by (source, r) and by nothing else: not by the thread, the worker or the order of execution.
/// Its outputs are stored as row r - first of the results, and the statistics are computed
/// afterwards in replication order. So the values and every statistic are identical for any
/// number of threads (or processes, or ranks), and a study split by `first` into parts gives the
/// rows of the whole study (ZELReplicationResults::Join). Replication r of two scenarios sees
/// the same numbers per source: common random numbers come for free.
///
/// Failures (the study stops and no partial result is returned; every thread is joined first):
/// - a model that throws: ZELERuntimeError "ZELRunReplications: replication <index> failed:
///   <the model's what()>"; with several failing replications the lowest index is reported,
///   whatever the thread count;
/// - a model that returns a different number of outputs than the first replication of the
///   run: ZELEDomainError naming the replication and both counts (checked after the model ran
///   for every replication without throwing);
/// - the Classic engine (its streams are shared, not per replication), an invalid package seed
///   or an index beyond the engine's substreams (2^51 for MRG32k3a, 2^32 for Philox):
///   ZELEDomainError before any model runs;
/// - n = 0: an empty result (count() == 0) whose summary says so.
/// A progress callback that throws stops the study too; its exception is rethrown unchanged.
#ifndef ZELMATH_ZELRANDOMMD_ZELREPLICATIONS_H
#define ZELMATH_ZELRANDOMMD_ZELREPLICATIONS_H

/// \addtogroup random
/// @{

#include "ZELMathExport.h"
#include "ZELRandomMD.m/src/ZELRandomStream.h"
#include "ZELRandomMD.m/src/ZELReplicationResults.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

/// How a study is keyed and run.
struct ZELReplicationOptions {
    /// MRG32k3a or Philox (Classic is refused: its streams are shared by the whole process).
    ZELStreamEngine engine = ZELStreamEngine::MRG32k3a;
    /// The package seed of the MRG32k3a streams.
    std::array<std::uint32_t, 6> packageSeed = ZELRandomStream::DefaultPackageSeed;
    /// The key of the Philox streams.
    std::uint64_t seed = 0;
    /// Threads of the pool; 0 means every hardware thread. Never more than the replications.
    unsigned threads = 0;
    /// The index of the first replication: a study split across jobs, or resumed, runs the
    /// ranges [first, first + n) one after another.
    std::uint64_t first = 0;
    /// Called after each finished replication with (finished so far, n); one call at a time, on
    /// the pool's threads. May be empty.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

/// What a model receives: the replication number and its streams.
class ZELMATH_EXPORT ZELReplication {
public:
    /// Replication `index` of the study keyed by options' engine, package seed and seed.
    ZELReplication(std::uint64_t index, const ZELReplicationOptions& options) noexcept;

    std::uint64_t index() const noexcept { return index_; }
    ZELStreamEngine engine() const noexcept { return engine_; }
    const std::array<std::uint32_t, 6>& packageSeed() const noexcept { return packageSeed_; }
    std::uint64_t seed() const noexcept { return seed_; }

    /// The stream of `source` in this replication: MRG32k3a stream `source`, substream
    /// index() of the package seed; or Philox with key seed, stream `source`, substream index().
    ZELRandomStream stream(std::uint64_t source) const;

private:
    std::uint64_t index_;
    ZELStreamEngine engine_;
    std::array<std::uint32_t, 6> packageSeed_;
    std::uint64_t seed_;
};

/// What one part of a study (a batch, an MPI rank's block, a chunk of a Python runner) reports
/// to ZELReplicationBatch::Judge.
struct ZELReplicationPart {
    /// Its first replication and the number of rows it finished.
    std::uint64_t start = 0;
    std::uint64_t count = 0;
    /// Whether a model threw, and the lowest replication of the part that did.
    bool failed = false;
    std::uint64_t failedIndex = 0;
    /// The number of outputs of its first row (0 without rows).
    std::uint64_t outputs = 0;
    /// The position of its first row with another number of outputs (count when none) and that
    /// row's number of outputs.
    std::uint64_t mismatch = 0;
    std::uint64_t mismatchOutputs = 0;
};

/// What ZELReplicationBatch::Judge decided for a study that did not fail on its outputs.
struct ZELReplicationVerdict {
    /// The position in the parts of the part whose failure is the study's; the number of parts
    /// when no model threw.
    std::size_t failedPart = 0;
    /// The number of outputs of the study (its first replication's).
    std::uint64_t outputs = 0;
};

/// What one run of replications produced, before it is judged: the building block of
/// ZELRunReplications and of the runners that spread a study over processes (they run a batch
/// each and decide together which failure, if any, to report).
class ZELMATH_EXPORT ZELReplicationBatch {
public:
    using Call = std::vector<double> (*)(void* model, const ZELReplication& replication);

    /// Runs replications options.first .. options.first + n - 1 as `call(model, replication)`
    /// on the pool; stops at the first failure (every thread joined). Throws ZELEDomainError
    /// for the input refused before any model runs, and rethrows a progress callback's error.
    static ZELReplicationBatch Run(std::uint64_t n, Call call, void* model,
                                   const ZELReplicationOptions& options);
    /// Run for any callable model: a function, a lambda, an object with operator().
    template <class Model>
    static ZELReplicationBatch RunModel(std::uint64_t n, Model& model,
                                        const ZELReplicationOptions& options) {
        if constexpr (std::is_function_v<Model>) {
            Model* pointer = &model;
            return RunModel(n, pointer, options);
        } else {
            Call call = [](void* m, const ZELReplication& replication) -> std::vector<double> {
                return (*static_cast<Model*>(m))(replication);
            };
            return Run(n, call, const_cast<void*>(static_cast<const void*>(std::addressof(model))),
                       options);
        }
    }
    /// Refuses (ZELEDomainError) a study that no replication could run: the checks of Run.
    static void Check(std::uint64_t n, const ZELReplicationOptions& options);

    std::uint64_t first() const noexcept { return first_; }
    std::uint64_t count() const noexcept { return rows_.size(); }
    /// True when a model threw; the lowest such index and its message (what()).
    bool failed() const noexcept { return failed_; }
    std::uint64_t failedIndex() const noexcept { return failedIndex_; }
    const std::string& failure() const noexcept { return failure_; }
    /// The number of outputs of the batch's first replication (0 for an empty batch).
    std::size_t outputs() const noexcept { return rows_.empty() ? 0 : rows_[0].size(); }
    /// The batch as one part of a study, for Judge.
    ZELReplicationPart part() const noexcept;
    /// Writes the rows one after another (count() x outputs() values).
    void copyValues(double* out) const noexcept;

    /// The results, or the error the rules above give for this batch.
    ZELReplicationResults results() const;

    /// The one rule by which every runner decides a study's error from its parts (in replication
    /// order; empty parts count for nothing): the lowest replication whose model threw wins,
    /// whatever part, thread or rank ran it: the verdict names its part, whose message the
    /// runner raises with ThrowFailure. Otherwise the lowest replication whose number of outputs
    /// differs from the study's first replication's: ThrowMismatch, from here. `first` is the
    /// study's first replication.
    static ZELReplicationVerdict Judge(const ZELReplicationPart* parts, std::size_t count,
                                       std::uint64_t first);

    /// The errors of a study, worded once for every runner.
    [[noreturn]] static void ThrowFailure(std::uint64_t index, const std::string& what);
    [[noreturn]] static void ThrowMismatch(std::uint64_t index, std::size_t outputs,
                                           std::uint64_t firstIndex, std::size_t firstOutputs);

private:
    ZELReplicationBatch() = default;

    std::uint64_t first_ = 0;
    std::vector<std::vector<double>> rows_;
    bool failed_ = false;
    std::uint64_t failedIndex_ = 0;
    std::string failure_;
};

/// Runs replications options.first .. options.first + n - 1 of `model` on a pool of
/// options.threads threads (dynamic scheduling: each thread takes the next replication when it
/// is free). `model(const ZELReplication&)` returns std::vector<double> (k outputs, the same k
/// every time); it is called from several threads at once, so it must not share mutable state
/// without synchronising it. See the top of this file for failures and reproducibility.
template <class Model>
ZELReplicationResults ZELRunReplications(std::uint64_t n, Model&& model,
                                         const ZELReplicationOptions& options = {}) {
    return ZELReplicationBatch::RunModel(n, model, options).results();
}

/// @}

#endif
