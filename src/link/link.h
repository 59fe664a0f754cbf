// The logger link: port scan, probe cycle, link check, receive handler, command sending and
// repeat, the download and the battery reply. Owned by the main window (or the CLI); reports
// to the device windows through LinkWindows and runs on TimerHost ticks and SerialPort
// notifications, one at a time.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/protocol.h"
#include "link/serial_port.h"
#include "link/timer_host.h"
#include "recording/prompts.h"
#include "recording/recording.h"
#include "settings/settings_table.h"

namespace k7740 {

enum class DeviceWindow { Setup = 0, CorrectTime = 1, Download = 2, Battery = 3 };
enum class MessageIcon { None, Information, Exclamation, Question };
enum class DownloadOutcome { Completed, NoData, HeaderTimeout, Interrupted, Refused };

inline constexpr const char* kConnected = "Connected";
inline constexpr const char* kNotConnected = "Not Connected";
inline constexpr const char* kNoData = "There is no data in DATALOGGER!";
inline constexpr const char* kInterrupted = "Communication interruption!";
inline constexpr const char* kNoPortFound =
    "No serial port could be opened. Check that the DATA LOGGER's cable is plugged in.";
inline constexpr const char* kTooMuchData =
    "The DATA LOGGER announced more data than a recording can hold (16360 readings). "
    "The download was refused; nothing was changed.";

// What the link needs of the device windows and the rest of the program.
class LinkWindows {
 public:
  virtual ~LinkWindows() = default;
  virtual bool isWindowOpen(DeviceWindow window) const = 0;
  virtual void setWindowTitle(DeviceWindow window, const std::string& title) = 0;
  virtual void setActionEnabled(DeviceWindow window, bool enabled) = 0;
  // A sentence about why the port could not be opened (e.g. the dialout group); empty clears it.
  virtual void setPortStatus(DeviceWindow window, const std::string& status) = 0;
  // Battery window: picture 0 (empty) to 3 (three segments) and the level text.
  virtual void showBatteryPicture(int picture) = 0;
  virtual void setBatteryText(const std::string& text) = 0;
  virtual void showMessage(const std::string& text, MessageIcon icon) = 0;

  virtual bool progressWindowExists() const = 0;
  virtual void createProgressWindow(int maximum, int position) = 0;
  virtual void setProgressPosition(int position) = 0;
  virtual void destroyProgressWindow() = 0;

  // After a completed download: FillDataList, ShowPanelTexts, redraw all views.
  virtual void recordingReplaced() = 0;
  // After a header without data: redraw all views.
  virtual void redrawAllViews() = 0;
  // Timer 8: the graph view's Undo zoom.
  virtual void undoZoom() = 0;

  // Notes for headless callers; the windows ignore them.
  virtual void scanFinished(int /*candidates*/) {}
  virtual void probeCycleFailed() {}
  virtual void downloadFinished(DownloadOutcome /*outcome*/) {}
  virtual void blockReceived(int /*position*/, int /*maximum*/) {}
  virtual void setupResent() {}
  virtual void acknowledged(uint8_t /*replyCode*/) {}
};

enum class DownloadPhase { AwaitingHeader, ReceivingBlocks, ReceivingRemainder };

class LoggerLink {
 public:
  LoggerLink(SerialPort& port, TimerHost& timers, LinkWindows& windows, CTevDoc& doc, RecordingView& view,
             ViewSettings& viewSettings, MainSettings& mainSettings, PromptFlags& flags);
  LoggerLink(const LoggerLink&) = delete;
  LoggerLink& operator=(const LoggerLink&) = delete;

  // Port set-up when the main window is created.
  void InitPort();

  // Opening a device window (after the Download prompt, for Download). Returns false, doing
  // nothing, while the progress window exists.
  bool OpenDeviceWindow(DeviceWindow window);
  // The window's own start, once it exists on screen.
  void WindowStarted(DeviceWindow window);

  // Datalogger Setup OK: build the setup command from the dialog's values, send it, arm the repeat.
  void SendSetup(const LoggerSettings& dialogValues);
  // Correct Time OK.
  void SendSetTime(int year, int month, int day, int hour, int minute, int second);
  // The Download button.
  void startDownload();

  void sendFrame();
  void sendProbe(int port);
  void stopLinkTimers();
  void resetPort();

  // Serial notification and timer tick entry points.
  void OnSerialEvent();
  void OnTimer(int id);

  // Link state (names as the main window keeps them).
  int32_t& comPort;
  std::array<uint8_t, 16> candidatePorts{};
  uint8_t candidateCount = 0;
  uint8_t probeStep = 0;
  bool loggerAnswered = false;
  bool everConnected = false;
  bool batteryMode = false;
  bool downloading = false;
  bool setupAcknowledged = false;
  CommandFrame frameBuffer{};
  // Headless use: when 1..16, the scan tries only this port.
  int onlyPort = 0;

  // Download state.
  DownloadPhase downloadPhase = DownloadPhase::AwaitingHeader;
  int totalBytes = 0;
  int skippedReadings = 0;
  int fullBlockCount = -1;
  int blockNumber = -1;
  std::vector<uint8_t> receiveBuffer;  // kReceiveBufferSize bytes
  int receivedBytes = 0;
  int progressPosition = 0;

 private:
  void HandleDownloadBytes(const std::vector<uint8_t>& bytes);
  void HeaderEvent(const std::vector<uint8_t>& bytes);
  void BlockEvent(const std::vector<uint8_t>& bytes);
  void RemainderEvent(const std::vector<uint8_t>& bytes);
  void RequestBlock(int requestDelayMs, int retryDelayMs);
  void CompleteIfDone();
  void EndDownload(DownloadOutcome outcome);
  void ResetDownloadState();
  void PortScanTick();
  void ProbeStepTick();
  void LinkCheckTick();
  void BlockRetryTick();
  bool AnyWindowOpen() const;
  bool ReopenPort();
  void ReportPortFailure(DeviceWindow window);
  void SetConnected(DeviceWindow window, bool connected);

  // Why a port that exists could not be opened in the last scan (e.g. permission); shown in
  // the windows' status when the logger is not reached.
  std::string scanProblem_;
  // The header of the download under way, applied to the recording when it completes.
  DownloadHeader pendingHeader_;

  SerialPort& port_;
  TimerHost& timers_;
  LinkWindows& windows_;
  CTevDoc& doc_;
  RecordingView& view_;
  ViewSettings& viewSettings_;
  MainSettings& mainSettings_;
  PromptFlags& flags_;
};

// The two lines shown on the setup acknowledgement for the main window's current settings.
std::string SetupAcknowledgementText(uint8_t startMode, uint8_t overwriteWhenFull);

}  // namespace k7740
