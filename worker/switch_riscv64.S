/* Worker switching for RISC-V 64, LP64D calling convention.

   What is saved where:
     SwitchPoint          resume address, stack pointer (two words, nothing else)
     driver's stack       ra, s0-s11, fs0-fs11 and the context pointer, stored by
                          driver_switch_step before it saves driver_point
     worker's stack       the same set, stored by yield_to_driver before it saves
                          worker_point
   Frame of both routines (224 bytes): [0] ra, [8..103] s0-s11, [104..199] fs0-fs11,
   [200] context pointer, [208] entry or code. */

#include "switch_layout.h"

        .text

.macro SAVE_CALLEE_SAVED
        addi    sp, sp, -224
        sd      ra, 0(sp)
        sd      s0, 8(sp)
        sd      s1, 16(sp)
        sd      s2, 24(sp)
        sd      s3, 32(sp)
        sd      s4, 40(sp)
        sd      s5, 48(sp)
        sd      s6, 56(sp)
        sd      s7, 64(sp)
        sd      s8, 72(sp)
        sd      s9, 80(sp)
        sd      s10, 88(sp)
        sd      s11, 96(sp)
        fsd     fs0, 104(sp)
        fsd     fs1, 112(sp)
        fsd     fs2, 120(sp)
        fsd     fs3, 128(sp)
        fsd     fs4, 136(sp)
        fsd     fs5, 144(sp)
        fsd     fs6, 152(sp)
        fsd     fs7, 160(sp)
        fsd     fs8, 168(sp)
        fsd     fs9, 176(sp)
        fsd     fs10, 184(sp)
        fsd     fs11, 192(sp)
.endm

.macro RESTORE_CALLEE_SAVED
        ld      ra, 0(sp)
        ld      s0, 8(sp)
        ld      s1, 16(sp)
        ld      s2, 24(sp)
        ld      s3, 32(sp)
        ld      s4, 40(sp)
        ld      s5, 48(sp)
        ld      s6, 56(sp)
        ld      s7, 64(sp)
        ld      s8, 72(sp)
        ld      s9, 80(sp)
        ld      s10, 88(sp)
        ld      s11, 96(sp)
        fld     fs0, 104(sp)
        fld     fs1, 112(sp)
        fld     fs2, 120(sp)
        fld     fs3, 128(sp)
        fld     fs4, 136(sp)
        fld     fs5, 144(sp)
        fld     fs6, 152(sp)
        fld     fs7, 160(sp)
        fld     fs8, 168(sp)
        fld     fs9, 176(sp)
        fld     fs10, 184(sp)
        fld     fs11, 192(sp)
        addi    sp, sp, 224
.endm

/* int save_switch_point(SwitchPoint* point) */
        .globl  save_switch_point
        .type   save_switch_point, @function
save_switch_point:
        sd      ra, SWITCH_POINT_RESUME(a0)
        sd      sp, SWITCH_POINT_STACK(a0)
        li      a0, 0
        ret
        .size   save_switch_point, .-save_switch_point

/* void jump_to_switch_point(const SwitchPoint* point), never returns */
        .globl  jump_to_switch_point
        .type   jump_to_switch_point, @function
jump_to_switch_point:
        ld      t0, SWITCH_POINT_RESUME(a0)
        ld      sp, SWITCH_POINT_STACK(a0)
        li      a0, 1
        jr      t0
        .size   jump_to_switch_point, .-jump_to_switch_point

/* StreamStatus driver_switch_step(StreamContext* context, WorkerEntry entry) */
        .globl  driver_switch_step
        .type   driver_switch_step, @function
driver_switch_step:
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
        .size   driver_switch_step, .-driver_switch_step

/* void start_worker(StreamContext* context, WorkerEntry entry), never returns */
        .globl  start_worker
        .type   start_worker, @function
start_worker:
        li      t0, STACK_GAP_BYTES
        sub     sp, sp, t0
        andi    sp, sp, -16
        jalr    a1
        ebreak                                  /* a worker entry must never return */
        .size   start_worker, .-start_worker

/* void resume_worker(StreamContext* context), never returns */
        .globl  resume_worker
        .type   resume_worker, @function
resume_worker:
        addi    a0, a0, CONTEXT_WORKER_POINT
        tail    jump_to_switch_point
        .size   resume_worker, .-resume_worker

/* void yield_to_driver(StreamContext* context, StreamStatus code) */
        .globl  yield_to_driver
        .type   yield_to_driver, @function
yield_to_driver:
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
        .size   yield_to_driver, .-yield_to_driver

        .section .note.GNU-stack,"",@progbits
