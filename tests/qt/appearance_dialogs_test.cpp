#include "appearance/qt/appearance_dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "appearance/color_table.h"
#include "appearance/qt/color_combo_box.h"
#include "device/qt/numeric_edit.h"
#include "settings/settings_table.h"
#include "ui_test_support.h"

// Readable failures for texts and colours.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QColor& c, std::ostream* os) { *os << c.name(QColor::HexArgb).toStdString(); }

namespace k7740 {
namespace {

void Key(QWidget* w, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
}

void Type(QLineEdit* e, const QString& text) {
  for (const QChar c : text) Key(e, c.toUpper().unicode(), QString(c));
}

// Select everything, then type over it; an empty text clears the field with Backspace.
void Retype(QLineEdit* e, const QString& text) {
  e->selectAll();
  if (text.isEmpty()) {
    Key(e, Qt::Key_Backspace);
  } else {
    Type(e, text);
  }
}

QPushButton* Button(QWidget* root, const char* text) {
  for (QPushButton* b : root->findChildren<QPushButton*>()) {
    if (b->text() == QString::fromLatin1(text)) return b;
  }
  ADD_FAILURE() << "no button " << text;
  return nullptr;
}

QStringList GroupTitles(QWidget* root) {
  QStringList titles;
  for (QGroupBox* g : root->findChildren<QGroupBox*>()) titles << g->title();
  return titles;
}

QColor Rgb(int index) {
  const ColorRgb c = ColorTableRgb(index);
  return QColor(c.r, c.g, c.b);
}

class AppearanceDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override { test::App(); }
  test::FakePrompts prompts;
  int redraws = 0;
};

// ---- Color Setup ----

std::vector<int> Selections(const CColorSetupDlg& d) {
  return {d.BackgroundList()->currentIndex(), d.TempList()->currentIndex(), d.RhList()->currentIndex(),
          d.GridList()->currentIndex()};
}

std::vector<int> Indices(const MainSettings& s) {
  return {s.backgroundColorIndex, s.tempColorIndex, s.rhColorIndex, s.gridColorIndex};
}

TEST_F(AppearanceDialogsTest, ColorSetupOpensOnTheMainWindowsColoursAndOnlyOkWritesThem) {
  MainSettings settings;  // a fresh installation
  CColorSetupDlg dlg(nullptr, settings, [this] { ++redraws; });
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Color Setup"));
  EXPECT_EQ(GroupTitles(&dlg), QStringList{QStringLiteral("Color Setup")});
  QStringList labels;
  for (QLabel* l : dlg.findChildren<QLabel*>()) labels << l->text();
  EXPECT_EQ(labels, (QStringList{"Background:", "Temp:", "RH:", "Grid:"}));

  dlg.show();
  // Black, Red, Yellow, Blue; every list holds the table in table order.
  EXPECT_EQ(Selections(dlg), (std::vector<int>{13, 0, 3, 2}));
  for (CColorComboBox* list : {dlg.BackgroundList(), dlg.TempList(), dlg.RhList(), dlg.GridList()}) {
    ASSERT_EQ(list->count(), kColorCount);
    for (int i = 0; i < kColorCount; ++i) EXPECT_EQ(list->ColorAt(i), Rgb(i)) << i;
    EXPECT_FALSE(list->isEditable());
    EXPECT_TRUE(list->itemText(0).isEmpty());
  }

  // White chosen, then Cancel: nothing changes and nothing is redrawn.
  dlg.BackgroundList()->setCurrentIndex(12);
  Button(&dlg, "Cancel")->click();
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(Indices(settings), (std::vector<int>{13, 0, 3, 2}));
  EXPECT_EQ(redraws, 0);

  // The next opening starts again from the main window, without doubling the lists.
  dlg.show();
  EXPECT_EQ(Selections(dlg), (std::vector<int>{13, 0, 3, 2}));
  EXPECT_EQ(dlg.BackgroundList()->count(), kColorCount);
  dlg.BackgroundList()->setCurrentIndex(12);
  dlg.TempList()->setCurrentIndex(5);
  dlg.RhList()->setCurrentIndex(9);
  dlg.GridList()->setCurrentIndex(13);
  Button(&dlg, "OK")->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(Indices(settings), (std::vector<int>{12, 5, 9, 13}));
  EXPECT_EQ(redraws, 1);
}

TEST_F(AppearanceDialogsTest, ColorSetupKeepsAnIndexOutsideTheTable) {
  MainSettings settings;
  settings.backgroundColorIndex = 44;  // from a hand-edited settings file
  CColorSetupDlg dlg(nullptr, settings, [this] { ++redraws; });
  dlg.show();
  EXPECT_EQ(dlg.BackgroundList()->currentIndex(), -1);
  dlg.TempList()->setCurrentIndex(1);
  Button(&dlg, "OK")->click();
  EXPECT_EQ(Indices(settings), (std::vector<int>{44, 1, 3, 2}));
  EXPECT_EQ(redraws, 1);
}

TEST_F(AppearanceDialogsTest, AddColorRefusesADuplicateColourValue) {
  CColorComboBox list;
  EXPECT_EQ(list.AddColor(QColor(1, 2, 3), QStringLiteral("a")), 0);
  EXPECT_EQ(list.AddColor(QColor(4, 5, 6), QStringLiteral("b")), 1);
  EXPECT_EQ(list.AddColor(QColor(1, 2, 3), QStringLiteral("other name")), -1);
  EXPECT_EQ(list.count(), 2);
  // The table's Red is already there: it is skipped, so it keeps position 0 and the rest follow.
  CColorComboBox table;
  EXPECT_EQ(table.AddColor(Rgb(0), QStringLiteral("Red")), 0);
  table.FillColors(3);
  EXPECT_EQ(table.count(), kColorCount);
  EXPECT_EQ(table.currentIndex(), 3);
  EXPECT_EQ(table.ColorAt(3), Rgb(3));
}

// One item drawn by the list's own delegate into an image that starts out transparent.
QImage DrawnItem(CColorComboBox& list, int row, QStyle::State state, const QRect& rect) {
  QImage image(200, 40, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  QStyleOptionViewItem option;
  option.initFrom(list.view());
  option.rect = rect;
  option.state = state;
  option.widget = list.view();
  list.view()->itemDelegate()->paint(&painter, option, list.model()->index(row, 0));
  painter.end();
  return image;
}

TEST_F(AppearanceDialogsTest, AnItemDrawsOnlyItsOutlinedSwatch) {
  CColorComboBox list;
  list.FillColors(0);
  const QRect item(10, 5, 120, 20);  // left 10, top 5, last row 24
  const int l = item.left(), t = item.top(), lastRow = item.bottom();
  const QPalette pal = list.view()->palette();

  const QImage plain = DrawnItem(list, 3, QStyle::State_Enabled, item);  // Yellow
  const auto at = [](const QImage& img, int x, int y) { return QColor(img.pixel(x, y)); };
  const QColor black(0, 0, 0), yellow = Rgb(3);
  // Outline on the box's edges, one pixel inside the item.
  for (const QPoint p : {QPoint(l + 1, t + 1), QPoint(l + 50, t + 1), QPoint(l + 1, lastRow - 1),
                         QPoint(l + 50, lastRow - 1), QPoint(l + 25, t + 1), QPoint(l + 1, t + 10)}) {
    EXPECT_EQ(at(plain, p.x(), p.y()), black) << p.x() << "," << p.y();
  }
  EXPECT_EQ(at(plain, l + 2, t + 2), yellow);
  EXPECT_EQ(at(plain, l + 25, t + 10), yellow);
  EXPECT_EQ(at(plain, l + 49, lastRow - 2), yellow);
  // The margin and everything right of the box are the list's background; no text.
  for (int x = l + 51; x <= item.right(); ++x) {
    for (int y = t; y <= lastRow; ++y) ASSERT_EQ(at(plain, x, y), pal.color(QPalette::Base)) << x << "," << y;
  }
  EXPECT_EQ(at(plain, l, t + 10), pal.color(QPalette::Base));
  EXPECT_EQ(at(plain, l + 25, lastRow), pal.color(QPalette::Base));
  // Nothing outside the item's rectangle.
  EXPECT_EQ(plain.pixel(item.right() + 1, t + 10), 0u);
  EXPECT_EQ(plain.pixel(l + 25, lastRow + 1), 0u);
  EXPECT_EQ(plain.pixel(l - 1, t + 10), 0u);

  // The focused item: highlight behind, same swatch.
  const QImage focused = DrawnItem(list, 3, QStyle::State_Enabled | QStyle::State_Selected, item);
  // The style's focus rectangle may tint the inside by a shade.
  const QColor behind = at(focused, l + 90, t + 10), highlight = pal.color(QPalette::Highlight);
  EXPECT_LE(std::abs(behind.red() - highlight.red()) + std::abs(behind.green() - highlight.green()) +
                std::abs(behind.blue() - highlight.blue()),
            3)
      << behind.name().toStdString() << " for " << highlight.name().toStdString();
  EXPECT_EQ(at(focused, l + 25, t + 10), yellow);
  EXPECT_EQ(at(focused, l + 50, t + 10), black);

  // Disabled: the swatch is grey whatever the colour.
  const QImage disabled = DrawnItem(list, 3, QStyle::State_None, item);
  EXPECT_EQ(at(disabled, l + 25, t + 10), pal.color(QPalette::Disabled, QPalette::WindowText));
  EXPECT_NE(at(disabled, l + 25, t + 10), yellow);
  EXPECT_EQ(at(disabled, l + 1, t + 10), black);
}

TEST_F(AppearanceDialogsTest, TheClosedListShowsTheSelectedSwatch) {
  CColorComboBox list;
  list.FillColors(4);  // Magenta
  list.resize(140, 26);
  const auto shows = [&list](const QColor& c) {
    const QImage img = list.grab().toImage();
    for (int y = 0; y < img.height(); ++y) {
      for (int x = 0; x < img.width(); ++x) {
        if (QColor(img.pixel(x, y)) == c) return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(shows(Rgb(4)));
  EXPECT_FALSE(shows(Rgb(5)));
  list.setCurrentIndex(5);  // Cyan
  EXPECT_TRUE(shows(Rgb(5)));
  EXPECT_FALSE(shows(Rgb(4)));
}

// ---- View ----

const char* const kViewTexts[] = {"Temp",         "Temp Alarm Hi", "Temp Alarm Low", "RH",    "RH Alarm Hi",
                                  "RH Alarm Low", "Mark Points",   "X Axis",         "Y Axis"};

std::vector<QCheckBox*> BoxesTopToBottom(QWidget& dlg) {
  std::vector<QCheckBox*> boxes;
  for (QCheckBox* b : dlg.findChildren<QCheckBox*>()) boxes.push_back(b);
  std::sort(boxes.begin(), boxes.end(), [](QCheckBox* a, QCheckBox* b) { return a->y() < b->y(); });
  return boxes;
}

std::vector<int> Flags(const ViewSettings& v) {
  return {v.showTempCurve,  v.showTempAlarmHigh, v.showTempAlarmLow, v.showRhCurve,   v.showRhAlarmHigh,
          v.showRhAlarmLow, v.showMarkPoints,    v.showXAxisLines,   v.showYAxisLines};
}

TEST_F(AppearanceDialogsTest, ViewShowsTheNineFlagsInOrderAndOnlyOkStoresThem) {
  ViewSettings view;        // a fresh installation
  view.showYAxisLines = 0;  // so that "X Axis" and "Y Axis" are told apart
  {
    CViewDlg dlg(nullptr, view);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("View "));
    const auto boxes = BoxesTopToBottom(dlg);
    ASSERT_EQ(boxes.size(), 9u);
    std::vector<int> shown;
    for (size_t i = 0; i < boxes.size(); ++i) {
      EXPECT_EQ(boxes[i]->text(), QString::fromLatin1(kViewTexts[i]));
      shown.push_back(boxes[i]->isChecked() ? 1 : 0);
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 0, 0, 1, 0, 0, 0, 1, 0}));
    for (QCheckBox* b : boxes) b->click();
    Button(&dlg, "Cancel")->click();
    EXPECT_EQ(Flags(view), (std::vector<int>{1, 0, 0, 1, 0, 0, 0, 1, 0}));
  }
  {
    CViewDlg dlg(nullptr, view);
    dlg.show();
    const auto boxes = BoxesTopToBottom(dlg);
    for (size_t i : {0u, 2u, 6u, 8u}) boxes[i]->click();
    Button(&dlg, "OK")->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Flags(view), (std::vector<int>{0, 0, 1, 1, 0, 0, 1, 1, 1}));
  }
}

TEST_F(AppearanceDialogsTest, ViewOnAFreshInstallChecksTempRhAndBothAxes) {
  ViewSettings view;
  CViewDlg dlg(nullptr, view);
  dlg.show();
  QStringList checked;
  for (QCheckBox* b : BoxesTopToBottom(dlg)) {
    if (b->isChecked()) checked << b->text();
  }
  EXPECT_EQ(checked, (QStringList{"Temp", "RH", "X Axis", "Y Axis"}));
}

// ---- Y Axis Setup ----

struct YAxisFixture {
  CYAxisSetupDlg& dlg;
  CSpinEdit* Spin(const char* name) const {
    auto* s = dlg.findChild<CSpinEdit*>(QString::fromLatin1(name));
    EXPECT_NE(s, nullptr) << name;
    return s;
  }
  QLineEdit* Edit(const char* name) const { return Spin(name)->Edit(); }
  QString Shown() const {
    return Spin("tempFrom")->Text() + " " + Spin("tempTo")->Text() + " / " + Spin("rhFrom")->Text() + " " +
           Spin("rhTo")->Text();
  }
};

TEST_F(AppearanceDialogsTest, YAxisOpensOnTheViewsRangesWithTheSpinRanges) {
  ViewSettings view;
  CYAxisSetupDlg dlg(nullptr, view, prompts, [this] { ++redraws; });
  dlg.show();
  const YAxisFixture f{dlg};
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Y Axis Setup"));
  EXPECT_EQ(GroupTitles(&dlg), (QStringList{"Temp Y Axis Setup", "RH Y Axis Setup"}));
  EXPECT_EQ(f.Shown(), QStringLiteral("-40 158 / 0 100"));
  struct Range {
    const char* name;
    int low, high;
  };
  for (const Range r : {Range{"tempFrom", -50, 165}, Range{"tempTo", -50, 165}, Range{"rhFrom", 0, 100},
                        Range{"rhTo", 0, 100}}) {
    EXPECT_EQ(f.Spin(r.name)->Minimum(), r.low) << r.name;
    EXPECT_EQ(f.Spin(r.name)->Maximum(), r.high) << r.name;
  }
}

TEST_F(AppearanceDialogsTest, YAxisEditsNormaliseAsTheUserTypes) {
  ViewSettings view;
  CYAxisSetupDlg dlg(nullptr, view, prompts, [this] { ++redraws; });
  dlg.show();
  const YAxisFixture f{dlg};
  struct Case {
    const char* edit;
    const char* typed;
    const char* shown;  // all four edits afterwards
  };
  const Case cases[] = {
      {"tempFrom", "-60", "-50 158 / 0 100"},
      {"tempTo", "200", "-50 165 / 0 100"},
      {"rhTo", "120", "-50 165 / 0 100"},
      {"tempFrom", "-", "- 165 / 0 100"},
      {"tempTo", "-", "- - / 0 100"},
      {"rhFrom", "-", "- - / 0 100"},
      // Key by key: the lone "-" becomes 0, then "07" becomes 7.
      {"rhFrom", "-7", "- - / 7 100"},
      {"tempTo", "", "-  / 7 100"},
      {"tempFrom", "1a2", "12  / 7 100"},  // the letter is dropped
      {"rhTo", "", "12  / 7 "},
      {"rhFrom", "035", "12  / 35 "},
  };
  for (const Case& c : cases) {
    Retype(f.Edit(c.edit), QString::fromLatin1(c.typed));
    EXPECT_EQ(f.Shown(), QString::fromLatin1(c.shown)) << c.edit << " typed '" << c.typed << "'";
  }
  EXPECT_EQ(view.yTempLow, -40);  // nothing written while typing
}

TEST_F(AppearanceDialogsTest, YAxisRewritingKeepsTheCaretWhereTheUserTypes) {
  ViewSettings view;
  CYAxisSetupDlg dlg(nullptr, view, prompts, {});
  dlg.show();
  const YAxisFixture f{dlg};
  // "0" then "5" typed behind it: the leading zero goes, the caret stays at the end, and the
  // next digit lands behind the 5.
  QLineEdit* rhFrom = f.Edit("rhFrom");
  rhFrom->setCursorPosition(1);
  Type(rhFrom, QStringLiteral("5"));
  EXPECT_EQ(rhFrom->text(), QStringLiteral("5"));
  EXPECT_EQ(rhFrom->cursorPosition(), 1);
  Type(rhFrom, QStringLiteral("0"));
  EXPECT_EQ(rhFrom->text(), QStringLiteral("50"));
  // Typing in front of a number that then gets clamped keeps the caret's distance from the end.
  QLineEdit* tempTo = f.Edit("tempTo");
  tempTo->setCursorPosition(1);       // 1|58
  Type(tempTo, QStringLiteral("9"));  // 1958 -> 165
  EXPECT_EQ(tempTo->text(), QStringLiteral("165"));
  EXPECT_EQ(tempTo->cursorPosition(), 1);
  // Typing inside a number that needs no change leaves the caret behind the new digit.
  rhFrom->setCursorPosition(1);  // 5|0
  Type(rhFrom, QStringLiteral("2"));
  EXPECT_EQ(rhFrom->text(), QStringLiteral("520"));
  EXPECT_EQ(rhFrom->cursorPosition(), 2);
  EXPECT_EQ(f.Shown(), QStringLiteral("-40 165 / 520 100"));
}

TEST_F(AppearanceDialogsTest, YAxisSpinStepsWriteTheNumberAndRunTheRules) {
  ViewSettings view;
  view.yTempLow = -49;
  view.yRhHigh = 99;
  CYAxisSetupDlg dlg(nullptr, view, prompts, {});
  dlg.show();
  const YAxisFixture f{dlg};
  f.Spin("tempFrom")->StepBy(-1);
  f.Spin("tempFrom")->StepBy(-1);  // held at the spin range's end
  f.Spin("rhTo")->StepBy(1);
  f.Spin("rhTo")->StepBy(1);
  EXPECT_EQ(f.Shown(), QStringLiteral("-50 158 / 0 100"));
  Retype(f.Edit("rhFrom"), QString());
  f.Spin("rhFrom")->StepBy(1);  // an empty edit steps from 0
  Key(f.Edit("tempTo"), Qt::Key_Up);
  EXPECT_EQ(f.Shown(), QStringLiteral("-50 159 / 1 100"));
}

TEST_F(AppearanceDialogsTest, YAxisOkRefusesARangeThatDoesNotRunUpwardsAndStaysOpen) {
  ViewSettings view;
  CYAxisSetupDlg dlg(nullptr, view, prompts, [this] { ++redraws; });
  dlg.show();
  const YAxisFixture f{dlg};
  struct Case {
    const char* tempFrom;
    const char* tempTo;
    const char* rhFrom;
    const char* rhTo;
  };
  for (const Case c :
       {Case{"20", "20", "0", "100"}, Case{"-40", "158", "0", ""}, Case{"30", "-", "0", "100"}}) {
    Retype(f.Edit("tempFrom"), QString::fromLatin1(c.tempFrom));
    Retype(f.Edit("tempTo"), QString::fromLatin1(c.tempTo));
    Retype(f.Edit("rhFrom"), QString::fromLatin1(c.rhFrom));
    Retype(f.Edit("rhTo"), QString::fromLatin1(c.rhTo));
    prompts.calls.clear();
    Button(&dlg, "OK")->click();
    const auto messages = prompts.Of(test::FakePrompts::Kind::Message);
    ASSERT_EQ(messages.size(), 1u) << c.tempFrom << ".." << c.tempTo << " / " << c.rhFrom << ".." << c.rhTo;
    EXPECT_EQ(messages[0].text, "The started Y Axis must be lower than the ended Y Axis");
    EXPECT_EQ(messages[0].icon, BoxIcon::Exclamation);
    EXPECT_TRUE(dlg.isVisible());
  }
  EXPECT_EQ(view.yTempLow, -40);
  EXPECT_EQ(view.yTempHigh, 158);
  EXPECT_EQ(view.yRhHigh, 100);
  EXPECT_EQ(redraws, 0);

  // Mended: the whole spin range is taken as it stands, whatever unit is displayed.
  Retype(f.Edit("tempFrom"), QStringLiteral("-50"));
  Retype(f.Edit("tempTo"), QStringLiteral("165"));
  Retype(f.Edit("rhFrom"), QStringLiteral("10"));
  Retype(f.Edit("rhTo"), QStringLiteral("90"));
  prompts.calls.clear();
  Button(&dlg, "OK")->click();
  EXPECT_TRUE(prompts.calls.empty());
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ((std::vector<int>{view.yTempLow, view.yTempHigh, view.yRhLow, view.yRhHigh}),
            (std::vector<int>{-50, 165, 10, 90}));
  EXPECT_EQ(redraws, 1);
}

TEST_F(AppearanceDialogsTest, YAxisCancelChangesNothing) {
  ViewSettings view;
  const ViewSettings before = view;
  CYAxisSetupDlg dlg(nullptr, view, prompts, [this] { ++redraws; });
  dlg.show();
  const YAxisFixture f{dlg};
  Retype(f.Edit("tempFrom"), QStringLiteral("0"));
  Retype(f.Edit("rhTo"), QStringLiteral("50"));
  Button(&dlg, "Cancel")->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ((std::vector<int>{view.yTempLow, view.yTempHigh, view.yRhLow, view.yRhHigh}),
            (std::vector<int>{before.yTempLow, before.yTempHigh, before.yRhLow, before.yRhHigh}));
  EXPECT_EQ(redraws, 0);
  EXPECT_TRUE(prompts.calls.empty());
}

}  // namespace
}  // namespace k7740
