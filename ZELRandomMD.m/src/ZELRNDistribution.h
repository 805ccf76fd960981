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
/// variates redrawn until they fall in [0, 10]. Bounds that reject every value make draws run
/// for ever; a NaN value or a NaN bound never causes a rejection. The uniform distribution and
/// the user tables ignore the bounds.
///
/// Draws never throw. Without a generator (`ZELRandomGenerator::Instance()` null, which only
/// happens when its memory could not be allocated) every raw draw is 0.0.
#ifndef ZELMATH_ZELRANDOMMD_ZELRNDISTRIBUTION_H
#define ZELMATH_ZELRANDOMMD_ZELRNDISTRIBUTION_H

/// \addtogroup random
/// @{

#include "ZELMathExport.h"
#include "foundation/KOBBaseUnknown.h"

class ZELMATH_EXPORT ZELRNDistribution : public KOBBaseUnknown {
    KOB_DECLARE_COMPONENT(ZELRNDistribution)

public:
    ZELRNDistribution() noexcept;
    ZELRNDistribution(const ZELRNDistribution& other) noexcept = default;
    ZELRNDistribution& operator=(const ZELRNDistribution& other) noexcept = default;
    ~ZELRNDistribution() override;

    /// One variate drawn from `stream` (numbered from 1; any other number means stream 1).
    virtual double getRandomVariate(int stream) = 0;

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
    /// The draw pattern of the parametric distributions: repeats `rawDraw()` until DistValueOK
    /// accepts its value.
    template <class RawDraw>
    double drawAccepted(RawDraw rawDraw) {
        double x = rawDraw();
        while (!DistValueOK(&x)) x = rawDraw();
        return x;
    }

    double _upperBound;
    double _lowerBound;
};

/// The members every parametric distribution (all but the uniform and the user tables) declares
/// besides its constructors, setter and parameters, put first in the class body: the component
/// registration, copying (all fields), the destructor, `getRandomVariate` and the private raw
/// draw `doGetRandomVariate(stream)`, which the class's source file defines. What follows the
/// macro is public.
#define ZEL_DECLARE_PARAMETRIC_DISTRIBUTION(Class)     \
    KOB_DECLARE_COMPONENT(Class)                       \
                                                       \
public:                                                \
    Class(const Class&) noexcept = default;            \
    Class& operator=(const Class&) noexcept = default; \
    ~Class() override;                                 \
    double getRandomVariate(int stream) override;      \
                                                       \
private:                                               \
    double doGetRandomVariate(int stream);             \
                                                       \
public:

/// The source-file half: registration with ZELRNDistribution, the destructor, and the draw
/// pattern, which repeats the raw draw until DistValueOK accepts its value.
#define ZEL_DEFINE_PARAMETRIC_DISTRIBUTION(Class)                                    \
    KOB_DEFINE_COMPONENT(Class, ZELRNDistribution)                                   \
    Class::~Class() = default;                                                       \
    double Class::getRandomVariate(int stream) {                                     \
        return drawAccepted([&] { return doGetRandomVariate(stream); });             \
    }

/// @}

#endif
