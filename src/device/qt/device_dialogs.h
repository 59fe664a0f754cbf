// The four device windows and the "Logging..." progress window. The main window owns one of
// each (created once with it), opens them modally and relays the link's reports to them.
#pragma once

#include <QDialog>
#include <QString>
#include <ctime>
#include <functional>

#include "device/logger_settings.h"

namespace k7740 {

class LoggerLink;
class UserPrompts;

// Common to the windows whose title and action button follow the link.
class CDeviceDialog : public QDialog {
  Q_OBJECT
 public:
  using QDialog::QDialog;
  // "Connected" / "Not Connected" in the title.
  void SetConnectionTitle(const QString& title) { setWindowTitle(title); }
  // The action button ("Setup", "OK", "Download"); the battery window has none.
  virtual void SetActionEnabled(bool enabled) = 0;
  virtual bool ActionEnabled() const = 0;
  // A sentence under the controls about why the port failed (e.g. the dialout group); empty hides it.
  virtual void SetPortStatus(const QString& status) = 0;
  virtual QString PortStatus() const = 0;
  // Resets the window to its template (title, disabled button, fields) before each opening.
  virtual void Prepare() = 0;
};

// "Datalogger Setup". Works on a copy of the main window's LoggerSettings taken in Prepare();
// "Setup" validates, copies back, sends through the link and closes with Accepted.
class CSetupDlg : public CDeviceDialog {
  Q_OBJECT
 public:
  CSetupDlg(QWidget* parent, LoggerLink& link, LoggerSettings& settings, UserPrompts& prompts);
  ~CSetupDlg() override;
  void SetActionEnabled(bool enabled) override;
  bool ActionEnabled() const override;
  void SetPortStatus(const QString& status) override;
  QString PortStatus() const override;
  void Prepare() override;

 private:
  struct Ui;
  Ui* ui_;
};

// "Correct Time": six read-only fields refreshed every second from one clock reading; OK sends them.
class CCorrectTimeDlg : public CDeviceDialog {
  Q_OBJECT
 public:
  // clock: the PC's time (tests pass their own).
  CCorrectTimeDlg(QWidget* parent, LoggerLink& link, std::function<std::time_t()> clock = {});
  ~CCorrectTimeDlg() override;
  void SetActionEnabled(bool enabled) override;
  bool ActionEnabled() const override;
  void SetPortStatus(const QString& status) override;
  QString PortStatus() const override;
  void Prepare() override;
  // One refresh of the six fields from one reading of the clock (the 1 s timer calls it).
  void Refresh();

 private:
  struct Ui;
  Ui* ui_;
};

// "Download": the "Download" button starts the download and closes the window with Accepted.
class CDownloadDlg : public CDeviceDialog {
  Q_OBJECT
 public:
  CDownloadDlg(QWidget* parent, LoggerLink& link);
  ~CDownloadDlg() override;
  void SetActionEnabled(bool enabled) override;
  bool ActionEnabled() const override;
  void SetPortStatus(const QString& status) override;
  QString PortStatus() const override;
  void Prepare() override;

 private:
  struct Ui;
  Ui* ui_;
};

// "Battery Power": four pictures (0 empty .. 3 three segments), exactly one shown, and the level text.
class CBatteryDlg : public CDeviceDialog {
  Q_OBJECT
 public:
  explicit CBatteryDlg(QWidget* parent);
  ~CBatteryDlg() override;
  void SetActionEnabled(bool) override {}
  bool ActionEnabled() const override { return false; }
  void SetPortStatus(const QString& status) override;
  QString PortStatus() const override;
  void Prepare() override;
  void ShowPicture(int picture);
  int Picture() const;
  void SetLevelText(const QString& text);
  QString LevelText() const;

 private:
  struct Ui;
  Ui* ui_;
};

// "Logging...": modeless, no close box, one progress bar.
class CProgressWindow : public QDialog {
  Q_OBJECT
 public:
  explicit CProgressWindow(QWidget* parent);
  ~CProgressWindow() override;
  void SetRange(int maximum);
  void SetPosition(int position);
  int Position() const;
  int Maximum() const;
  // The bar's text: the blocks received of the total and the time left.
  QString Text() const;

 private:
  void ShowText();
  struct Ui;
  Ui* ui_;
};

}  // namespace k7740
