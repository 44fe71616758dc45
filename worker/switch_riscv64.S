/* Worker switching for RISC-V 64, LP64D calling convention.

   What is saved where:
     SwitchPoint          resume address, stack pointer (two words, nothing else)
     driver's stack       ra, s0-s11, fs0-fs11 and the context pointer, stored by
                          driver_switch_step before it saves driver_point
     worker's stack       the same set, stored by yield_to_driver before it saves
                          worker_point
     start_worker         the driver's stack pointer in s1, its return address in s2
   Frame of both routines (224 bytes): [0] ra, [8..103] s0-s11, [104..199] fs0-fs11,
   [200] context pointer, [208] entry or code.
   No landing-pad or shadow-stack property note: jump_to_switch_point jumps to the address
   after a call, which is no landing pad, and leaves one stack for another without the
   returns a shadow stack would check; these binaries run without either.

   Call frame notes: start_worker describes its caller, driver_switch_step above the gap,
   through s1 and s2, so a debugger in the worker walks on into the driver and up to main;
   the routines that jump to a switch point describe the code it continues as their caller
   (CFI_CALLER_AT_POINT). */

#include "switch_cfi.h"

/* DWARF register numbers of the RISC-V ELF psABI: x0-x31 are 0-31. */
#define DWARF_RA 1
#define DWARF_A0 10

        .text

/* A store into the frame, and where the unwinder finds the register. */
.macro SAVE store, reg, at
        \store  \reg, \at(sp)
        .cfi_rel_offset \reg, \at
.endm

.macro RESTORE load, reg, at
        \load  \reg, \at(sp)
        .cfi_restore \reg
.endm

.macro SAVE_CALLEE_SAVED
        addi    sp, sp, -224
        .cfi_adjust_cfa_offset 224
        SAVE    sd, ra, 0
        SAVE    sd, s0, 8
        SAVE    sd, s1, 16
        SAVE    sd, s2, 24
        SAVE    sd, s3, 32
        SAVE    sd, s4, 40
        SAVE    sd, s5, 48
        SAVE    sd, s6, 56
        SAVE    sd, s7, 64
        SAVE    sd, s8, 72
        SAVE    sd, s9, 80
        SAVE    sd, s10, 88
        SAVE    sd, s11, 96
        SAVE    fsd, fs0, 104
        SAVE    fsd, fs1, 112
        SAVE    fsd, fs2, 120
        SAVE    fsd, fs3, 128
        SAVE    fsd, fs4, 136
        SAVE    fsd, fs5, 144
        SAVE    fsd, fs6, 152
        SAVE    fsd, fs7, 160
        SAVE    fsd, fs8, 168
        SAVE    fsd, fs9, 176
        SAVE    fsd, fs10, 184
        SAVE    fsd, fs11, 192
.endm

.macro RESTORE_CALLEE_SAVED
        RESTORE ld, ra, 0
        RESTORE ld, s0, 8
        RESTORE ld, s1, 16
        RESTORE ld, s2, 24
        RESTORE ld, s3, 32
        RESTORE ld, s4, 40
        RESTORE ld, s5, 48
        RESTORE ld, s6, 56
        RESTORE ld, s7, 64
        RESTORE ld, s8, 72
        RESTORE ld, s9, 80
        RESTORE ld, s10, 88
        RESTORE ld, s11, 96
        RESTORE fld, fs0, 104
        RESTORE fld, fs1, 112
        RESTORE fld, fs2, 120
        RESTORE fld, fs3, 128
        RESTORE fld, fs4, 136
        RESTORE fld, fs5, 144
        RESTORE fld, fs6, 152
        RESTORE fld, fs7, 160
        RESTORE fld, fs8, 168
        RESTORE fld, fs9, 176
        RESTORE fld, fs10, 184
        RESTORE fld, fs11, 192
        addi    sp, sp, 224
        .cfi_adjust_cfa_offset -224
.endm

/* int save_switch_point(SwitchPoint* point) */
        .globl  save_switch_point
        .type   save_switch_point, @function
save_switch_point:
        .cfi_startproc
        sd      ra, SWITCH_POINT_RESUME(a0)
        sd      sp, SWITCH_POINT_STACK(a0)
        li      a0, 0
        ret
        .cfi_endproc
        .size   save_switch_point, .-save_switch_point

/* void jump_to_switch_point(const SwitchPoint* point), never returns */
        .globl  jump_to_switch_point
        .type   jump_to_switch_point, @function
jump_to_switch_point:
        .cfi_startproc
        CFI_CALLER_AT_POINT DWARF_A0, 0, DWARF_RA
        ld      t0, SWITCH_POINT_RESUME(a0)
        .cfi_register ra, t0
        ld      sp, SWITCH_POINT_STACK(a0)
        .cfi_def_cfa sp, 0
        li      a0, 1
        jr      t0
        .cfi_endproc
        .size   jump_to_switch_point, .-jump_to_switch_point

/* StreamStatus driver_switch_step(StreamContext* context, WorkerEntry entry) */
        .globl  driver_switch_step
        .type   driver_switch_step, @function
driver_switch_step:
        .cfi_startproc
        SAVE_CALLEE_SAVED
        sd      a0, 200(sp)
        sd      a1, 208(sp)
        addi    a0, a0, CONTEXT_DRIVER_POINT
        call    save_switch_point
        bnez    a0, 1f                          /* a yield has handed control back */
        ld      a0, 200(sp)
        ld      a1, 208(sp)
        lw      t0, CONTEXT_STATUS(a0)
        beqz    t0, 2f
        tail    resume_worker
2:      call    start_worker
1:      ld      t0, 200(sp)
        lw      a0, CONTEXT_STATUS(t0)
        RESTORE_CALLEE_SAVED
        ret
        .cfi_endproc
        .size   driver_switch_step, .-driver_switch_step

/* void start_worker(StreamContext* context, WorkerEntry entry), never returns.
   The caller's frame is rewritten at the same place on every pass, since the driver calls
   driver_switch_step from one place; the words below it are not, so the way back is kept
   in registers that every frame of the worker saves or leaves alone. */
        .globl  start_worker
        .type   start_worker, @function
start_worker:
        .cfi_startproc
        mv      s1, sp
        .cfi_def_cfa_register s1
        mv      s2, ra
        .cfi_register ra, s2
        li      t0, STACK_GAP_BYTES
        sub     sp, sp, t0
        andi    sp, sp, -16
        jalr    a1
        ebreak                                  /* a worker entry must never return */
        .cfi_endproc
        .size   start_worker, .-start_worker

/* void resume_worker(StreamContext* context), never returns */
        .globl  resume_worker
        .type   resume_worker, @function
resume_worker:
        .cfi_startproc
        CFI_CALLER_AT_POINT DWARF_A0, CONTEXT_WORKER_POINT, DWARF_RA
        addi    a0, a0, CONTEXT_WORKER_POINT
        CFI_CALLER_AT_POINT DWARF_A0, 0, DWARF_RA
        tail    jump_to_switch_point
        .cfi_endproc
        .size   resume_worker, .-resume_worker

/* void yield_to_driver(StreamContext* context, StreamStatus code) */
        .globl  yield_to_driver
        .type   yield_to_driver, @function
yield_to_driver:
        .cfi_startproc
        SAVE_CALLEE_SAVED
        sd      a0, 200(sp)
        sd      a1, 208(sp)
        addi    a0, a0, CONTEXT_WORKER_POINT
        call    save_switch_point
        bnez    a0, 1f                          /* the driver has resumed us */
        ld      a0, 200(sp)
        ld      a1, 208(sp)
        /* status is stored after worker_point, so the driver always finds it current */
        sw      a1, CONTEXT_STATUS(a0)
        addi    a0, a0, CONTEXT_DRIVER_POINT
        tail    jump_to_switch_point
1:      RESTORE_CALLEE_SAVED
        ret
        .cfi_endproc
        .size   yield_to_driver, .-yield_to_driver

        .section .note.GNU-stack,"",@progbits
