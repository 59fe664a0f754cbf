#include "shell/qt/instrument_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>

#include "shell/qt/app_icons.h"
#include "shell/qt/main_frame.h"

namespace k7740 {

CInstrumentView::CInstrumentView(QWidget* parent, CMainFrame& frame) : QTreeWidget(parent), frame_(frame) {
  setObjectName(QStringLiteral("instrumentView"));
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setIconSize(QSize(32, 32));
  // The item's text must fit beside its icon in the 130-pixel pane.
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(12);
  setFont(font);
  setTextElideMode(Qt::ElideNone);
  setFrameShape(QFrame::Box);
  runMenu_ = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };
  RebuildTree();
}

void CInstrumentView::RebuildTree() {
  clear();
  auto* item = new QTreeWidgetItem(this, QStringList{QString::fromLatin1(kInstrumentItemText)});
  item->setIcon(0, ProgramIcon());
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
}

void CInstrumentView::contextMenuEvent(QContextMenuEvent* event) {
  // Only a click on the item offers the menu; empty space offers nothing.
  QTreeWidgetItem* item = itemAt(event->pos());
  event->accept();
  if (!item) return;
  setCurrentItem(item);

  QMenu menu(this);
  QAction* correctTime = menu.addAction(QStringLiteral("&Correct Time"));
  menu.addSeparator();
  QAction* setup = menu.addAction(QStringLiteral("Datalogger Setup"));
  menu.addSeparator();
  QAction* download = menu.addAction(QStringLiteral("&Download Data"));
  menu.addSeparator();
  QAction* battery = menu.addAction(QStringLiteral("&Battery Power"));
  QAction* chosen = runMenu_(menu, event->globalPos());
  // Each entry runs the main window's own handler, so the tree behaves exactly like the menu.
  if (chosen == correctTime) {
    frame_.OnCorrectTime();
  } else if (chosen == setup) {
    frame_.OnDataloggerSetup();
  } else if (chosen == download) {
    frame_.OnDownloadData();
  } else if (chosen == battery) {
    frame_.OnBatteryPower();
  }
}

}  // namespace k7740
