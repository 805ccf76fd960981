#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

KOB_DEFINE_COMPONENT(ZELRandomGenerator, KOBBaseUnknown)

std::atomic<ZELRandomGenerator*> ZELRandomGenerator::_Instance{nullptr};
ZELSysFastMutexLock ZELRandomGenerator::_contextLock(ZELStaticObjectDefault);

namespace {

inline std::uint32_t step(std::uint32_t x) noexcept {
    return x * ZELRandomGenerator::Multiplier + ZELRandomGenerator::Increment;
}

inline double toUniform(std::uint32_t x, unsigned char antithetic) noexcept {
    const double u = static_cast<double>(x) / 4294967295.0;
    return antithetic != 0 ? 1.0 - u : u;
}

// Three per-stream arrays, freed together unless released.
struct StreamArrays {
    std::unique_ptr<std::uint32_t[]> initial;
    std::unique_ptr<std::uint32_t[]> current;
    std::unique_ptr<unsigned char[]> flags;

    explicit StreamArrays(int n)
        : initial(new std::uint32_t[static_cast<std::size_t>(n)]),
          current(new std::uint32_t[static_cast<std::size_t>(n)]),
          flags(new unsigned char[static_cast<std::size_t>(n)]) {}
};

}  // namespace

ZELRandomGenerator* ZELRandomGenerator::Instance() {
    ZELRandomGenerator* instance = _Instance.load(std::memory_order_acquire);
    if (instance != nullptr) return instance;
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    instance = _Instance.load(std::memory_order_relaxed);
    if (instance == nullptr) {
        // A null block makes the new-expression yield null without constructing; a throwing
        // constructor returns the block through operator delete before the exception leaves.
        instance = new ZELRandomGenerator(2000);
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

void ZELRandomGenerator::CreateRandomStreams() {
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    if (_numberOfStreams < 1) _numberOfStreams = 1;
    const int n = _numberOfStreams;
    StreamArrays arrays(n);  // may throw; the old arrays stay in place
    for (int j = 0; j < n; ++j) {
        const std::uint32_t seed = j < _seedTableSize ? _seedTable[j] : 1u;
        arrays.initial[j] = seed;
        arrays.current[j] = seed;
        arrays.flags[j] = 0;
    }
    delete[] _initialSeeds;
    delete[] _currentSeeds;
    delete[] _antitheticFlags;
    _initialSeeds = arrays.initial.release();
    _currentSeeds = arrays.current.release();
    _antitheticFlags = arrays.flags.release();
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
    std::copy(other._initialSeeds, other._initialSeeds + n, arrays.initial.get());
    std::copy(other._currentSeeds, other._currentSeeds + n, arrays.current.get());
    std::copy(other._antitheticFlags, other._antitheticFlags + n, arrays.flags.get());
    KOBBaseUnknown::operator=(other);
    delete[] _initialSeeds;
    delete[] _currentSeeds;
    delete[] _antitheticFlags;
    _initialSeeds = arrays.initial.release();
    _currentSeeds = arrays.current.release();
    _antitheticFlags = arrays.flags.release();
    _numberOfStreams = n;
    _seedTableSize = other._seedTableSize;
    std::memcpy(_seedTable, other._seedTable, sizeof _seedTable);
    return *this;
}

ZELRandomGenerator::~ZELRandomGenerator() {
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    delete[] _initialSeeds;
    delete[] _currentSeeds;
    delete[] _antitheticFlags;
    ZELRandomGenerator* self = this;
    _Instance.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
}

double ZELRandomGenerator::GetRandomNumber(int stream) {
    std::uint32_t x;
    unsigned char antithetic;
    {
        ZELSysFastMutexLock::LockGuard guard(_contextLock);
        const int j = index(stream);
        x = step(_currentSeeds[j]);
        _currentSeeds[j] = x;
        antithetic = _antitheticFlags[j];
    }
    // The conversion needs no shared state: done after the release, it keeps the lock short.
    return toUniform(x, antithetic);
}

void ZELRandomGenerator::GetRandomNumbers(int stream, double* out, std::size_t count) {
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    const int j = index(stream);
    std::uint32_t x = _currentSeeds[j];
    const unsigned char antithetic = _antitheticFlags[j];
    for (std::size_t i = 0; i < count; ++i) {
        x = step(x);
        out[i] = toUniform(x, antithetic);
    }
    _currentSeeds[j] = x;
}

void ZELRandomGenerator::AdvanceStream(int stream, std::uint64_t steps) {
    // The composition of n steps is again affine, x -> A x + C; square-and-multiply on the pair.
    std::uint32_t accMul = 1u, accAdd = 0u;
    std::uint32_t curMul = Multiplier, curAdd = Increment;
    steps &= 0xFFFFFFFFull;  // the cycle has length 2^32
    while (steps != 0) {
        if (steps & 1u) {
            accMul = accMul * curMul;
            accAdd = accAdd * curMul + curAdd;
        }
        curAdd = curAdd * curMul + curAdd;
        curMul = curMul * curMul;
        steps >>= 1;
    }
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    const int j = index(stream);
    _currentSeeds[j] = _currentSeeds[j] * accMul + accAdd;
}

void ZELRandomGenerator::SetAntithetic(int stream) {
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    _antitheticFlags[index(stream)] = 1;
}

int ZELRandomGenerator::GetInitialSeed(int stream) {
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    return static_cast<int>(_initialSeeds[index(stream)]);
}

void ZELRandomGenerator::SetInitialSeed(int stream, unsigned int seed) {
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    _initialSeeds[index(stream)] = seed;
}

void ZELRandomGenerator::ResetStream(int stream) {
    ZELSysFastMutexLock::LockGuard guard(_contextLock);
    const int j = index(stream);
    _currentSeeds[j] = _initialSeeds[j];
}
