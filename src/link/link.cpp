#include "link/link.h"

#include <algorithm>
#include <cstring>

#include "common/text.h"

namespace k7740 {

namespace {

constexpr DeviceWindow kAllWindows[] = {DeviceWindow::Setup, DeviceWindow::CorrectTime,
                                        DeviceWindow::Download, DeviceWindow::Battery};

// Start time, interval, unit and alarm values of a download header.
void ApplyHeader(const DownloadHeader& header, RecordingView& view) {
  if (header.intervalSeconds) view.sampleIntervalSeconds = *header.intervalSeconds;
  const LoggerTime& t = header.loggerTime;
  view.startTime = MakeLocalTime(t.year, t.month, t.day, t.hour, t.minute, t.second) +
                   static_cast<std::time_t>(view.sampleIntervalSeconds) * header.skippedReadings;

  std::string unitText;
  if (header.alarmUnit == AlarmUnit::Celsius) {
    unitText = "C";
    view.isFahrenheit = 0;
  } else if (header.alarmUnit == AlarmUnit::Fahrenheit) {
    unitText = "F";
    view.isFahrenheit = 1;
  }
  view.tempAlarmHighText = StrFormat("%d ", header.tempAlarmHigh) + unitText;
  view.tempAlarmLowText = StrFormat("%d ", header.tempAlarmLow) + unitText;
  if (!view.isFahrenheit) {
    view.tempHighLineC = static_cast<float>(header.tempAlarmHigh);
    view.tempHighLineF = static_cast<float>(CelsiusToFahrenheitAlarm(header.tempAlarmHigh));
    view.tempLowLineC = static_cast<float>(header.tempAlarmLow);
    view.tempLowLineF = static_cast<float>(CelsiusToFahrenheitAlarm(header.tempAlarmLow));
  } else {
    view.tempHighLineF = static_cast<float>(header.tempAlarmHigh);
    view.tempHighLineC = static_cast<float>(FahrenheitToCelsiusAlarm(header.tempAlarmHigh));
    view.tempLowLineF = static_cast<float>(header.tempAlarmLow);
    view.tempLowLineC = static_cast<float>(FahrenheitToCelsiusAlarm(header.tempAlarmLow));
  }
  view.rhHighLine = static_cast<float>(header.rhAlarmHigh);
  view.rhLowLine = static_cast<float>(header.rhAlarmLow);
  view.rhAlarmHighText = StrFormat("%d %%RH", header.rhAlarmHigh);
  view.rhAlarmLowText = StrFormat("%d %%RH", header.rhAlarmLow);
}

}  // namespace

std::string SetupAcknowledgementText(uint8_t startMode, uint8_t overwriteWhenFull) {
  const char* first = startMode == 1
                          ? "DATA LOGGER is running."
                          : "To start logging,you must press the button once in housing of DATA LOGGER.";
  const char* second = overwriteWhenFull == 1
                           ? "If the DATA LOGGER is full,it will continue logging to cover the earlier data."
                           : "If the DATA LOGGER is full, it will stop logging.";
  return std::string(first) + "\n" + second;
}

LoggerLink::LoggerLink(SerialPort& port, TimerHost& timers, LinkWindows& windows, CTevDoc& doc,
                       RecordingView& view, ViewSettings& viewSettings, MainSettings& mainSettings,
                       PromptFlags& flags)
    : comPort(mainSettings.comPort),
      receiveBuffer(kReceiveBufferSize),
      port_(port),
      timers_(timers),
      windows_(windows),
      doc_(doc),
      view_(view),
      viewSettings_(viewSettings),
      mainSettings_(mainSettings),
      flags_(flags) {
  port_.setNotifyHandler([this] { OnSerialEvent(); });
  timers_.setHandler([this](int id) { OnTimer(id); });
}

void LoggerLink::InitPort() {
  port_.setLineSettings("9600,n,8,1");
  port_.setReceiveThreshold(1);
  port_.setBinaryInput();
  port_.setReadAll();
  port_.clearInput();
  port_.clearOutput();
}

bool LoggerLink::AnyWindowOpen() const {
  return std::any_of(std::begin(kAllWindows), std::end(kAllWindows),
                     [this](DeviceWindow w) { return windows_.isWindowOpen(w); });
}

// Close if open, then open the port last selected. The error text of a failure is kept by the port.
bool LoggerLink::ReopenPort() {
  if (port_.isOpen() && !port_.close()) return false;
  return port_.open();
}

void LoggerLink::SetConnected(DeviceWindow window, bool connected) {
  windows_.setWindowTitle(window, connected ? kConnected : kNotConnected);
  if (window != DeviceWindow::Battery) windows_.setActionEnabled(window, connected);
  windows_.setPortStatus(window, connected ? std::string() : port_.errorText());
}

bool LoggerLink::OpenDeviceWindow(DeviceWindow window) {
  if (windows_.progressWindowExists()) return false;
  if (window == DeviceWindow::Battery) {
    windows_.setBatteryText("");
    batteryMode = true;
  } else {
    batteryMode = false;
  }
  loggerAnswered = false;
  if (!everConnected) {
    timers_.start(kTimerPortScan, kPortScanFromCommandMs);
  } else {
    timers_.start(kTimerLinkCheck, kLinkCheckMs);
  }
  return true;
}

void LoggerLink::WindowStarted(DeviceWindow window) {
  if (window == DeviceWindow::Battery) windows_.setBatteryText("");
  if (!everConnected) return;
  const bool ok = ReopenPort();
  SetConnected(window, ok);
  if (!ok) return;
  port_.close();
  if (window == DeviceWindow::Battery) sendProbe(comPort);
}

void LoggerLink::sendFrame() {
  timers_.stop(kTimerLinkCheck);
  if (!port_.isOpen() && !port_.open()) return;
  port_.write(frameBuffer.data(), frameBuffer.size());
}

void LoggerLink::sendProbe(int portNumber) {
  port_.selectPort(portNumber);
  port_.setReceiveThreshold(1);
  if (!port_.isOpen() && !port_.open()) return;
  const uint8_t probe = probeByte(batteryMode);
  port_.write(&probe, 1);
}

void LoggerLink::stopLinkTimers() {
  timers_.stop(kTimerPortScan);
  timers_.stop(kTimerProbeStep);
  timers_.stop(kTimerLinkCheck);
}

void LoggerLink::resetPort() {
  if (port_.isOpen()) port_.close();
  port_.setLineSettings("9600,n,8,1");
  port_.selectPort(comPort);
  port_.setReceiveThreshold(1);
  port_.setBinaryInput();
  port_.setReadAll();
  port_.clearInput();
  (void)port_.readAll();
  port_.clearInput();
  port_.clearOutput();
  port_.clearOutput();
}

void LoggerLink::SendSetup(const LoggerSettings& dialogValues) {
  frameBuffer = buildSetupCommand(dialogValues);
  sendFrame();
  setupAcknowledged = false;
  timers_.start(kTimerSetupRepeat, kRepeatMs);
}

void LoggerLink::SendSetTime(int year, int month, int day, int hour, int minute, int second) {
  frameBuffer = buildSetTimeCommand(year, month, day, hour, minute, second);
  sendFrame();
}

void LoggerLink::OnTimer(int id) {
  switch (id) {
    case kTimerDownloadRepeat:
      timers_.stop(kTimerDownloadRepeat);
      sendFrame();
      break;
    case kTimerSetupRepeat:
      timers_.stop(kTimerSetupRepeat);
      if (!setupAcknowledged) {
        sendFrame();
        windows_.setupResent();
      }
      break;
    case kTimerPortScan:
      PortScanTick();
      break;
    case kTimerProbeStep:
      ProbeStepTick();
      break;
    case kTimerLinkCheck:
      LinkCheckTick();
      break;
    case kTimerZoomReset:
      timers_.stop(kTimerZoomReset);
      windows_.undoZoom();
      break;
    case kTimerHeaderTimeout:
      timers_.stop(kTimerHeaderTimeout);
      EndDownload(DownloadOutcome::HeaderTimeout);
      break;
    case kTimerBlockRetry:
      BlockRetryTick();
      break;
    case kTimerTransferTimeout:
      timers_.stop(kTimerTransferTimeout);
      EndDownload(DownloadOutcome::Interrupted);
      windows_.showMessage(kInterrupted, MessageIcon::None);
      break;
    case kTimerBlockRequest:
      timers_.stop(kTimerBlockRequest);
      sendFrame();
      break;
    default:
      break;
  }
}

void LoggerLink::PortScanTick() {
  if (!AnyWindowOpen()) timers_.stop(kTimerPortScan);
  probeStep = 1;
  candidateCount = 0;
  scanProblem_.clear();
  for (int i = 1; i <= 16; ++i) {
    if (onlyPort != 0 && i != onlyPort) continue;
    if (port_.isOpen()) port_.close();
    comPort = i;
    port_.selectPort(i);
    if (!port_.isOpen() && !port_.open()) {
      const OpenError why = port_.lastOpenError();
      if (scanProblem_.empty() && why != OpenError::NotFound && why != OpenError::None) {
        scanProblem_ = port_.errorText();
      }
      continue;
    }
    candidatePorts[candidateCount++] = static_cast<uint8_t>(i);
  }
  if (candidateCount > 0) {
    timers_.stop(kTimerPortScan);
    const int highest = candidatePorts[candidateCount - 1];
    sendProbe(highest);
    comPort = highest;
    timers_.start(kTimerProbeStep, kProbeStepMs);
  } else {
    // No port opens at all: the templates keep their titles, but say why where the user looks.
    std::string status = scanProblem_;
    if (status.empty()) status = port_.noLoggerHint();
    if (status.empty()) status = kNoPortFound;
    for (DeviceWindow w : kAllWindows) {
      if (windows_.isWindowOpen(w)) windows_.setPortStatus(w, status);
    }
  }
  windows_.scanFinished(candidateCount);
}

void LoggerLink::ProbeStepTick() {
  if (!AnyWindowOpen()) timers_.stop(kTimerProbeStep);
  if (loggerAnswered) return;
  if (candidateCount < probeStep) {
    timers_.stop(kTimerProbeStep);
    probeStep = 1;
    candidateCount = 0;
    // Ports opened but none answered: the logger may sit on an adapter the table does not reach.
    const std::string status = scanProblem_.empty() ? port_.noLoggerHint() : scanProblem_;
    for (DeviceWindow w : kAllWindows) {
      if (!windows_.isWindowOpen(w)) continue;
      windows_.setWindowTitle(w, kNotConnected);
      if (w != DeviceWindow::Battery) windows_.setActionEnabled(w, false);
      windows_.setPortStatus(w, status);
      timers_.start(kTimerPortScan, kPortScanAfterFailureMs);
      if (w == DeviceWindow::Battery) windows_.showBatteryPicture(0);
    }
    windows_.probeCycleFailed();
    return;
  }
  const int target = candidatePorts[candidateCount - probeStep];
  sendProbe(target);
  comPort = target;
  ++probeStep;
}

void LoggerLink::LinkCheckTick() {
  if (!AnyWindowOpen()) {
    timers_.stop(kTimerLinkCheck);
    return;
  }
  const bool ok = ReopenPort();
  for (DeviceWindow w : kAllWindows) {
    if (windows_.isWindowOpen(w)) SetConnected(w, ok);
  }
  if (ok) port_.close();
}

void LoggerLink::OnSerialEvent() {
  if (port_.lastEvent() != SerialEvent::DataReceived) {
    port_.clearInput();
    return;
  }
  std::vector<uint8_t> bytes = port_.readAll();
  if (downloading) {
    HandleDownloadBytes(bytes);
    return;
  }
  if (bytes.empty()) return;
  const Reply reply = classifyReply(bytes[0], downloading, batteryMode);
  switch (reply.kind) {
    case ReplyKind::Presence: {
      loggerAnswered = true;
      everConnected = true;
      for (DeviceWindow w : {DeviceWindow::Setup, DeviceWindow::Download, DeviceWindow::CorrectTime}) {
        if (!windows_.isWindowOpen(w)) continue;
        timers_.stop(kTimerPortScan);
        timers_.stop(kTimerProbeStep);
        windows_.setWindowTitle(w, kConnected);
        windows_.setActionEnabled(w, true);
        windows_.setPortStatus(w, "");
        timers_.start(kTimerLinkCheck, kLinkCheckMs);
        if (port_.isOpen()) port_.close();
      }
      break;
    }
    case ReplyKind::Battery: {
      loggerAnswered = true;
      everConnected = true;
      const bool open = windows_.isWindowOpen(DeviceWindow::Battery);
      if (open) {
        timers_.stop(kTimerPortScan);
        timers_.stop(kTimerProbeStep);
        windows_.setWindowTitle(DeviceWindow::Battery, kConnected);
        windows_.setPortStatus(DeviceWindow::Battery, "");
        timers_.start(kTimerLinkCheck, kLinkCheckMs);
        if (port_.isOpen()) port_.close();
        // Level 1 shows the empty picture, levels 2..4 one to three segments.
        windows_.showBatteryPicture(reply.batteryLevel - 1);
        windows_.setBatteryText(BatteryLevelText(reply.batteryLevel));
      }
      break;
    }
    case ReplyKind::Acknowledgement:
      if (port_.isOpen()) port_.close();
      windows_.acknowledged(kAcknowledgement);
      break;
    case ReplyKind::SetupAcknowledgement:
      timers_.stop(kTimerSetupRepeat);
      setupAcknowledged = true;
      windows_.acknowledged(kSetupAcknowledgement);
      windows_.showMessage(
          SetupAcknowledgementText(mainSettings_.logger.startMode, mainSettings_.logger.overwriteWhenFull),
          MessageIcon::Information);
      if (port_.isOpen()) port_.close();
      break;
    case ReplyKind::None:
      break;
  }
}

void LoggerLink::startDownload() {
  totalBytes = 0;
  skippedReadings = 0;
  downloadPhase = DownloadPhase::AwaitingHeader;
  receivedBytes = 0;
  fullBlockCount = -1;
  view_.listNeedsRefill = 1;
  timers_.start(kTimerHeaderTimeout, kHeaderTimeoutMs);
  frameBuffer = buildDownloadRequest();
  downloading = true;
  sendFrame();
  port_.setReceiveThreshold(kHeaderSize);
  timers_.start(kTimerDownloadRepeat, kRepeatMs);
}

void LoggerLink::HandleDownloadBytes(const std::vector<uint8_t>& bytes) {
  switch (downloadPhase) {
    case DownloadPhase::AwaitingHeader:
      if (!bytes.empty() && bytes[0] == kHeaderCode) HeaderEvent(bytes);
      break;
    case DownloadPhase::ReceivingBlocks:
      BlockEvent(bytes);
      break;
    case DownloadPhase::ReceivingRemainder:
      RemainderEvent(bytes);
      break;
  }
  if (downloading) CompleteIfDone();
}

void LoggerLink::HeaderEvent(const std::vector<uint8_t>& bytes) {
  timers_.stop(kTimerDownloadRepeat);
  timers_.stop(kTimerSetupRepeat);
  timers_.stop(kTimerHeaderTimeout);
  blockNumber = -1;
  if (bytes.size() < static_cast<size_t>(kHeaderSize)) {
    // A short header cannot be decoded; the threshold makes this rare. Wait for the repeat or time-out.
    timers_.start(kTimerHeaderTimeout, kHeaderTimeoutMs);
    return;
  }
  const DownloadHeader header = decodeDownloadHeader(bytes.data(), bytes.size());

  // More data than a recording holds: refuse before anything changes, so nothing is written
  // beyond the buffer or the arrays and the previous recording stays whole.
  if (header.totalBytes > kMaxDataBytes) {
    EndDownload(DownloadOutcome::Refused);
    windows_.showMessage(kTooMuchData, MessageIcon::Exclamation);
    return;
  }

  totalBytes = header.totalBytes;
  skippedReadings = header.skippedReadings;
  // 1 to 3 bytes hold no whole reading: treated as an empty logger.
  if (totalBytes < 4) {
    ApplyHeader(header, view_);
    ResetDownloadState();
    view_.listNeedsRefill = 1;
    if (view_.displayMode == 0) view_.displayMode = 1;
    windows_.redrawAllViews();
    windows_.downloadFinished(DownloadOutcome::NoData);
    windows_.showMessage(kNoData, MessageIcon::None);
    if (port_.isOpen()) port_.close();
    return;
  }

  // The header's values join the recording only with its readings: a download that does not
  // complete leaves the previous recording exactly as it was.
  pendingHeader_ = header;
  fullBlockCount = totalBytes / kBlockSize;
  if (!windows_.progressWindowExists()) {
    progressPosition = 1;
    windows_.createProgressWindow(fullBlockCount + 1, progressPosition);
  }
  port_.setReceiveThreshold(fullBlockCount == 0 ? totalBytes : kBlockSize);
  downloadPhase = DownloadPhase::ReceivingBlocks;
  blockNumber = 0;
  RequestBlock(kBlockRequestAfterHeaderMs, kBlockRetryAfterHeaderMs);
}

// The block request is the download request with the block number in its last byte.
void LoggerLink::RequestBlock(int requestDelayMs, int retryDelayMs) {
  frameBuffer[6] = static_cast<uint8_t>(blockNumber & 0xFF);
  timers_.start(kTimerBlockRequest, requestDelayMs);
  timers_.start(kTimerBlockRetry, retryDelayMs);
  timers_.start(kTimerTransferTimeout, kTransferTimeoutMs);
}

void LoggerLink::BlockEvent(const std::vector<uint8_t>& bytes) {
  timers_.stop(kTimerBlockRetry);
  timers_.stop(kTimerTransferTimeout);
  if (fullBlockCount == 0) {
    windows_.setProgressPosition(fullBlockCount + 1);
    const size_t n = std::min(bytes.size(), static_cast<size_t>(totalBytes));
    std::memcpy(receiveBuffer.data(), bytes.data(), n);
    // The threshold guarantees totalBytes arrived; a short event still counts as the data.
    receivedBytes = totalBytes;
    return;
  }
  const size_t n = std::min(bytes.size(), static_cast<size_t>(kBlockSize));
  std::memcpy(receiveBuffer.data() + receivedBytes, bytes.data(), n);
  receivedBytes += kBlockSize;
  bool complete = false;
  if (receivedBytes == fullBlockCount * kBlockSize) {
    const int remainder = totalBytes - receivedBytes;
    if (remainder > 0) {
      port_.setReceiveThreshold(remainder);
      downloadPhase = DownloadPhase::ReceivingRemainder;
    } else {
      complete = true;
    }
  }
  ++progressPosition;
  windows_.setProgressPosition(progressPosition);
  windows_.blockReceived(progressPosition, fullBlockCount + 1);
  if (!complete) {
    ++blockNumber;
    RequestBlock(kBlockRequestAfterBlockMs, kBlockRetryAfterBlockMs);
  }
}

void LoggerLink::RemainderEvent(const std::vector<uint8_t>& bytes) {
  timers_.stop(kTimerBlockRetry);
  timers_.stop(kTimerTransferTimeout);
  const size_t want = static_cast<size_t>(totalBytes - receivedBytes);
  std::memcpy(receiveBuffer.data() + receivedBytes, bytes.data(), std::min(bytes.size(), want));
  receivedBytes = totalBytes;
}

void LoggerLink::CompleteIfDone() {
  if (receivedBytes != totalBytes || totalBytes <= 0) return;
  windows_.setProgressPosition(fullBlockCount + 1);
  windows_.destroyProgressWindow();

  const int count = decodeReadingsInto(receiveBuffer.data(), static_cast<size_t>(totalBytes), totalBytes,
                                       doc_.temperature.data(), doc_.humidity.data(), kMaxReadings);
  view_.readingCount = count;
  ApplyHeader(pendingHeader_, view_);

  ResetDownloadState();

  SetHeaderTexts(view_);
  ComputeSummary(doc_, view_);
  viewSettings_.yTempLow = -50;
  viewSettings_.yTempHigh = view_.isFahrenheit ? 165 : 85;
  viewSettings_.yRhLow = 0;
  viewSettings_.yRhHigh = 100;

  view_.listNeedsRefill = 1;
  windows_.recordingReplaced();

  flags_.downloadUnsaved = 1;
  if (view_.displayMode == 0) view_.displayMode = 1;
  timers_.start(kTimerZoomReset, kZoomResetMs);
  view_.recordingFromFile = 0;
  windows_.downloadFinished(DownloadOutcome::Completed);
}

void LoggerLink::ResetDownloadState() {
  downloading = false;
  downloadPhase = DownloadPhase::AwaitingHeader;
  totalBytes = 0;
  skippedReadings = 0;
  receivedBytes = 0;
  fullBlockCount = -1;
  // The one-byte replies after a download must be noticed again.
  port_.setReceiveThreshold(1);
}

// The ends of a download that did not complete; the previous readings stay.
void LoggerLink::EndDownload(DownloadOutcome outcome) {
  if (windows_.progressWindowExists()) windows_.destroyProgressWindow();
  ResetDownloadState();
  view_.listNeedsRefill = 1;
  timers_.stop(kTimerDownloadRepeat);
  timers_.stop(kTimerBlockRequest);
  timers_.stop(kTimerBlockRetry);
  timers_.stop(kTimerTransferTimeout);
  timers_.stop(kTimerHeaderTimeout);
  windows_.downloadFinished(outcome);
}

void LoggerLink::BlockRetryTick() {
  timers_.stop(kTimerBlockRetry);
  if (!ReopenPort()) {
    EndDownload(DownloadOutcome::Interrupted);
    resetPort();
    windows_.showMessage(kInterrupted, MessageIcon::None);
    return;
  }
  if (port_.lastEvent() == SerialEvent::DataReceived) {
    (void)port_.readAll();
    port_.write(frameBuffer.data(), frameBuffer.size());
  } else {
    port_.clearInput();
  }
}

}  // namespace k7740
