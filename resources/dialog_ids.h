/* Dialog templates of resources/dialogs.rc and their control ids. Read by the resource compiler too, so it
 * holds nothing but plain #defines of literal numbers and names. */
#ifndef SORN_RESOURCES_DIALOG_IDS_H
#define SORN_RESOURCES_DIALOG_IDS_H

/* ---- New-wave dialog (New, Open As, raw PCM, Adjust Sample Rate, file paste) ------------------------------ */
#define IDD_NEW_WAVE           157
#define IDC_NW_RATE            1001  /* rate edit field */
#define IDC_NW_RATELIST        1002  /* list of common rates */
#define IDC_NW_8BIT            1003
#define IDC_NW_16BIT           1004
#define IDC_NW_32BIT           1005  /* always hidden */
#define IDC_NW_MONO            1006
#define IDC_NW_STEREO          1007
#define IDC_NW_NOTE            1008  /* the mode's note */
#define IDC_NW_TRYAS           1009  /* "Try to read as ... anyway" */
#define IDC_NW_RATEBOX         1010  /* group boxes, greyed with their buttons */
#define IDC_NW_BITSBOX         1011
#define IDC_NW_CHANNELSBOX     1012

/* ---- Viewing Range "ID_SAMPLESDLG" (resources/view_dialogs.rc) --------------------------------------------- */
#define IDC_VR_START           1401  /* the view's first sample, in the time format */
#define IDC_VR_END             1402  /* its last sample */
#define IDC_VR_FORMAT          1403  /* "Times in <format>" */
#define IDC_VR_LENGTH          1404  /* the wave's length in the format */

/* ---- Cue list "ID_CUEDIALOG" ---------------------------------------------------------------------------------- */
#define IDC_CUE_LIST           1101
#define IDC_CUE_ADD            1102
#define IDC_CUE_DEL            1103
#define IDC_CUE_MERGE          1104
#define IDC_CUE_GOTO           1105
#define IDC_CUE_AUTOZOOM       1106
#define IDC_CUE_BATCH          1107
#define IDC_CUE_LABEL          1108
#define IDC_CUE_DESC           1109
#define IDC_CUE_LABEL_TEXT     1110
#define IDC_CUE_DESC_TEXT      1111

/* ---- Play list "ID_PLAYBOX" ----------------------------------------------------------------------------------- */
#define IDC_PLAY_LIST          1201
#define IDC_PLAY_ADD           1202  /* "<- &Add Before" / "Open Cue List" */
#define IDC_PLAY_REMOVE        1203
#define IDC_PLAY_LOOPS         1204
#define IDC_PLAY_PLAY          1205
#define IDC_PLAY_AUTOCUE       1206
#define IDC_PLAY_LOOPS_TEXT    1207

/* ---- Toolbar Settings (dialog 166, command 355) ---------------------------------------------------------------- */
#define IDD_TOOLBAR_SETTINGS   166
#define IDC_TB_LIST            1301  /* "Button Ordering": several entries selectable */
#define IDC_TB_UP              1302
#define IDC_TB_DOWN            1303
#define IDC_TB_ZAP             1304
#define IDC_TB_TIP             1305  /* the selected button's tip text */
#define IDC_TB_PICTURE         1306  /* a large picture of its bitmap */
#define IDC_TB_SAVEAS          1307  /* shown for the Save button: SaveMode 0 */
#define IDC_TB_SAVENOW         1308  /* SaveMode 1 */
#define IDC_TB_TOOLHELP        1309  /* "Enable Toolbar &Help": [System] ToolHelp */
#define IDC_TB_HELP            1310
#define IDC_TB_LIST_TEXT       1311
#define IDB_TB_UP              171   /* bitmaps of the arrow buttons: normal, then greyed */
#define IDB_TB_UP_GREY         172
#define IDB_TB_DOWN            173
#define IDB_TB_DOWN_GREY       174
#define IDB_TB_ZAP             175
#define IDB_TB_ZAP_GREY        176

/* ---- "Select Wave Device" (dialog 114, resources/device_dialog.rc) ----------------------------------------- */
#define IDD_SELECT_DEVICE      114
#define IDC_DEV_CONVERT8       3036  /* "Play 16-bit files as 8-bit" */
#define IDC_DEV_WAVEIN         3046  /* wave recording devices */
#define IDC_DEV_WAVEOUT        3047  /* wave playback devices */
#define IDC_DEV_MIDIIN         3048
#define IDC_DEV_MIDIOUT        3049
#define IDC_DEV_RECORD_GRID    3123  /* 12 cells, 3123..3134: rows 11K 22K 44K, columns 8m 8s 16m 16s */
#define IDC_DEV_PLAY_GRID      3135  /* 12 cells, 3135..3146 */
#define IDC_DEV_HELP           222

/* ---- The open dialog's information panel "ID_OPENINFO" (resources/open_info.rc) ---------------------------- */
#define IDC_OI_FORMAT          3301  /* "%5ld Hz    %2d-bit     Mono" / "Unrecognized Format" */
#define IDC_OI_SIZE            3302  /* "%ld K" */
#define IDC_OI_BOX             3303

/* ---- Frequency analysis (dialog 113, command 5060): modeless, resizable -------------------------------------- */
#define IDD_ANALYSIS           113
#define IDC_AN_GRAPH           1501  /* the spectrum, class "SORNDISPLAY" */
#define IDC_AN_FREQ            1502  /* the pitch text */
#define IDC_AN_SIZE            1503  /* FFT size list, 128 .. 32768 */
#define IDC_AN_WINDOW          1504  /* window type list */
#define IDC_AN_RANGE           1505  /* dB range, 24 .. 240 */
#define IDC_AN_LINES           1506  /* "&Line View" */
#define IDC_AN_SCAN            1507  /* average spectrum over the selection */
#define IDC_AN_SIZE_TEXT       1508
#define IDC_AN_WINDOW_TEXT     1509
#define IDC_AN_RANGE_TEXT      1510

#endif
