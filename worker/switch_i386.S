/* Worker switching for 32-bit x86, System V i386 ABI (arguments on the stack).

   What is saved where:
     SwitchPoint          resume address, stack pointer (two words, nothing else)
     driver's stack       ebp ebx esi edi, pushed by driver_switch_step before it saves
                          driver_point; its arguments stay above them
     worker's stack       ebp ebx esi edi, pushed by yield_to_driver before it saves
                          worker_point
   The worker leaves the x87 control word and mxcsr as it found them, so they are not
   saved. No CET property note: these binaries run without shadow stacks. */

#include "switch_layout.h"

        .text

.macro PUSH_CALLEE_SAVED
        pushl   %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
.endm

.macro POP_CALLEE_SAVED
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
.endm

/* int save_switch_point(SwitchPoint* point) */
        .globl  save_switch_point
        .type   save_switch_point, @function
save_switch_point:
        movl    4(%esp), %ecx
        movl    (%esp), %eax
        movl    %eax, SWITCH_POINT_RESUME(%ecx)
        leal    4(%esp), %eax                   /* the stack pointer after our return */
        movl    %eax, SWITCH_POINT_STACK(%ecx)
        xorl    %eax, %eax
        ret
        .size   save_switch_point, .-save_switch_point

/* void jump_to_switch_point(const SwitchPoint* point), never returns */
        .globl  jump_to_switch_point
        .type   jump_to_switch_point, @function
jump_to_switch_point:
        movl    4(%esp), %ecx
        movl    SWITCH_POINT_STACK(%ecx), %esp
        movl    $1, %eax
        jmpl    *SWITCH_POINT_RESUME(%ecx)
        .size   jump_to_switch_point, .-jump_to_switch_point

/* StreamStatus driver_switch_step(StreamContext* context, WorkerEntry entry);
   after the four pushes the context is at 20(%esp) and the entry at 24(%esp) */
        .globl  driver_switch_step
        .type   driver_switch_step, @function
driver_switch_step:
        PUSH_CALLEE_SAVED
        movl    20(%esp), %eax
        leal    CONTEXT_DRIVER_POINT(%eax), %eax
        pushl   %eax
        call    save_switch_point
        addl    $4, %esp
        movl    20(%esp), %ecx
        testl   %eax, %eax
        jnz     1f                              /* a yield has handed control back */
        cmpl    $0, CONTEXT_STATUS(%ecx)
        jne     2f
        pushl   24(%esp)
        pushl   %ecx
        call    start_worker
2:      pushl   %ecx
        call    resume_worker
1:      movl    CONTEXT_STATUS(%ecx), %eax
        POP_CALLEE_SAVED
        ret
        .size   driver_switch_step, .-driver_switch_step

/* void start_worker(StreamContext* context, WorkerEntry entry), never returns */
        .globl  start_worker
        .type   start_worker, @function
start_worker:
        movl    4(%esp), %eax
        movl    8(%esp), %ecx
        subl    $STACK_GAP_BYTES, %esp
        andl    $-16, %esp
        subl    $12, %esp                       /* 16-byte alignment at the call */
        pushl   %eax
        call    *%ecx
        ud2                                     /* a worker entry must never return */
        .size   start_worker, .-start_worker

/* void resume_worker(StreamContext* context), never returns */
        .globl  resume_worker
        .type   resume_worker, @function
resume_worker:
        movl    4(%esp), %eax
        leal    CONTEXT_WORKER_POINT(%eax), %eax
        movl    %eax, 4(%esp)
        jmp     jump_to_switch_point
        .size   resume_worker, .-resume_worker

/* void yield_to_driver(StreamContext* context, StreamStatus code);
   after the four pushes the context is at 20(%esp) and the code at 24(%esp) */
        .globl  yield_to_driver
        .type   yield_to_driver, @function
yield_to_driver:
        PUSH_CALLEE_SAVED
        movl    20(%esp), %eax
        leal    CONTEXT_WORKER_POINT(%eax), %eax
        pushl   %eax
        call    save_switch_point
        addl    $4, %esp
        testl   %eax, %eax
        jnz     1f                              /* the driver has resumed us */
        movl    20(%esp), %ecx
        movl    24(%esp), %edx
        /* status is stored after worker_point, so the driver always finds it current */
        movl    %edx, CONTEXT_STATUS(%ecx)
        leal    CONTEXT_DRIVER_POINT(%ecx), %ecx
        pushl   %ecx
        call    jump_to_switch_point
1:      POP_CALLEE_SAVED
        ret
        .size   yield_to_driver, .-yield_to_driver

        .section .note.GNU-stack,"",@progbits
