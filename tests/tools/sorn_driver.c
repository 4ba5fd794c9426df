/* sorn-driver: drives a running sorn96.exe from the end-to-end tests, the way a user would.
 *
 * It finds the main window by its class, posts WM_COMMAND ids to it, answers message boxes by caption and text,
 * fills edit fields and presses buttons of dialogs found by their title, waits for the program to settle or to
 * exit, and reads the window title. Every wait has a timeout; on a timeout it prints every open window and exits
 * with code 3, so a test that hangs says what was on the screen.
 *
 *   sorn-driver.exe -f script.txt            one command per line, '#' starts a comment
 *   sorn-driver.exe cmd args ; cmd args ...  commands on the command line, separated by a lone ";"
 *
 * Commands (timeouts in seconds, default SORN_DRIVER_TIMEOUT or 30):
 *   wait-window <class> [timeout] [count]    wait for count (1) top-level windows of that class; the one of
 *                                            the newest process other than the last target's becomes the target
 *                                            (commands without a target take the first "SORN96" window)
 *   command <id> [lparam]                    post WM_COMMAND id to the target
 *   post <message> [wparam] [lparam]         post any message to the target
 *   post-child <control id> <message> [wparam] [lparam]
 *                                            post a message to a child window of the target (the mouse
 *                                            messages of a click or drag in the waveform display)
 *   drop <path> [<path> ...]                 drop files on the target as from the file manager (WM_DROPFILES,
 *                                            made inside the target by drop-hook.dll next to the driver)
 *   close                                    post WM_CLOSE to the target
 *   answer-box "<caption>" "<text part>" <button> [timeout]
 *                                            find a dialog box with that caption showing the text, press a
 *                                            button: OK, CANCEL, ABORT, RETRY, IGNORE, YES, NO or a number
 *   wait-dialog "<title>" [timeout]          wait for a dialog with that title
 *   wait-gone "<title>" [timeout]            wait until no window has that title
 *   fill "<dialog title>" <control id> "<text>" [timeout]
 *   press "<dialog title>" <button id> [timeout]
 *   select-items "<dialog title>" <list id> <line> [<line> ...]
 *                                            select lines (0-based) of a list box, as clicks would
 *   select-combo "<dialog title>" <combo id> <line>
 *                                            pick a line (0-based) of a drop-down list, as a click would
 *   click <control id>                       click a button of the main window (fails when it is missing,
 *                                            hidden or disabled)
 *   key <virtual-key code> [<modifier vk> ...]
 *                                            press and release a key on the keyboard (to the focused window),
 *                                            holding the modifiers (18 Alt, 17 Ctrl, 16 Shift) round it
 *   controls <id> [<id> ...]                 print "control <id> enabled|disabled shown|hidden <l> <t> <r> <b>
 *                                            of <client w> <client h>" (or "missing") for each
 *   expect-no-dialog                         fail when the target's process shows a dialog box
 *   wait-idle [quiet ms] [timeout]           wait until the target's process has nothing left to do and its
 *                                            set of windows stayed the same for quiet ms (default 500)
 *   title                                    print "title: <main window title>"
 *   window-rect                              print "rect: <left> <top> <right> <bottom>" of the main window,
 *                                            followed by " minimized" or " maximized" in those states
 *   expect-title "<text part>"               fail unless the title contains the text
 *   wait-title "<text part>" [timeout]       wait until the title contains the text
 *   wait-exit [timeout]                      wait for the target's process to end; prints "exit: <code>"
 *   list-windows                             print every top-level window with its children's texts (and
 *                                            the lines of list boxes)
 *   sleep <ms>
 *   expect-fail <command> [args]             run the command and succeed only if it fails or times out
 * Exit codes: 0 all commands succeeded, 1 a command failed, 2 bad usage, 3 a wait timed out.
 */
#include <windows.h>
#include <shlobj.h> /* DROPFILES */

#include <ctype.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "drop_hook.h"

enum { RC_OK = 0, RC_FAIL = 1, RC_USAGE = 2, RC_TIMEOUT = 3 };
enum { MAX_ARGS = 16, TEXT_MAX = 1024 };

static HWND g_target;        /* main window found by wait-window */
static DWORD g_target_pid;
static HANDLE g_target_process;
static int g_default_timeout = 30;
static int g_posted;         /* messages posted to the target since the last wait-idle */

static void say(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vprintf(fmt, ap);
  va_end(ap);
  fflush(stdout);
}

/* ---- Window texts and listing ------------------------------------------------------------------------------- */

/* Reads a window's text through WM_GETTEXT (marshalled across processes) with a timeout, so a hung program
 * cannot hang the driver; falls back to the text the window manager keeps. */
static void window_text(HWND w, char *out, int size) {
  DWORD_PTR n = 0;
  out[0] = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXT, (WPARAM)size, (LPARAM)out, SMTO_ABORTIFHUNG, 2000, &n)) {
    GetWindowTextA(w, out, size);
  }
  out[size - 1] = 0;
}

static void window_class(HWND w, char *out, int size) {
  out[0] = 0;
  GetClassNameA(w, out, size);
}

typedef struct {
  int count;
} ChildListing;

/* A list box's lines (its window text is empty): "        item <n>: <text>", tabs shown as "\t". */
static void print_list_items(HWND w) {
  DWORD_PTR count = 0, len = 0;
  if (!SendMessageTimeoutA(w, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count) || (LONG_PTR)count <= 0) return;
  for (DWORD_PTR i = 0; i < count && i < 100; ++i) {
    WCHAR wide[TEXT_MAX];
    char text[TEXT_MAX], shown[2 * TEXT_MAX];
    int j, k = 0;
    /* The wide form: Wine hands a list box's text across processes in its own (wide) form. */
    if (!SendMessageTimeoutW(w, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 2000, &len) || len >= TEXT_MAX) continue;
    wide[0] = 0;
    if (!SendMessageTimeoutW(w, LB_GETTEXT, i, (LPARAM)wide, SMTO_ABORTIFHUNG, 2000, &len)) continue;
    wide[TEXT_MAX - 1] = 0;
    if (!WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL)) text[0] = 0;
    text[TEXT_MAX - 1] = 0;
    for (j = 0; text[j] && k < (int)sizeof shown - 3; ++j) {
      if (text[j] == '\t') {
        shown[k++] = '\\';
        shown[k++] = 't';
      } else {
        shown[k++] = text[j];
      }
    }
    shown[k] = 0;
    say("        item %lu: \"%s\"\n", (unsigned long)i, shown);
  }
}

static BOOL CALLBACK print_child(HWND w, LPARAM lp) {
  ChildListing *c = (ChildListing *)lp;
  char cls[64], text[TEXT_MAX];
  window_class(w, cls, sizeof cls);
  window_text(w, text, sizeof text);
  if (lstrcmpiA(cls, "ListBox") == 0 && text[0] == 0 && c->count < 60) {
    say("      %-10s id %-5d%s\n", cls, GetDlgCtrlID(w), IsWindowEnabled(w) ? "" : " (disabled)");
    print_list_items(w);
    return TRUE;
  }
  if (text[0] == 0) return TRUE;
  if (++c->count > 60) {
    if (c->count == 61) say("      ...\n");
    return TRUE;
  }
  say("      %-10s id %-5d%s \"%s\"\n", cls, GetDlgCtrlID(w), IsWindowEnabled(w) ? "" : " (disabled)", text);
  return TRUE;
}

static BOOL CALLBACK print_top(HWND w, LPARAM lp) {
  char cls[64], text[TEXT_MAX];
  DWORD pid = 0;
  ChildListing c = {0};
  (void)lp;
  GetWindowThreadProcessId(w, &pid);
  window_class(w, cls, sizeof cls);
  window_text(w, text, sizeof text);
  /* Wine keeps a few invisible helper windows per process; they say nothing about the program's state. */
  if (!IsWindowVisible(w) && (text[0] == 0 || strcmp(cls, "IME") == 0)) return TRUE;
  say("  window %p class \"%s\" title \"%s\" pid %lu%s\n", (void *)w, cls, text, (unsigned long)pid,
      IsWindowVisible(w) ? "" : " (hidden)");
  EnumChildWindows(w, print_child, (LPARAM)&c);
  return TRUE;
}

static void list_windows(void) {
  say("open windows:\n");
  EnumWindows(print_top, 0);
}

static int timed_out(const char *what) {
  say("TIMEOUT: %s\n", what);
  list_windows();
  return RC_TIMEOUT;
}

static int failed(const char *fmt, ...) {
  va_list ap;
  printf("FAILED: ");
  va_start(ap, fmt);
  vprintf(fmt, ap);
  va_end(ap);
  printf("\n");
  list_windows();
  return RC_FAIL;
}

/* ---- Finding windows ---------------------------------------------------------------------------------------------- */

typedef struct {
  const char *cls;       /* class name, or NULL for any */
  const char *title;     /* exact title, or NULL for any */
  const char *text;      /* a child window text must contain this, or NULL */
  DWORD pid;             /* owning process, or 0 for any */
  HWND found;
} WindowQuery;

typedef struct {
  const char *part;
  int hit;
} TextSearch;

static BOOL CALLBACK child_has_text(HWND w, LPARAM lp) {
  TextSearch *s = (TextSearch *)lp;
  char text[TEXT_MAX];
  window_text(w, text, sizeof text);
  if (strstr(text, s->part)) {
    s->hit = 1;
    return FALSE;
  }
  return TRUE;
}

static BOOL CALLBACK match_top(HWND w, LPARAM lp) {
  WindowQuery *q = (WindowQuery *)lp;
  char buf[TEXT_MAX];
  if (!IsWindowVisible(w)) return TRUE;
  if (q->pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != q->pid) return TRUE;
  }
  if (q->cls) {
    window_class(w, buf, sizeof buf);
    if (strcmp(buf, q->cls) != 0) return TRUE;
  }
  if (q->title) {
    window_text(w, buf, sizeof buf);
    if (strcmp(buf, q->title) != 0) return TRUE;
  }
  if (q->text) {
    TextSearch s = {q->text, 0};
    EnumChildWindows(w, child_has_text, (LPARAM)&s);
    if (!s.hit) return TRUE;
  }
  q->found = w;
  return FALSE;
}

static HWND find_window(const char *cls, const char *title, const char *text, DWORD pid) {
  WindowQuery q = {cls, title, text, pid, NULL};
  EnumWindows(match_top, (LPARAM)&q);
  return q.found;
}

/* Polls find_window until it succeeds or the timeout (seconds) passes. */
static HWND wait_for_window(const char *cls, const char *title, const char *text, DWORD pid, int timeout) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND w = find_window(cls, title, text, pid);
    if (w) return w;
    if (GetTickCount() - start >= (DWORD)timeout * 1000u) return NULL;
    Sleep(100);
  }
}

/* ---- Argument helpers --------------------------------------------------------------------------------------------- */

static int parse_int(const char *s, long *out) {
  char *end;
  long v = strtol(s, &end, 0);
  if (*s == 0 || *end != 0) return 0;
  *out = v;
  return 1;
}

static int timeout_arg(int argc, char **argv, int index) {
  long v;
  if (index < argc && parse_int(argv[index], &v) && v > 0) return (int)v;
  return g_default_timeout;
}

static int button_id(const char *name, long *id) {
  static const struct {
    const char *name;
    long id;
  } names[] = {{"OK", IDOK},         {"CANCEL", IDCANCEL}, {"ABORT", IDABORT}, {"RETRY", IDRETRY},
               {"IGNORE", IDIGNORE}, {"YES", IDYES},       {"NO", IDNO}};
  const char *n = name;
  size_t i;
  if (_strnicmp(n, "ID", 2) == 0 && !isdigit((unsigned char)n[2])) n += 2;
  for (i = 0; i < sizeof names / sizeof names[0]; i++) {
    if (_stricmp(n, names[i].name) == 0) {
      *id = names[i].id;
      return 1;
    }
  }
  return parse_int(name, id);
}

static void adopt_target(HWND w) {
  g_target = w;
  GetWindowThreadProcessId(w, &g_target_pid);
  if (g_target_process) CloseHandle(g_target_process);
  g_target_process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, g_target_pid);
}

/* Commands that act on the main window use the one wait-window found, or else the first "SORN96" window, so a
 * later script of the same test need not wait for it again. */
static int need_target(void) {
  HWND w;
  if (g_target && IsWindow(g_target)) return 1;
  if (!g_target && (w = find_window("SORN96", NULL, NULL, 0)) != NULL) {
    adopt_target(w);
    return 1;
  }
  failed("no main window (use wait-window first, or the program has closed it)");
  return 0;
}

/* Clicks a dialog button the way the dialog manager reports a click: WM_COMMAND with BN_CLICKED. A disabled or
 * missing button counts as a failure, because a user could not press it either. */
static int click(HWND dlg, long id) {
  HWND b = GetDlgItem(dlg, (int)id);
  if (b && !IsWindowEnabled(b)) return failed("button %ld is disabled", id);
  if (!b && id != IDOK && id != IDCANCEL) return failed("dialog has no button %ld", id);
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)b);
  return RC_OK;
}

/* ---- Commands --------------------------------------------------------------------------------------------------------- */

typedef struct {
  const char *cls;
  DWORD skip_pid; /* not counted as "other" */
  int count;
  HWND other;     /* the matching window of the newest process other than skip_pid */
  ULONGLONG other_started;
} ClassCount;

/* When the process was started (0 when it cannot be asked), to tell a new instance from an older one. */
static ULONGLONG process_start_time(DWORD pid) {
  FILETIME created, exited, kernel, user;
  ULONGLONG t = 0;
  HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (!h) return 0;
  if (GetProcessTimes(h, &created, &exited, &kernel, &user))
    t = ((ULONGLONG)created.dwHighDateTime << 32) | created.dwLowDateTime;
  CloseHandle(h);
  return t;
}

static BOOL CALLBACK count_class(HWND w, LPARAM lp) {
  ClassCount *c = (ClassCount *)lp;
  char cls[64];
  DWORD pid = 0;
  if (!IsWindowVisible(w)) return TRUE;
  window_class(w, cls, sizeof cls);
  if (strcmp(cls, c->cls) != 0) return TRUE;
  c->count++;
  GetWindowThreadProcessId(w, &pid);
  if (pid != c->skip_pid) {
    ULONGLONG started = process_start_time(pid);
    if (!c->other || started > c->other_started) {
      c->other = w;
      c->other_started = started;
    }
  }
  return TRUE;
}

/* Waits until at least <count> windows of the class are visible. The target becomes the one of the most recently
 * started process (other than the current target's), so "wait-window SORN96 60 2" targets the new instance. */
static int cmd_wait_window(int argc, char **argv) {
  int timeout = timeout_arg(argc, argv, 2);
  long want = 1;
  DWORD start = GetTickCount();
  if (argc > 3 && (!parse_int(argv[3], &want) || want < 1)) return RC_USAGE;
  for (;;) {
    ClassCount c = {argv[1], (g_target && IsWindow(g_target)) ? g_target_pid : 0, 0, NULL, 0};
    EnumWindows(count_class, (LPARAM)&c);
    if (c.count >= want && c.other) {
      adopt_target(c.other);
      break;
    }
    if (GetTickCount() - start >= (DWORD)timeout * 1000u) return timed_out("waiting for a window of class");
    Sleep(100);
  }
  say("window: %p pid %lu\n", (void *)g_target, (unsigned long)g_target_pid);
  return RC_OK;
}

static int cmd_window_rect(int argc, char **argv) {
  RECT r;
  (void)argc;
  (void)argv;
  if (!need_target()) return RC_FAIL;
  if (!GetWindowRect(g_target, &r)) return failed("GetWindowRect");
  say("rect: %ld %ld %ld %ld%s\n", (long)r.left, (long)r.top, (long)r.right, (long)r.bottom,
      IsIconic(g_target) ? " minimized" : IsZoomed(g_target) ? " maximized" : "");
  return RC_OK;
}

static int cmd_command(int argc, char **argv) {
  long id, lp = 0;
  if (!parse_int(argv[1], &id) || (argc > 2 && !parse_int(argv[2], &lp))) return RC_USAGE;
  if (!need_target()) return RC_FAIL;
  if (!PostMessageA(g_target, WM_COMMAND, (WPARAM)id, (LPARAM)lp)) return failed("PostMessage %ld", id);
  g_posted++;
  return RC_OK;
}

static int cmd_post(int argc, char **argv) {
  long msg, wp = 0, lp = 0;
  if (!parse_int(argv[1], &msg) || (argc > 2 && !parse_int(argv[2], &wp)) || (argc > 3 && !parse_int(argv[3], &lp)))
    return RC_USAGE;
  if (!need_target()) return RC_FAIL;
  if (!PostMessageA(g_target, (UINT)msg, (WPARAM)wp, (LPARAM)lp)) return failed("PostMessage %ld", msg);
  g_posted++;
  return RC_OK;
}

static int cmd_post_child(int argc, char **argv) {
  long id, msg, wp = 0, lp = 0;
  HWND c;
  if (!parse_int(argv[1], &id) || !parse_int(argv[2], &msg) || (argc > 3 && !parse_int(argv[3], &wp)) ||
      (argc > 4 && !parse_int(argv[4], &lp)))
    return RC_USAGE;
  if (!need_target()) return RC_FAIL;
  c = GetDlgItem(g_target, (int)id);
  if (!c) return failed("the main window has no child %ld", id);
  if (!PostMessageA(c, (UINT)msg, (WPARAM)wp, (LPARAM)lp)) return failed("PostMessage %ld to child %ld", msg, id);
  g_posted++;
  return RC_OK;
}

/* A drop from the file manager: WM_DROPFILES with a DROPFILES block in global memory of the target's own
 * process. drop-hook.dll (next to the driver) makes that block inside the target from a shared mapping and
 * turns the registered message posted here into the drop (see drop_hook.c). */
static int cmd_drop(int argc, char **argv) {
  char block[SORN_DROP_BYTES - 8];
  DROPFILES *df = (DROPFILES *)block;
  size_t used = sizeof(DROPFILES);
  int i, rc = RC_OK;
  char dll[MAX_PATH], *slash;
  HMODULE module;
  HOOKPROC proc;
  HHOOK hook;
  HANDLE map;
  volatile LONG *shared;
  DWORD start, thread;
  if (!need_target()) return RC_FAIL;
  memset(block, 0, sizeof block);
  df->pFiles = sizeof(DROPFILES);
  df->fWide = FALSE;
  for (i = 1; i < argc; ++i) {
    size_t n = strlen(argv[i]) + 1;
    if (used + n + 1 > sizeof block) return failed("the dropped names do not fit");
    memcpy(block + used, argv[i], n);
    used += n;
  }
  used += 1; /* the empty name that ends the list */
  GetModuleFileNameA(NULL, dll, sizeof dll);
  slash = strrchr(dll, '\\');
  if (!slash) return failed("no folder in the driver's path %s", dll);
  strcpy(slash + 1, "drop-hook.dll");
  module = LoadLibraryA(dll);
  proc = module ? (HOOKPROC)(void *)GetProcAddress(module, "DropHookProc") : NULL;
  if (!proc) return failed("cannot load DropHookProc from %s", dll);
  map = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, SORN_DROP_BYTES, SORN_DROP_MAPPING);
  shared = map ? (volatile LONG *)MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, SORN_DROP_BYTES) : NULL;
  if (!shared) return failed("cannot make the shared block of the drop");
  shared[0] = 0;
  shared[1] = (LONG)used;
  memcpy((void *)(shared + 2), block, used);
  thread = GetWindowThreadProcessId(g_target, NULL);
  hook = SetWindowsHookExA(WH_GETMESSAGE, proc, module, thread);
  if (!hook) {
    rc = failed("SetWindowsHookEx for the drop: error %lu", GetLastError());
  } else {
    PostMessageA(g_target, RegisterWindowMessageA(SORN_DROP_MESSAGE), 0, 0);
    start = GetTickCount();
    while (shared[0] == 0 && GetTickCount() - start < (DWORD)g_default_timeout * 1000u) Sleep(50);
    if (shared[0] == 1) {
      say("dropped %d file(s)\n", argc - 1);
      g_posted++;
    } else {
      rc = shared[0] == 2 ? failed("the target could not take the drop") : timed_out("waiting for the drop");
    }
    UnhookWindowsHookEx(hook);
  }
  UnmapViewOfFile((void *)shared);
  CloseHandle(map);
  return rc;
}

static int cmd_close(int argc, char **argv) {
  (void)argc;
  (void)argv;
  if (!need_target()) return RC_FAIL;
  PostMessageA(g_target, WM_CLOSE, 0, 0);
  return RC_OK;
}

static int cmd_answer_box(int argc, char **argv) {
  long id;
  HWND dlg;
  if (argc < 4 || !button_id(argv[3], &id)) return RC_USAGE;
  dlg = wait_for_window("#32770", argv[1], argv[2], 0, timeout_arg(argc, argv, 4));
  if (!dlg) return timed_out("waiting for a message box with that caption and text");
  say("box: \"%s\" answered %ld\n", argv[1], id);
  return click(dlg, id);
}

static int cmd_wait_dialog(int argc, char **argv) {
  if (!wait_for_window(NULL, argv[1], NULL, 0, timeout_arg(argc, argv, 2)))
    return timed_out("waiting for a dialog with that title");
  return RC_OK;
}

static int cmd_wait_gone(int argc, char **argv) {
  DWORD start = GetTickCount();
  int timeout = timeout_arg(argc, argv, 2);
  while (find_window(NULL, argv[1], NULL, 0)) {
    if (GetTickCount() - start >= (DWORD)timeout * 1000u) return timed_out("waiting for a window to close");
    Sleep(100);
  }
  return RC_OK;
}

static int cmd_fill(int argc, char **argv) {
  long id;
  HWND dlg, edit;
  DWORD_PTR r;
  if (argc < 4 || !parse_int(argv[2], &id)) return RC_USAGE;
  dlg = wait_for_window(NULL, argv[1], NULL, 0, timeout_arg(argc, argv, 4));
  if (!dlg) return timed_out("waiting for a dialog with that title");
  edit = GetDlgItem(dlg, (int)id);
  if (!edit) return failed("dialog \"%s\" has no control %ld", argv[1], id);
  if (!SendMessageTimeoutA(edit, WM_SETTEXT, 0, (LPARAM)argv[3], SMTO_ABORTIFHUNG, 5000, &r))
    return failed("setting the text of control %ld", id);
  return RC_OK;
}

/* Selects lines of a list box the way a click does: the selection changes and the dialog hears LBN_SELCHANGE. */
static int cmd_select_items(int argc, char **argv) {
  long id, index;
  int i;
  HWND dlg, list;
  DWORD_PTR r;
  BOOL multi;
  if (argc < 4 || !parse_int(argv[2], &id)) return RC_USAGE;
  dlg = wait_for_window(NULL, argv[1], NULL, 0, g_default_timeout);
  if (!dlg) return timed_out("waiting for a dialog with that title");
  list = GetDlgItem(dlg, (int)id);
  if (!list) return failed("dialog \"%s\" has no control %ld", argv[1], id);
  multi = (GetWindowLongA(list, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0;
  if (multi) SendMessageTimeoutA(list, LB_SETSEL, FALSE, -1, SMTO_ABORTIFHUNG, 5000, &r);
  for (i = 3; i < argc; ++i) {
    if (!parse_int(argv[i], &index)) return RC_USAGE;
    if (!SendMessageTimeoutA(list, multi ? LB_SETSEL : LB_SETCURSEL, multi ? TRUE : (WPARAM)index,
                             multi ? (LPARAM)index : 0, SMTO_ABORTIFHUNG, 5000, &r) || (LONG_PTR)r == LB_ERR)
      return failed("selecting line %ld of list %ld", index, id);
  }
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), (LPARAM)list);
  ++g_posted;
  return RC_OK;
}

/* Picks a line (0-based) of a drop-down list the way a user does: the selection changes and the dialog hears
 * CBN_SELCHANGE. */
static int cmd_select_combo(int argc, char **argv) {
  long id, index;
  HWND dlg, combo;
  DWORD_PTR r;
  (void)argc;
  if (!parse_int(argv[2], &id) || !parse_int(argv[3], &index)) return RC_USAGE;
  dlg = wait_for_window(NULL, argv[1], NULL, 0, g_default_timeout);
  if (!dlg) return timed_out("waiting for a dialog with that title");
  combo = GetDlgItem(dlg, (int)id);
  if (!combo) return failed("dialog \"%s\" has no control %ld", argv[1], id);
  if (!IsWindowEnabled(combo)) return failed("control %ld is disabled", id);
  if (!SendMessageTimeoutA(combo, CB_SETCURSEL, (WPARAM)index, 0, SMTO_ABORTIFHUNG, 5000, &r) ||
      (LONG_PTR)r != index)
    return failed("selecting line %ld of list %ld", index, id);
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)combo);
  ++g_posted;
  return RC_OK;
}

static int cmd_press(int argc, char **argv) {
  long id;
  HWND dlg;
  if (!button_id(argv[2], &id)) return RC_USAGE;
  dlg = wait_for_window(NULL, argv[1], NULL, 0, timeout_arg(argc, argv, 3));
  if (!dlg) return timed_out("waiting for a dialog with that title");
  return click(dlg, id);
}

/* A check box or radio button of a dialog, clicked as a user would (its state changes, then the dialog hears
 * of it): tick <title> <id>. */
static int cmd_tick(int argc, char **argv) {
  long id;
  HWND dlg, b;
  if (!parse_int(argv[2], &id)) return RC_USAGE;
  dlg = wait_for_window(NULL, argv[1], NULL, 0, timeout_arg(argc, argv, 3));
  if (!dlg) return timed_out("waiting for a dialog with that title");
  b = GetDlgItem(dlg, (int)id);
  if (!b) return failed("dialog has no control %ld", id);
  if (!IsWindowEnabled(b)) return failed("control %ld is disabled", id);
  PostMessageA(b, BM_CLICK, 0, 0);
  return RC_OK;
}

/* A button of the main window, clicked the way a user would: it must exist, be shown and be enabled. */
static int cmd_click(int argc, char **argv) {
  long id;
  HWND b;
  (void)argc;
  if (!parse_int(argv[1], &id)) return RC_USAGE;
  if (!need_target()) return RC_FAIL;
  b = GetDlgItem(g_target, (int)id);
  if (!b) return failed("the main window has no control %ld", id);
  if (!IsWindowVisible(b)) return failed("control %ld is hidden", id);
  if (!IsWindowEnabled(b)) return failed("control %ld is disabled", id);
  ++g_posted;
  PostMessageA(b, BM_CLICK, 0, 0);
  return RC_OK;
}

/* A key pressed and released on the keyboard: it goes to whichever window has the focus, as a user's would. */
static int cmd_key(int argc, char **argv) {
  long vk, mod[8];
  INPUT in[18];
  int i, n = 0, mods = argc - 2;
  if (!parse_int(argv[1], &vk) || vk <= 0 || vk > 255) return RC_USAGE;
  if (mods > 8) return RC_USAGE;
  for (i = 0; i < mods; ++i)
    if (!parse_int(argv[2 + i], &mod[i]) || mod[i] <= 0 || mod[i] > 255) return RC_USAGE;
  if (!need_target()) return RC_FAIL;
  SetForegroundWindow(g_target);
  memset(in, 0, sizeof in);
  /* The modifiers go down first and up last, as a user holds Alt or Ctrl round the key. */
  for (i = 0; i < mods; ++i) in[n++].ki.wVk = (WORD)mod[i];
  in[n++].ki.wVk = (WORD)vk;
  in[n].ki.wVk = (WORD)vk;
  in[n++].ki.dwFlags = KEYEVENTF_KEYUP;
  for (i = mods - 1; i >= 0; --i) {
    in[n].ki.wVk = (WORD)mod[i];
    in[n++].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  for (i = 0; i < n; ++i) in[i].type = INPUT_KEYBOARD;
  if (SendInput((UINT)n, in, sizeof in[0]) != (UINT)n) return failed("the key could not be sent");
  ++g_posted;
  return RC_OK;
}

/* The state and place of main-window controls, one line each:
 * "control <id> enabled|disabled shown|hidden <left> <top> <right> <bottom> of <client width> <client height>"
 * in the main window's client coordinates, or "control <id> missing". */
static int cmd_controls(int argc, char **argv) {
  int i;
  RECT client;
  if (!need_target()) return RC_FAIL;
  GetClientRect(g_target, &client);
  for (i = 1; i < argc; ++i) {
    long id;
    HWND c;
    RECT r;
    if (!parse_int(argv[i], &id)) return RC_USAGE;
    c = GetDlgItem(g_target, (int)id);
    if (!c) {
      say("control %ld missing\n", id);
      continue;
    }
    GetWindowRect(c, &r);
    MapWindowPoints(NULL, g_target, (POINT *)&r, 2);
    say("control %ld %s %s %ld %ld %ld %ld of %ld %ld\n", id, IsWindowEnabled(c) ? "enabled" : "disabled",
        IsWindowVisible(c) ? "shown" : "hidden", (long)r.left, (long)r.top, (long)r.right, (long)r.bottom,
        (long)client.right, (long)client.bottom);
  }
  return RC_OK;
}

static int cmd_expect_no_dialog(int argc, char **argv) {
  HWND dlg;
  char title[TEXT_MAX];
  (void)argc;
  (void)argv;
  if (!need_target()) return RC_FAIL;
  dlg = find_window("#32770", NULL, NULL, g_target_pid);
  if (!dlg) return RC_OK;
  window_text(dlg, title, sizeof title);
  return failed("unexpected dialog \"%s\"", title);
}

/* A cheap fingerprint of the target process's visible top-level windows and their titles. */
typedef struct {
  DWORD pid;
  unsigned long hash;
} WindowPrint;

static BOOL CALLBACK hash_window(HWND w, LPARAM lp) {
  WindowPrint *p = (WindowPrint *)lp;
  DWORD pid = 0;
  char text[TEXT_MAX];
  const char *c;
  GetWindowThreadProcessId(w, &pid);
  if (pid != p->pid || !IsWindowVisible(w)) return TRUE;
  window_text(w, text, sizeof text);
  p->hash = p->hash * 31u + (unsigned long)(UINT_PTR)w;
  for (c = text; *c; c++) p->hash = p->hash * 31u + (unsigned char)*c;
  return TRUE;
}

static int cmd_wait_idle(int argc, char **argv) {
  long quiet = 500;
  int timeout;
  DWORD start = GetTickCount(), stable_since;
  unsigned long last = 0;
  DWORD_PTR r;
  if (argc > 1 && !parse_int(argv[1], &quiet)) return RC_USAGE;
  timeout = timeout_arg(argc, argv, 2);
  if (!need_target()) return RC_FAIL;
  if (g_target_process && WaitForInputIdle(g_target_process, (DWORD)timeout * 1000u) == WAIT_TIMEOUT)
    return timed_out("waiting for the program to become idle");
  /* A message sent to the target is handled at its next GetMessage, which then returns one posted message; so
   * each round trip lets at least one of the messages we posted through, and one more than we posted drains
   * them all (unless a handler pumps messages itself; the window check below covers that). */
  for (; g_posted >= 0; g_posted--) {
    if (!SendMessageTimeoutA(g_target, WM_NULL, 0, 0, SMTO_NORMAL, (UINT)timeout * 1000u, &r)) {
      if (!IsWindow(g_target)) return failed("the main window is gone");
      return timed_out("waiting for the program to handle the posted messages");
    }
  }
  g_posted = 0;
  stable_since = GetTickCount();
  for (;;) {
    WindowPrint p = {g_target_pid, 5381};
    if (!IsWindow(g_target)) return failed("the main window is gone");
    /* A program that does not answer is busy, not idle. */
    if (!SendMessageTimeoutA(g_target, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &r) && IsWindow(g_target))
      stable_since = GetTickCount();
    EnumWindows(hash_window, (LPARAM)&p);
    if (p.hash != last) {
      last = p.hash;
      stable_since = GetTickCount();
    } else if (GetTickCount() - stable_since >= (DWORD)quiet) {
      return RC_OK;
    }
    if (GetTickCount() - start >= (DWORD)timeout * 1000u) return timed_out("waiting for the windows to settle");
    Sleep(50);
  }
}

static int cmd_title(int argc, char **argv) {
  char text[TEXT_MAX];
  (void)argc;
  (void)argv;
  if (!need_target()) return RC_FAIL;
  window_text(g_target, text, sizeof text);
  say("title: %s\n", text);
  return RC_OK;
}

static int cmd_expect_title(int argc, char **argv) {
  char text[TEXT_MAX];
  (void)argc;
  if (!need_target()) return RC_FAIL;
  window_text(g_target, text, sizeof text);
  if (!strstr(text, argv[1])) return failed("title \"%s\" lacks \"%s\"", text, argv[1]);
  return RC_OK;
}

/* Long work (a save with its progress window) ends when the title names the document again. */
static int cmd_wait_title(int argc, char **argv) {
  char text[TEXT_MAX];
  int timeout = timeout_arg(argc, argv, 2);
  DWORD start = GetTickCount();
  if (!need_target()) return RC_FAIL;
  for (;;) {
    if (!IsWindow(g_target)) return failed("the main window is gone");
    window_text(g_target, text, sizeof text);
    if (strstr(text, argv[1])) return RC_OK;
    if (GetTickCount() - start >= (DWORD)timeout * 1000u) return timed_out("waiting for the title");
    Sleep(100);
  }
}

static int cmd_wait_exit(int argc, char **argv) {
  DWORD code = 0;
  int timeout = timeout_arg(argc, argv, 1);
  if (!g_target_process && !need_target()) return RC_FAIL;
  if (!g_target_process) return failed("cannot open the program's process");
  if (WaitForSingleObject(g_target_process, (DWORD)timeout * 1000u) != WAIT_OBJECT_0)
    return timed_out("waiting for the program to exit");
  GetExitCodeProcess(g_target_process, &code);
  say("exit: %ld\n", (long)code);
  g_target = NULL;
  return RC_OK;
}

static int cmd_list_windows(int argc, char **argv) {
  (void)argc;
  (void)argv;
  list_windows();
  return RC_OK;
}

static int cmd_sleep(int argc, char **argv) {
  long ms;
  (void)argc;
  if (!parse_int(argv[1], &ms) || ms < 0) return RC_USAGE;
  Sleep((DWORD)ms);
  return RC_OK;
}

typedef struct {
  const char *name;
  int min_args; /* including the command name */
  int (*run)(int argc, char **argv);
} Command;

static const Command kCommands[] = {
    {"wait-window", 2, cmd_wait_window},   {"command", 2, cmd_command},
    {"post", 2, cmd_post},                 {"close", 1, cmd_close},
    {"post-child", 3, cmd_post_child},     {"drop", 2, cmd_drop},
    {"answer-box", 4, cmd_answer_box},     {"wait-dialog", 2, cmd_wait_dialog},
    {"wait-gone", 2, cmd_wait_gone},       {"fill", 4, cmd_fill},
    {"press", 3, cmd_press},               {"tick", 3, cmd_tick},               {"expect-no-dialog", 1, cmd_expect_no_dialog},
    {"select-items", 4, cmd_select_items}, {"select-combo", 4, cmd_select_combo},
    {"wait-idle", 1, cmd_wait_idle},       {"title", 1, cmd_title},
    {"expect-title", 2, cmd_expect_title}, {"wait-exit", 1, cmd_wait_exit},
    {"list-windows", 1, cmd_list_windows}, {"sleep", 2, cmd_sleep},
    {"window-rect", 1, cmd_window_rect},   {"click", 2, cmd_click},
    {"controls", 2, cmd_controls},        {"wait-title", 2, cmd_wait_title},        {"key", 2, cmd_key},
};

static int run_command(int argc, char **argv) {
  size_t i;
  if (argc == 0) return RC_OK;
  if (strcmp(argv[0], "expect-fail") == 0) {
    int rc = run_command(argc - 1, argv + 1);
    if (rc == RC_USAGE) return rc;
    if (rc == RC_OK) return failed("%s succeeded, expected it to fail", argc > 1 ? argv[1] : "?");
    say("failed as expected\n");
    return RC_OK;
  }
  for (i = 0; i < sizeof kCommands / sizeof kCommands[0]; i++) {
    if (strcmp(argv[0], kCommands[i].name) != 0) continue;
    if (argc < kCommands[i].min_args) {
      say("usage error: %s needs %d argument(s)\n", argv[0], kCommands[i].min_args - 1);
      return RC_USAGE;
    }
    {
      int rc = kCommands[i].run(argc, argv);
      if (rc == RC_USAGE) say("usage error in: %s\n", argv[0]);
      return rc;
    }
  }
  say("unknown command: %s\n", argv[0]);
  return RC_USAGE;
}

/* ---- Scripts ------------------------------------------------------------------------------------------------------------ */

/* Splits a script line in place: blanks separate words, "double quotes" group them, '#' outside quotes starts a
 * comment. Returns the number of words, or -1 for an unterminated quote. */
static int split_line(char *line, char **words, int max) {
  int n = 0;
  char *p = line;
  for (;;) {
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') p++;
    if (*p == 0 || *p == '#') return n;
    if (n == max) return -1;
    if (*p == '"') {
      char *end = strchr(++p, '"');
      if (!end) return -1;
      *end = 0;
      words[n++] = p;
      p = end + 1;
    } else {
      words[n++] = p;
      while (*p && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') p++;
      if (*p) *p++ = 0;
    }
  }
}

static int run_script_file(const char *path) {
  char line[4096];
  int lineno = 0;
  FILE *f = fopen(path, "r");
  if (!f) {
    say("cannot open script %s\n", path);
    return RC_USAGE;
  }
  while (fgets(line, sizeof line, f)) {
    char *words[MAX_ARGS];
    int n, rc;
    lineno++;
    n = split_line(line, words, MAX_ARGS);
    if (n < 0) {
      say("%s:%d: bad quoting or too many words\n", path, lineno);
      fclose(f);
      return RC_USAGE;
    }
    if (n == 0) continue;
    say("> %s (line %d)\n", words[0], lineno);
    rc = run_command(n, words);
    if (rc != RC_OK) {
      fclose(f);
      return rc;
    }
  }
  fclose(f);
  return RC_OK;
}

int main(int argc, char **argv) {
  const char *env = getenv("SORN_DRIVER_TIMEOUT");
  long v;
  int i, start;
  if (env && parse_int(env, &v) && v > 0) g_default_timeout = (int)v;
  if (argc < 2) {
    say("usage: sorn-driver -f script | sorn-driver command args [; command args ...]\n");
    return RC_USAGE;
  }
  if (strcmp(argv[1], "-f") == 0) {
    if (argc != 3) return RC_USAGE;
    return run_script_file(argv[2]);
  }
  start = 1;
  for (i = 1; i <= argc; i++) {
    if (i == argc || strcmp(argv[i], ";") == 0) {
      int rc;
      if (i > start) say("> %s\n", argv[start]);
      rc = run_command(i - start, argv + start);
      if (rc != RC_OK) return rc;
      start = i + 1;
    }
  }
  return RC_OK;
}
