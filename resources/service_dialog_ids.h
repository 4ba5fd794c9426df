/* Control ids of the host services' dialogs (resources/service_dialogs.rc): the progress window of long
 * operations ("ID_PROGRESS") and the alert of a value out of range (178). The resource compiler reads this
 * header too, so it holds nothing but #defines of literal numbers. The progress window's template is named
 * "ID_PROGRESS" (a name, not a number), so that name is not defined here. */
#ifndef SORN_RESOURCES_SERVICE_DIALOG_IDS_H
#define SORN_RESOURCES_SERVICE_DIALOG_IDS_H

/* ---- Progress window "ID_PROGRESS" --------------------------------------------------------------------------- */
#define IDC_PROGRESS_TITLE     109   /* the operation: "Status of the Operation So Far" until set */
#define IDC_PROGRESS_ETA       118   /* "ETA: ..." */
#define IDC_PROGRESS_PERCENT   121   /* "%2d %"; also the command that carries the bar value (1/100 %) */
#define IDC_PROGRESS_BAR       1003  /* the bar's frame: the bar is drawn inside its rectangle */
#define IDC_PROGRESS_PICTURE   292   /* area right of the controls for a file filter's picture */
#define IDC_PROGRESS_BANNER    3053  /* a line under the title: the running transform's copyright line */
#define IDC_PROGRESS_STATE     3086  /* "Working..." / "Paused" */
#define IDC_PROGRESS_MINIMIZE  3088  /* "_": minimises the main window */
#define IDC_PROGRESS_PAUSE     3121  /* "Pause" / "Continue" */

/* ---- "Value Out Of Range" (dialog 178) ------------------------------------------------------------------------ */
#define IDD_ALERT_LIMITS       178
#define IDC_ALERT_TEXT         3097  /* the explanation (string 118 with the value and the limits) */
#define IDC_ALERT_DONT_SHOW    3036  /* "Don't display this message in the future" */
#define IDC_ALERT_HELP         222

#endif
