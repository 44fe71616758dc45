// The record through which a driver and its worker coroutine meet, and the switch
// operations between them. One thread, one stack: the worker runs below a 64 KiB gap.
#pragma once

#include <cstddef>
#include <cstdint>

#include "switch_layout.h"

namespace worker {

using StreamStatus = std::int32_t;
inline constexpr StreamStatus STATUS_DONE = 0;
inline constexpr StreamStatus STATUS_NEED_INPUT = 1;
inline constexpr StreamStatus STATUS_OUTPUT_FULL = 2;

// Every input read and every full output write of a driver has this size.
inline constexpr std::size_t BUFFER_SIZE = 65536;
inline constexpr std::size_t STACK_GAP_SIZE = STACK_GAP_BYTES;

struct SwitchPoint {
    void* resume_position;
    void* stack_position;
};

struct StreamContext {
    StreamStatus status;
    const std::uint8_t* in_pos;
    const std::uint8_t* in_begin;
    const std::uint8_t* in_end;
    std::uint8_t* out_pos;
    std::uint8_t* out_begin;
    std::uint8_t* out_end;
    std::int32_t end_of_input;
    SwitchPoint driver_point;
    SwitchPoint worker_point;
};

static_assert(offsetof(SwitchPoint, resume_position) == SWITCH_POINT_RESUME);
static_assert(offsetof(SwitchPoint, stack_position) == SWITCH_POINT_STACK);
static_assert(offsetof(StreamContext, status) == CONTEXT_STATUS);
static_assert(offsetof(StreamContext, driver_point) == CONTEXT_DRIVER_POINT);
static_assert(offsetof(StreamContext, worker_point) == CONTEXT_WORKER_POINT);

// The worker entry routine. It must never return: its last act is yielding STATUS_DONE.
using WorkerEntry = void (*)(StreamContext* context);

extern "C" {

// In assembly per processor; to the linker their names stand outside the namespace.
// The two primitives: save_switch_point returns 0 when called and 1 when control comes back
// through jump_to_switch_point, like setjmp, but it records only the stack pointer and the
// resume address.
int save_switch_point(SwitchPoint* point) __attribute__((returns_twice));
[[noreturn]] void jump_to_switch_point(const SwitchPoint* point);

// The driver's switch step, in assembly: starts the worker when status is STATUS_DONE
// (only before the first start), resumes it otherwise, and returns the status of the
// worker's next yield. It keeps the driver's callee-saved registers on the driver's stack
// across the switch, so the driver is ordinary code that calls a function.
StreamStatus driver_switch_step(StreamContext* context, WorkerEntry entry);

// Lowers the stack by STACK_GAP_SIZE below the caller and calls entry(context) there.
[[noreturn]] void start_worker(StreamContext* context, WorkerEntry entry);

// Continues the worker where its last yield_to_driver left it.
[[noreturn]] void resume_worker(StreamContext* context);

// Worker side: hands code to the driver and returns when the driver resumes the worker.
void yield_to_driver(StreamContext* context, StreamStatus code);
}

// Debug and sanitizer builds keep a canary in the lowest bytes of the gap: the driver's own
// calls run inside the gap, and one that grew past it would overwrite the suspended worker.
void arm_stack_guard(const StreamContext* context);
void check_stack_guard(const StreamContext* context);

// The driver's loop calls this, from one place only, so that the driver's stack position
// and with it the gap stay the same on every pass.
inline StreamStatus switch_to_worker(StreamContext* context, WorkerEntry entry) {
#if FLATEBITS_STACK_GUARD
    const bool starting = context->status == STATUS_DONE;
    if (!starting) check_stack_guard(context);
    const StreamStatus status = driver_switch_step(context, entry);
    if (starting) arm_stack_guard(context);
    else check_stack_guard(context);
    return status;
#else
    return driver_switch_step(context, entry);
#endif
}

}  // namespace worker
