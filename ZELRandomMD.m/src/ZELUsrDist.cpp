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

ZEL_DEFINE_DIRECT_DISTRIBUTION_DRAWS(ZELUsrDist)

namespace {

// The numbered draws read stream 1 whatever stream they name; a stream object's draws read that
// stream object.
zel_internal::NumberedUniforms streamOne(const zel_internal::NumberedUniforms&) noexcept {
    return zel_internal::NumberedUniforms(1);
}
zel_internal::StreamUniforms& streamOne(zel_internal::StreamUniforms& uniforms) noexcept {
    return uniforms;
}

}  // namespace

template <class Uniforms>
double ZELUsrDist::rawDraw(Uniforms& uniforms) {
    auto&& u = streamOne(uniforms);
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
