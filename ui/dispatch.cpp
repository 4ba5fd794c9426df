// The command table (see dispatch.h).
#include "ui/dispatch.h"

namespace ui {

void CommandTable::setHandler(int id, CommandHandler h) {
  if (h) {
    handlers_[id] = std::move(h);
    registrants_[id] = registrant_;
  } else {
    handlers_.erase(id);
    registrants_.erase(id);
  }
}

void CommandTable::setRegistrant(const char* subsystem) {
  registrant_ = subsystem ? subsystem : "";
}

void CommandTable::setTransformHandler(std::function<int()> count, TransformHandler h) {
  transformCount_ = std::move(count);
  transform_ = std::move(h);
}

void CommandTable::setRecentFileHandler(RecentFileHandler h) {
  recent_ = std::move(h);
}

void CommandTable::setAfterCommand(std::function<void(int)> h) {
  after_ = std::move(h);
}

bool CommandTable::isAvailable(int id) const {
  id &= 0xFFFF;
  if (id == kToolbarPressId) return false;
  if (id >= kTransformFirstId && id <= kTransformLastId) {
    if (!transform_ || !transformCount_) return false;
    return id - kTransformFirstId < transformCount_();
  }
  if (id >= kRecentFileFirstId && id <= kRecentFileLastId) return static_cast<bool>(recent_);
  return handlers_.count(id) != 0;
}

bool CommandTable::dispatch(int id, intptr_t param) {
  id &= 0xFFFF;
  if (!isAvailable(id)) return false;
  if (id >= kTransformFirstId && id <= kTransformLastId) {
    // Copies, so a handler may re-register itself while it runs.
    TransformHandler h = transform_;
    h(id - kTransformFirstId, param);
  } else if (id >= kRecentFileFirstId && id <= kRecentFileLastId) {
    RecentFileHandler h = recent_;
    h(id - kRecentFileFirstId);
  } else {
    CommandHandler h = handlers_[id];
    h(id, param);
  }
  if (after_) {
    auto after = after_;
    after(id);
  }
  return true;
}

void CommandTable::clear() {
  handlers_.clear();
  registrants_.clear();
  transformCount_ = nullptr;
  transform_ = nullptr;
  recent_ = nullptr;
  after_ = nullptr;
}

CommandTable& commandTable() {
  static CommandTable table;
  return table;
}

}  // namespace ui
