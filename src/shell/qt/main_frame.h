// The main window: menus, toolbar, status bar, the instrument tree and the graph view side by
// side, the logger link with its device windows, Save and Open with their prompts, and the
// settings read at start and written at close.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QUrl>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "link/link.h"
#include "recording/prompts.h"
#include "recording/recording.h"
#include "settings/settings_table.h"
#include "shell/qt/manual_path.h"
#include "shell/user_prompts.h"

class QAction;
class QDialog;
class QSplitter;

namespace k7740 {

class CTevView;
class CInstrumentView;
class CDeviceDialog;
class CSetupDlg;
class CCorrectTimeDlg;
class CDownloadDlg;
class CBatteryDlg;
class CProgressWindow;
class PrintCommands;

inline constexpr const char* kMainWindowTitle = "K7740 Temperature-Humidity Software";
inline constexpr const char* kAboutLine = "K7740 Temperature-Humidity Software Version " K7740_VERSION;
inline constexpr const char* kInvalidFormat = "Invalid Format!";
inline constexpr const char* kUnexpectedFileFormat = "Unexpected file format.";
// The name the framework's Save As proposes for a document that has no file yet.
inline constexpr const char* kUntitledName = "Untitled";

// Command ids of the main window.
inline constexpr int kCmdSave = 32814;
inline constexpr int kCmdOpen = 32827;
inline constexpr int kCmdExit = 57665;
inline constexpr int kCmdCorrectTime = 32840;
inline constexpr int kCmdSetup = 32869;
inline constexpr int kCmdDownload = 32847;
inline constexpr int kCmdBattery = 32882;
inline constexpr int kCmdGraph = 32835;
inline constexpr int kCmdList = 32836;
inline constexpr int kCmdAbout = 57664;
inline constexpr int kCmdHelpTopics = 32779;
// Keyboard-only routes of the document machinery.
inline constexpr int kCmdFileNew = 57600;
inline constexpr int kCmdFileOpen = 57601;
inline constexpr int kCmdFileSave = 57603;
inline constexpr int kCmdNextPane = 57680;
inline constexpr int kCmdPrevPane = 57681;

// What the main window talks to. Everything left empty gets the real implementation.
struct MainFrameOptions {
  SerialPort* port = nullptr;   // default: the serial port, hex-logged when $K7740_SERIAL_LOG names a file
  TimerHost* timers = nullptr;  // default: QTimer
  TimerHost* viewTimers = nullptr;           // the graph view's timers; default: QTimer
  std::function<QPoint()> pointerPosition;   // the mouse in graph-view pixels; default: the cursor
  UserPrompts* prompts = nullptr;            // default: message boxes and file dialogs
  std::string settingsDir;                   // folder of the settings file; empty: the machine-wide folder
  std::function<int(QDialog&)> runModal;     // default: QDialog::exec
  std::function<bool(const QUrl&)> openUrl;  // default: QDesktopServices::openUrl
  std::function<std::time_t()> clock;        // the PC's time; default: std::time
  QString programDir;  // where help.chm and the manual are looked for; default: the program's folder
  std::function<bool(const QString&)>
      hasViewer;           // something can show this file; default: its MIME type has a default application
  std::string archiveDir;  // the download archive; empty: DownloadArchiveDirectory()
};

class CMainFrame : public QMainWindow, public LinkWindows {
  Q_OBJECT
 public:
  explicit CMainFrame(MainFrameOptions options = {});
  ~CMainFrame() override;

  // Menu and toolbar commands.
  bool OnSave();
  void OnOpen();
  void OnCorrectTime();
  void OnDataloggerSetup();
  void OnDownloadData();
  void OnBatteryPower();
  void OnGraph();
  void OnList();
  void OnAbout();
  void OnHelpTopics();

  // The document machinery's routes: Ctrl+O, Ctrl+S, Ctrl+N and a file named at start-up.
  bool OpenDocumentFile(const std::string& path);
  void OnFileOpen();
  bool OnFileSave();
  void OnFileNew();

  // Enables Save, Graph, List and printing exactly while the recording has readings.
  void UpdateCommandEnabling();

  CTevDoc& doc() { return *doc_; }
  CTevView* view() const { return view_; }
  CInstrumentView* instrumentView() const { return tree_; }
  QSplitter* splitter() const { return splitter_; }
  LoggerLink& link() { return *link_; }
  PromptFlags& promptFlags() { return flags_; }
  MainSettings& mainSettings() { return mainSettings_; }
  QAction* action(int commandId) const;
  // The path the framework's save writes to; empty until a framework open or save.
  const std::string& documentPath() const { return documentPath_; }
  CDeviceDialog* deviceDialog(DeviceWindow window) const;
  CProgressWindow* progressWindow() const { return progress_; }
  PrintCommands* printCommands() const { return print_.get(); }

  // LinkWindows
  using QMainWindow::setWindowTitle;
  bool isWindowOpen(DeviceWindow window) const override;
  void setWindowTitle(DeviceWindow window, const std::string& title) override;
  void setActionEnabled(DeviceWindow window, bool enabled) override;
  void setPortStatus(DeviceWindow window, const std::string& status) override;
  void showBatteryPicture(int picture) override;
  void setBatteryText(const std::string& text) override;
  void showMessage(const std::string& text, MessageIcon icon) override;
  bool progressWindowExists() const override { return progress_ != nullptr; }
  void createProgressWindow(int maximum, int position) override;
  void setProgressPosition(int position) override;
  void destroyProgressWindow() override;
  void recordingReplaced() override;
  void downloadFinished(DownloadOutcome outcome) override;
  void redrawAllViews() override;
  void undoZoom() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void RunDeviceWindow(DeviceWindow window);
  void RecordingLoaded();
  bool SaveFiles();
  void FocusPane(int step);

  MainFrameOptions options_;
  std::unique_ptr<SerialPort> ownPort_;
  std::unique_ptr<SerialPort> logPort_;
  std::unique_ptr<TimerHost> ownTimers_;
  std::unique_ptr<UserPrompts> ownPrompts_;
  SerialPort* port_ = nullptr;
  TimerHost* timers_ = nullptr;
  UserPrompts* prompts_ = nullptr;

  MainSettings mainSettings_;
  PromptFlags flags_;
  std::unique_ptr<CTevDoc> doc_;
  QSplitter* splitter_ = nullptr;
  CTevView* view_ = nullptr;
  CInstrumentView* tree_ = nullptr;
  std::unique_ptr<LoggerLink> link_;

  CSetupDlg* setupDlg_ = nullptr;
  CCorrectTimeDlg* correctTimeDlg_ = nullptr;
  CDownloadDlg* downloadDlg_ = nullptr;
  CBatteryDlg* batteryDlg_ = nullptr;
  CProgressWindow* progress_ = nullptr;
  std::unique_ptr<PrintCommands> print_;

  std::map<int, QAction*> actions_;
  bool saveFailed_ = false;  // the last Save failed while writing (not cancelled)
  std::string documentPath_;
};

}  // namespace k7740
