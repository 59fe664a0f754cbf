// The user manual's pictures of the desktop program, made by the program itself: a main window
// on the in-process simulated logger and virtual time does a real download, then every window
// the manual shows is grabbed and written as PNG. Run offscreen:
//   QT_QPA_PLATFORM=offscreen manual_pictures OUT_DIR
// The time zone, the PC's clock and the logger's readings are fixed, so the pictures come out
// the same on every run.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "analysis/analysis.h"
#include "analysis/qt/analysis_menu.h"
#include "appearance/qt/appearance_dialogs.h"
#include "common/text.h"
#include "device/qt/device_dialogs.h"
#include "graph/qt/tev_view.h"
#include "link/virtual_clock.h"
#include "shell/qt/main_frame.h"
#include "shell/user_prompts.h"
#include "sim/logger_simulator.h"
#include "sim/sim_serial_port.h"

namespace k7740 {
namespace {

constexpr int kLimitMs = 120000;  // virtual time any one step may take

// Every question is answered No and every message is printed: nothing here may block.
class SilentPrompts : public UserPrompts {
 public:
  void ShowMessage(const std::string& text, BoxIcon) override {
    std::fprintf(stderr, "manual_pictures: message: %s\n", text.c_str());
  }
  bool AskYesNo(const std::string&, BoxIcon) override { return false; }
  std::string ChooseSavePath(const std::string&) override { return {}; }
  std::string ChooseOpenPath() override { return {}; }
};

class PictureMaker {
 public:
  explicit PictureMaker(QString outDir) : outDir_(std::move(outDir)) {}

  bool Run();

 private:
  // The window as the desktop shows it: the widget under a plain caption bar with its title
  // (the offscreen platform draws no window frames).
  QImage Framed(QWidget& w) const;
  bool Save(QWidget& w, const QString& name);
  // Runs a device window: shows it, lets the link work until ready() holds, grabs it, then
  // presses the button named press (or closes the window when press is empty).
  int RunDeviceWindow(QDialog& d, const QString& name, const std::function<bool()>& ready,
                      const QString& press);
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons);
  void Settle();

  QString outDir_;
  QTemporaryDir settings_;
  VirtualClock clock_;
  SimSerialPort port_{clock_};
  VirtualTimerHost timers_{clock_};
  VirtualTimerHost viewTimers_{clock_};
  SilentPrompts prompts_;
  QPoint pointer_{-1, -1};
  std::function<int(QDialog&)> modal_;
  std::unique_ptr<LoggerSimulator> logger_;
  std::unique_ptr<CMainFrame> frame_;
  bool ok_ = true;
};

QImage PictureMaker::Framed(QWidget& w) const {
  const QImage body = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
  // A window without a frame draws its own title bar.
  if (w.windowFlags().testFlag(Qt::FramelessWindowHint)) return body;
  QFont font = w.font();
  font.setBold(true);
  const int caption = QFontMetrics(font).height() + 10;
  QImage out(body.width() + 2, body.height() + caption + 1, QImage::Format_RGB32);
  out.fill(QColor(0x3c, 0x4a, 0x5c));
  QPainter p(&out);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(8, 0, out.width() - 16, caption), Qt::AlignVCenter | Qt::AlignLeft, w.windowTitle());
  p.drawImage(1, caption, body);
  return out;
}

bool PictureMaker::Save(QWidget& w, const QString& name) {
  QApplication::processEvents();
  const QString path = QDir(outDir_).filePath(name);
  if (!Framed(w).save(path, "PNG")) {
    std::fprintf(stderr, "manual_pictures: could not write %s\n", qPrintable(path));
    ok_ = false;
    return false;
  }
  std::printf("%s\n", qPrintable(name));
  return true;
}

int PictureMaker::RunDeviceWindow(QDialog& d, const QString& name, const std::function<bool()>& ready,
                                  const QString& press) {
  d.show();
  if (!clock_.runUntil(ready, kLimitMs)) {
    std::fprintf(stderr, "manual_pictures: %s never became ready\n", qPrintable(name));
    ok_ = false;
  }
  Save(d, name);
  if (!press.isEmpty()) {
    for (QPushButton* b : d.findChildren<QPushButton*>()) {
      if (QString(b->text()).remove(QLatin1Char('&')) == press) {
        b->click();
        return d.result();
      }
    }
    std::fprintf(stderr, "manual_pictures: no button %s in %s\n", qPrintable(press), qPrintable(name));
    ok_ = false;
  }
  d.reject();
  return QDialog::Rejected;
}

void PictureMaker::Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  CTevView& view = *frame_->view();
  pointer_ = at;
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent ev(type, QPointF(at), view.mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(&view, &ev);
}

void PictureMaker::Settle() {
  frame_->view()->repaint();
  QApplication::processEvents();
}

bool PictureMaker::Run() {
  if (!settings_.isValid() || !QDir().mkpath(outDir_)) {
    std::fprintf(stderr, "manual_pictures: cannot use %s\n", qPrintable(outDir_));
    return false;
  }
  // A week of readings, one a minute, from Friday 1 March 2024 08:00.
  SimConfig config;
  config.startTime = LoggerTime{2024, 3, 1, 8, 0, 0};
  config.unitCode = kUnitCodeSeconds;
  config.intervalCount = 60;
  config.readingCount = 10080;
  config.tempAlarmHigh = 30;
  config.tempAlarmLow = 10;
  config.rhAlarmHigh = 70;
  config.rhAlarmLow = 30;
  config.batteryLevel = 3;
  logger_ = std::make_unique<LoggerSimulator>(config);
  // First a port the user may not open, as before joining the dialout group.
  // The text is the serial port's own for that case.
  port_.refusePort(1,
                   "Permission denied on /dev/ttyS0: add your user to the 'dialout' group "
                   "(sudo usermod -aG dialout $USER), then log in again.");

  MainFrameOptions o;
  o.port = &port_;
  o.timers = &timers_;
  o.viewTimers = &viewTimers_;
  o.prompts = &prompts_;
  o.settingsDir = settings_.path().toStdString();
  o.pointerPosition = [this] { return pointer_; };
  o.runModal = [this](QDialog& d) { return modal_ ? modal_(d) : static_cast<int>(QDialog::Rejected); };
  o.openUrl = [](const QUrl&) { return true; };
  o.clock = [] { return MakeLocalTime(2024, 3, 8, 9, 30, 0); };
  frame_ = std::make_unique<CMainFrame>(o);
  CMainFrame& f = *frame_;
  f.resize(1280, 800);
  f.show();
  QApplication::processEvents();
  Save(f, QStringLiteral("main-start.png"));

  modal_ = [&](QDialog& d) {
    CDeviceDialog* download = f.deviceDialog(DeviceWindow::Download);
    return RunDeviceWindow(d, QStringLiteral("download-refused.png"),
                           [download] { return !download->PortStatus().isEmpty(); }, {});
  };
  f.OnDownloadData();
  port_.removePort(1);
  port_.addPort(1, logger_.get());

  auto ready = [&](DeviceWindow w) { return [&f, w] { return f.deviceDialog(w)->ActionEnabled(); }; };
  modal_ = [&](QDialog& d) {
    return RunDeviceWindow(d, QStringLiteral("correct-time.png"), ready(DeviceWindow::CorrectTime), {});
  };
  f.OnCorrectTime();
  modal_ = [&](QDialog& d) {
    return RunDeviceWindow(d, QStringLiteral("setup.png"), ready(DeviceWindow::Setup), {});
  };
  f.OnDataloggerSetup();
  modal_ = [&](QDialog& d) {
    auto* battery = static_cast<CBatteryDlg*>(f.deviceDialog(DeviceWindow::Battery));
    return RunDeviceWindow(d, QStringLiteral("battery.png"),
                           [battery] { return !battery->LevelText().isEmpty(); }, {});
  };
  f.OnBatteryPower();
  // The battery window's timers stop at their next tick.
  clock_.advance(2000);

  modal_ = [&](QDialog& d) {
    return RunDeviceWindow(d, QStringLiteral("download.png"), ready(DeviceWindow::Download),
                           QStringLiteral("Download"));
  };
  f.OnDownloadData();
  // The "Logging..." window a third of the way through.
  const bool third = clock_.runUntil(
      [&] {
        return f.progressWindow() && f.progressWindow()->Position() * 3 >= f.progressWindow()->Maximum();
      },
      kLimitMs);
  if (third) {
    Save(*f.progressWindow(), QStringLiteral("logging.png"));
  } else {
    std::fprintf(stderr, "manual_pictures: no progress window\n");
    ok_ = false;
  }
  if (!clock_.runUntil([&] { return !f.link().downloading; }, kLimitMs) ||
      f.view()->recording().readingCount != config.readingCount) {
    std::fprintf(stderr, "manual_pictures: the download did not complete\n");
    return false;
  }
  clock_.advance(200);  // the zoom reset after the download
  Settle();
  Save(f, QStringLiteral("main-graph.png"));

  // Zoom into an afternoon of the third day, then rest the cursor on a reading.
  CTevView& view = *f.view();
  const PlotGeometry g = view.Geometry();
  const QPoint a(g.L + g.W() * 2 / 7, g.T + g.H() / 6);
  const QPoint b(g.L + g.W() * 3 / 7, g.B - g.H() / 6);
  Mouse(QEvent::MouseButtonPress, a, Qt::LeftButton);
  Mouse(QEvent::MouseMove, (a + b) / 2, Qt::LeftButton);
  Mouse(QEvent::MouseMove, b, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, b, Qt::NoButton);
  clock_.advance(100);
  Settle();
  Mouse(QEvent::MouseMove, QPoint(g.L + g.W() * 5 / 9, g.T + g.H() / 2), Qt::NoButton);
  QApplication::processEvents();
  if (view.graphState().zoomDepth != 1 || !view.cursorLineVisible()) {
    std::fprintf(stderr, "manual_pictures: the zoom or the cursor line did not happen\n");
    ok_ = false;
  }
  Save(f, QStringLiteral("graph-zoomed.png"));

  // The appearance dialogs, each as it opens.
  modal_ = [&](QDialog& d) {
    d.show();
    const QString name = qobject_cast<CColorSetupDlg*>(&d) ? QStringLiteral("color-setup.png")
                         : qobject_cast<CViewDlg*>(&d)     ? QStringLiteral("view-elements.png")
                                                           : QStringLiteral("yaxis-setup.png");
    Save(d, name);
    d.hide();
    return static_cast<int>(QDialog::Rejected);
  };
  view.OnColors();
  view.OnViewElements();
  view.OnYAxis();
  modal_ = nullptr;

  view.UndoZoom();
  f.action(kCmdList)->trigger();
  Settle();
  Save(f, QStringLiteral("main-list.png"));
  f.action(kCmdGraph)->trigger();
  Settle();

  std::unique_ptr<QDialog> summary = CreateSummaryDialog(
      &f, QString::fromStdString(FormatAnalysisText(AnalyzeRecording(f.doc(), view.recording()))));
  summary->show();
  Save(*summary, QStringLiteral("summary.png"));
  summary.reset();

  // No save question at the end: nothing is left to protect.
  f.promptFlags() = PromptFlags{0, 0, 0};
  f.close();
  frame_.reset();
  return ok_;
}

}  // namespace
}  // namespace k7740

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: manual_pictures OUT_DIR\n");
    return 2;
  }
  setenv("TZ", "UTC", 1);
  tzset();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("k7740"));
  k7740::PictureMaker maker(QString::fromLocal8Bit(argv[1]));
  return maker.Run() ? 0 : 1;
}
