// The dialog services the program exports to transform plug-ins and uses itself: centring a dialog on its
// parent (cwCenter), the range check of a numeric dialog field (Limits) and its alert (AlertLimits, dialog
// 178 "Value Out Of Range"). Windows only (dialog_services_win.cpp); the decisions are in service_math.h.
// These are the C++ entry points; the transform host exports them with the standard calling convention
// under the contract's names.
#pragma once

#include <cstdint>
#include <string>

#include "include/xfm_abi.h"

namespace xfmhost {

// The settings file whose [Tips] "1" switches the alert off ("sorn.ini" until set) and the help file of
// the alert's Help button ("sorn.hlp").
void setDialogServicesFiles(const std::string& iniName, const std::string& helpName);
// The main window: the alert's owner when the context names none.
void setDialogServicesMainWindow(void* hwnd);

// Moves window (size unchanged) so that its centre is on its parent's, then keeps it at least 4 pixels
// inside every edge of the desktop (right and bottom first, then left and top). A window without a parent,
// or owned by the desktop, is left alone. The result of moving it, or the parent handle (as a number) when
// there is nothing to do.
intptr_t cwCenter(void* window, uint32_t unused);

// Limits: reads control (low 16 bits of idAndCode) of dialog as a number and checks it against
// [minimum, maximum] for the notification in the high 16 bits (512 = focus loss: an out-of-range text is
// replaced by the nearer bound and alerted; otherwise the control is only marked in context->limitsControl
// and repainted). result (may be null) gets the checked value. 1 for a focus-loss check, else 0.
int32_t limits(XfmContext* context, void* dialog, uint32_t idAndCode, double minimum, double maximum,
               double* result);

// AlertLimits: unless [Tips] "1" starts with y or Y, shows "Value Out Of Range" with the value and the
// limits; ticking "Don't display this message in the future" writes "Y" there. Always 0.
int32_t alertLimits(void* owner, double value, double minimum, double maximum);

#if defined(_WIN32)
// The alert's dialog procedure (exported as ALERTLIMITSMsgProc).
intptr_t __stdcall ALERTLIMITSMsgProc(void* dialog, unsigned message, uintptr_t wParam, intptr_t lParam);
#endif

}  // namespace xfmhost
