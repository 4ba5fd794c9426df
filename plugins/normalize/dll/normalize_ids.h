/* The "Normalize" dialog (resource 100 of normalize.xfm) and its controls. Read by the resource compiler
 * too: nothing but #defines of literal numbers. */
#ifndef SORN_NORMALIZE_IDS_H
#define SORN_NORMALIZE_IDS_H

#define IDD_NORMALIZE      100
#define IDC_NORM_PERCENT   1001  /* level in per cent of full scale, 0.1 .. 100, default 100 */
#define IDC_NORM_DB        1002  /* the same level in dB, -60 .. 0, default 0 */
#define IDC_NORM_PEAK      1003  /* read-out: what the level means for the wave */

#endif
