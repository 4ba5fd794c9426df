// The playback engine: plays a range of the document (optionally looped) or the play list through a
// WaveDevice from a ring of equally sized buffers, refilled as the device hands them back. Portable: the
// main window forwards the device's done messages (the device then calls service()), runs the 10 ms tick,
// shows the messages the engine reports and keeps the buttons in step through PlayListener.
//
// Positions: every fill records which document frames went to which device frames (PlayFrameMap), so the
// position, the loop wrap, the play-list walk and the meter all follow the device's own frame count.
//
// Stop: each Stop press counts. The first two stop the tick and reset the device; the buffers come back
// done and the device closes when the last one is back. The third closes at once, for a driver that never
// hands its buffers back.
#pragma once

#include <cstdint>
#include <functional>
#include <deque>
#include <vector>

#include "audio/transport.h"
#include "audio/wave_device.h"
#include "markers/marker_set.h"

namespace audio {

// What the Play command plays: an explicit range (cue or play list request) first, else the selection,
// else from the cursor (when it is in view and PlayFromCursor is on) to the end of the view, else the view.
// Frames are inclusive; a selection with end < start is a cursor.
struct PlayChoice {
  bool hasExplicit = false;
  int32_t explicitFirst = 0, explicitLast = -1;
  int32_t selStart = 0, selEnd = -1;
  int32_t cursor = -1;
  int32_t viewFirst = 0, viewLast = -1;  // the first and last whole visible frames
};
struct PlayRange {
  int32_t start = 0;   // first frame of the first pass
  int32_t length = 0;  // frames from start to the end of the range
  int32_t base = 0;    // where later passes start
};
PlayRange PlayChooseRange(const PlayChoice& c, bool playFromCursor);

// One stretch of the document played passes times: [first, end).
struct PlaySegment {
  int32_t first = 0;
  int32_t end = 0;
  uint32_t passes = 1;
};
// The play list from entry firstEntry on as segments: each entry's cue range (the entry's own length when it
// has one) with its loop count; entries whose cue is gone or empty are left out.
std::vector<PlaySegment> PlayListSegments(const markers::MarkerSet& cues, uint32_t documentFrames,
                                          uint32_t firstEntry = 0);

constexpr uint32_t kLoopModePasses = 10000;  // further passes in loop mode

// Device frames -> document frames, as written by the fills.
class PlayFrameMap {
 public:
  void clear() { runs_.clear(); }
  void add(uint64_t device, int32_t doc, uint32_t frames);
  // Drops runs that end at or before device frame.
  void dropBefore(uint64_t device);
  // The document frame sounding at device frame: the frame after the last one written when the device is
  // past every run (tail padding), the first run's start before it; -1 when nothing was written.
  int64_t lookup(uint64_t device) const;
  size_t size() const { return runs_.size(); }

 private:
  struct Run {
    uint64_t device;
    int32_t doc;
    uint32_t frames;
  };
  std::deque<Run> runs_;
};

// Position quirk of some drivers that count 8-bit output of a 16-bit document at half speed: flag 1 on
// old systems only, flag 2 always. Returns the factor the device's count is multiplied by.
uint32_t PlayPositionFactor(int quirkFlag, bool every8bit, uint16_t documentBits, bool oldSystem = false);

class PlayListener {
 public:
  virtual ~PlayListener() = default;
  // The first buffer went to the device: start the 10 ms tick (timer 123), Stop/Pause/Play on, Record off.
  virtual void playStarted() {}
  // A stop began (Stop pressed or the end of the data): stop the tick, remove the play cursor.
  virtual void playStopping() {}
  // The device closed: buttons back, Pause text "Pause", meter reset. restart: post Play again (the Play
  // command was pressed while playing).
  virtual void playClosed(bool restart) {}
  virtual void playMessage(const AudioMessage& m) {}
};

// What is played: the document's format, its samples and the edit channel of the display (0 both,
// 1 left only, 2 right only: the other channel plays silent).
struct PlaySource {
  document::WaveFormat format;
  SampleReader read;
  int editChannel = 0;
};

class PlayEngine {
 public:
  PlayEngine(WaveDevice* device, PlayListener* listener);
  ~PlayEngine();

  void setSettings(const AudioSettings& s) { settings_ = AudioSettingsSanitized(s); }
  const AudioSettings& settings() const { return settings_; }
  void setDeviceId(uint32_t id) { deviceId_ = id; }
  void setQuirkFlag(int flag) { quirkFlag_ = flag; }
  // Milliseconds of a wall clock: with one, the close at the data's end also waits until the written frames
  // had the time to sound (without one, as in tests, the device's position alone decides).
  void setClock(std::function<uint64_t()> ms) { clock_ = std::move(ms); }

  // The Play command. Idle: chooses the range (loop mode: 10000 further passes) and starts, reporting a
  // failure through the listener unless silent ("autoplayme"). Playing: stops and asks for a restart once
  // closed. Returns the start result.
  int toggle(const PlaySource& src, const PlayChoice& choice, bool loopMode, bool silent);
  // Plays the play list (loopMode is ignored: the entries' own loop counts apply).
  int togglePlayList(const PlaySource& src, const std::vector<PlaySegment>& list, bool silent);

  // Starts playing range with loops further passes (from base), or a list of segments.
  int start(const PlaySource& src, const PlayRange& range, uint32_t loops);
  int startSegments(const PlaySource& src, const std::vector<PlaySegment>& list, int32_t firstStart);

  void stop();   // the Stop command
  bool pause();  // the Pause/Continue command; false when nothing changed
  // Drains the device's done buffers: refills and requeues them, or closes the device when stopping.
  void service();

  bool active() const { return device_->isOpen(); }
  bool paused() const { return paused_; }
  int stopCount() const { return stopCount_; }
  bool loopMode() const { return loopMode_; }
  const DeviceFormat& format() const { return format_; }
  uint32_t bufferBytes() const { return bufferBytes_; }
  uint32_t bufferCount() const { return uint32_t(buffers_.size()); }

  // Frames the device has played, corrected for the position quirk; 0 when idle.
  uint64_t deviceFrames();
  // The document frame playing now (PlayPosition); -1 when idle (the caller shows the selection start).
  int64_t position();

  // The timer step: the position and the part of the sounding buffer played since the last tick.
  struct Tick {
    bool playing = false;
    int64_t position = -1;
    MeterBlock meter;
  };
  Tick tick();

 private:
  struct Buffer {
    std::vector<uint8_t> data;
    DeviceBuffer hdr;
    uint64_t deviceStart = 0;  // device frame of its first frame, as last filled
    uint32_t frames = 0;
  };
  int begin(const PlaySource& src, const std::vector<PlaySegment>& list, int32_t firstStart);
  uint32_t fill(Buffer* b);
  bool nextPass();
  void finishStop();  // unprepares what is back; closes when everything is
  bool drained();     // the device has sounded every frame written (or gave up reporting it)
  void startClock();  // starts the device and the wall clock of the play
  void endNaturally();  // the data's end: stop once every buffer is back
  void closeNow(bool force);
  void freeBuffers();
  bool allBack() const;
  void report(int result, bool silent);

  WaveDevice* device_;
  PlayListener* listener_;
  AudioSettings settings_;
  uint32_t deviceId_ = 0;
  int quirkFlag_ = 0;

  PlaySource src_;
  DeviceFormat format_;
  uint16_t word_ = 0;
  uint32_t bpf_ = 0;
  uint32_t bufferBytes_ = 0;
  uint32_t padFrames_ = 0;
  uint32_t tailLeft_ = 0;  // silence still to follow the data's end
  std::vector<Buffer> buffers_;
  std::vector<std::vector<Buffer>> abandoned_;  // kept when a forced close could not take them back

  std::vector<PlaySegment> segments_;
  size_t segment_ = 0;
  uint32_t passesLeft_ = 0;  // after the current pass
  int32_t readPos_ = 0;
  bool ended_ = false;
  uint64_t deviceWritten_ = 0;  // device frames filled so far
  PlayFrameMap map_;

  int stopCount_ = 0;
  bool paused_ = false;
  bool restart_ = false;
  bool draining_ = false;  // the data has ended; waiting for the device to sound the rest
  uint32_t drainTicks_ = 0;
  std::function<uint64_t()> clock_;
  uint64_t startMs_ = 0, pausedMs_ = 0, pauseStartMs_ = 0;
  bool loopMode_ = false;
  bool tickRunning_ = false;
  uint64_t lastTick_ = 0;
};

}  // namespace audio
