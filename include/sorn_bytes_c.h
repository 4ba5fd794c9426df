/* The C side of the byte-order tests (sorn_bytes_c.c). */
#ifndef SORN_BYTES_C_H
#define SORN_BYTES_C_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The size of the sample record: U16, U32, U64, S16 and F32 one after the other. */
#define SORN_BYTES_SAMPLE_RECORD 20

/* Writes 0xBEEF, 0x89ABCDEF, 0x0123456789ABCDEF, -2 and -1.5f. */
void SornBytesWriteSampleRecordC(uint8_t* out);
/* 1 when in holds exactly those values. */
int SornBytesReadSampleRecordC(const uint8_t* in);

#ifdef __cplusplus
}
#endif

#endif /* SORN_BYTES_C_H */
