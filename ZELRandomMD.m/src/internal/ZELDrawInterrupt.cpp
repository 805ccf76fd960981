#include "ZELRandomMD.m/src/internal/ZELDrawInterrupt.h"

namespace zel_internal {

namespace {
thread_local DrawInterruptCheck t_check = nullptr;
}  // namespace

DrawInterruptCheck setDrawInterruptCheck(DrawInterruptCheck check) noexcept {
    const DrawInterruptCheck before = t_check;
    t_check = check;
    return before;
}

bool drawInterrupted() { return t_check != nullptr && t_check(); }

}  // namespace zel_internal
