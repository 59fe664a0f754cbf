// The left pane: one "-INSTRUMENT" item whose context menu offers the four logger commands.
#pragma once

#include <QMenu>
#include <QTreeWidget>
#include <functional>

namespace k7740 {

class CMainFrame;

inline constexpr const char* kInstrumentItemText = "-INSTRUMENT";

class CInstrumentView : public QTreeWidget {
  Q_OBJECT
 public:
  CInstrumentView(QWidget* parent, CMainFrame& frame);

  // Deletes every item and inserts the one instrument item again.
  void RebuildTree();

  // Shows the context menu at a screen position and returns the chosen entry (QMenu::exec by
  // default; tests replace it).
  using MenuRunner = std::function<QAction*(QMenu&, const QPoint&)>;
  void setMenuRunner(MenuRunner runner) { runMenu_ = std::move(runner); }

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  CMainFrame& frame_;
  MenuRunner runMenu_;
};

}  // namespace k7740
