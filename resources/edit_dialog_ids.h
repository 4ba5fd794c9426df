/* Control ids of the Generate Silence ("ID_SILENCE") and Mix Paste ("ID_PASTESPECIAL") dialogs. The resource
 * compiler reads this header too, so it holds nothing but #defines of literal numbers. */
#ifndef SORN_SHELL_EDIT_DIALOG_IDS_H
#define SORN_SHELL_EDIT_DIALOG_IDS_H

#define IDC_HELP_BUTTON         9     /* IDHELP: every dialog's Help button */

/* Generate Silence */
#define IDC_SILENCE_SECONDS     4101  /* duration in seconds */

/* Mix Paste */
#define IDC_PS_LEFT_SCROLL      2111  /* volume L, 0 .. 200 per cent */
#define IDC_PS_LEFT_EDIT        2112
#define IDC_PS_LEFT_INVERT      2113
#define IDC_PS_RIGHT_SCROLL     2114
#define IDC_PS_RIGHT_EDIT       2115
#define IDC_PS_RIGHT_INVERT     2116
#define IDC_PS_LOCK             2117  /* "&Lock Left/Right" */
#define IDC_PS_INSERT           2118  /* mode radio buttons */
#define IDC_PS_OVERLAP          2119
#define IDC_PS_MODULATE         2120
#define IDC_PS_CROSSFADE        2121  /* check box, with its time */
#define IDC_PS_CROSSFADE_MS     2122
#define IDC_PS_FROM_CLIPBOARD   2123  /* source radio buttons */
#define IDC_PS_FROM_WINCLIP     2124
#define IDC_PS_FROM_FILE        2125
#define IDC_PS_SELECT_FILE      2126
#define IDC_PS_FILE_NAME        2127  /* the chosen file, shown */
#define IDC_PS_LOOP             2128  /* "L&oop Paste", with its count */
#define IDC_PS_LOOP_COUNT       2129
#define IDC_PS_CONVOLUTE        2130  /* "Convolute": no effect */

#endif
