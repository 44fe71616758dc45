/* Offsets into StreamContext and SwitchPoint that the switch assembly uses. Shared by the
   .S files and by C++, which checks every value against the real record layout. */
#ifndef FLATEBITS_WORKER_SWITCH_LAYOUT_H
#define FLATEBITS_WORKER_SWITCH_LAYOUT_H

#define STACK_GAP_BYTES 65536

#define SWITCH_POINT_RESUME 0
#if defined(__LP64__)
#define SWITCH_POINT_STACK 8
#define CONTEXT_STATUS 0
#define CONTEXT_DRIVER_POINT 64
#define CONTEXT_WORKER_POINT 80
#else
#define SWITCH_POINT_STACK 4
#define CONTEXT_STATUS 0
#define CONTEXT_DRIVER_POINT 32
#define CONTEXT_WORKER_POINT 40
#endif

#endif
