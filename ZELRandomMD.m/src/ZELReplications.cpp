#include "ZELRandomMD.m/src/ZELReplications.h"

#include "foundation/ZELException.h"
#include "ZELRandomMD.m/src/internal/ZELRandomReportSites.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// The state the pool's threads share while a batch runs.
struct Pool {
    Pool(std::uint64_t count, ZELReplicationBatch::Call c, void* m, const ZELReplicationOptions& o,
         std::vector<std::vector<double>>& r)
        : n(count), call(c), model(m), options(o), rows(r) {}

    std::uint64_t n;
    ZELReplicationBatch::Call call;
    void* model;
    const ZELReplicationOptions& options;
    std::vector<std::vector<double>>& rows;

    std::atomic<std::uint64_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;  // guards what follows
    std::uint64_t done = 0;
    bool failed = false;
    std::uint64_t failedPosition = 0;
    std::string failure;
    std::exception_ptr progressError;

    void fail(std::uint64_t position, std::string what) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!failed || position < failedPosition) {
            failed = true;
            failedPosition = position;
            failure = std::move(what);
        }
        stop.store(true, std::memory_order_relaxed);
    }

    // Takes replications in increasing order until none is left or the study stops. The
    // positions taken are always a prefix 0..m-1 and every one taken is finished, so the lowest
    // failing position found is the lowest of the whole study, for any thread count.
    void work() {
        while (!stop.load(std::memory_order_relaxed)) {
            const std::uint64_t i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= n) return;
            const ZELReplication replication(options.first + i, options);
            try {
                rows[i] = call(model, replication);
            } catch (const std::exception& e) {
                fail(i, e.what());
                return;
            } catch (...) {
                fail(i, "an exception that is not a std::exception");
                return;
            }
            if (options.progress) {
                std::lock_guard<std::mutex> lock(mutex);
                ++done;
                try {
                    options.progress(done, n);
                } catch (...) {
                    if (!progressError) progressError = std::current_exception();
                    stop.store(true, std::memory_order_relaxed);
                }
            }
        }
    }
};

}  // namespace

ZELReplication::ZELReplication(std::uint64_t index, const ZELReplicationOptions& options) noexcept
    : index_(index),
      engine_(options.engine),
      packageSeed_(options.packageSeed),
      seed_(options.seed) {}

ZELRandomStream ZELReplication::stream(std::uint64_t source) const {
    if (engine_ == ZELStreamEngine::Philox) return ZELRandomStream::Philox(seed_, source, index_);
    return ZELRandomStream::MRG32k3a(source, index_, packageSeed_);
}

void ZELReplicationBatch::Check(std::uint64_t n, const ZELReplicationOptions& options) {
    if (options.engine == ZELStreamEngine::Classic)
        zel_internal::raise<ZELEDomainError>(
            zel_internal::kReplicationRefused,
            "the Classic engine's streams are shared by the whole process and cannot "
            "be keyed by replication; use MRG32k3a or Philox");
    if (n > 0 && options.first > std::numeric_limits<std::uint64_t>::max() - (n - 1))
        zel_internal::raise<ZELEDomainError>(zel_internal::kReplicationRefused,
                                             "replications " + std::to_string(options.first) +
                                                 " + " + std::to_string(n) +
                                                 " go beyond the largest index 2^64 - 1");
    // The last replication's stream: refuses an invalid package seed, or an index beyond the
    // engine's substreams (2^51 for MRG32k3a, 2^32 for Philox), with the stream's own message.
    if (n > 0) (void)ZELReplication(options.first + (n - 1), options).stream(0);
}

ZELReplicationBatch ZELReplicationBatch::Run(std::uint64_t n, Call call, void* model,
                                             const ZELReplicationOptions& options) {
    Check(n, options);
    ZELReplicationBatch batch;
    batch.first_ = options.first;
    batch.rows_.resize(static_cast<std::size_t>(n));
    Pool pool(n, call, model, options, batch.rows_);

    unsigned threads = options.threads != 0 ? options.threads : std::thread::hardware_concurrency();
    if (threads == 0) threads = 1;
    if (threads > n) threads = static_cast<unsigned>(std::max<std::uint64_t>(n, 1));
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(threads - 1);
        for (unsigned t = 1; t < threads; ++t) helpers.emplace_back([&pool] { pool.work(); });
    } catch (...) {
        // Fewer threads than asked for (the system refused one): the threads that started and the
        // calling thread do the work.
    }
    pool.work();
    for (std::thread& helper : helpers) helper.join();

    if (pool.progressError) std::rethrow_exception(pool.progressError);
    if (pool.failed) {
        batch.failed_ = true;
        batch.failedIndex_ = options.first + pool.failedPosition;
        batch.failure_ = std::move(pool.failure);
    }
    return batch;
}

ZELReplicationPart ZELReplicationBatch::part() const noexcept {
    ZELReplicationPart p;
    p.start = first_;
    p.count = rows_.size();
    p.failed = failed_;
    p.failedIndex = failedIndex_;
    p.outputs = outputs();
    p.mismatch = 0;
    while (p.mismatch < p.count && rows_[p.mismatch].size() == p.outputs) ++p.mismatch;
    p.mismatchOutputs = p.mismatch < p.count ? rows_[p.mismatch].size() : 0;
    return p;
}

void ZELReplicationBatch::copyValues(double* out) const noexcept {
    for (const std::vector<double>& row : rows_) out = std::copy(row.begin(), row.end(), out);
}

ZELReplicationVerdict ZELReplicationBatch::Judge(const ZELReplicationPart* parts, std::size_t count,
                                                 std::uint64_t first) {
    ZELReplicationVerdict verdict;
    verdict.failedPart = count;
    for (std::size_t i = 0; i < count; ++i)
        if (parts[i].failed &&
            (verdict.failedPart == count ||
             parts[i].failedIndex < parts[verdict.failedPart].failedIndex))
            verdict.failedPart = i;
    std::size_t firstPart = 0;
    while (firstPart < count && parts[firstPart].count == 0) ++firstPart;
    if (firstPart == count) return verdict;
    verdict.outputs = parts[firstPart].outputs;
    if (verdict.failedPart < count) return verdict;
    for (std::size_t i = firstPart; i < count; ++i) {
        const ZELReplicationPart& p = parts[i];
        if (p.count == 0) continue;
        if (p.outputs != verdict.outputs)
            ThrowMismatch(p.start, static_cast<std::size_t>(p.outputs), first,
                          static_cast<std::size_t>(verdict.outputs));
        if (p.mismatch < p.count)
            ThrowMismatch(p.start + p.mismatch, static_cast<std::size_t>(p.mismatchOutputs), first,
                          static_cast<std::size_t>(verdict.outputs));
    }
    return verdict;
}

ZELReplicationResults ZELReplicationBatch::results() const {
    const ZELReplicationPart whole = part();
    const ZELReplicationVerdict verdict = Judge(&whole, 1, first_);
    if (verdict.failedPart == 0) ThrowFailure(failedIndex_, failure_);
    const std::size_t k = static_cast<std::size_t>(verdict.outputs);
    ZELMathMatrix values(rows_.size(), k, ZELUninitialized);
    for (std::size_t i = 0; i < rows_.size(); ++i)
        std::copy(rows_[i].begin(), rows_[i].end(), values[i].data());
    return ZELReplicationResults(std::move(values), first_);
}

void ZELReplicationBatch::ThrowFailure(std::uint64_t index, const std::string& what) {
    zel_internal::raise<ZELERuntimeError>(
        zel_internal::kReplicationFailed,
        "replication " + std::to_string(index) + " failed: " + what);
}

void ZELReplicationBatch::ThrowMismatch(std::uint64_t index, std::size_t outputs,
                                        std::uint64_t firstIndex, std::size_t firstOutputs) {
    zel_internal::raise<ZELEDomainError>(
        zel_internal::kReplicationRefused,
        "replication " + std::to_string(index) + " returned " + std::to_string(outputs) +
            " outputs, but the first replication (" + std::to_string(firstIndex) + ") returned " +
            std::to_string(firstOutputs));
}
