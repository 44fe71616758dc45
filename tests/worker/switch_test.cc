// The switch between driver and worker: statuses, locals and call chains across yields.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "stream_context.h"

using namespace worker;

namespace {

// What the test workers report besides their statuses. Plain statics: a worker entry
// gets nothing but the context.
struct Record {
    std::vector<std::uint64_t> values;
    std::uintptr_t worker_frame = 0;
    int yields_every = 0;  // 0: never yield in the middle of the work
    int calls = 0;
};
Record record;

StreamContext fresh_context() { return StreamContext{}; }

// Recursive work whose result depends on every level's locals; it yields from the
// deepest frames when asked to.
__attribute__((noinline)) std::uint64_t deep_sum(StreamContext* context, int depth) {
    volatile std::uint64_t here = static_cast<std::uint64_t>(depth) * 2654435761u;
    const std::uint64_t local = here ^ (here >> 7);
    if (record.yields_every != 0 && ++record.calls % record.yields_every == 0)
        yield_to_driver(context, depth % 2 == 0 ? STATUS_NEED_INPUT : STATUS_OUTPUT_FULL);
    if (depth == 0) return local;
    const std::uint64_t below = deep_sum(context, depth - 1);
    return local * 31 + below + here;
}

[[noreturn]] void summing_worker(StreamContext* context) {
    int marker = 0;
    record.worker_frame = reinterpret_cast<std::uintptr_t>(&marker);
    for (int depth = 0; depth < 200; depth += 7) record.values.push_back(deep_sum(context, depth));
    yield_to_driver(context, STATUS_DONE);
    __builtin_trap();
}

// Runs the driver loop until STATUS_DONE; returns every status the worker yielded.
std::vector<StreamStatus> drive(StreamContext& context, WorkerEntry entry) {
    std::vector<StreamStatus> statuses;
    for (;;) {
        const StreamStatus status = switch_to_worker(&context, entry);
        EXPECT_EQ(status, context.status);
        statuses.push_back(status);
        if (status == STATUS_DONE) return statuses;
    }
}

TEST(WorkerSwitch, AnyNumberOfSwitchesGivesTheSameResultAsNone) {
    record = Record{};
    StreamContext unbroken = fresh_context();
    EXPECT_EQ(drive(unbroken, summing_worker), std::vector<StreamStatus>{STATUS_DONE});
    const std::vector<std::uint64_t> expected = record.values;
    ASSERT_FALSE(expected.empty());

    for (const int every : {1, 2, 3, 17, 1000}) {
        record = Record{};
        record.yields_every = every;
        StreamContext context = fresh_context();
        const std::vector<StreamStatus> statuses = drive(context, summing_worker);
        EXPECT_EQ(record.values, expected) << "yielding every " << every << " calls";
        EXPECT_EQ(static_cast<int>(statuses.size()), record.calls / every + 1);
        EXPECT_EQ(statuses.back(), STATUS_DONE);
    }
}

TEST(WorkerSwitch, WorkerRunsBelowTheGap) {
    record = Record{};
    StreamContext context = fresh_context();
    int driver_marker = 0;
    drive(context, summing_worker);
    const auto driver_frame = reinterpret_cast<std::uintptr_t>(&driver_marker);
    const auto saved_stack = reinterpret_cast<std::uintptr_t>(context.driver_point.stack_position);
    EXPECT_LT(saved_stack, driver_frame);
    EXPECT_GE(saved_stack - record.worker_frame, STACK_GAP_SIZE);
}

// The statuses a worker yields reach the driver unchanged and in order, including values
// that no codec uses; the driver's own locals survive every switch.
const std::vector<StreamStatus> script = {STATUS_NEED_INPUT, STATUS_OUTPUT_FULL, 7, -1,
                                          STATUS_NEED_INPUT};

[[noreturn]] void scripted_worker(StreamContext* context) {
    for (const StreamStatus status : script) yield_to_driver(context, status);
    yield_to_driver(context, STATUS_DONE);
    __builtin_trap();
}

TEST(WorkerSwitch, StatusesReachTheDriverInOrderAndDoneEndsTheLoop) {
    StreamContext context = fresh_context();
    std::uint64_t driver_value = 0x0123456789abcdefu;
    std::vector<StreamStatus> seen;
    for (;;) {
        const StreamStatus status = switch_to_worker(&context, scripted_worker);
        driver_value = driver_value * 3 + static_cast<std::uint64_t>(status);
        if (status == STATUS_DONE) break;
        seen.push_back(status);
    }
    EXPECT_EQ(seen, script);
    std::uint64_t expected = 0x0123456789abcdefu;
    for (const StreamStatus status : script) expected = expected * 3 + static_cast<std::uint64_t>(status);
    EXPECT_EQ(driver_value, expected * 3);
}

// Twelve doubles, as many as RISC-V 64 keeps in callee-saved registers (fs0-fs11; AArch64
// keeps eight, d8-d15). Live across a call they sit there, so a switch that skipped those
// registers would hand each side the other side's values. Each round makes every value the
// sum of two; small whole numbers stay exact, whatever the registers or order of the sums.
struct Doubles {
    double a, b, c, d, e, f, g, h, i, j, k, l;
    bool operator==(const Doubles&) const = default;
};
Doubles mixed(Doubles x, int rounds) {
    for (int round = 0; round < rounds; ++round)
        x = Doubles{x.a + x.b, x.b + x.c, x.c + x.d, x.d + x.e, x.e + x.f, x.f + x.g,
                    x.g + x.h, x.h + x.i, x.i + x.j, x.j + x.k, x.k + x.l, x.l + x.a};
    return x;
}
constexpr Doubles WORKER_START{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
constexpr Doubles DRIVER_START{-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12};
constexpr int MIXING_ROUNDS = 5;
Doubles worker_doubles;

[[noreturn]] void mixing_worker(StreamContext* context) {
    Doubles values = worker_doubles;
    for (int round = 0; round < MIXING_ROUNDS; ++round) {
        yield_to_driver(context, STATUS_NEED_INPUT);
        values = mixed(values, 1);
    }
    worker_doubles = values;
    yield_to_driver(context, STATUS_DONE);
    __builtin_trap();
}

TEST(WorkerSwitch, DoublesOfBothSidesSurviveEverySwitch) {
    worker_doubles = WORKER_START;
    Doubles driver_values = DRIVER_START;
    StreamContext context = fresh_context();
    while (switch_to_worker(&context, mixing_worker) != STATUS_DONE)
        driver_values = mixed(driver_values, 1);
    EXPECT_TRUE(worker_doubles == mixed(WORKER_START, MIXING_ROUNDS)) << "the worker's doubles";
    EXPECT_TRUE(driver_values == mixed(DRIVER_START, MIXING_ROUNDS)) << "the driver's doubles";
}

// The first switch of a fresh context starts the worker; the primitives alone behave like
// a setjmp that returns 1 on the second arrival.
TEST(WorkerSwitch, SavedPointReturnsOneWhenJumpedTo) {
    static SwitchPoint point;
    static volatile int arrivals = 0;
    arrivals = 0;
    const int marker = save_switch_point(&point);
    arrivals = arrivals + 1;
    if (marker == 0) jump_to_switch_point(&point);
    EXPECT_EQ(marker, 1);
    EXPECT_EQ(arrivals, 2);
}

}  // namespace

namespace {

#if FLATEBITS_STACK_GUARD
[[noreturn]] void yielding_forever_worker(StreamContext* context) {
    for (;;) yield_to_driver(context, STATUS_NEED_INPUT);
}

// Stands for a driver call that needs more stack than the gap holds.
__attribute__((noinline)) void use_more_stack_than_the_gap() {
    volatile unsigned char frame[STACK_GAP_SIZE + 4096];
    for (std::size_t i = 0; i < sizeof frame; i += 16) frame[i] = 0;
}

TEST(WorkerSwitchDeathTest, DriverCallThatOverrunsTheGapIsCaught) {
    EXPECT_DEATH(
        {
            StreamContext context{};
            switch_to_worker(&context, yielding_forever_worker);
            use_more_stack_than_the_gap();
            switch_to_worker(&context, yielding_forever_worker);
        },
        "overran the 64 KiB stack gap");
}
#endif

}  // namespace
