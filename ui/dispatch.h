// Command dispatch: every menu item, accelerator, button and toolbar press reaches the main window as a
// command id, and this table routes it to the subsystem that registered a handler for it. Ids below
// 7000 are looked up in the table; 7000 + i goes to the transform host for transform i; 14000..14020 to
// the recent-file handler. An id with no handler does nothing and its menu item is shown greyed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "resources/command_ids.h"

namespace ui {

constexpr int kTransformFirstId = IDM_TRANSFORM_FIRST;
constexpr int kTransformLastId =
    IDM_TRANSFORM_LAST;                             // ids past the installed transforms up to here do nothing
constexpr int kToolbarPressId = IDM_TOOLBAR_PRESS;  // sent when a toolbar button is pressed; never handled
constexpr int kRecentFileFirstId = IDM_RECENT_FIRST;
constexpr int kRecentFileLastId = IDM_RECENT_LAST;
static_assert(kToolbarPressId > kTransformFirstId && kToolbarPressId <= kTransformLastId,
              "press id in range");

using CommandHandler = std::function<void(int id, intptr_t param)>;
using TransformHandler = std::function<void(int index, intptr_t param)>;
using RecentFileHandler = std::function<void(int n)>;

class CommandTable {
 public:
  // A null handler removes the entry. Registering again replaces the handler.
  void setHandler(int id, CommandHandler h);
  // The transform host: count() is the number of installed transforms.
  void setTransformHandler(std::function<int()> count, TransformHandler h);
  void setRecentFileHandler(RecentFileHandler h);
  // While set, every handler registered is recorded as that subsystem's (the start-up sets it for each).
  void setRegistrant(const char* subsystem);
  // Who registered each command id ("" for a registration outside a subsystem's start).
  const std::map<int, std::string>& registrants() const { return registrants_; }
  // Runs after every command that reached a handler (the script player posts its next step here).
  void setAfterCommand(std::function<void(int id)> h);

  // Routes one command (low 16 bits of the command parameter). False when nothing handled it.
  bool dispatch(int id, intptr_t param);
  // True when dispatch(id) would reach a handler; menu items without one are greyed.
  bool isAvailable(int id) const;
  void clear();

 private:
  std::map<int, CommandHandler> handlers_;
  std::map<int, std::string> registrants_;
  std::string registrant_;
  std::function<int()> transformCount_;
  TransformHandler transform_;
  RecentFileHandler recent_;
  std::function<void(int)> after_;
};

// The main window's table.
CommandTable& commandTable();
inline bool dispatchCommand(int id, intptr_t param) {
  return commandTable().dispatch(id, param);
}
inline bool isCommandAvailable(int id) {
  return commandTable().isAvailable(id);
}
inline void registerCommand(int id, CommandHandler h) {
  commandTable().setHandler(id, std::move(h));
}

}  // namespace ui
