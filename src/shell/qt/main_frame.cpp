#include "shell/qt/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "analysis/qt/analysis_menu.h"
#include "common/file_io.h"
#include "device/qt/device_dialogs.h"
#include "graph/qt/tev_view.h"
#include "link/hex_log_port.h"
#include "link/qt/qt_serial_port.h"
#include "link/qt/qt_timer_host.h"
#include "recording/record_file.h"
#include "recording/save_files.h"
#include "recording/save_names.h"
#include "recording/text_report.h"
#include "settings/settings_store.h"
#include "shell/qt/app_icons.h"
#include "shell/qt/instrument_view.h"
#include "shell/qt/print_commands.h"
#include "shell/qt/qt_user_prompts.h"

namespace k7740 {

namespace {

constexpr int kTreeWidth = 130;

struct CommandInfo {
  int id;
  const char* text;    // menu text, or the button's name for toolbar-only commands
  const char* prompt;  // status-bar prompt
  const char* tip;     // tooltip
};

constexpr CommandInfo kCommands[] = {
    {kCmdSave, "&Save...",
     "Save as  record file for Datalogger software and  xls document for Windows Office Excel ", "Save"},
    {kCmdOpen, "&Open...", "Open an existing document", "Open"},
    {kCmdPrintSetup, "&Print Setup...", "Change the printer and printing options", "Print Setup"},
    {kCmdPrintPreview, "&Print Preview", "Display full pages", "Print Preview"},
    {kCmdPrint, "&Print...", "Print the active document", "Print"},
    {kCmdExit, "&Exit", "", "Exit"},
    {kCmdCorrectTime, "&Correct Time...", "Correct the DATA LOGGER time", "Correct Time"},
    {kCmdSetup, "Datalogger Setup...", "Datalogger Setup", "Datalogger Setup"},
    {kCmdDownload, "&Download Data...", "Download data from your datalogger", "Data Download"},
    {kCmdBattery, "&Battery Power", "Battery Power Status", "Battery Power Status"},
    {kCmdGraph, "Graph", "Show data as graph", "Graph"},
    {kCmdList, "List", "Show data as a list", "List"},
    {kCmdAbout, "&Info...", "Display program information, version number and copyright", "About"},
    {kCmdHelpTopics, "&Help topics...", "Help", "Help"},
};

struct ToolbarButton {
  int id;
  ToolbarPicture picture;
};

constexpr ToolbarButton kToolbarButtons[] = {
    {kCmdSave, ToolbarPicture::Save},
    {kCmdOpen, ToolbarPicture::Open},
    {kCmdCorrectTime, ToolbarPicture::CorrectTime},
    {kCmdSetup, ToolbarPicture::Setup},
    {kCmdDownload, ToolbarPicture::Download},
    {kCmdBattery, ToolbarPicture::Battery},
    {kCmdGraph, ToolbarPicture::Graph},
    {kCmdList, ToolbarPicture::List},
    {kCmdPrint, ToolbarPicture::Print},
    {kCmdHelpTopics, ToolbarPicture::Help},
};

BoxIcon ToBoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return BoxIcon::Information;
    case MessageIcon::Exclamation:
      return BoxIcon::Exclamation;
    case MessageIcon::Question:
      return BoxIcon::Question;
    case MessageIcon::None:
      break;
  }
  return BoxIcon::None;
}

// The wait cursor for as long as a file is read or written.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { Restore(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  void Restore() {
    if (active_) QApplication::restoreOverrideCursor();
    active_ = false;
  }

 private:
  bool active_ = true;
};

std::string SaveFailureText(const std::string& error, bool partlySaved = false) {
  return error + (partlySaved ? "\nThe data was not saved completely." : "\nThe data was not saved.") +
         " Check that the folder exists and that you may write to it, then save again.";
}

}  // namespace

CMainFrame::CMainFrame(MainFrameOptions options) : options_(std::move(options)) {
  if (!options_.runModal) options_.runModal = [](QDialog& dialog) { return dialog.exec(); };
  if (!options_.openUrl) options_.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  if (!options_.clock) options_.clock = [] { return std::time(nullptr); };
  if (options_.programDir.isEmpty()) options_.programDir = QCoreApplication::applicationDirPath();
  if (!options_.hasViewer) options_.hasViewer = HasDefaultApplication;

  // Settings first: the rest of the window is built from them.
  ReadMainSettings(SettingsStore(options_.settingsDir), mainSettings_);

  timers_ = options_.timers;
  if (!timers_) {
    ownTimers_ = std::make_unique<QtTimerHost>();
    timers_ = ownTimers_.get();
  }
  port_ = options_.port;
  if (!port_) {
    ownPort_ = std::make_unique<QtSerialPort>();
    port_ = ownPort_.get();
  }
  // Every byte on the line goes to a log when asked, so a failed download can be replayed.
  if (const char* log = std::getenv("K7740_SERIAL_LOG"); log && *log) {
    TimerHost* clock = timers_;
    logPort_ = std::make_unique<HexLogPort>(*port_, log, [clock] { return clock->nowMs(); });
    port_ = logPort_.get();
  }
  prompts_ = options_.prompts;
  if (!prompts_) {
    ownPrompts_ = std::make_unique<QtUserPrompts>(this);
    prompts_ = ownPrompts_.get();
  }

  QMainWindow::setWindowTitle(QString::fromLatin1(kMainWindowTitle));
  setWindowIcon(ProgramIcon());

  doc_ = std::make_unique<CTevDoc>();
  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName(QStringLiteral("paneSplitter"));
  // The graph view is created before the tree: it is the document's first view.
  ViewOptions viewOptions;
  viewOptions.timers = options_.viewTimers;
  viewOptions.prompts = prompts_;
  viewOptions.runModal = options_.runModal;
  viewOptions.isDownloading = [this] { return link_ && link_->downloading; };
  viewOptions.redrawAllViews = [this] { redrawAllViews(); };
  viewOptions.pointerPosition = options_.pointerPosition;
  view_ = new CTevView(splitter_, *doc_, options_.settingsDir, mainSettings_, std::move(viewOptions));
  tree_ = new CInstrumentView(splitter_, *this);
  splitter_->insertWidget(0, tree_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({kTreeWidth, 1000});
  setCentralWidget(splitter_);

  link_ = std::make_unique<LoggerLink>(*port_, *timers_, *this, *doc_, view_->recording(),
                                       view_->viewSettings(), mainSettings_, flags_);
  link_->InitPort();

  setupDlg_ = new CSetupDlg(this, *link_, mainSettings_.logger, *prompts_);
  correctTimeDlg_ = new CCorrectTimeDlg(this, *link_, options_.clock);
  downloadDlg_ = new CDownloadDlg(this, *link_);
  batteryDlg_ = new CBatteryDlg(this);
  print_ = std::make_unique<PrintCommands>(this, *view_, options_.runModal, options_.clock);

  CreateActions();
  CreateMenus();
  CreateToolBar();
  statusBar()->setSizeGripEnabled(true);
  UpdateCommandEnabling();
}

CMainFrame::~CMainFrame() {
  // The port and the timers may outlive the window (tests own them): nothing may call back.
  port_->setNotifyHandler({});
  if (options_.port) options_.port->setNotifyHandler({});
  timers_->setHandler({});
  for (int id :
       {kTimerDownloadRepeat, kTimerSetupRepeat, kTimerPortScan, kTimerProbeStep, kTimerLinkCheck,
        kTimerZoomReset, kTimerHeaderTimeout, kTimerBlockRetry, kTimerTransferTimeout, kTimerBlockRequest}) {
    timers_->stop(id);
  }
  // The dialogs hold the link; they go before it does.
  delete progress_;
  delete setupDlg_;
  delete correctTimeDlg_;
  delete downloadDlg_;
  delete batteryDlg_;
  link_.reset();
}

void CMainFrame::CreateActions() {
  for (const CommandInfo& c : kCommands) {
    auto* a = new QAction(QString::fromLatin1(c.text), this);
    a->setStatusTip(QString::fromLatin1(c.prompt));
    a->setToolTip(QString::fromLatin1(c.tip));
    // The pictures belong to the toolbar; the menus show text only.
    a->setIconVisibleInMenu(false);
    actions_[c.id] = a;
  }
  for (const ToolbarButton& b : kToolbarButtons) actions_[b.id]->setIcon(ToolbarIcon(b.picture));
  actions_[kCmdAbout]->setIcon(ProgramIcon());

  connect(actions_[kCmdSave], &QAction::triggered, this, [this] { OnSave(); });
  connect(actions_[kCmdOpen], &QAction::triggered, this, &CMainFrame::OnOpen);
  connect(actions_[kCmdExit], &QAction::triggered, this, &QWidget::close);
  connect(actions_[kCmdCorrectTime], &QAction::triggered, this, &CMainFrame::OnCorrectTime);
  connect(actions_[kCmdSetup], &QAction::triggered, this, &CMainFrame::OnDataloggerSetup);
  connect(actions_[kCmdDownload], &QAction::triggered, this, &CMainFrame::OnDownloadData);
  connect(actions_[kCmdBattery], &QAction::triggered, this, &CMainFrame::OnBatteryPower);
  connect(actions_[kCmdGraph], &QAction::triggered, this, &CMainFrame::OnGraph);
  connect(actions_[kCmdList], &QAction::triggered, this, &CMainFrame::OnList);
  connect(actions_[kCmdAbout], &QAction::triggered, this, &CMainFrame::OnAbout);
  connect(actions_[kCmdHelpTopics], &QAction::triggered, this, &CMainFrame::OnHelpTopics);
  actions_[kCmdPrint]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  connect(actions_[kCmdPrintSetup], &QAction::triggered, print_.get(), &PrintCommands::OnPrintSetup);
  connect(actions_[kCmdPrintPreview], &QAction::triggered, print_.get(), &PrintCommands::OnPrintPreview);
  connect(actions_[kCmdPrint], &QAction::triggered, print_.get(), &PrintCommands::OnPrint);

  // Keyboard routes without menu entries.
  struct Accelerator {
    int id;
    QKeySequence keys;
  };
  const Accelerator accelerators[] = {
      {kCmdFileNew, QKeySequence(Qt::CTRL | Qt::Key_N)},
      {kCmdFileOpen, QKeySequence(Qt::CTRL | Qt::Key_O)},
      {kCmdFileSave, QKeySequence(Qt::CTRL | Qt::Key_S)},
      {kCmdNextPane, QKeySequence(Qt::Key_F6)},
      {kCmdPrevPane, QKeySequence(Qt::SHIFT | Qt::Key_F6)},
  };
  for (const Accelerator& acc : accelerators) {
    auto* a = new QAction(this);
    a->setShortcut(acc.keys);
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
    actions_[acc.id] = a;
  }
  connect(actions_[kCmdFileNew], &QAction::triggered, this, &CMainFrame::OnFileNew);
  connect(actions_[kCmdFileOpen], &QAction::triggered, this, &CMainFrame::OnFileOpen);
  connect(actions_[kCmdFileSave], &QAction::triggered, this, [this] { OnFileSave(); });
  connect(actions_[kCmdNextPane], &QAction::triggered, this, [this] { FocusPane(1); });
  connect(actions_[kCmdPrevPane], &QAction::triggered, this, [this] { FocusPane(-1); });
}

void CMainFrame::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File(f)"));
  file->addAction(actions_[kCmdSave]);
  file->addSeparator();
  file->addAction(actions_[kCmdOpen]);
  file->addSeparator();
  for (int id : {kCmdPrintSetup, kCmdPrintPreview, kCmdPrint}) {
    file->addAction(actions_[id]);
    file->addSeparator();
  }
  file->addAction(actions_[kCmdExit]);
  connect(file, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandEnabling);

  QMenu* instrument = menuBar()->addMenu(QStringLiteral("&Instrument(I)"));
  instrument->addAction(actions_[kCmdCorrectTime]);
  instrument->addSeparator();
  instrument->addAction(actions_[kCmdSetup]);
  instrument->addSeparator();
  instrument->addAction(actions_[kCmdDownload]);
  instrument->addSeparator();
  instrument->addAction(actions_[kCmdBattery]);

  // Between Instrument and Help; the frame owns it.
  auto* analysis = new CAnalysisMenu(menuBar(), this, *doc_, view_->recording(), *prompts_);
  analysis->graphImage = [this] { return view_->GraphImage(); };
  analysis->UpdateEnabling();

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help(H)"));
  help->addAction(actions_[kCmdAbout]);
  help->addSeparator();
  help->addAction(actions_[kCmdHelpTopics]);
}

void CMainFrame::CreateToolBar() {
  QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
  bar->setObjectName(QStringLiteral("mainToolBar"));
  bar->setIconSize(QSize(kToolbarPictureWidth, kToolbarPictureHeight));
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  bar->setMovable(true);
  bar->setFloatable(true);
  bar->setAllowedAreas(Qt::AllToolBarAreas);
  bool first = true;
  for (const ToolbarButton& b : kToolbarButtons) {
    if (!first) bar->addSeparator();
    first = false;
    bar->addAction(actions_[b.id]);
  }
}

QAction* CMainFrame::action(int commandId) const {
  auto it = actions_.find(commandId);
  return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::UpdateCommandEnabling() {
  const bool hasReadings = view_->recording().readingCount != 0;
  for (int id : {kCmdSave, kCmdGraph, kCmdList, kCmdPrintSetup, kCmdPrintPreview, kCmdPrint}) {
    actions_[id]->setEnabled(hasReadings);
  }
}

void CMainFrame::FocusPane(int step) {
  QWidget* panes[] = {tree_, view_->dataList() && view_->dataList()->isVisible()
                                 ? static_cast<QWidget*>(view_->dataList())
                                 : static_cast<QWidget*>(view_)};
  const bool inTree = tree_->hasFocus();
  const int current = inTree ? 0 : 1;
  panes[(current + step + 2) % 2]->setFocus(Qt::ShortcutFocusReason);
}

// ---- Save and Open ----

bool CMainFrame::SaveFiles() {
  saveFailed_ = false;
  std::string chosen;
  SavePaths paths;
  // The names written are cut at the last point, so they may be files the dialog never asked
  // about: those are asked about here, and No goes back to the dialog.
  for (;;) {
    chosen = prompts_->ChooseSavePath(ProposedSaveName(options_.clock()));
    if (chosen.empty()) return false;
    paths = SavePathsFor(chosen);
    const std::string question = ReplaceQuestion(
        chosen, paths, [](const std::string& p) { return QFileInfo::exists(QFile::decodeName(p.c_str())); });
    if (question.empty() || prompts_->AskYesNo(question, BoxIcon::Exclamation)) break;
  }
  std::string error;
  bool ok = false;
  bool changed = false;
  {
    WaitCursor wait;
    // Both files as one unit: a failure puts every earlier file back.
    ok = SaveRecordingFiles(paths, *doc_, view_->recording(), error, &changed);
  }
  if (!ok) {
    saveFailed_ = true;
    prompts_->ShowMessage(SaveFailureText(error, changed), BoxIcon::Exclamation);
    return false;
  }
  AfterSuccessfulSave(flags_);
  return true;
}

bool CMainFrame::OnSave() {
  try {
    return SaveFiles();
  } catch (const std::exception& e) {
    saveFailed_ = true;
    prompts_->ShowMessage(SaveFailureText(e.what()), BoxIcon::Exclamation);
  }
  return false;
}

void CMainFrame::RecordingLoaded() {
  view_->FillDataList();
  redrawAllViews();
}

void CMainFrame::OnOpen() {
  try {
    if (OpenPromptDue(flags_, view_->recording())) {
      // A Save that failed (not one cancelled) keeps the download: nothing is opened.
      if (prompts_->AskYesNo(kSaveBeforeContinuing, BoxIcon::Exclamation) && !OnSave() && saveFailed_) return;
      AfterOpenPrompt(flags_);
    }
    const std::string path = prompts_->ChooseOpenPath();
    if (path.empty()) return;
    std::vector<uint8_t> bytes;
    std::string error;
    RecordReadStatus status = RecordReadStatus::InvalidFormat;
    bool read = false;
    {
      WaitCursor wait;
      read = ReadWholeFile(path, bytes, error);
      if (read) status = ReadRecordBytes(bytes.data(), bytes.size(), *doc_, view_->recording());
    }
    if (!read) {
      prompts_->ShowMessage(error, BoxIcon::Exclamation);
      return;
    }
    if (status == RecordReadStatus::Ok) {
      RecordingLoaded();
    } else {
      prompts_->ShowMessage(kInvalidFormat, BoxIcon::Exclamation);
    }
    // The new recording is shown unzoomed.
    timers_->start(kTimerZoomReset, kZoomResetMs);
  } catch (const std::exception& e) {
    prompts_->ShowMessage(e.what(), BoxIcon::Exclamation);
  }
}

bool CMainFrame::OpenDocumentFile(const std::string& path) {
  try {
    std::vector<uint8_t> bytes;
    std::string error;
    RecordReadStatus status = RecordReadStatus::Ok;
    bool read = false;
    {
      WaitCursor wait;
      read = ReadWholeFile(path, bytes, error);
      // An empty file is opened without reading anything: the recording stays as it was.
      if (read && !bytes.empty())
        status = ReadRecordBytes(bytes.data(), bytes.size(), *doc_, view_->recording());
    }
    if (!read) {
      prompts_->ShowMessage(error, BoxIcon::Exclamation);
      return false;
    }
    if (status == RecordReadStatus::Truncated) {
      prompts_->ShowMessage(kUnexpectedFileFormat, BoxIcon::Exclamation);
      return false;
    }
    if (status == RecordReadStatus::InvalidFormat) {
      prompts_->ShowMessage(kInvalidFormat, BoxIcon::Exclamation);
      return false;
    }
    documentPath_ = path;
    tree_->RebuildTree();
    if (!bytes.empty()) RecordingLoaded();
    return true;
  } catch (const std::exception& e) {
    prompts_->ShowMessage(e.what(), BoxIcon::Exclamation);
  }
  return false;
}

void CMainFrame::OnFileOpen() {
  const std::string path = prompts_->ChooseDocumentOpenPath();
  if (!path.empty()) OpenDocumentFile(path);
}

bool CMainFrame::OnFileSave() {
  try {
    std::string path = documentPath_;
    if (path.empty()) {
      path = prompts_->ChooseDocumentSavePath(kUntitledName);
      if (path.empty()) return false;
    }
    std::string error;
    bool ok = false;
    {
      WaitCursor wait;
      const std::vector<uint8_t> bytes = WriteRecordBytes(*doc_, view_->recording());
      ok = WriteFileAtomically(path, bytes.data(), bytes.size(), error);
    }
    if (!ok) {
      prompts_->ShowMessage(SaveFailureText(error), BoxIcon::Exclamation);
      return false;
    }
    documentPath_ = path;
    return true;
  } catch (const std::exception& e) {
    saveFailed_ = true;
    prompts_->ShowMessage(SaveFailureText(e.what()), BoxIcon::Exclamation);
  }
  return false;
}

// A new document keeps the recording; only the document's file is forgotten.
void CMainFrame::OnFileNew() {
  documentPath_.clear();
  tree_->RebuildTree();
  redrawAllViews();
}

// ---- Other commands ----

void CMainFrame::OnGraph() { view_->SetDisplayMode(1); }

void CMainFrame::OnList() { view_->SetDisplayMode(2); }

void CMainFrame::OnAbout() {
  QDialog about(this);
  about.setObjectName(QStringLiteral("aboutBox"));
  about.setWindowTitle(QString::fromLatin1(kMainWindowTitle));
  auto* icon = new QLabel(&about);
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  auto* line = new QLabel(QString::fromLatin1(kAboutLine), &about);
  line->setObjectName(QStringLiteral("aboutLine"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
  connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addSpacing(12);
  row->addWidget(line, 1);
  auto* layout = new QVBoxLayout(&about);
  layout->addLayout(row);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  options_.runModal(about);
}

void CMainFrame::OnHelpTopics() {
  // help.chm where it can be shown, else the HTML manual in the user's browser.
  const QStringList files = HelpTopicsFiles(options_.programDir, options_.hasViewer);
  for (const QString& file : files) {
    if (options_.openUrl(QUrl::fromLocalFile(file))) return;
  }
  const QString text =
      files.isEmpty()
          ? ManualNotFoundText(options_.programDir)
          : QStringLiteral("No program could be started to show the user manual:\n") + files.last();
  prompts_->ShowMessage(text.toStdString(), BoxIcon::Exclamation);
}

// ---- Device windows ----

CDeviceDialog* CMainFrame::deviceDialog(DeviceWindow window) const {
  switch (window) {
    case DeviceWindow::Setup:
      return setupDlg_;
    case DeviceWindow::CorrectTime:
      return correctTimeDlg_;
    case DeviceWindow::Download:
      return downloadDlg_;
    case DeviceWindow::Battery:
      return batteryDlg_;
  }
  return nullptr;
}

void CMainFrame::RunDeviceWindow(DeviceWindow window) {
  if (!link_->OpenDeviceWindow(window)) return;
  CDeviceDialog* dialog = deviceDialog(window);
  dialog->Prepare();
  link_->WindowStarted(window);
  const int result = options_.runModal(*dialog);
  // Closing the battery window leaves the timers to stop themselves at their next tick.
  if (window != DeviceWindow::Battery) link_->stopLinkTimers();
  if (result != QDialog::Accepted) return;
  if (window == DeviceWindow::Setup) AfterSetupSent(flags_);
  if (window == DeviceWindow::Download) flags_.downloadUnsaved = 1;
}

void CMainFrame::OnCorrectTime() { RunDeviceWindow(DeviceWindow::CorrectTime); }

void CMainFrame::OnDataloggerSetup() { RunDeviceWindow(DeviceWindow::Setup); }

void CMainFrame::OnDownloadData() {
  if (progressWindowExists()) return;
  if (DownloadPromptDue(flags_, view_->recording())) {
    // A Save that failed (not one cancelled) keeps the download: no new download replaces it.
    if (prompts_->AskYesNo(kSaveBeforeContinuing, BoxIcon::Question) && !OnSave() && saveFailed_) return;
    AfterDownloadPrompt(flags_);
  }
  RunDeviceWindow(DeviceWindow::Download);
}

void CMainFrame::OnBatteryPower() { RunDeviceWindow(DeviceWindow::Battery); }

// ---- LinkWindows ----

bool CMainFrame::isWindowOpen(DeviceWindow window) const {
  const CDeviceDialog* dialog = deviceDialog(window);
  return dialog && dialog->isVisible();
}

void CMainFrame::setWindowTitle(DeviceWindow window, const std::string& title) {
  deviceDialog(window)->SetConnectionTitle(QString::fromStdString(title));
}

void CMainFrame::setActionEnabled(DeviceWindow window, bool enabled) {
  deviceDialog(window)->SetActionEnabled(enabled);
}

void CMainFrame::setPortStatus(DeviceWindow window, const std::string& status) {
  deviceDialog(window)->SetPortStatus(QString::fromStdString(status));
}

void CMainFrame::showBatteryPicture(int picture) { batteryDlg_->ShowPicture(picture); }

void CMainFrame::setBatteryText(const std::string& text) {
  batteryDlg_->SetLevelText(QString::fromStdString(text));
}

void CMainFrame::showMessage(const std::string& text, MessageIcon icon) {
  prompts_->ShowMessage(text, ToBoxIcon(icon));
}

void CMainFrame::createProgressWindow(int maximum, int position) {
  if (!progress_) progress_ = new CProgressWindow(this);
  progress_->SetRange(maximum);
  progress_->SetPosition(position);
  progress_->show();
  // Centred over the graph view, its top three window heights below the view's top. Placed once
  // shown, when its size is final.
  const QPoint viewTop = view_->mapToGlobal(QPoint(0, 0));
  const QSize size = progress_->frameGeometry().size();
  progress_->move(viewTop.x() + (view_->width() - size.width()) / 2, viewTop.y() + 3 * size.height());
}

void CMainFrame::setProgressPosition(int position) {
  if (progress_) progress_->SetPosition(position);
}

void CMainFrame::destroyProgressWindow() {
  delete progress_;
  progress_ = nullptr;
}

void CMainFrame::recordingReplaced() {
  view_->FillDataList();
  view_->ShowPanelTexts();
  redrawAllViews();
}

// Every completed download goes to the archive at once, so that a "No" at the close question,
// a crash or a power cut loses nothing. A failure there never stops the download.
void CMainFrame::downloadFinished(DownloadOutcome outcome) {
  if (outcome != DownloadOutcome::Completed) return;
  const std::string folder = options_.archiveDir.empty() ? DownloadArchiveDirectory() : options_.archiveDir;
  std::string path;
  std::string error;
  try {
    if (!ArchiveDownload(folder, options_.clock(), *doc_, view_->recording(), path, error)) {
      std::fprintf(stderr, "k7740: the download was not kept in the archive: %s\n", error.c_str());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "k7740: the download was not kept in the archive: %s\n", e.what());
  }
}

void CMainFrame::redrawAllViews() {
  view_->Redraw();
  tree_->viewport()->update();
  UpdateCommandEnabling();
}

void CMainFrame::undoZoom() { view_->UndoZoom(); }

// ---- Close ----

void CMainFrame::closeEvent(QCloseEvent* event) {
  try {
    // Settings first, whatever the answer to the question below.
    SettingsStore store(options_.settingsDir);
    if (!WriteAllSettings(store, mainSettings_, view_->viewSettings(), view_->recording().isFahrenheit)) {
      std::fprintf(stderr, "k7740: the settings were not saved to %s: %s\n", store.Path().c_str(),
                   store.LastError().c_str());
    }
    if (ClosePromptDue(flags_, view_->recording())) {
      if (prompts_->AskYesNo(kSaveBeforeClosing, BoxIcon::Question)) {
        // A cancelled save dialog lets the window close; a Save that failed must not lose the
        // download, so the window stays open and the question comes again at the next close.
        if (!OnSave() && saveFailed_) {
          event->ignore();
          return;
        }
        AfterClosePromptYes(flags_);
      }
    }
    // While the preview is shown, closing ends the preview only.
    if (print_->ClosePreview()) {
      event->ignore();
      return;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "k7740: %s\n", e.what());
  }
  event->accept();
}

}  // namespace k7740
