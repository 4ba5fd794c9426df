// The progress display of long operations (open, scan, save): a title, a bar and a Stop button. The
// Windows program shows the progress window; tests use a scripted implementation. Code that runs a long
// loop takes a Progress* that may be null: no display (a batch run) means go on, never "stopped".
#pragma once

#include <cstdint>
#include <string>

namespace formats {

class Progress {
 public:
  virtual ~Progress() = default;
  virtual void begin(const std::string& title) = 0;
  // Moves the bar to done of total; returns false when the user asked to stop.
  virtual bool update(uint64_t done, uint64_t total) = 0;
  virtual void end() = 0;
  // A picture from a filter DLL to show beside the bar: bitmap resource id of module (see
  // filterBitmapId); id 0 removes it. Called between begin() and end(), before the module is unloaded.
  virtual void setPicture(void* module, int id) {}
};

// The bitmap resource a filter's description names with "~<number>"; 0 when it names none.
int filterBitmapId(const char* description);

// Null-safe helpers for the loops.
inline void progressBegin(Progress* p, const std::string& title) {
  if (p) p->begin(title);
}
inline bool progressUpdate(Progress* p, uint64_t done, uint64_t total) {
  return p ? p->update(done, total) : true;
}
inline void progressEnd(Progress* p) {
  if (p) p->end();
}

}  // namespace formats
