/* Worker switching for AArch64, AAPCS64.

   What is saved where:
     SwitchPoint          resume address, stack pointer (two words, nothing else)
     driver's stack       x19-x30 and d8-d15 and the context pointer, stored by
                          driver_switch_step before it saves driver_point
     worker's stack       the same set, stored by yield_to_driver before it saves
                          worker_point
   Frame of both routines (176 bytes): [0] x29 x30, [16..95] x19-x28,
   [96..159] d8-d15, [160] context pointer, [168] entry or code. */

#include "switch_layout.h"

        .text

.macro SAVE_CALLEE_SAVED
        stp     x29, x30, [sp, #-176]!
        mov     x29, sp
        stp     x19, x20, [sp, #16]
        stp     x21, x22, [sp, #32]
        stp     x23, x24, [sp, #48]
        stp     x25, x26, [sp, #64]
        stp     x27, x28, [sp, #80]
        stp     d8, d9, [sp, #96]
        stp     d10, d11, [sp, #112]
        stp     d12, d13, [sp, #128]
        stp     d14, d15, [sp, #144]
.endm

.macro RESTORE_CALLEE_SAVED
        ldp     x19, x20, [sp, #16]
        ldp     x21, x22, [sp, #32]
        ldp     x23, x24, [sp, #48]
        ldp     x25, x26, [sp, #64]
        ldp     x27, x28, [sp, #80]
        ldp     d8, d9, [sp, #96]
        ldp     d10, d11, [sp, #112]
        ldp     d12, d13, [sp, #128]
        ldp     d14, d15, [sp, #144]
        ldp     x29, x30, [sp], #176
.endm

/* int save_switch_point(SwitchPoint* point) */
        .globl  save_switch_point
        .type   save_switch_point, %function
save_switch_point:
        mov     x9, sp
        stp     x30, x9, [x0, #SWITCH_POINT_RESUME]
        mov     w0, #0
        ret
        .size   save_switch_point, .-save_switch_point

/* void jump_to_switch_point(const SwitchPoint* point), never returns */
        .globl  jump_to_switch_point
        .type   jump_to_switch_point, %function
jump_to_switch_point:
        ldp     x9, x10, [x0, #SWITCH_POINT_RESUME]
        mov     sp, x10
        mov     w0, #1
        br      x9
        .size   jump_to_switch_point, .-jump_to_switch_point

/* StreamStatus driver_switch_step(StreamContext* context, WorkerEntry entry) */
        .globl  driver_switch_step
        .type   driver_switch_step, %function
driver_switch_step:
        SAVE_CALLEE_SAVED
        stp     x0, x1, [sp, #160]
        add     x0, x0, #CONTEXT_DRIVER_POINT
        bl      save_switch_point
        cbnz    w0, 1f                          /* a yield has handed control back */
        ldp     x0, x1, [sp, #160]
        ldr     w9, [x0, #CONTEXT_STATUS]
        cbnz    w9, resume_worker
        bl      start_worker
1:      ldr     x0, [sp, #160]
        ldr     w0, [x0, #CONTEXT_STATUS]
        RESTORE_CALLEE_SAVED
        ret
        .size   driver_switch_step, .-driver_switch_step

/* void start_worker(StreamContext* context, WorkerEntry entry), never returns */
        .globl  start_worker
        .type   start_worker, %function
start_worker:
        sub     sp, sp, #(STACK_GAP_BYTES >> 12), lsl #12
        blr     x1
        brk     #0                              /* a worker entry must never return */
        .size   start_worker, .-start_worker

/* void resume_worker(StreamContext* context), never returns */
        .globl  resume_worker
        .type   resume_worker, %function
resume_worker:
        add     x0, x0, #CONTEXT_WORKER_POINT
        b       jump_to_switch_point
        .size   resume_worker, .-resume_worker

/* void yield_to_driver(StreamContext* context, StreamStatus code) */
        .globl  yield_to_driver
        .type   yield_to_driver, %function
yield_to_driver:
        SAVE_CALLEE_SAVED
        stp     x0, x1, [sp, #160]
        add     x0, x0, #CONTEXT_WORKER_POINT
        bl      save_switch_point
        cbnz    w0, 1f                          /* the driver has resumed us */
        ldp     x0, x1, [sp, #160]
        /* status is stored after worker_point, so the driver always finds it current */
        str     w1, [x0, #CONTEXT_STATUS]
        add     x0, x0, #CONTEXT_DRIVER_POINT
        b       jump_to_switch_point
1:      RESTORE_CALLEE_SAVED
        ret
        .size   yield_to_driver, .-yield_to_driver

        .section .note.GNU-stack,"",%progbits
