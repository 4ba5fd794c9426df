// The transport of the main window: Play, Stop, Pause, Record, Loop Mode and Monitor over the playback and
// recording engines, the winmm devices that report to the main window, the 10 ms position timer, and the
// hooks through which the keys, the cue hot keys, the display and the menu rules reach playback.
//
// The engines and devices are made when the commands are registered, but a device is opened only when a
// command needs it: under the emulator a device open starts the driver's threads, and the program's own
// threads (the cache) must have finished starting by then.
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include <mmsystem.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "analysis/analysis_window.h"
#include "audio/device_dialog_win.h"
#include "audio/meter_win.h"
#include "audio/play_engine.h"
#include "audio/record_engine.h"
#include "audio/wave_device_win.h"
#include "display/status_text.h"
#include "display/wavedisp_win.h"
#include "document/edit_ops.h"
#include "document/wave_document.h"
#include "resources/command_ids.h"
#include "shell/app_state.h"
#include "shell/document_support.h"
#include "shell/subsystems_win.h"
#include "shell/window_commands.h"
#include "storage/store.h"
#include "ui/dispatch.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"

namespace shell {
namespace audiocmd {
namespace {

constexpr UINT_PTR kPositionTimer = 123;  // 10 ms while playing
constexpr UINT kPositionTimerMs = 10;
constexpr UINT_PTR kAutoplayTimer = 124;  // the start-up Play, once the program's threads are up
constexpr UINT kAutoplayDelayMs = 400;

HWND mainWnd() {
  return static_cast<HWND>(app().mainWindow);
}
HWND displayWnd() {
  return static_cast<HWND>(currentDisplay());
}

void enableButton(int id, bool on) {
  if (HWND b = GetDlgItem(mainWnd(), id)) EnableWindow(b, on);
}
void buttonText(int id, const char* text) {
  if (HWND b = GetDlgItem(mainWnd(), id)) SetWindowTextA(b, text);
}

void showMessage(const audio::AudioMessage& m) {
  const unsigned icon = m.icon == audio::AudioIcon::kInformation ? MB_ICONINFORMATION : MB_ICONEXCLAMATION;
  ui::ShowMessageBox(m.text.c_str(), m.caption.c_str(), MB_OK | icon);
}

class Transport : public audio::PlayListener, public audio::RecordListener {
 public:
  Transport() {
    out.setCallbackWindow(mainWnd());
    in.setCallbackWindow(mainWnd());
    play.setClock([] { return uint64_t(GetTickCount()); });
  }

  audio::WinWaveDevice out{audio::WaveDirection::kOutput};
  audio::WinWaveDevice in{audio::WaveDirection::kInput};
  audio::PlayEngine play{&out, this};
  audio::RecordEngine rec{&in, this};
  bool loopMode = false;
  bool timerRunning = false;

  void playStarted() override {
    SetTimer(mainWnd(), kPositionTimer, kPositionTimerMs, nullptr);
    timerRunning = true;
    enableButton(IDC_BTN_STOP, true);
    enableButton(IDC_BTN_PAUSE, true);
    enableButton(IDC_BTN_PLAY, true);
    enableButton(IDC_BTN_RECORD, false);
    refreshMenuStateNow();
  }
  void playStopping() override {
    stopTimer();
    if (displayWnd()) display::WaveDispSetCursor(displayWnd(), -1);
  }
  void playClosed(bool restart) override {
    stopTimer();
    if (displayWnd()) display::WaveDispSetCursor(displayWnd(), -1);
    applyTimeSettings();  // the first status field shows the wave format again
    buttonText(IDC_BTN_PAUSE, "Pause");
    idleButtons();
    audio::MeterFeed(nullptr, 0, 16, 1);
    if (restart) PostMessageA(mainWnd(), WM_COMMAND, IDM_PLAY, 0);
  }
  void playMessage(const audio::AudioMessage& m) override { showMessage(m); }

  void recordStarted(bool monitor) override {
    enableButton(IDC_BTN_PLAY, false);
    enableButton(IDC_BTN_STOP, true);
    enableButton(IDC_BTN_PAUSE, !monitor);
    enableButton(IDC_BTN_RECORD, false);
    refreshMenuStateNow();
  }
  void recordWritten(int32_t first, uint32_t frames) override;
  void recordMeter(const audio::MeterBlock& b) override {
    if (!b.empty()) audio::MeterFeed(b.data, b.bytes, b.bits, b.channels);
  }
  void recordStatus(const audio::RecordStatus& s) override;
  void recordClosed(const audio::RecordResult& r) override;
  void recordMessage(const audio::AudioMessage& m) override { showMessage(m); }

  void stopTimer() {
    if (timerRunning) KillTimer(mainWnd(), kPositionTimer);
    timerRunning = false;
  }
  void idleButtons() {
    const bool doc = currentDocument() != nullptr;
    enableButton(IDC_BTN_PLAY, doc);
    enableButton(IDC_BTN_STOP, false);
    enableButton(IDC_BTN_PAUSE, false);
    enableButton(IDC_BTN_RECORD, true);
    refreshMenuStateNow();
  }
};

std::unique_ptr<Transport>& transportSlot() {
  static std::unique_ptr<Transport> t;
  return t;
}
Transport* tp() {
  return transportSlot().get();
}

// Settings are read at each start, so a change in the settings dialog applies to the next play.
void loadSettings(Transport* t) {
  const audio::AudioSettings s = audio::AudioLoadSettings(app().settingsFile.c_str());
  t->play.setSettings(s);
  t->rec.setSettings(s);
  t->play.setDeviceId(uint32_t(app().deviceIds[0]));
  t->rec.setDeviceId(uint32_t(app().deviceIds[1]));
  t->play.setQuirkFlag(app().deviceStatus.quirkFlag);
}

bool playSource(audio::PlaySource* src, document::EditRange* range) {
  document::WaveDocument* doc = currentDocument();
  if (!doc || doc->lengthFrames() == 0) return false;
  *range = currentEditRange();
  src->format = doc->format();
  src->read = audio::SampleFileReader(doc->samples());
  src->editChannel = range->editChannel;
  return true;
}

// Play with an explicit range (a cue hot key) or, with length 0, the usual choice.
void playCommand(bool hasExplicit, uint32_t first, uint32_t length) {
  Transport* t = tp();
  if (!t || t->rec.active()) return;
  const bool silent = app().pendingName == kAutoplayMarker;
  if (silent) app().pendingName.clear();
  audio::PlaySource src;
  document::EditRange r;
  if (!t->play.active()) {
    if (!playSource(&src, &r)) return;
    loadSettings(t);
    audio::MeterSetChannels(src.format.channels, false);
  }
  audio::PlayChoice c;
  c.hasExplicit = hasExplicit;
  c.explicitFirst = int32_t(first);
  c.explicitLast = int32_t(first + length) - 1;
  c.selStart = int32_t(r.start);
  c.selEnd = int32_t(r.end);
  c.cursor = r.hasSelection() ? -1 : int32_t(r.start);
  c.viewFirst = int32_t(r.viewStart);
  c.viewLast = int32_t(r.viewEnd);
  t->play.toggle(src, c, t->loopMode, silent);
}

// The play list from entry on, each entry with its own loop count.
void playListCommand(uint32_t entry) {
  Transport* t = tp();
  if (!t || t->play.active() || t->rec.active()) return;
  audio::PlaySource src;
  document::EditRange r;
  if (!playSource(&src, &r)) return;
  document::WaveDocument* doc = currentDocument();
  const std::vector<audio::PlaySegment> list = audio::PlayListSegments(doc->cues(), doc->lengthFrames(), entry);
  if (list.empty()) return;
  loadSettings(t);
  audio::MeterSetChannels(src.format.channels, false);
  t->play.togglePlayList(src, list, false);
}

void stopCommand() {
  Transport* t = tp();
  if (!t) return;
  if (t->play.active())
    t->play.stop();
  else if (t->rec.active())
    t->rec.stop();
}

void pauseCommand() {
  Transport* t = tp();
  if (!t) return;
  bool paused = false;
  if (t->play.active()) {
    if (!t->play.pause()) return;
    paused = t->play.paused();
  } else if (t->rec.active() && !t->rec.monitoring()) {
    if (!t->rec.pause()) return;
    paused = t->rec.paused();
  } else {
    return;
  }
  buttonText(IDC_BTN_PAUSE, paused ? "Continue" : "Pause");
}

void loopCommand() {
  Transport* t = tp();
  if (!t) return;
  t->loopMode = !t->loopMode;
  buttonText(IDC_BTN_PLAY, t->loopMode ? "Loop" : "Play");
  refreshMenuStateNow();
}

// The status fields the transport reports into (format, length, size, begin, end, time).
constexpr int kStatusFormat = 370;
constexpr int kDeviceTextControl = 9001;  // the main window's device texts (main_controls_win.cpp)
constexpr int kCapabilityTextControl = 9002;
constexpr int kStatusSamples = 371;
constexpr int kStatusSize = 372;
constexpr int kStatusLeft = 374;
constexpr int kStatusTime = 375;

void statusText(int id, const std::string& text) {
  if (HWND f = GetDlgItem(mainWnd(), id)) SetWindowTextA(f, text.c_str());
}

// While playing, the first status field shows the play position in the "LoTimeMode" format.
void showPlayPosition(int64_t position) {
  const document::WaveDocument* doc = currentDocument();
  const Settings& set = app().settings;
  statusText(kStatusFormat,
             display::FormatPosition(position, doc ? doc->rate() : 0, set.loTimeMode, set.timeCodeFrames));
}

void Transport::recordWritten(int32_t first, uint32_t frames) {
  document::WaveDocument* doc = currentDocument();
  HWND d = displayWnd();
  if (!doc || !d || !rec.options().liveUpdate) return;
  display::WaveDispSetLength(d, int32_t(doc->lengthFrames()), false);
  display::WaveDispRedrawRange(d, first, first + int32_t(frames) - 1, true);
}

void Transport::recordStatus(const audio::RecordStatus& s) {
  statusText(kStatusLeft, s.left);
  statusText(kStatusSamples, s.samples);
  statusText(kStatusSize, s.size);
  statusText(kStatusTime, s.time);
}

void Transport::recordClosed(const audio::RecordResult& r) {
  if (HWND d = displayWnd()) {
    display::WaveDispSetRecording(d, false);
    display::WaveDispSetBlank(d, false);
  }
  buttonText(IDC_BTN_PAUSE, "Pause");
  audio::MeterFeed(nullptr, 0, 16, 1);
  idleButtons();
  if (r.monitor) return;
  statusText(kStatusTime, "CLOSE");
  // The new audio becomes the selection, and the view reaches at least its end.
  document::EditResult e;
  e.select = r.frames > 0;
  e.selStart = uint32_t(r.first);
  e.selEnd = uint32_t(r.first) + r.frames - 1;
  if (const display::WaveView* v = displayWnd() ? display::WaveDispModel(displayWnd()) : nullptr) {
    const int64_t end = int64_t(r.first) + r.frames - 1;
    if (r.frames > 0 && end > v->last()) {
      e.setView = true;
      e.viewStart = uint32_t(v->first() > 0 ? v->first() : 0);
      e.viewEnd = uint32_t(end);
    }
  }
  applyEditResult(e);
}

audio::RecordOptions recordOptions() {
  const Settings& set = app().settings;
  audio::RecordOptions o;
  o.liveUpdate = set.liveUpdate;
  o.tempCompressed = set.tempCompressed;
  o.showOnPlay = audio::MeterIsShownOnPlay();
  o.timeMode = set.loTimeMode;
  o.timeCodeFrames = set.timeCodeFrames;
  return o;
}

audio::RecordTarget recordTarget(document::WaveDocument* doc) {
  audio::RecordTarget t;
  t.hasDocument = doc != nullptr;
  if (!doc) return t;
  const document::EditRange r = currentEditRange();
  t.format = doc->format();
  t.documentFrames = doc->lengthFrames();
  t.selStart = int32_t(r.start < 0 ? 0 : r.start);
  t.selEnd = r.hasSelection() ? int32_t(r.end) : t.selStart - 1;
  t.editChannel = doc->channels() == 2 ? r.editChannel : 0;
  t.write = audio::SampleFileWriter(doc->samples());
  // The budget: what the store holds now (its blocks in use) and what the temporary drives still have.
  t.space = [](uint64_t* used, uint64_t* free) {
    *used = uint64_t(storage::VfInUseCount()) * 64;
    *free = uint64_t(std::max<int64_t>(storage::VfFreeSpaceKB(), 0));
  };
  t.space(&t.usedKB, &t.freeKB);
  return t;
}

// Recording overwrites what lies from the selection start on; the user is asked first when that holds
// audio.
bool confirmOverwrite(const audio::RecordTarget& t) {
  const uint32_t frames = audio::RecordOverwriteFrames(t);
  if (frames == 0) return true;
  char text[200];
  std::snprintf(text, sizeof text,
                "Recording will replace %u samples of the wave from the selection start. "
                "Record anyway?",
                frames);
  return ui::ShowMessageBox(text, "Record", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void recordCommand() {
  Transport* t = tp();
  if (!t || t->play.active() || t->rec.active()) return;
  if (!currentDocument()) {
    if (refuseDocumentWork()) return;
    ui::dispatchCommand(IDM_NEW, 0);  // the New dialog makes the document to record into
  }
  document::WaveDocument* doc = currentDocument();
  if (!doc) return;
  audio::RecordTarget target = recordTarget(doc);
  if (!confirmOverwrite(target)) return;
  loadSettings(t);
  t->rec.setOptions(recordOptions());
  audio::MeterSetChannels(target.editChannel ? 1 : doc->channels(), false);
  if (HWND d = displayWnd()) {
    display::WaveDispSetRecording(d, true);
    // Without live update the display stays blank until the recording ends.
    if (!app().settings.liveUpdate) display::WaveDispSetBlank(d, true);
  }
  const int result = t->rec.record(target);
  if (result == 0) {
    doc->addSampleChanges(1);
  } else if (HWND d = displayWnd()) {
    display::WaveDispSetRecording(d, false);
    display::WaveDispSetBlank(d, false);
  }
}

void monitorCommand() {
  Transport* t = tp();
  if (!t) return;
  if (t->play.active() || (t->rec.active() && !t->rec.monitoring())) {
    audio::MeterShowOnPlay(!audio::MeterIsShownOnPlay());  // while busy the switch is what changes
    return;
  }
  loadSettings(t);
  audio::RecordTarget target = recordTarget(currentDocument());
  t->rec.setOptions(recordOptions());
  if (!t->rec.monitoring()) audio::MeterSetChannels(target.hasDocument ? target.format.channels : 1, false);
  t->rec.monitorToggle(target);
}

// Select Wave Device: the new devices serve the next play or recording; their names are saved with the
// settings, and the main window's device texts describe the new playback device.
void selectDeviceCommand() {
  AppState& a = app();
  std::vector<audio::DeviceInfo> devices[audio::kDeviceKinds];
  audio::DeviceEnumerate(devices);
  audio::DeviceChoice c;
  for (int k = 0; k < audio::kDeviceKinds; ++k) c.id[k] = uint32_t(a.deviceIds[k]);
  c.quirkFlag = a.deviceStatus.quirkFlag;
  c.convert16to8 = a.settings.convert16to8New;
  if (!audio::DeviceDialogRun(static_cast<HINSTANCE>(a.instance), mainWnd(), devices, a.settings.meterFix,
                              &c))
    return;
  ChosenDevice* chosen[audio::kDeviceKinds] = {&a.settings.waveOut, &a.settings.waveIn, &a.settings.midiOut,
                                               &a.settings.midiIn};
  for (int k = 0; k < audio::kDeviceKinds; ++k) {
    a.deviceIds[k] = int(c.id[k]);
    chosen[k]->exists = !devices[k].empty();
    chosen[k]->productName = audio::DeviceSavedName(devices[k], c.id[k]);
  }
  // Playback reads the switch from the settings file at each start.
  a.settings.convert16to8New = c.convert16to8;
  ui::ProfileSettingsSource(a.settingsFile)
      .writeString("System", "Convert16to8New", c.convert16to8 ? "YES" : "NO");
  const audio::DeviceInfo* out =
      c.id[0] < devices[0].size() && !devices[0][c.id[0]].name.empty() ? &devices[0][c.id[0]] : nullptr;
  const audio::DeviceStatusTexts texts = audio::DeviceDescribe(out);
  a.deviceStatus.deviceText = texts.installed;
  a.deviceStatus.capabilityText = texts.capability;
  a.deviceStatus.quirkFlag = c.quirkFlag;
  SetDlgItemTextA(mainWnd(), kDeviceTextControl, a.deviceStatus.deviceText.c_str());
  SetDlgItemTextA(mainWnd(), kCapabilityTextControl, a.deviceStatus.capabilityText.c_str());
}

}  // namespace

void registerCommands() {
  if (!transportSlot()) transportSlot() = std::make_unique<Transport>();
  ui::registerCommand(IDM_PLAY, [](int, intptr_t) {
    // The start-up Play waits until the program's own threads are running (see the top of the file).
    if (app().pendingName == kAutoplayMarker && !tp()->play.active()) {
      SetTimer(mainWnd(), kAutoplayTimer, kAutoplayDelayMs, nullptr);
      return;
    }
    playCommand(false, 0, 0);
  });
  ui::registerCommand(IDM_STOP, [](int, intptr_t) { stopCommand(); });
  ui::registerCommand(IDM_PAUSE, [](int, intptr_t) { pauseCommand(); });
  ui::registerCommand(IDM_LOOP_MODE, [](int, intptr_t) { loopCommand(); });
  ui::registerCommand(IDM_RECORD, [](int, intptr_t) { recordCommand(); });
  ui::registerCommand(IDM_MONITOR_VU, [](int, intptr_t) { monitorCommand(); });
  ui::registerCommand(IDM_SELECT_DEVICE, [](int, intptr_t) { selectDeviceCommand(); });
  playRangeHandler() = [](uint32_t start, uint32_t length) {
    if (length == 0) return;
    Transport* t = tp();
    if (t && t->play.active()) t->play.stop();
    if (t && !t->play.active()) playCommand(true, start, length);
  };
  playListHandler() = [](uint32_t entry) { playListCommand(entry); };
  // Letting go of the mouse after selecting while a play runs plays the new selection.
  selectionReleasedHandler() = [] {
    Transport* t = tp();
    if (t && t->play.active() && t->play.stopCount() == 0 && !t->play.paused())
      t->play.toggle(audio::PlaySource(), audio::PlayChoice(), t->loopMode, false);
  };
  transportStateSource() = [] {
    TransportState s;
    if (Transport* t = tp()) {
      s.playing = t->play.active();
      s.recording = t->rec.active() && !t->rec.monitoring();
      s.monitoring = t->rec.monitoring();
      s.loopMode = t->loopMode;
    }
    return s;
  };
}

void closeWindows() {
  Transport* t = tp();
  if (!t) return;
  t->stopTimer();
  transportStateSource() = nullptr;
  playRangeHandler() = nullptr;
  playListHandler() = nullptr;
  selectionReleasedHandler() = nullptr;
  transportSlot().reset();  // the engines close their devices at once
}

bool onWaveOut(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  Transport* t = tp();
  if (!t || !t->out.onDeviceMessage(msg, wParam, lParam)) return false;
  *result = 0;
  return true;
}

bool onWaveIn(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  Transport* t = tp();
  if (!t || !t->in.onDeviceMessage(msg, wParam, lParam)) return false;
  *result = 0;
  return true;
}

bool onTimer(HWND hwnd, UINT, WPARAM wParam, LPARAM, LRESULT* result) {
  Transport* t = tp();
  if (!t) return false;
  if (wParam == kAutoplayTimer) {
    KillTimer(hwnd, kAutoplayTimer);
    playCommand(false, 0, 0);
  } else if (wParam == kPositionTimer) {
    const audio::PlayEngine::Tick k = t->play.tick();
    if (k.playing) {
      if (k.position >= 0) {
        if (displayWnd()) display::WaveDispSetCursor(displayWnd(), int32_t(k.position));
        showPlayPosition(k.position);
      }
      analysis::analysisPlayPosition(k.position);  // live updates of a small transform
      if (audio::MeterIsShownOnPlay() && !k.meter.empty())
        audio::MeterFeed(k.meter.data, k.meter.bytes, k.meter.bits, k.meter.channels);
    }
  } else {
    return false;
  }
  *result = 0;
  return true;
}

}  // namespace audiocmd
}  // namespace shell
