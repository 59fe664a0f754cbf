// The real message boxes and file dialogs, found on the screen and answered as a user would:
// captions, icons, widths, filters, the default suffix and the names they give back; the
// "Logging..." window and the greyed toolbar pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "device/qt/device_dialogs.h"
#include "link/progress_text.h"
#include "shell/qt/app_icons.h"
#include "shell/qt/qt_user_prompts.h"
#include "ui_test_support.h"

namespace k7740 {
namespace {

using test::App;

// Runs act on the modal window that opens next, once it is shown.
void WhenShown(std::function<void(QWidget*)> act) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    act(w);
  });
  poll->start();
}

struct BoxSeen {
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int width = 0;
  int textLines = 0;
};

BoxSeen ShowAndRead(QtUserPrompts& prompts, const std::string& text, BoxIcon icon) {
  BoxSeen seen;
  WhenShown([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    seen.caption = box->windowTitle();
    seen.icon = box->icon();
    seen.width = box->width();
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    seen.textLines = label->height() / label->fontMetrics().lineSpacing();
    box->button(QMessageBox::Ok)->click();
  });
  prompts.ShowMessage(text, icon);
  return seen;
}

TEST(MessageBoxes, CaptionIconAndWidth) {
  App();
  QWidget parent;
  QtUserPrompts prompts(&parent);
  struct Case {
    const char* text;
    BoxIcon icon;
    QMessageBox::Icon shown;
    int lines;
  };
  const Case cases[] = {
      {"Invalid Format!", BoxIcon::None, QMessageBox::Warning, 1},
      {"There is no data in DATALOGGER!", BoxIcon::Information, QMessageBox::Information, 1},
      // The setup acknowledgement: two long lines, each kept whole.
      {"To start logging,you must press the button once in housing of DATA LOGGER.\n"
       "If the DATA LOGGER is full,it will continue logging to cover the earlier data.",
       BoxIcon::Information, QMessageBox::Information, 2},
  };
  for (const Case& c : cases) {
    const BoxSeen seen = ShowAndRead(prompts, c.text, c.icon);
    EXPECT_EQ(seen.caption, "Datalogger") << c.text;
    EXPECT_EQ(seen.icon, c.shown) << c.text;
    EXPECT_GE(seen.width, kMinimumBoxWidth) << c.text;
    EXPECT_EQ(seen.textLines, c.lines) << c.text;
  }
}

TEST(MessageBoxes, YesAndNoAnswer) {
  App();
  QWidget parent;
  QtUserPrompts prompts(&parent);
  for (const bool yes : {true, false}) {
    WhenShown([yes](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      EXPECT_EQ(box->icon(), QMessageBox::Question);
      box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    EXPECT_EQ(prompts.AskYesNo("Do you want to save the data before closing?", BoxIcon::Question), yes);
  }
}

// Types name into the file dialog that opens and accepts it; records what the dialog showed.
struct DialogSeen {
  QStringList filters;
  QString suffix;
  QString proposed;
  QSize size;
};

std::string TypeIntoFileDialog(const std::function<std::string()>& open, const QString& name,
                               DialogSeen& seen, const std::function<void(QFileDialog*)>& before = {}) {
  WhenShown([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    seen.filters = dialog->nameFilters();
    seen.suffix = dialog->defaultSuffix();
    seen.size = dialog->size();
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    seen.proposed = edit->text();
    if (before) before(dialog);
    if (!name.isNull()) edit->setText(name);
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
  });
  return open();
}

TEST(FileDialogs, SaveAndOpenNamesAsTheyComeOut) {
  App();
  QTemporaryDir dir;
  QWidget parent;
  QtUserPrompts prompts(&parent);
  // The first dialog opens in the documents folder; point the later ones at the test's folder.
  DialogSeen seen;
  TypeIntoFileDialog([&] { return prompts.ChooseSavePath("26-12-11  13.11.05"); }, dir.filePath("first"),
                     seen);
  EXPECT_EQ(seen.filters, QStringList{"DataLogger Files (*.record *.xls)"});
  EXPECT_EQ(seen.suffix, "record");
  EXPECT_EQ(seen.proposed, "26-12-11  13.11.05");
  // Large enough for every column of the detail view.
  EXPECT_GE(seen.size.width(), kFileDialogWidth);
  EXPECT_GE(seen.size.height(), kFileDialogHeight);

  struct Case {
    QString typed;
    QString comesOut;
  };
  const Case cases[] = {
      {"data", "data.record"},
      {"data.xls", "data.xls"},
      {QString(), "26-12-11  13.11.05"},  // the proposed name accepted as it stands
  };
  for (const Case& c : cases) {
    const std::string got =
        TypeIntoFileDialog([&] { return prompts.ChooseSavePath("26-12-11  13.11.05"); }, c.typed, seen);
    EXPECT_EQ(QString::fromStdString(got), dir.filePath(c.comesOut)) << c.typed.toStdString();
  }

  // The size the user gives a dialog is the next one's.
  TypeIntoFileDialog([&] { return prompts.ChooseSavePath("x"); }, "sized", seen,
                     [](QFileDialog* d) { d->resize(1100, 700); });
  TypeIntoFileDialog([&] { return prompts.ChooseSavePath("x"); }, "again", seen);
  EXPECT_EQ(seen.size, QSize(1100, 700));

  test::WriteBytes(dir.filePath("kept.record").toStdString(), {1, 2, 3});
  const std::string opened =
      TypeIntoFileDialog([&] { return prompts.ChooseOpenPath(); }, "kept.record", seen);
  EXPECT_EQ(seen.filters, QStringList{"DataLogger Files (*.record)"});
  EXPECT_EQ(QString::fromStdString(opened), dir.filePath("kept.record"));
}

TEST(ProgressWindow, TitleOnlyAndTheBlocksWithTheTimeLeft) {
  App();
  QWidget parent;
  CProgressWindow window(&parent);
  EXPECT_EQ(window.windowTitle(), "Logging...");
  // No frame of the window manager's, so no close, minimise or maximise button; its own title.
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::FramelessWindowHint);
  auto* caption = window.findChild<QLabel*>(QStringLiteral("caption"));
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->text(), "Logging...");
  window.SetRange(101);
  window.SetPosition(1);
  EXPECT_EQ(window.Text(), "Block 1 of 101, about 71 s left");
  window.SetPosition(101);
  EXPECT_EQ(window.Text(), "Block 101 of 101");
  window.show();
  const QFontMetrics fm(window.font());
  EXPECT_GE(window.width(), fm.horizontalAdvance("Block 100 of 101, about 1 s left"));
}

TEST(ToolbarPictures, DisabledOnesAreGreyAndFaint) {
  App();
  const QIcon icon = ToolbarIcon(ToolbarPicture::List);
  const QImage normal = icon.pixmap(QSize(27, 20), 1.0, QIcon::Normal).toImage();
  const QImage disabled = icon.pixmap(QSize(27, 20), 1.0, QIcon::Disabled).toImage();
  ASSERT_EQ(normal.size(), disabled.size());
  int coloured = 0, strong = 0;
  for (int y = 0; y < disabled.height(); ++y) {
    for (int x = 0; x < disabled.width(); ++x) {
      const QRgb p = disabled.pixel(x, y);
      coloured += qRed(p) != qGreen(p) || qGreen(p) != qBlue(p);
      strong += qAlpha(p) > 110;
    }
  }
  EXPECT_EQ(coloured, 0);
  EXPECT_EQ(strong, 0);
  EXPECT_NE(normal, disabled);
}

}  // namespace
}  // namespace k7740
