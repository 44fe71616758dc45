/* Worker switching for x86-64, System V ABI.

   What is saved where:
     SwitchPoint          resume address, stack pointer (two words, nothing else)
     driver's stack       rbx rbp r12 r13 r14 r15 and the context pointer,
                          pushed by driver_switch_step before it saves driver_point
     worker's stack       rbx rbp r12 r13 r14 r15 and the context pointer,
                          pushed by yield_to_driver before it saves worker_point
   The worker leaves mxcsr and the x87 control word as it found them, so they are not
   saved. No CET property note: these binaries run without shadow stacks. */

#include "switch_layout.h"

        .text

.macro PUSH_CALLEE_SAVED
        pushq   %rbx
        pushq   %rbp
        pushq   %r12
        pushq   %r13
        pushq   %r14
        pushq   %r15
.endm

.macro POP_CALLEE_SAVED
        popq    %r15
        popq    %r14
        popq    %r13
        popq    %r12
        popq    %rbp
        popq    %rbx
.endm

/* int save_switch_point(SwitchPoint* point) */
        .globl  save_switch_point
        .type   save_switch_point, @function
save_switch_point:
        movq    (%rsp), %rax
        movq    %rax, SWITCH_POINT_RESUME(%rdi)
        leaq    8(%rsp), %rax                   /* the stack pointer after our return */
        movq    %rax, SWITCH_POINT_STACK(%rdi)
        xorl    %eax, %eax
        ret
        .size   save_switch_point, .-save_switch_point

/* void jump_to_switch_point(const SwitchPoint* point), never returns */
        .globl  jump_to_switch_point
        .type   jump_to_switch_point, @function
jump_to_switch_point:
        movq    SWITCH_POINT_STACK(%rdi), %rsp
        movl    $1, %eax
        jmpq    *SWITCH_POINT_RESUME(%rdi)
        .size   jump_to_switch_point, .-jump_to_switch_point

/* StreamStatus driver_switch_step(StreamContext* context, WorkerEntry entry) */
        .globl  driver_switch_step
        .type   driver_switch_step, @function
driver_switch_step:
        PUSH_CALLEE_SAVED
        pushq   %rdi
        movq    %rsi, %rbx                      /* entry, needed on the direct path only */
        leaq    CONTEXT_DRIVER_POINT(%rdi), %rdi
        call    save_switch_point
        movq    (%rsp), %rdi
        testl   %eax, %eax
        jnz     1f                              /* a yield has handed control back */
        movq    %rbx, %rsi
        cmpl    $0, CONTEXT_STATUS(%rdi)
        jne     resume_worker
        call    start_worker
1:      movl    CONTEXT_STATUS(%rdi), %eax
        addq    $8, %rsp
        POP_CALLEE_SAVED
        ret
        .size   driver_switch_step, .-driver_switch_step

/* void start_worker(StreamContext* context, WorkerEntry entry), never returns */
        .globl  start_worker
        .type   start_worker, @function
start_worker:
        subq    $STACK_GAP_BYTES, %rsp
        andq    $-16, %rsp
        call    *%rsi
        ud2                                     /* a worker entry must never return */
        .size   start_worker, .-start_worker

/* void resume_worker(StreamContext* context), never returns */
        .globl  resume_worker
        .type   resume_worker, @function
resume_worker:
        leaq    CONTEXT_WORKER_POINT(%rdi), %rdi
        jmp     jump_to_switch_point
        .size   resume_worker, .-resume_worker

/* void yield_to_driver(StreamContext* context, StreamStatus code) */
        .globl  yield_to_driver
        .type   yield_to_driver, @function
yield_to_driver:
        PUSH_CALLEE_SAVED
        pushq   %rdi
        movl    %esi, %ebx                      /* code, needed on the direct path only */
        leaq    CONTEXT_WORKER_POINT(%rdi), %rdi
        call    save_switch_point
        movq    (%rsp), %rdi
        testl   %eax, %eax
        jnz     1f                              /* the driver has resumed us */
        /* status is stored after worker_point, so the driver always finds it current */
        movl    %ebx, CONTEXT_STATUS(%rdi)
        leaq    CONTEXT_DRIVER_POINT(%rdi), %rdi
        jmp     jump_to_switch_point
1:      addq    $8, %rsp
        POP_CALLEE_SAVED
        ret
        .size   yield_to_driver, .-yield_to_driver

        .section .note.GNU-stack,"",@progbits
