/* Worker switching for AArch64, AAPCS64.

   What is saved where:
     SwitchPoint          resume address, stack pointer (two words, nothing else)
     driver's stack       x19-x30 and d8-d15 and the context pointer, stored by
                          driver_switch_step before it saves driver_point
     worker's stack       the same set, stored by yield_to_driver before it saves
                          worker_point
     start_worker         the driver's stack pointer in x19, its return address in x20
   Frame of both routines (176 bytes): [0] x29 x30, [16..95] x19-x28,
   [96..159] d8-d15, [160] context pointer, [168] entry or code.
   No BTI or pointer authentication property note: jump_to_switch_point branches to the
   address after a call, which is no landing pad, and a return address signed against one
   stack pointer could not be checked on the other stack; these binaries run without either.

   Call frame notes: start_worker describes its caller, driver_switch_step above the gap,
   through x19 and x20, so a debugger in the worker walks on into the driver and up to
   main; the routines that jump to a switch point describe the code it continues as their
   caller (CFI_CALLER_AT_POINT). */

#include "switch_cfi.h"

/* DWARF register numbers of AAPCS64: x0-x30 are 0-30. */
#define DWARF_X0 0
#define DWARF_X30 30

        .text

.macro SAVE_PAIR first, second, at
        stp     \first, \second, [sp, #\at]
        .cfi_rel_offset \first, \at
        .cfi_rel_offset \second, \at + 8
.endm

.macro RESTORE_PAIR first, second, at
        ldp     \first, \second, [sp, #\at]
        .cfi_restore \first
        .cfi_restore \second
.endm

.macro SAVE_CALLEE_SAVED
        stp     x29, x30, [sp, #-176]!
        .cfi_adjust_cfa_offset 176
        .cfi_rel_offset x29, 0
        .cfi_rel_offset x30, 8
        mov     x29, sp
        SAVE_PAIR x19, x20, 16
        SAVE_PAIR x21, x22, 32
        SAVE_PAIR x23, x24, 48
        SAVE_PAIR x25, x26, 64
        SAVE_PAIR x27, x28, 80
        SAVE_PAIR d8, d9, 96
        SAVE_PAIR d10, d11, 112
        SAVE_PAIR d12, d13, 128
        SAVE_PAIR d14, d15, 144
.endm

.macro RESTORE_CALLEE_SAVED
        RESTORE_PAIR x19, x20, 16
        RESTORE_PAIR x21, x22, 32
        RESTORE_PAIR x23, x24, 48
        RESTORE_PAIR x25, x26, 64
        RESTORE_PAIR x27, x28, 80
        RESTORE_PAIR d8, d9, 96
        RESTORE_PAIR d10, d11, 112
        RESTORE_PAIR d12, d13, 128
        RESTORE_PAIR d14, d15, 144
        ldp     x29, x30, [sp], #176
        .cfi_restore x29
        .cfi_restore x30
        .cfi_adjust_cfa_offset -176
.endm

/* int save_switch_point(SwitchPoint* point) */
        .globl  save_switch_point
        .type   save_switch_point, %function
save_switch_point:
        .cfi_startproc
        mov     x9, sp
        stp     x30, x9, [x0, #SWITCH_POINT_RESUME]
        mov     w0, #0
        ret
        .cfi_endproc
        .size   save_switch_point, .-save_switch_point

/* void jump_to_switch_point(const SwitchPoint* point), never returns */
        .globl  jump_to_switch_point
        .type   jump_to_switch_point, %function
jump_to_switch_point:
        .cfi_startproc
        CFI_CALLER_AT_POINT DWARF_X0, 0, DWARF_X30
        ldp     x9, x10, [x0, #SWITCH_POINT_RESUME]
        .cfi_def_cfa x10, 0
        .cfi_register x30, x9
        mov     sp, x10
        .cfi_def_cfa_register sp
        mov     w0, #1
        br      x9
        .cfi_endproc
        .size   jump_to_switch_point, .-jump_to_switch_point

/* StreamStatus driver_switch_step(StreamContext* context, WorkerEntry entry) */
        .globl  driver_switch_step
        .type   driver_switch_step, %function
driver_switch_step:
        .cfi_startproc
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
        .cfi_endproc
        .size   driver_switch_step, .-driver_switch_step

/* void start_worker(StreamContext* context, WorkerEntry entry), never returns.
   The caller's frame is rewritten at the same place on every pass, since the driver calls
   driver_switch_step from one place; the words below it are not, so the way back is kept
   in registers that every frame of the worker saves or leaves alone. */
        .globl  start_worker
        .type   start_worker, %function
start_worker:
        .cfi_startproc
        mov     x19, sp
        .cfi_def_cfa_register x19
        mov     x20, x30
        .cfi_register x30, x20
        sub     sp, sp, #(STACK_GAP_BYTES >> 12), lsl #12
        blr     x1
        brk     #0                              /* a worker entry must never return */
        .cfi_endproc
        .size   start_worker, .-start_worker

/* void resume_worker(StreamContext* context), never returns */
        .globl  resume_worker
        .type   resume_worker, %function
resume_worker:
        .cfi_startproc
        CFI_CALLER_AT_POINT DWARF_X0, CONTEXT_WORKER_POINT, DWARF_X30
        add     x0, x0, #CONTEXT_WORKER_POINT
        CFI_CALLER_AT_POINT DWARF_X0, 0, DWARF_X30
        b       jump_to_switch_point
        .cfi_endproc
        .size   resume_worker, .-resume_worker

/* void yield_to_driver(StreamContext* context, StreamStatus code) */
        .globl  yield_to_driver
        .type   yield_to_driver, %function
yield_to_driver:
        .cfi_startproc
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
        .cfi_endproc
        .size   yield_to_driver, .-yield_to_driver

        .section .note.GNU-stack,"",%progbits
