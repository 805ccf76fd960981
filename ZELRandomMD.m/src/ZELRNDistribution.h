/// \class ZELRNDistribution
/// The abstract base of every distribution.
///
/// A distribution turns the uniform numbers of a generator stream into variates of one law. It
/// holds its parameters (and the acceptance bounds below) and nothing else: the stream is named
/// on every draw and the randomness lives in the generator's stream state, so one object serves
/// any number of streams and repeating a run means resetting the streams, not the objects.
///
/// Acceptance bounds: the parametric distributions repeat their raw draw until `DistValueOK`
/// accepts the value, i.e. until it lies within [lowerBound, upperBound]. An infinite bound is
/// no bound; both start at +infinity, so by default every value is accepted at the first draw.
/// `SetBounds` truncates a distribution: e.g. SetBounds(0.0, 10.0) on a normal yields normal
/// variates redrawn until they fall in [0, 10]. A NaN value or a NaN bound never causes a
/// rejection. The uniform distribution and the user tables ignore the bounds.
///
/// Draws never run for ever. Where no draw could end, the draw reports through the assertion hook
/// (category "Software") and returns NaN instead of looping:
///   - finite bounds with lower > upper (an empty interval): "Bounds reject every draw", at once,
///     without drawing;
///   - bounds that reject `MaxRejections` (2^24 = 16 777 216) raw draws in a row, e.g. bounds
///     outside the distribution's range: the same report after those draws. Bounds that hold a
///     probability p fail this way with probability (1 - p)^(2^24), below 1e-7 for p >= 1e-6;
///   - parameters with which the method cannot end (listed in each class, e.g. a NaN or infinite
///     gamma shape, beta shapes both 0): "No draw ends with these parameters".
/// Every rejection loop of the methods has a bound of the same kind (see the classes). A rejection
/// loop also gives up, with NaN and no report, when the calling thread's interrupt check asks it
/// to (internal/ZELDrawInterrupt.h; the Python bindings use it for Ctrl-C).
///
/// Streams: `getRandomVariate(int)` draws from a numbered stream of the singleton generator,
/// `getRandomVariate(ZELRandomStream&)` from a stream object (an MRG32k3a or Philox stream, or
/// `ZELRandomStream::Classic(k)`, the numbered stream k). Both apply the same transformation to the
/// stream's numbers, so Classic(k) gives exactly the variates of stream k.
///
/// Draws never throw. Without a generator (`ZELRandomGenerator::Instance()` null, which only
/// happens when its memory could not be allocated) every raw draw from a numbered stream is 0.0.
#ifndef ZELMATH_ZELRANDOMMD_ZELRNDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELRNDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELMathExport.h"
#include "foundation/KOBBaseUnknown.h"
#include "ZELRandomMD.m/src/internal/ZELDrawInterrupt.h"

#include <cstddef>
#include <cstdint>

class ZELRandomStream;

class ZELMATH_EXPORT ZELRNDistribution : public KOBBaseUnknown {
    KOB_DECLARE_COMPONENT(ZELRNDistribution)

public:
    ZELRNDistribution() noexcept;
    ZELRNDistribution(const ZELRNDistribution& other) noexcept = default;
    ZELRNDistribution& operator=(const ZELRNDistribution& other) noexcept = default;
    ~ZELRNDistribution() override;

    /// One variate drawn from `stream` (numbered from 1; any other number means stream 1).
    virtual double getRandomVariate(int stream) = 0;
    /// One variate drawn from a stream object, by the same transformation.
    double getRandomVariate(ZELRandomStream& stream) {
        double x;
        drawFrom(stream, &x, 1);
        return x;
    }
    /// `n` variates from a stream object, identical to `n` calls of getRandomVariate(stream).
    void getRandomVariates(ZELRandomStream& stream, double* out, std::size_t n) {
        drawFrom(stream, out, n);
    }

    /// Raw draws a draw rejects in a row before it gives up (see above).
    static constexpr std::uint32_t MaxRejections = 1u << 24;

    /// True unless `*value` lies above a finite upper bound or below a finite lower bound.
    bool DistValueOK(double* value) const noexcept;

    /// Acceptance bounds (an infinite bound is none).
    void SetBounds(double lowerBound, double upperBound) noexcept {
        _lowerBound = lowerBound;
        _upperBound = upperBound;
    }
    double GetLowerBound() const noexcept { return _lowerBound; }
    double GetUpperBound() const noexcept { return _upperBound; }

protected:
    /// `n` variates from a stream object into `out`.
    virtual void drawFrom(ZELRandomStream& stream, double* out, std::size_t n) = 0;

    /// The draw pattern of the parametric distributions: repeats `rawDraw()` until DistValueOK
    /// accepts its value, at most MaxRejections times.
    template <class RawDraw>
    double drawAccepted(RawDraw rawDraw) {
        if (_lowerBound > _upperBound && boundsEmpty()) return rejectedEverything();
        double x = rawDraw();
        for (std::uint32_t rejected = 0; !DistValueOK(&x); x = rawDraw()) {
            if (++rejected == MaxRejections) return rejectedEverything();
            if (rejected % zel_internal::kDrawInterruptPeriod == 0 &&
                zel_internal::drawInterrupted())
                return abandoned();
        }
        return x;
    }

    /// Reports a draw that cannot end with the distribution's parameters; returns NaN.
    static double endlessDraw();

    double _upperBound;
    double _lowerBound;

private:
    bool boundsEmpty() const noexcept;
    /// Reports bounds that reject every draw; returns NaN.
    static double rejectedEverything();
    /// NaN, for a draw abandoned at the request of internal/ZELDrawInterrupt.h's check.
    static double abandoned() noexcept;
};

/// The members every parametric distribution (all but the uniform and the user tables) declares
/// besides its constructors, setter and parameters, put first in the class body: the component
/// registration, copying (all fields), the destructor, both forms of `getRandomVariate`, the
/// private raw draw `doGetRandomVariate(stream)` and the transformation `rawDraw`, written once
/// over a source of uniform numbers (see ZEL_DEFINE_PARAMETRIC_DISTRIBUTION). What follows the
/// macro is public.
#define ZEL_DECLARE_PARAMETRIC_DISTRIBUTION(Class)                               \
    KOB_DECLARE_COMPONENT(Class)                                                 \
                                                                                 \
public:                                                                          \
    Class(const Class&) noexcept = default;                                      \
    Class& operator=(const Class&) noexcept = default;                           \
    ~Class() override;                                                           \
    using ZELRNDistribution::getRandomVariate;                                   \
    double getRandomVariate(int stream) override;                                \
                                                                                 \
protected:                                                                       \
    void drawFrom(ZELRandomStream& stream, double* out, std::size_t n) override; \
                                                                                 \
private:                                                                         \
    double doGetRandomVariate(int stream);                                       \
    template <class Uniforms>                                                    \
    double rawDraw(Uniforms& uniforms);                                          \
                                                                                 \
public:

/// @}

#endif
