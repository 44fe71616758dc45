/* Worker switching for x86-64, System V ABI.

   What is saved where:
     SwitchPoint          resume address, stack pointer (two words, nothing else)
     driver's stack       rbx rbp r12 r13 r14 r15 and the context pointer,
                          pushed by driver_switch_step before it saves driver_point
     worker's stack       rbx rbp r12 r13 r14 r15 and the context pointer,
                          pushed by yield_to_driver before it saves worker_point
     start_worker         the driver's stack pointer in rbx, its return address in r12
   The worker leaves mxcsr and the x87 control word as it found them, so they are not
   saved. No CET property note: these binaries run without shadow stacks.

   Call frame notes: start_worker describes its caller, driver_switch_step above the gap,
   through rbx and r12, so a debugger in the worker walks on into the driver and up to
   main; the routines that jump to a switch point describe the code it continues as their
   caller (CFI_CALLER_AT_POINT). */

#include "switch_cfi.h"

/* DWARF register numbers of the System V x86-64 ABI. */
#define DWARF_RDI 5
#define DWARF_RIP 16

        .text

.macro PUSH_CALLEE_SAVED
        .irp    reg, rbx, rbp, r12, r13, r14, r15
        pushq   %\reg
        .cfi_adjust_cfa_offset 8
        .cfi_rel_offset %\reg, 0
        .endr
.endm

.macro POP_CALLEE_SAVED
        .irp    reg, r15, r14, r13, r12, rbp, rbx
        popq    %\reg
        .cfi_adjust_cfa_offset -8
        .cfi_restore %\reg
        .endr
.endm

/* int save_switch_point(SwitchPoint* point) */
        .globl  save_switch_point
        .type   save_switch_point, @function
save_switch_point:
        .cfi_startproc
        movq    (%rsp), %rax
        movq    %rax, SWITCH_POINT_RESUME(%rdi)
        leaq    8(%rsp), %rax                   /* the stack pointer after our return */
        movq    %rax, SWITCH_POINT_STACK(%rdi)
        xorl    %eax, %eax
        ret
        .cfi_endproc
        .size   save_switch_point, .-save_switch_point

/* void jump_to_switch_point(const SwitchPoint* point), never returns */
        .globl  jump_to_switch_point
        .type   jump_to_switch_point, @function
jump_to_switch_point:
        .cfi_startproc
        CFI_CALLER_AT_POINT DWARF_RDI, 0, DWARF_RIP
        movq    SWITCH_POINT_STACK(%rdi), %rsp
        .cfi_def_cfa %rsp, 0
        movl    $1, %eax
        jmpq    *SWITCH_POINT_RESUME(%rdi)
        .cfi_endproc
        .size   jump_to_switch_point, .-jump_to_switch_point

/* StreamStatus driver_switch_step(StreamContext* context, WorkerEntry entry) */
        .globl  driver_switch_step
        .type   driver_switch_step, @function
driver_switch_step:
        .cfi_startproc
        PUSH_CALLEE_SAVED
        pushq   %rdi
        .cfi_adjust_cfa_offset 8
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
        .cfi_adjust_cfa_offset -8
        POP_CALLEE_SAVED
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
        movq    %rsp, %rbx
        .cfi_def_cfa_register %rbx
        movq    (%rsp), %r12
        .cfi_register %rip, %r12
        subq    $STACK_GAP_BYTES, %rsp
        andq    $-16, %rsp
        call    *%rsi
        ud2                                     /* a worker entry must never return */
        .cfi_endproc
        .size   start_worker, .-start_worker

/* void resume_worker(StreamContext* context), never returns */
        .globl  resume_worker
        .type   resume_worker, @function
resume_worker:
        .cfi_startproc
        CFI_CALLER_AT_POINT DWARF_RDI, CONTEXT_WORKER_POINT, DWARF_RIP
        leaq    CONTEXT_WORKER_POINT(%rdi), %rdi
        CFI_CALLER_AT_POINT DWARF_RDI, 0, DWARF_RIP
        jmp     jump_to_switch_point
        .cfi_endproc
        .size   resume_worker, .-resume_worker

/* void yield_to_driver(StreamContext* context, StreamStatus code) */
        .globl  yield_to_driver
        .type   yield_to_driver, @function
yield_to_driver:
        .cfi_startproc
        PUSH_CALLEE_SAVED
        pushq   %rdi
        .cfi_adjust_cfa_offset 8
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
        .cfi_adjust_cfa_offset -8
        POP_CALLEE_SAVED
        ret
        .cfi_endproc
        .size   yield_to_driver, .-yield_to_driver

        .section .note.GNU-stack,"",@progbits
