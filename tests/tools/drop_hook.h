/* What sorn-driver and drop-hook.dll share for a drop (see drop_hook.c). The mapping holds a status word
 * (0 waiting, 1 taken, 2 failed), the block's byte count, then the DROPFILES block. */
#pragma once

#define SORN_DROP_MESSAGE "SornDriverDrop"
#define SORN_DROP_MAPPING "SornDriverDropFiles"
#define SORN_DROP_BYTES 16384
