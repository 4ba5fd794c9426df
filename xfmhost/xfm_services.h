// The services the host gives transform plug-ins (xfm_services_win.cpp), as the host itself calls them: the
// context record filled with every service slot, the cancel flag, the running transform that vocWriteEx
// cross-fades for, and the virtual-file values plug-ins pass back. Windows only.
#pragma once

#include <cstdint>

#include "include/xfm_abi.h"
#include "xfmhost/run_plan.h"

namespace document {
class WaveDocument;
}

namespace xfmhost {

// Every service slot of the record filled (a group the flags do not ask for gets the same services: a slot
// is never null), data fields as given by the caller left alone.
void fillServiceSlots(XfmContext* context);
// The sample slots of the old interface and the delayed writer, by the negotiated accessors.
void setOldAccess(XfmContext* context, OldAccess access, bool delayed16to8);

// The host's cancel flag (context 44), cleared before each XfmDo; set when a progress call reports Cancel.
volatile int32_t* cancelFlag();

// The value of context 340 for a document (its virtual file), and back (null when it names none).
XfmFile fileValue(document::WaveDocument* doc);
document::WaveDocument* documentOf(XfmFile file);

// The transform whose context the document records while it runs: vocWriteEx cross-fades 32-bit writes
// into its range when its description asks for it.
struct RunningTransform {
  bool active = false;
  XfmFile file = 0;
  uint32_t infoFlags = 0;
  int32_t first = 0, last = -1;
  uint32_t rate = 0;
};
RunningTransform& runningTransform();

}  // namespace xfmhost
