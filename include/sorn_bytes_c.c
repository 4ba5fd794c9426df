/* Compiles sorn_bytes.h as C (a filter may be written in C) and gives the tests one record written and
 * read by the C side, to compare with the same helpers in C++. */
#include "include/sorn_bytes_c.h"

#include "include/sorn_bytes.h"

void SornBytesWriteSampleRecordC(uint8_t* out) {
  SornPutU16LE(out, 0xBEEF);
  SornPutU32LE(out + 2, 0x89ABCDEFu);
  SornPutU64LE(out + 6, 0x0123456789ABCDEFull);
  SornPutS16LE(out + 14, -2);
  SornPutF32LE(out + 16, -1.5f);
}

int SornBytesReadSampleRecordC(const uint8_t* in) {
  return SornGetU16LE(in) == 0xBEEF && SornGetU32LE(in + 2) == 0x89ABCDEFu &&
         SornGetU64LE(in + 6) == 0x0123456789ABCDEFull && SornGetS16LE(in + 14) == -2 &&
         SornGetF32LE(in + 16) == -1.5f;
}
