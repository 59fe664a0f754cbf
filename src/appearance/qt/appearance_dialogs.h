// The graph's three appearance dialogs. Each works on what it shows and writes back only on
// OK; the settings file gets the values when the program closes.
#pragma once

#include <QDialog>
#include <functional>

namespace k7740 {

struct MainSettings;
struct ViewSettings;
class UserPrompts;
class CColorComboBox;

// "Color Setup": created once with the graph view. Every opening fills the four lists from the
// main window's indices; OK stores the four selections and asks for a redraw of all views.
class CColorSetupDlg : public QDialog {
  Q_OBJECT
 public:
  CColorSetupDlg(QWidget* parent, MainSettings& settings, std::function<void()> redrawAllViews);
  ~CColorSetupDlg() override;

  // Takes the current indices into the lists; showing the dialog does it too.
  void Open();
  CColorComboBox* BackgroundList() const;
  CColorComboBox* TempList() const;
  CColorComboBox* RhList() const;
  CColorComboBox* GridList() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Ui;
  Ui* ui_;
};

// "View ": created for each use; OK stores the nine check boxes into the view's flags. It asks
// for no redraw: the view redraws when it gets the focus back.
class CViewDlg : public QDialog {
  Q_OBJECT
 public:
  CViewDlg(QWidget* parent, ViewSettings& view);
  ~CViewDlg() override;

 private:
  struct Ui;
  Ui* ui_;
};

// "Y Axis Setup": created for each use. The four edits are normalised on every change; OK
// refuses a range whose start is not below its end and otherwise stores the four values, asks
// for a redraw and closes (the caller then undoes the zoom).
class CYAxisSetupDlg : public QDialog {
  Q_OBJECT
 public:
  CYAxisSetupDlg(QWidget* parent, ViewSettings& view, UserPrompts& prompts,
                 std::function<void()> redrawAllViews);
  ~CYAxisSetupDlg() override;

 private:
  struct Ui;
  Ui* ui_;
};

}  // namespace k7740
