#include "ZELRandomMD.m/src/ZELUsrDist.h"

#include "ZELRandomMD.m/src/internal/ZELUniformSources.h"

#include <algorithm>

KOB_DEFINE_COMPONENT(ZELUsrDist, ZELRNDistribution)

ZELUsrDist::ZELUsrDist(const double* weights, int count)
    : _count(std::min(std::max(count, 0), Capacity)) {
    std::copy(weights, weights + _count, _weights);
    if (_count < Capacity) _weights[_count] = 0.0;
}

// Copies the weights in use and the 0.0 entry after them; the rest of the table is never read.
ZELUsrDist::ZELUsrDist(const ZELUsrDist& other) : ZELRNDistribution(other), _count(other._count) {
    std::copy(other._weights, other._weights + std::min(_count + 1, Capacity), _weights);
}

ZELUsrDist& ZELUsrDist::operator=(const ZELUsrDist& other) {
    if (this == &other) return *this;
    ZELRNDistribution::operator=(other);
    _count = other._count;
    std::copy(other._weights, other._weights + std::min(_count + 1, Capacity), _weights);
    return *this;
}

ZELUsrDist::~ZELUsrDist() = default;

// The numbered form draws from stream 1 whatever stream it is given.
double ZELUsrDist::getRandomVariate(int) {
    zel_internal::NumberedUniforms uniforms(1);
    return rawDraw(uniforms);
}

void ZELUsrDist::drawFrom(ZELRandomStream& stream, double* out, std::size_t n) {
    zel_internal::StreamUniforms uniforms(stream);
    for (std::size_t i = 0; i < n; ++i) out[i] = rawDraw(uniforms);
}

template <class Uniforms>
double ZELUsrDist::rawDraw(Uniforms& u) {
    const bool ready = u.ready();
    double sum = 0.0;
    for (int i = 0; i < _count; ++i) sum = sum + _weights[i];
    for (int i = 0; i < _count; ++i) _weights[i] = _weights[i] / sum;
    if (!ready) return 0.0;
    const double v = u();
    double c = 0.0;
    for (int i = 0; i < _count; ++i) {
        c = c + _weights[i];
        if (c > v) return _weights[i];
    }
    return -1.0;
}
