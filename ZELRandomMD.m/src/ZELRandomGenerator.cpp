#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include "ZELRandomMD.m/src/internal/ZELRandomReportSites.h"

#include <cstring>
#include <new>

KOB_DEFINE_COMPONENT(ZELRandomGenerator, KOBBaseUnknown)

std::atomic<ZELRandomGenerator*> ZELRandomGenerator::_Instance{nullptr};
ZELSysFastMutexLock ZELRandomGenerator::_contextLock(ZELStaticObjectDefault);

namespace {

std::atomic<bool> g_strictStreams{false};
// The largest word a move may leave without the overrun check looking at it: all words while the
// check is off, the words whose count lies within the stream while it is on.
std::atomic<std::uint64_t> g_unchecked{~std::uint64_t{0}};

inline std::uint32_t step(std::uint32_t x) noexcept {
    return x * ZELRandomGenerator::Multiplier + ZELRandomGenerator::Increment;
}

inline double toUniform(std::uint32_t x, unsigned char antithetic) noexcept {
    const double u = static_cast<double>(x) / 4294967295.0;
    return antithetic != 0 ? 1.0 - u : u;
}

// A stream's word: the draw count modulo 2^32 in the high 32 bits, the state in the low 32 bits.
constexpr std::uint64_t kCountOne = std::uint64_t{1} << 32;
constexpr std::uint64_t kCountMask = ~std::uint64_t{0} << 32;
// The largest word whose count lies within the stream.
constexpr std::uint64_t kLastInStream = ZELRandomGenerator::StreamLength << 32 | 0xFFFFFFFFu;

inline bool unchecked(std::uint64_t word) noexcept {
    return word <= g_unchecked.load(std::memory_order_relaxed);
}

inline std::uint32_t stateOf(std::uint64_t word) noexcept {
    return static_cast<std::uint32_t>(word);
}
inline std::uint64_t countOf(std::uint64_t word) noexcept { return word >> 32; }
inline std::uint64_t makeWord(std::uint64_t count, std::uint32_t state) noexcept {
    return count << 32 | state;
}

// The word after one draw (the count's carry out of the word is dropped: modulo 2^32).
inline std::uint64_t stepWord(std::uint64_t word) noexcept {
    return ((word + kCountOne) & kCountMask) | step(stateOf(word));
}

// `steps` steps of the generator composed into one affine map x -> mul x + add (mod 2^32), by
// square-and-multiply on the pair: O(log steps). The cycle has length 2^32, so only the low 32
// bits of `steps` matter.
struct Jump {
    std::uint32_t mul = 1u, add = 0u;

    explicit Jump(std::uint64_t steps) noexcept {
        std::uint32_t curMul = ZELRandomGenerator::Multiplier,
                      curAdd = ZELRandomGenerator::Increment;
        for (steps &= 0xFFFFFFFFull; steps != 0; steps >>= 1) {
            if (steps & 1u) {
                mul = mul * curMul;
                add = add * curMul + curAdd;
            }
            curAdd = curAdd * curMul + curAdd;
            curMul = curMul * curMul;
        }
    }
    std::uint32_t operator()(std::uint32_t x) const noexcept { return x * mul + add; }
};

// The word after `steps` draws, all at once.
struct JumpWord {
    Jump jump;
    std::uint64_t steps;

    explicit JumpWord(std::uint64_t n) noexcept : jump(n), steps(n) {}
    std::uint64_t operator()(std::uint64_t word) const noexcept {
        return ((word + (steps << 32)) & kCountMask) | jump(stateOf(word));
    }
};

// A word replaced by advance(), and the word that replaced it.
struct Advanced {
    std::uint64_t before, after;
};

// Replaces `word` by next(word) atomically. Draws on one stream from several threads each take
// a different state, in the stream's order.
template <class Next>
inline Advanced advance(std::atomic<std::uint64_t>& word, Next next) noexcept {
    std::uint64_t x = word.load(std::memory_order_relaxed);
    std::uint64_t y = next(x);
    while (!word.compare_exchange_weak(x, y, std::memory_order_relaxed)) y = next(x);
    return {x, y};
}

}  // namespace

// The three per-stream arrays of one generator, freed together unless installed.
struct ZELRandomGenerator::StreamArrays {
    std::unique_ptr<std::atomic<std::uint32_t>[]> initial;
    std::unique_ptr<StreamState[]> current;
    std::unique_ptr<std::atomic<unsigned char>[]> flags;

    explicit StreamArrays(int n)
        : initial(new std::atomic<std::uint32_t>[static_cast<std::size_t>(n)]),
          current(new StreamState[static_cast<std::size_t>(n)]),
          flags(new std::atomic<unsigned char>[static_cast<std::size_t>(n)]) {}

    void set(int j, std::uint32_t seed, std::uint64_t word, unsigned char flag,
             bool reported) noexcept {
        initial[j].store(seed, std::memory_order_relaxed);
        current[j].x.store(word, std::memory_order_relaxed);
        current[j].overrunReported.store(reported, std::memory_order_relaxed);
        flags[j].store(flag, std::memory_order_relaxed);
    }
};

ZELRandomGenerator* ZELRandomGenerator::Instance() {
    ZELRandomGenerator* instance = _Instance.load(std::memory_order_acquire);
    if (instance != nullptr) return instance;
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    instance = _Instance.load(std::memory_order_relaxed);
    if (instance == nullptr) {
        // No memory for the object: no generator (a later call tries again). A constructor that
        // throws returns the block before the exception leaves.
        void* block;
        try {
            block = operator new(sizeof(ZELRandomGenerator));
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        try {
            instance = ::new (block) ZELRandomGenerator(2000);
        } catch (...) {
            operator delete(block, sizeof(ZELRandomGenerator));
            throw;
        }
        _Instance.store(instance, std::memory_order_release);
    }
    return instance;
}

ZELRandomGenerator::ZELRandomGenerator(int numberOfStreams)
    : KOBBaseUnknown(), _numberOfStreams(numberOfStreams), _seedTableSize(SeedTableSize) {
    for (int k = 1; k <= SeedTableSize; ++k)
        _seedTable[k - 1] = 1u + static_cast<std::uint32_t>(k) * 1088421888u;
    CreateRandomStreams();
}

void ZELRandomGenerator::install(StreamArrays& arrays) noexcept {
    _initialSeeds.swap(arrays.initial);
    _currentSeeds.swap(arrays.current);
    _antitheticFlags.swap(arrays.flags);
}

void ZELRandomGenerator::CreateRandomStreams() {
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    if (_numberOfStreams < 1) _numberOfStreams = 1;
    const int n = _numberOfStreams;
    StreamArrays arrays(n);  // may throw; the old arrays stay in place
    for (int j = 0; j < n; ++j) {
        const std::uint32_t seed = j < _seedTableSize ? _seedTable[j] : 1u;
        arrays.set(j, seed, makeWord(0, seed), 0, false);
    }
    install(arrays);
}

ZELRandomGenerator::ZELRandomGenerator(const ZELRandomGenerator& other)
    : KOBBaseUnknown(other), _numberOfStreams(0), _seedTableSize(SeedTableSize) {
    *this = other;
}

ZELRandomGenerator& ZELRandomGenerator::operator=(const ZELRandomGenerator& other) {
    if (this == &other) return *this;
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    const int n = other._numberOfStreams;
    StreamArrays arrays(n);
    for (int j = 0; j < n; ++j)
        arrays.set(j, other._initialSeeds[j].load(std::memory_order_relaxed),
                   other._currentSeeds[j].x.load(std::memory_order_relaxed),
                   other._antitheticFlags[j].load(std::memory_order_relaxed),
                   other._currentSeeds[j].overrunReported.load(std::memory_order_relaxed));
    KOBBaseUnknown::operator=(other);
    install(arrays);
    _numberOfStreams = n;
    _seedTableSize = other._seedTableSize;
    std::memcpy(_seedTable, other._seedTable, sizeof _seedTable);
    return *this;
}

ZELRandomGenerator::~ZELRandomGenerator() {
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    ZELRandomGenerator* self = this;
    _Instance.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
}

void ZELRandomGenerator::SetStrictStreams(bool on) noexcept {
    g_strictStreams.store(on, std::memory_order_relaxed);
}

bool ZELRandomGenerator::GetStrictStreams() noexcept {
    return g_strictStreams.load(std::memory_order_relaxed);
}

int ZELRandomGenerator::invalidStream() {
    if (g_strictStreams.load(std::memory_order_relaxed))
        zel_internal::report(zel_internal::kInvalidStream);
    return 0;
}

void ZELRandomGenerator::SetOverrunCheck(bool on) noexcept {
    g_unchecked.store(on ? kLastInStream : ~std::uint64_t{0}, std::memory_order_relaxed);
}

bool ZELRandomGenerator::GetOverrunCheck() noexcept { return !unchecked(~std::uint64_t{0}); }

// Called, while the check is on, for every move that leaves a count above StreamLength.
void ZELRandomGenerator::checkOverrun(int j, std::uint64_t word) {
    std::atomic<bool>& reported = _currentSeeds[j].overrunReported;
    if (word > kLastInStream && !reported.load(std::memory_order_relaxed) &&
        !reported.exchange(true, std::memory_order_relaxed))
        zel_internal::report(zel_internal::kStreamOverrun,
                             "stream " + std::to_string(j + 1) + " after " +
                                 std::to_string(countOf(word)) + " draws");
}

[[gnu::noinline, gnu::cold]] double ZELRandomGenerator::checkedNumber(int j, std::uint64_t word,
                                                                      double u) {
    checkOverrun(j, word);
    return u;
}

double ZELRandomGenerator::GetRandomNumber(int stream) {
    const int j = index(stream);
    const std::uint64_t word = advance(_currentSeeds[j].x, stepWord).after;
    const double u = toUniform(stateOf(word), _antitheticFlags[j].load(std::memory_order_relaxed));
    if (!unchecked(word))
        return checkedNumber(j, word, u);  // a tail call keeps the common path lean
    return u;
}

void ZELRandomGenerator::GetRandomNumbers(int stream, double* out, std::size_t count) {
    const int j = index(stream);
    // The whole block is claimed by one exchange of the state; its numbers are made afterwards.
    const Advanced moved = advance(_currentSeeds[j].x, JumpWord(count));
    if (!unchecked(moved.after)) checkOverrun(j, moved.after);
    std::uint32_t x = stateOf(moved.before);
    const unsigned char antithetic = _antitheticFlags[j].load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < count; ++i) {
        x = step(x);
        out[i] = toUniform(x, antithetic);
    }
}

void ZELRandomGenerator::AdvanceStream(int stream, std::uint64_t steps) {
    const int j = index(stream);
    const std::uint64_t word = advance(_currentSeeds[j].x, JumpWord(steps)).after;
    if (!unchecked(word)) checkOverrun(j, word);
}

std::uint64_t ZELRandomGenerator::GetDrawCount(int stream) {
    return countOf(_currentSeeds[index(stream)].x.load(std::memory_order_relaxed));
}

void ZELRandomGenerator::SetAntithetic(int stream) {
    _antitheticFlags[index(stream)].store(1, std::memory_order_relaxed);
}

int ZELRandomGenerator::GetInitialSeed(int stream) {
    return static_cast<int>(_initialSeeds[index(stream)].load(std::memory_order_relaxed));
}

void ZELRandomGenerator::SetInitialSeed(int stream, unsigned int seed) {
    _initialSeeds[index(stream)].store(seed, std::memory_order_relaxed);
}

void ZELRandomGenerator::ResetStream(int stream) {
    const int j = index(stream);
    _currentSeeds[j].x.store(makeWord(0, _initialSeeds[j].load(std::memory_order_relaxed)),
                             std::memory_order_relaxed);
    _currentSeeds[j].overrunReported.store(false, std::memory_order_relaxed);
}
