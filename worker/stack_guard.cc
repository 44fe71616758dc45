// The canary at the bottom of the gap between the driver's frame and the worker's frames.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "stream_context.h"

namespace worker {

namespace {

constexpr std::size_t CANARY_SIZE = 32;
constexpr unsigned char CANARY_BYTE = 0xA5;

// The lowest bytes of the gap: start_worker rounds the stack pointer down to 16 bytes
// after lowering it, and the worker's first frame begins right below.
unsigned char* gap_bottom(const StreamContext* context) {
    const auto driver_stack = reinterpret_cast<std::uintptr_t>(context->driver_point.stack_position);
    return reinterpret_cast<unsigned char*>((driver_stack - STACK_GAP_SIZE) & ~std::uintptr_t{15});
}

}  // namespace

// The gap lies below the driver's stack pointer, where the address sanitizer may still hold
// stale marks from frames that ran there before the worker started.
__attribute__((no_sanitize("address"))) void arm_stack_guard(const StreamContext* context) {
    volatile unsigned char* canary = gap_bottom(context);
    for (std::size_t i = 0; i < CANARY_SIZE; ++i) canary[i] = CANARY_BYTE;
}

__attribute__((no_sanitize("address"))) void check_stack_guard(const StreamContext* context) {
    const volatile unsigned char* canary = gap_bottom(context);
    for (std::size_t i = 0; i < CANARY_SIZE; ++i) {
        if (canary[i] != CANARY_BYTE) {
            std::fputs("worker switch: the driver's calls overran the 64 KiB stack gap\n", stderr);
            std::abort();
        }
    }
}

}  // namespace worker
