/* Call frame notes that the switch assembly spells out with .cfi_escape, for the frames
   whose caller, to the unwinder, is code on another stack. For the .S files only. */
#ifndef FLATEBITS_WORKER_SWITCH_CFI_H
#define FLATEBITS_WORKER_SWITCH_CFI_H

#include "switch_layout.h"

/* DWARF call frame instructions and expression operations (their encodings: DWARF 5, chapter 7). */
#define DW_CFA_def_cfa_expression 0x0f
#define DW_CFA_expression 0x10
#define DW_OP_deref 0x06
#define DW_OP_plus_uconst 0x23
#define DW_OP_breg0 0x70

/* CFI_CALLER_AT_POINT reg, offset, ra: from here on, the frame below this one is the code
   that the SwitchPoint at register reg + offset continues, since that is where control goes
   next: its stack pointer is the CFA, its resume address the return address. reg is a DWARF
   register number below 32, ra the return address column:
     CFA = [reg + offset + SWITCH_POINT_STACK]
     ra  = [reg + offset + SWITCH_POINT_RESUME] */
.macro CFI_CALLER_AT_POINT reg, offset, ra
        .if (\offset) + SWITCH_POINT_STACK > 127
        .error "switch point offset does not fit one ULEB128 byte"
        .endif
        .cfi_escape DW_CFA_def_cfa_expression, 5, DW_OP_breg0 + (\reg), 0, \
                    DW_OP_plus_uconst, (\offset) + SWITCH_POINT_STACK, DW_OP_deref
        .cfi_escape DW_CFA_expression, \ra, 4, DW_OP_breg0 + (\reg), 0, \
                    DW_OP_plus_uconst, (\offset) + SWITCH_POINT_RESUME
.endm

#endif
