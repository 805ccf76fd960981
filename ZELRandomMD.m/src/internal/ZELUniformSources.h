// Internal to the library (not installed): the two sources of uniform numbers a distribution's
// draw reads, and the definitions every parametric distribution's source file shares.
//
// Each distribution writes its transformation once, as a member template over a source `u`:
//   u.ready()    fetches what the draw needs before its first number (false: no generator, the
//                raw draw is 0.0);
//   u()          the next uniform number;
//   u.variate(d) one whole variate of another distribution `d` from the same source.
// NumberedUniforms reads a numbered stream of the singleton generator, StreamUniforms a stream
// object; both feed the same arithmetic, so a `ZELRandomStream::Classic(k)` stream gives exactly
// the variates of stream number k.
#ifndef ZELMATH_ZELRANDOMMD_INTERNAL_ZELUNIFORMSOURCES_H
#define ZELMATH_ZELRANDOMMD_INTERNAL_ZELUNIFORMSOURCES_H

#include "ZELRandomMD.m/src/ZELRNDistribution.h"
#include "ZELRandomMD.m/src/ZELRandomGenerator.h"
#include "ZELRandomMD.m/src/ZELRandomStream.h"

#include <cstddef>

namespace zel_internal {

/// The numbers of stream `stream` of the singleton generator.
class NumberedUniforms {
public:
    explicit NumberedUniforms(int stream) noexcept : generator_(nullptr), stream_(stream) {}
    bool ready() {
        generator_ = ZELRandomGenerator::Instance();
        return generator_ != nullptr;
    }
    double operator()() { return generator_->GetRandomNumber(stream_); }
    template <class Distribution>
    double variate(Distribution& d) {
        return d.getRandomVariate(stream_);
    }

private:
    ZELRandomGenerator* generator_;
    int stream_;
};

/// The numbers of a stream object.
class StreamUniforms {
public:
    explicit StreamUniforms(ZELRandomStream& stream) noexcept : stream_(stream) {}
    static constexpr bool ready() noexcept { return true; }
    double operator()() { return stream_.next(); }
    template <class Distribution>
    double variate(Distribution& d) {
        return d.getRandomVariate(stream_);
    }

private:
    ZELRandomStream& stream_;
};

}  // namespace zel_internal

/// The source-file half of ZEL_DECLARE_PARAMETRIC_DISTRIBUTION: registration with
/// ZELRNDistribution, the destructor, the raw draw from a numbered stream, and the draw pattern
/// (the raw draw repeated until DistValueOK accepts its value) for both kinds of stream. The
/// class's source file defines `rawDraw`.
#define ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(Class)                               \
    KOB_DEFINE_COMPONENT(Class, ZELRNDistribution)                              \
    Class::~Class() = default;                                                  \
    double Class::doGetRandomVariate(int stream) {                              \
        zel_internal::NumberedUniforms uniforms(stream);                        \
        return rawDraw(uniforms);                                               \
    }                                                                           \
    double Class::getRandomVariate(int stream) {                                \
        return drawAccepted([&] { return doGetRandomVariate(stream); });        \
    }                                                                           \
    void Class::drawFrom(ZELRandomStream& stream, double* out, std::size_t n) { \
        zel_internal::StreamUniforms uniforms(stream);                          \
        for (std::size_t i = 0; i < n; ++i)                                     \
            out[i] = drawAccepted([&] { return rawDraw(uniforms); });           \
    }

/// The same for the distributions without acceptance bounds (the uniform and the tables), whose
/// `rawDraw` is the whole draw.
#define ZEL_DEFINE_DIRECT_DISTRIBUTION_DRAWS(Class)                             \
    double Class::getRandomVariate(int stream) {                                \
        zel_internal::NumberedUniforms uniforms(stream);                        \
        return rawDraw(uniforms);                                               \
    }                                                                           \
    void Class::drawFrom(ZELRandomStream& stream, double* out, std::size_t n) { \
        zel_internal::StreamUniforms uniforms(stream);                          \
        for (std::size_t i = 0; i < n; ++i) out[i] = rawDraw(uniforms);         \
    }

#endif
