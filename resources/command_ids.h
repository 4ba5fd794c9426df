/* Command ids, control ids and private message numbers of the main window.
 *
 * One header for everything that sends the main window a WM_COMMAND: the menu "SORNMENU96", the accelerator
 * tables "MENUACC" and "NUMSACC", the buttons, the toolbar, scripts and the end-to-end driver. The resource
 * compiler reads it too, so the part above RC_INVOKED holds nothing but plain #defines of literal numbers.
 * Ids are fixed: scripts and settings files store them, so never renumber one.
 */
#ifndef SORN_RESOURCES_COMMAND_IDS_H
#define SORN_RESOURCES_COMMAND_IDS_H

/* ---- Main window child controls -------------------------------------------------------------------------- */
#define IDC_DISPLAY            360   /* waveform display, class WAVEDISP */
#define IDC_METER              5030  /* level meter, class SornMeter7 */
#define IDC_BTN_ZOOM           401   /* "Zoom": zoom to the selection */
#define IDC_BTN_IN             197
#define IDC_BTN_OUT            196
#define IDC_BTN_FULL           195
#define IDC_BTN_PLAY           199
#define IDC_BTN_PAUSE          192
#define IDC_BTN_STOP           198
#define IDC_BTN_RECORD         194
#define IDC_CD_TRACKS          150   /* CD track list box; the CD time static shares the id */
#define IDC_CD_TIME            150
#define IDC_CD_TITLE           141   /* CD title edit field */

/* ---- Private messages to the main window (literal numbers, not WM_APP based) ------------------------------ */
#define WM_VF_NEEDSPACE        1651  /* store out of room: free undo levels, answer 1 when something was freed */
#define WM_SORN_SCRIPT_STEP    1801  /* run the next step of the playing script */
#define WM_SORN_BATCH_NEXT     1802  /* process the next file of the batch */

/* ---- Help and small commands below 200 ---------------------------------------------------------------------- */
#define IDM_HELP_FEATURES      101   /* "&Features" */
#define IDM_UNDO               102   /* "&Undo" (Ctrl+Z, Alt+Backspace) */
#define IDM_CURSOR_RIGHT       104   /* Right: move the cursor one step */
#define IDM_CURSOR_LEFT        105   /* Left */
#define IDM_EXTEND_RIGHT       106   /* Shift+Right: move the selection edge one step */
#define IDM_EXTEND_LEFT        107   /* Shift+Left */
#define IDM_ADJUST_RATE        109   /* "&Adjust Sample Rate..." */
#define IDM_BYTE_SWAP          112   /* "Byte Swap" (script name; no menu item) */
#define IDM_SCRIPTS            113   /* "Scripts && Batch Processing..." */
#define IDM_SAVE_SELECTION     114   /* "Save S&election..." */
#define IDM_SELECT_ALL         115   /* "Select &Entire Wave" (Ctrl+A) */
#define IDM_OPEN_AS            116   /* "O&pen As..." */
#define IDM_CONVERT            120   /* "C&onvert Sample Type..." */
#define IDM_REPEAT_LAST        130   /* "Repeat Last Comma&nd" (F2) */
#define IDM_REPEAT_NO_DIALOG   131   /* F3: repeat the last command without its dialog */
#define IDM_ZERO_CROSS_KEY     134   /* Ctrl+D: zero-cross adjust */
#define IDM_OPEN_APPEND        135   /* "Open Appen&d..." */
#define IDM_PLAY_LIST          136   /* "Pl&ay List" */
#define IDM_CUE_LIST           137   /* "C&ue List" */
#define IDM_TOOLBAR_SAVE       138   /* toolbar Save: Save As or Save by [System] SaveMode */

/* CD player: keys of the track list and the CD bar buttons */
#define IDM_CD_NEXT_FIELD      139   /* Tab */
#define IDM_CD_ENTER           140   /* Enter */
#define IDM_CD_TITLE           141   /* the title field's notifications */
#define IDM_CD_NEW             142   /* "ICDNew": new disc */
#define IDM_CD_STOP            143   /* "ICDStop" */
#define IDM_CD_GOTO_MARK       144   /* "ICDGotoMark" */
#define IDM_CD_MARK            145   /* "ICDMark" */
#define IDM_CD_REWIND          146   /* "ICDRR" */
#define IDM_CD_FORWARD         147   /* "ICDFF" */
#define IDM_CD_PLAYER          148   /* "&CD Player": show or hide the CD bar */
#define IDM_CD_PLAY            149   /* "ICDPlay" / "ICDPause" */
#define IDM_CD_TRACKS          150   /* the track list's notifications */

/* Transport and horizontal zoom (also the button ids) */
#define IDM_PAUSE              192
#define IDM_RECORD             194   /* Alt+R, Ctrl+Space */
#define IDM_ZOOM_FULL          195
#define IDM_ZOOM_OUT           196
#define IDM_ZOOM_IN            197
#define IDM_STOP               198   /* Alt+S */
#define IDM_PLAY               199   /* Alt+P */

/* ---- Selection, view and display commands 250..420 ------------------------------------------------------- */
#define IDM_SELECT_VISIBLE     253   /* Ctrl+S */
#define IDM_CLEAR_SELECTION    254   /* Esc */
#define IDM_ANALYSIS_UPDATE    282   /* sent to the analysis window with the play position */
#define IDM_ADD_CUE            311   /* F8 */
#define IDM_ZERO_CROSS         312   /* "&Zero Cross Adjust" (F4) */
#define IDM_CD_DIGIT_FIRST     313   /* number keys in the CD track list: 313 + (digit - 1), "0" is 322 */
#define IDM_CD_DIGIT_LAST      322
#define IDM_CD_PREV_FIELD      323   /* Shift+Tab */
#define IDM_PAGE_UP            324
#define IDM_PAGE_DOWN          325
#define IDM_HOME               326
#define IDM_END                327

/* Level meter context menu (menu resource 164 "Meter") */
#define IDM_METER_START_STOP   328   /* "Start/Stop &Meter" */
#define IDM_METER_SHOW_ON_PLAY 329   /* "&Show on Play and Record" */
#define IDM_METER_CLEAR_CLIP   330   /* "&Clear Clip Indicators" */
#define IDM_METER_ADJUST_DC    331   /* "&Adjust for DC" */
#define IDM_METER_VALLEYS      332   /* "Show &Valleys" */
#define IDM_METER_RANGE_90     333   /* "&90dB Range" */
#define IDM_METER_RANGE_75     334
#define IDM_METER_RANGE_60     335
#define IDM_METER_RANGE_45     336
#define IDM_METER_RANGE_30     337
#define IDM_METER_DYNAMIC      338   /* "&Dynamic Peaks" */
#define IDM_METER_STATIC       339   /* "Static &Peaks" */

/* Edit channel: both, left only, right only (Ctrl+B, Ctrl+L, Ctrl+R) */
#define IDM_EDIT_BOTH          340
#define IDM_EDIT_LEFT_ONLY     341
#define IDM_EDIT_RIGHT_ONLY    342

/* Time format, vertical scale and zoom */
#define IDM_TIME_DECIMAL       351   /* "&Decimal (mm:ss.ddd)": format 0 */
#define IDM_TIME_FRAMES        352   /* "&Custom Frames (mm:ss:ff)": format 2 */
#define IDM_TIME_SAMPLES       353   /* "S&amples": format 1 */
#define IDM_TIME_SMPTE_DROP    354   /* "&SMPTE Drop": format 3 */
#define IDM_TOOLBAR_SETTINGS   355   /* "Custom &Toolbar Settings..." */
#define IDM_DEFINE_CUSTOM      356   /* "D&efine Custom...": settings dialog, page 1 */
#define IDM_VZOOM_IN           365   /* Ctrl+Up */
#define IDM_VZOOM_OUT          366   /* Ctrl+Down */
#define IDM_VZOOM_FULL         367
#define IDM_ZOOM_OUT_KEY       369   /* Ctrl+Left */
#define IDM_SCROLL_START       370   /* Ctrl+Home */
#define IDM_SCROLL_END         371   /* Ctrl+End */
#define IDM_ZOOM_IN_KEY        372   /* Ctrl+Right */
#define IDM_SHOW_GRID          373   /* "Show &Grid" */
#define IDM_VIEW_WAVEFORM      374   /* "&Waveform View" */
#define IDM_VIEW_SPECTRAL      375   /* "&Spectral View" */
#define IDM_SHOW_BOUNDARIES    376   /* "Show &Boundaries" */
#define IDM_WINCLIP_COPY       377   /* "Windows Clipboard" / "&Copy" */
#define IDM_VSCALE_SAMPLES     378   /* "&Sample Values": scale 0 */
#define IDM_VSCALE_NORMALIZED  379   /* "&Normalized Values": scale 1 */
#define IDM_VSCALE_PERCENT     380   /* "&Percentage": scale 2 */
#define IDM_FLUSH_VFILE        381   /* "&Flush Virtual File" */
#define IDM_VIEW_WHOLE         382   /* show the whole wave */
#define IDM_VSCALE_HZ          385   /* "&Hz" (spectral view) */
#define IDM_VZOOM_FULL2        387   /* second id of the full vertical range */
#define IDM_SCROLL_BACK        390   /* one scroll step back */
#define IDM_SCROLL_FORWARD     391   /* one scroll step forward */
#define IDM_QUICK_SAVE         392   /* "&Quick Save" */
#define IDM_ENABLE_UNDO        393   /* "Enable Un&do " */
#define IDM_SAMPLER_INFO       397   /* sampler information dialog */
#define IDM_ZOOM_SELECTION     401   /* "Zoom" button */
#define IDM_WINCLIP_PASTE      415   /* "Windows Clipboard" / "&Paste" */
#define IDM_CD_DOOR            500   /* CD bar door button */

/* ---- Menu commands 1000..6999 ----------------------------------------------------------------------------- */
#define IDM_EDIT_LEFT          1001  /* "&Left Channel": toggles the left channel */
#define IDM_EDIT_RIGHT         1002  /* "&Right Channel": toggles the right channel */
#define IDM_NEW                1050  /* "&New..." */
#define IDM_NEW_INSTANCE       1051  /* "New &Instance" */
#define IDM_OPEN               1100  /* "&Open..." */
#define IDM_REOPEN             1110  /* "&Re-Open" */
#define IDM_SAVE_AS            1150  /* "Save &As..." */
#define IDM_SAVE               1151  /* "&Save" */
#define IDM_SELECT_DEVICE      1222  /* "Select Wave &Device..." */
#define IDM_EXIT               1250  /* "E&xit" */
#define IDM_COPY               2050  /* "&Copy" (Ctrl+C, Ctrl+Ins) */
#define IDM_PASTE              2100  /* "&Paste " (Ctrl+V, Shift+Ins) */
#define IDM_MIX_PASTE          2110  /* "&Mix Paste..." */
#define IDM_CUT                2150  /* "Cu&t" (Ctrl+X, Shift+Del) */
#define IDM_DELETE             2200  /* "&Delete Selection" (Del) */
#define IDM_TRIM               2210  /* "Tri&m" (Ctrl+T) */
#define IDM_VIEW_TOGGLE        2211  /* toolbar: switch between waveform and spectral view */
#define IDM_TIMED_RECORD       3000  /* toggle timed record */
#define IDM_REVERSE            3080  /* "&Reverse" */
#define IDM_INVERT             3100  /* "&Invert" */
#define IDM_SILENCE            3140  /* "&Silence" */
#define IDM_VIEWING_RANGE      3147  /* "&Viewing Range..." */
#define IDM_CLOSE              3148  /* "&Close" */
#define IDM_MUSIC              3150  /* music generator ("Special\Music...") */
#define IDM_SAMPLE_ADJUST      3257  /* hand-drawn sample change (undo level id only) */
#define IDM_SETTINGS_STARTUP   3290  /* settings dialog at start-up: parameter 0 page 2, 1 page 3 */
#define IDM_GENERATE_SILENCE   4100  /* "&Silence..." in the Generate menu */
#define IDM_LOOP_MODE          5010  /* "&Loop Mode" */
#define IDM_MONITOR_VU         5030  /* "&Monitor VU Level" */
#define IDM_SETTINGS           5040  /* "&Settings..." */
#define IDM_INFO               5050  /* "&Info..." (Alt+I) */
#define IDM_FREQ_ANALYSIS      5060  /* "&Frequency Analysis" (Alt+Z) */
#define IDM_HELP_CONTENTS      6050  /* "&Contents" */
#define IDM_HELP_QUICKREF      6100  /* "&Quick Reference" */

/* ---- Transforms: 7000 + index in the transform table; no handler up to 8999 ------------------------------- */
#define IDM_TRANSFORM_FIRST    7000
#define IDM_TOOLBAR_PRESS      7999  /* a toolbar button being pressed: no-op */
#define IDM_TRANSFORM_LAST     8999

/* ---- Recent files: separator 13999, items 14000 + i ------------------------------------------------------- */
#define IDM_RECENT_SEPARATOR   13999
#define IDM_RECENT_FIRST       14000
#define IDM_RECENT_LAST        14020

/* Positions of the popups in the menu bar of "SORNMENU96" (the transform host fills 3..5). */
#define SORN_MENU_FILE         0
#define SORN_MENU_EDIT         1
#define SORN_MENU_VIEW         2
#define SORN_MENU_TRANSFORM    3
#define SORN_MENU_GENERATE     4
#define SORN_MENU_ANALYZE      5
#define SORN_MENU_SPECIAL      6
#define SORN_MENU_OPTIONS      7
#define SORN_MENU_HELP         8

/* Resource ids that are not commands */
#define IDI_SORN96             98    /* program icon */
#define IDR_METER_MENU         164   /* level meter context menu "Meter" */

#if defined(__cplusplus) && !defined(RC_INVOKED)
/* The dispatcher splits WM_COMMAND by range: table commands below 7000, transforms, recent files. */
static_assert(IDM_TRANSFORM_FIRST == 7000 && IDM_TRANSFORM_LAST == 8999, "transform range");
static_assert(IDM_TOOLBAR_PRESS > IDM_TRANSFORM_FIRST && IDM_TOOLBAR_PRESS <= IDM_TRANSFORM_LAST,
              "the toolbar press no-op sits in the unhandled transform range");
static_assert(IDM_HELP_QUICKREF < IDM_TRANSFORM_FIRST && IDM_FREQ_ANALYSIS < IDM_TRANSFORM_FIRST,
              "table commands stay below the transforms");
static_assert(IDM_RECENT_SEPARATOR + 1 == IDM_RECENT_FIRST, "recent item i goes before id 13999 + i");
static_assert(IDM_RECENT_LAST - IDM_RECENT_FIRST == 20, "21 recent-file command ids");
static_assert(IDM_RECENT_FIRST > IDM_TRANSFORM_LAST, "recent files above the transforms");
static_assert(IDM_CD_DIGIT_LAST - IDM_CD_DIGIT_FIRST == 9, "ten number keys");
static_assert(IDM_METER_STATIC - IDM_METER_START_STOP == 11, "meter menu 328..339");
static_assert(IDM_METER_STATIC < IDM_EDIT_BOTH, "meter menu below the edit-channel commands");
static_assert(IDM_EDIT_LEFT_ONLY == IDM_EDIT_BOTH + 1 && IDM_EDIT_RIGHT_ONLY == IDM_EDIT_BOTH + 2,
              "edit channel n is IDM_EDIT_BOTH + n");
static_assert(IDM_TIME_SMPTE_DROP - IDM_TIME_DECIMAL == 3, "four time-format commands");
static_assert(IDM_PAGE_UP + 3 == IDM_END, "page and end moves 324..327");
static_assert(IDC_BTN_PLAY == IDM_PLAY && IDC_BTN_STOP == IDM_STOP && IDC_BTN_PAUSE == IDM_PAUSE &&
              IDC_BTN_RECORD == IDM_RECORD && IDC_BTN_ZOOM == IDM_ZOOM_SELECTION && IDC_BTN_IN == IDM_ZOOM_IN &&
              IDC_BTN_OUT == IDM_ZOOM_OUT && IDC_BTN_FULL == IDM_ZOOM_FULL,
              "buttons send their own id as the command");
static_assert(WM_VF_NEEDSPACE < WM_SORN_SCRIPT_STEP && WM_SORN_SCRIPT_STEP + 1 == WM_SORN_BATCH_NEXT,
              "private messages");
static_assert(WM_SORN_BATCH_NEXT < 0x8000, "private messages stay below WM_APP");
static_assert(WM_VF_NEEDSPACE == 1651, "the store's need-space message (storage::kVfNeedSpaceMessage)");
#endif

#endif
