/// \class ZELUsrDist
/// A weight table of up to 10000 entries held inside the object.
///
/// Every draw first normalises the weights in place (each divided by their sum; after the first
/// draw they sum to 1 up to rounding), then takes one uniform number U, from stream 1 whatever
/// stream number is named (a stream object's draw takes it from that stream object, so
/// `ZELRandomStream::Classic(1)` gives exactly the numbered draws), and returns the normalised weight of the first entry whose running sum of
/// weights exceeds U (strictly); -1.0 when none does (all weights zero, an empty table). The
/// result is the selected entry's probability, not its index. The acceptance bounds are not
/// consulted. A draw writes the table, so one object must not be drawn from by two threads at
/// once.
///
/// A count above the capacity keeps the first 10000 weights; a negative count is taken as 0.
/// Copies duplicate the weights in use, so a copy made before the first draw keeps the unnormalised
/// weights until its own first draw.
#ifndef ZELMATH_ZELRANDOMMD_ZELUSRDIST_H
#define ZELMATH_ZELRANDOMMD_ZELUSRDIST_H

/// \addtogroup random
/// @{

#include "ZELRandomMD.m/src/ZELRNDistribution.h"

class ZELMATH_EXPORT ZELUsrDist : public ZELRNDistribution {
    KOB_DECLARE_COMPONENT(ZELUsrDist)

public:
    static constexpr int Capacity = 10000;

    ZELUsrDist(const double* weights, int count);
    ZELUsrDist(const ZELUsrDist& other);
    ZELUsrDist& operator=(const ZELUsrDist& other);
    ~ZELUsrDist() override;

    using ZELRNDistribution::getRandomVariate;
    double getRandomVariate(int stream) override;

    int count() const noexcept { return _count; }
    const double* weights() const noexcept { return _weights; }

protected:
    void drawFrom(ZELRandomStream& stream, double* out, std::size_t n) override;

private:
    template <class Uniforms>
    double rawDraw(Uniforms& uniforms);
    double _weights[Capacity];
    int _count;
};

/// @}

#endif
