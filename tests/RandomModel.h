// Test helper: an independent model of the generator's streams, and a way to make a stream of
// the singleton deliver chosen uniform numbers.
#ifndef ZELMATH_TESTS_RANDOMMODEL_H
#define ZELMATH_TESTS_RANDOMMODEL_H

#include "ZELRandomMD.m/src/ZELRandomGenerator.h"

#include <cstdint>

namespace model {

constexpr std::uint32_t A = 0x12B9B0A5u, C = 0x1B0C88A5u;

inline std::uint32_t seedOfStream(int k) {
    return 0x40E00000u * static_cast<std::uint32_t>(k) + 1u;
}

// The state that steps to `next` (A's inverse modulo 2^32 by Newton's iteration).
inline std::uint32_t predecessor(std::uint32_t next) {
    std::uint32_t inv = A;
    for (int i = 0; i < 5; ++i) inv *= 2u - A * inv;
    return (next - C) * inv;
}

struct Stream {
    std::uint32_t x;
    std::uint32_t nextState() { return x = x * A + C; }
    double next() { return static_cast<double>(nextState()) / 4294967295.0; }
};
// The state whose uniform number is closest to u.
inline std::uint32_t stateFor(double u) {
    return static_cast<std::uint32_t>(u * 4294967295.0 + 0.5);
}

// Makes the singleton's `stream` deliver the state `next` at its next draw and continue along the
// generator's sequence from there. Returns a model positioned like the stream.
inline Stream forceNext(int stream, std::uint32_t next) {
    ZELRandomGenerator* g = ZELRandomGenerator::Instance();
    g->SetInitialSeed(stream, predecessor(next));
    g->ResetStream(stream);
    return Stream{predecessor(next)};
}

}  // namespace model

#endif
