/* Worker switching for 32-bit x86, System V i386 ABI (arguments on the stack).

   What is saved where:
     SwitchPoint          resume address, stack pointer (two words, nothing else)
     driver's stack       ebp ebx esi edi, pushed by driver_switch_step before it saves
                          driver_point; its arguments stay above them
     worker's stack       ebp ebx esi edi, pushed by yield_to_driver before it saves
                          worker_point
     start_worker         the driver's stack pointer in ebx, its return address in esi
   The worker leaves the x87 control word and mxcsr as it found them, so they are not
   saved. No CET property note: these binaries run without shadow stacks.

   Call frame notes: start_worker describes its caller, driver_switch_step above the gap,
   through ebx and esi, so a debugger in the worker walks on into the driver and up to
   main; once the routines that jump to a switch point hold its address in a register, they
   describe the code it continues as their caller (CFI_CALLER_AT_POINT). */

#include "switch_cfi.h"

/* DWARF register numbers of the System V i386 ABI. */
#define DWARF_EAX 0
#define DWARF_ECX 1
#define DWARF_EIP 8

        .text

.macro PUSH_CALLEE_SAVED
        .irp    reg, ebp, ebx, esi, edi
        pushl   %\reg
        .cfi_adjust_cfa_offset 4
        .cfi_rel_offset %\reg, 0
        .endr
.endm

.macro POP_CALLEE_SAVED
        .irp    reg, edi, esi, ebx, ebp
        popl    %\reg
        .cfi_adjust_cfa_offset -4
        .cfi_restore %\reg
        .endr
.endm

/* int save_switch_point(SwitchPoint* point) */
        .globl  save_switch_point
        .type   save_switch_point, @function
save_switch_point:
        .cfi_startproc
        movl    4(%esp), %ecx
        movl    (%esp), %eax
        movl    %eax, SWITCH_POINT_RESUME(%ecx)
        leal    4(%esp), %eax                   /* the stack pointer after our return */
        movl    %eax, SWITCH_POINT_STACK(%ecx)
        xorl    %eax, %eax
        ret
        .cfi_endproc
        .size   save_switch_point, .-save_switch_point

/* void jump_to_switch_point(const SwitchPoint* point), never returns */
        .globl  jump_to_switch_point
        .type   jump_to_switch_point, @function
jump_to_switch_point:
        .cfi_startproc
        movl    4(%esp), %ecx
        CFI_CALLER_AT_POINT DWARF_ECX, 0, DWARF_EIP
        movl    SWITCH_POINT_STACK(%ecx), %esp
        .cfi_def_cfa %esp, 0
        movl    $1, %eax
        jmpl    *SWITCH_POINT_RESUME(%ecx)
        .cfi_endproc
        .size   jump_to_switch_point, .-jump_to_switch_point

/* StreamStatus driver_switch_step(StreamContext* context, WorkerEntry entry);
   after the four pushes the context is at 20(%esp) and the entry at 24(%esp) */
        .globl  driver_switch_step
        .type   driver_switch_step, @function
driver_switch_step:
        .cfi_startproc
        PUSH_CALLEE_SAVED
        movl    20(%esp), %eax
        leal    CONTEXT_DRIVER_POINT(%eax), %eax
        pushl   %eax
        .cfi_adjust_cfa_offset 4
        call    save_switch_point
        addl    $4, %esp
        .cfi_adjust_cfa_offset -4
        movl    20(%esp), %ecx
        testl   %eax, %eax
        jnz     1f                              /* a yield has handed control back */
        cmpl    $0, CONTEXT_STATUS(%ecx)
        jne     2f
        pushl   24(%esp)
        .cfi_adjust_cfa_offset 4
        pushl   %ecx
        .cfi_adjust_cfa_offset 4
        call    start_worker
        /* start_worker and resume_worker never return: both labels are reached by jumps
           from where only the four registers are pushed */
2:      .cfi_adjust_cfa_offset -8
        pushl   %ecx
        .cfi_adjust_cfa_offset 4
        call    resume_worker
1:      .cfi_adjust_cfa_offset -4
        movl    CONTEXT_STATUS(%ecx), %eax
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
        movl    4(%esp), %eax
        movl    8(%esp), %ecx
        movl    %esp, %ebx
        .cfi_def_cfa_register %ebx
        movl    (%esp), %esi
        .cfi_register %eip, %esi
        subl    $STACK_GAP_BYTES, %esp
        andl    $-16, %esp
        subl    $12, %esp                       /* 16-byte alignment at the call */
        pushl   %eax
        call    *%ecx
        ud2                                     /* a worker entry must never return */
        .cfi_endproc
        .size   start_worker, .-start_worker

/* void resume_worker(StreamContext* context), never returns */
        .globl  resume_worker
        .type   resume_worker, @function
resume_worker:
        .cfi_startproc
        movl    4(%esp), %eax
        CFI_CALLER_AT_POINT DWARF_EAX, CONTEXT_WORKER_POINT, DWARF_EIP
        leal    CONTEXT_WORKER_POINT(%eax), %eax
        CFI_CALLER_AT_POINT DWARF_EAX, 0, DWARF_EIP
        movl    %eax, 4(%esp)
        jmp     jump_to_switch_point
        .cfi_endproc
        .size   resume_worker, .-resume_worker

/* void yield_to_driver(StreamContext* context, StreamStatus code);
   after the four pushes the context is at 20(%esp) and the code at 24(%esp) */
        .globl  yield_to_driver
        .type   yield_to_driver, @function
yield_to_driver:
        .cfi_startproc
        PUSH_CALLEE_SAVED
        movl    20(%esp), %eax
        leal    CONTEXT_WORKER_POINT(%eax), %eax
        pushl   %eax
        .cfi_adjust_cfa_offset 4
        call    save_switch_point
        addl    $4, %esp
        .cfi_adjust_cfa_offset -4
        testl   %eax, %eax
        jnz     1f                              /* the driver has resumed us */
        movl    20(%esp), %ecx
        movl    24(%esp), %edx
        /* status is stored after worker_point, so the driver always finds it current */
        movl    %edx, CONTEXT_STATUS(%ecx)
        leal    CONTEXT_DRIVER_POINT(%ecx), %ecx
        pushl   %ecx
        .cfi_adjust_cfa_offset 4
        call    jump_to_switch_point
1:      .cfi_adjust_cfa_offset -4               /* reached by the jnz, one push fewer */
        POP_CALLEE_SAVED
        ret
        .cfi_endproc
        .size   yield_to_driver, .-yield_to_driver

        .section .note.GNU-stack,"",@progbits
