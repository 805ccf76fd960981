#include "ZELSimTimeMD.m/src/ZELSimTimeLimits.h"

#include "foundation/scl_assert.h"

namespace {

const char* const kSourceFile = "ZELSimTimeMD.m/src/ZELSimTimeLimits";

}  // namespace

ZELSimTime scl_numeric_limits<ZELSimTime>::infinity() noexcept {
    _scl_do_assert("Software", "No infinity value", kSourceFile, 125);
    return ZELSimTime();
}

ZELSimTime scl_numeric_limits<ZELSimTime>::quiet_NaN() noexcept {
    _scl_do_assert("Software", "No quiet_NaN value", kSourceFile, 134);
    return ZELSimTime();
}

ZELSimTime scl_numeric_limits<ZELSimTime>::signaling_NaN() noexcept {
    _scl_do_assert("Software", "No signaling_NaN value", kSourceFile, 143);
    return ZELSimTime();
}

// The constants must hold before any code of the library runs.
static_assert(scl_numeric_limits<ZELSimTime>::max().wholeSeconds() == scl_numeric_limits<std::int64_t>::max(), "");
static_assert(scl_numeric_limits<ZELSimTime>::digits == 93 && scl_numeric_limits<ZELSimTime>::digits10 == 27, "");
