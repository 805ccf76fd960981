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

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

[[noreturn]] void domainError(const std::string& message) {
    zel_internal::raise<ZELEDomainError>(zel_internal::kReplicationRefused, widen(message));
}

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
    : _index(index),
      _engine(options.engine),
      _packageSeed(options.packageSeed),
      _seed(options.seed) {}

ZELRandomStream ZELReplication::stream(std::uint64_t source) const {
    if (_engine == ZELStreamEngine::Philox) return ZELRandomStream::Philox(_seed, source, _index);
    return ZELRandomStream::MRG32k3a(source, _index, _packageSeed);
}

void ZELReplicationBatch::Check(std::uint64_t n, const ZELReplicationOptions& options) {
    if (options.engine == ZELStreamEngine::Classic)
        domainError(
            "the Classic engine's streams are shared by the whole process and cannot "
            "be keyed by replication; use MRG32k3a or Philox");
    if (n > 0 && options.first > std::numeric_limits<std::uint64_t>::max() - (n - 1))
        domainError("replications " + std::to_string(options.first) + " + " + std::to_string(n) +
                    " go beyond the largest index 2^64 - 1");
    // The last replication's stream: refuses an invalid package seed, or an index beyond the
    // engine's substreams (2^51 for MRG32k3a, 2^32 for Philox), with the stream's own message.
    if (n > 0) (void)ZELReplication(options.first + (n - 1), options).stream(0);
}

ZELReplicationBatch ZELReplicationBatch::Run(std::uint64_t n, Call call, void* model,
                                             const ZELReplicationOptions& options) {
    Check(n, options);
    ZELReplicationBatch batch;
    batch._first = options.first;
    batch._rows.resize(static_cast<std::size_t>(n));
    Pool pool(n, call, model, options, batch._rows);

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
        batch._failed = true;
        batch._failedIndex = options.first + pool.failedPosition;
        batch._failure = std::move(pool.failure);
    }
    return batch;
}

std::uint64_t ZELReplicationBatch::firstMismatch(std::size_t expected) const noexcept {
    std::uint64_t i = 0;
    while (i < _rows.size() && _rows[i].size() == expected) ++i;
    return i;
}

void ZELReplicationBatch::copyValues(double* out) const noexcept {
    for (const std::vector<double>& row : _rows) out = std::copy(row.begin(), row.end(), out);
}

ZELReplicationResults ZELReplicationBatch::results() const {
    if (_failed) ThrowFailure(_failedIndex, _failure);
    const std::size_t k = outputs();
    const std::uint64_t mismatch = firstMismatch(k);
    if (mismatch < count()) ThrowMismatch(_first + mismatch, _rows[mismatch].size(), _first, k);
    ZELMathMatrix values(_rows.size(), k, ZELUninitialized);
    for (std::size_t i = 0; i < _rows.size(); ++i)
        std::copy(_rows[i].begin(), _rows[i].end(), values[i].data());
    return ZELReplicationResults(std::move(values), _first);
}

void ZELReplicationBatch::ThrowFailure(std::uint64_t index, const std::string& what) {
    zel_internal::raise<ZELERuntimeError>(zel_internal::kReplicationFailed,
                                          L"replication " + widen(std::to_string(index)) +
                                              L" failed: " + zel_internal::fromUtf8(what));
}

void ZELReplicationBatch::ThrowMismatch(std::uint64_t index, std::size_t outputs,
                                        std::uint64_t firstIndex, std::size_t firstOutputs) {
    domainError("replication " + std::to_string(index) + " returned " + std::to_string(outputs) +
                " outputs, but the first replication (" + std::to_string(firstIndex) +
                ") returned " + std::to_string(firstOutputs));
}
