/* The "Tone Generator" dialog (resource 100 of tonegen.xfm) and its controls. Read by the resource
 * compiler too: nothing but #defines of literal numbers. */
#ifndef SORN_TONEGEN_IDS_H
#define SORN_TONEGEN_IDS_H

#define IDD_TONEGEN        100
#define IDC_TONE_SINE      1101  /* waveform radio buttons; sine is the default */
#define IDC_TONE_NOISE     1102
#define IDC_TONE_SILENCE   1103
#define IDC_TONE_SECONDS   1104  /* length in seconds, 0.001 .. 3600, default 1 */
#define IDC_TONE_FREQUENCY 1105  /* Hz, 1 .. half the sample rate, default 1000 */
#define IDC_TONE_PERCENT   1106  /* peak level in per cent of full scale, 0.1 .. 100, default 50 */
#define IDC_TONE_DB        1107  /* the same level in dB, -60 .. 0, default -6.02 */
#define IDC_TONE_FRAMES    1108  /* read-out: the length in frames at the wave's rate */

#endif
