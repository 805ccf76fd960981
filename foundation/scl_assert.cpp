#include "foundation/scl_assert.h"

#include <atomic>
#include <cstdio>

namespace {

void defaultHandler(const char* category, const char* message, const char* file, int line) {
    std::fprintf(stderr, "%s(%d): %s: %s\n", file ? file : "?", line, category ? category : "",
                 message ? message : "");
}

std::atomic<scl_assert_handler> g_handler{&defaultHandler};

}  // namespace

void _scl_do_assert(const char* category, const char* message, const char* file, int line) {
    g_handler.load(std::memory_order_acquire)(category, message, file, line);
}

scl_assert_handler scl_set_assert_handler(scl_assert_handler handler) {
    scl_assert_handler previous =
        g_handler.exchange(handler ? handler : &defaultHandler, std::memory_order_acq_rel);
    return previous == &defaultHandler ? nullptr : previous;
}
