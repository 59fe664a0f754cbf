#include <gtest/gtest.h>

#include <string>

#include "appearance/color_table.h"
#include "appearance/y_axis_rules.h"
#include "settings/settings_table.h"

namespace k7740 {
namespace {

TEST(ColorTableTest, NamedColoursAndIndicesOutsideTheTable) {
  struct Case {
    int index;
    const char* name;  // nullptr outside the table
    ColorRgb rgb;
  };
  const Case cases[] = {
      {0, "Red", {255, 0, 0}},
      {1, "Green", {0, 255, 0}},
      {2, "Blue", {0, 0, 255}},
      {3, "Yellow", {255, 255, 0}},
      {4, "Magenta", {255, 0, 255}},
      {5, "Cyan", {0, 255, 255}},
      {6, "Dark Red", {128, 0, 0}},
      {7, "Dark Green", {0, 128, 0}},
      {8, "Dark Blue", {0, 0, 128}},
      {9, "Dark Yellow", {128, 128, 0}},
      {10, "Dark Magenta", {128, 0, 128}},
      {11, "Dark Cyan", {0, 128, 128}},
      {12, "White", {255, 255, 255}},
      {13, "Black", {0, 0, 0}},
      // A hand-edited index: red carries the index.
      {14, nullptr, {14, 0, 0}},
      {44, nullptr, {44, 0, 0}},
      {255, nullptr, {255, 0, 0}},
  };
  for (const Case& c : cases) {
    const ColorRgb got = ColorTableRgb(c.index);
    EXPECT_EQ(got, c.rgb) << "index " << c.index << " gave " << int(got.r) << "," << int(got.g) << ","
                          << int(got.b);
    if (c.name != nullptr) {
      EXPECT_STREQ(kColorNames[static_cast<size_t>(c.index)], c.name);
    }
  }
}

TEST(ColorTableTest, FreshInstallIndicesNameBlackRedYellowBlue) {
  const MainSettings fresh;
  EXPECT_STREQ(kColorNames[fresh.backgroundColorIndex], "Black");
  EXPECT_STREQ(kColorNames[fresh.tempColorIndex], "Red");
  EXPECT_STREQ(kColorNames[fresh.rhColorIndex], "Yellow");
  EXPECT_STREQ(kColorNames[fresh.gridColorIndex], "Blue");
}

TEST(YAxisRulesTest, OpeningShowsTheRangesAsWholeNumbers) {
  ViewSettings view;
  view.yTempLow = -7;
  view.yTempHigh = 85;
  view.yRhLow = 10;
  view.yRhHigh = 95;
  EXPECT_EQ(YAxisTextsOf(view), (YAxisTexts{"-7", "85", "10", "95"}));
}

TEST(YAxisRulesTest, EachEditNormalisesItsOwnTextOnly) {
  struct Case {
    YAxisField field;
    const char* typed;
    const char* shown;
  };
  using F = YAxisField;
  const Case cases[] = {
      // Temp "From": clamped from below only.
      {F::TempFrom, "-60", "-50"},
      {F::TempFrom, "-50", "-50"},
      {F::TempFrom, "200", "200"},
      {F::TempFrom, "-", "-"},
      {F::TempFrom, "", ""},
      {F::TempFrom, "007", "7"},
      {F::TempFrom, "1.9", "1"},
      {F::TempFrom, ".5", "0"},
      {F::TempFrom, "-4-", "-4"},
      {F::TempFrom, "--3", "0"},
      {F::TempFrom, "99999999999999", "2147483647"},
      // Temp "To": clamped from above only.
      {F::TempTo, "200", "165"},
      {F::TempTo, "165", "165"},
      {F::TempTo, "-60", "-60"},
      {F::TempTo, "-", "-"},
      {F::TempTo, "", ""},
      // RH "From": a lone minus is not kept.
      {F::RhFrom, "-5", "0"},
      {F::RhFrom, "-", "0"},
      {F::RhFrom, "150", "150"},
      {F::RhFrom, "", ""},
      // RH "To".
      {F::RhTo, "120", "100"},
      {F::RhTo, "-5", "-5"},
      {F::RhTo, "-", "0"},
      {F::RhTo, "", ""},
  };
  for (const Case& c : cases) {
    YAxisTexts texts{"x1", "x2", "x3", "x4"};
    YAxisText(texts, c.field) = c.typed;
    YAxisTexts expected = texts;
    YAxisText(expected, c.field) = c.shown;
    NormaliseYAxisField(texts, c.field);
    EXPECT_EQ(texts, expected) << "field " << static_cast<int>(c.field) << " typed '" << c.typed
                               << "' shows '" << YAxisText(texts, c.field) << "'";
  }
}

TEST(YAxisRulesTest, OkRefusesARangeWhoseStartIsNotBelowItsEnd) {
  struct Case {
    YAxisTexts texts;
    bool accepted;
  };
  const Case cases[] = {
      {{"20", "20", "0", "100"}, false},  // equal temperatures
      {{"30", "20", "0", "100"}, false},
      {{"-40", "158", "0", ""}, false},  // empty RH "To" counts as 0, like RH "From"
      {{"-40", "158", "50", "50"}, false},
      {{"-", "-", "0", "100"}, false},     // both lone minus signs count as 0
      {{"", "10", "0", "100"}, true},      // empty "From" is 0, below 10
      {{"-50", "165", "0", "100"}, true},  // the whole range, whichever unit is displayed
      {{"19", "20", "99", "100"}, true},
  };
  for (const Case& c : cases) {
    const auto r = AcceptedYAxisRanges(c.texts);
    EXPECT_EQ(r.has_value(), c.accepted)
        << c.texts.tempFrom << ".." << c.texts.tempTo << " / " << c.texts.rhFrom << ".." << c.texts.rhTo;
  }
  EXPECT_EQ(AcceptedYAxisRanges({"-50", "165", "", "7"}), (YAxisRanges{-50, 165, 0, 7}));
}

TEST(YAxisRulesTest, StoringWritesOnlyTheFourRanges) {
  ViewSettings view;
  view.showMarkPoints = 1;
  view.gain = 3;
  StoreYAxisRanges({-50, 165, 5, 95}, view);
  EXPECT_EQ(view.yTempLow, -50);
  EXPECT_EQ(view.yTempHigh, 165);
  EXPECT_EQ(view.yRhLow, 5);
  EXPECT_EQ(view.yRhHigh, 95);
  EXPECT_EQ(view.showMarkPoints, 1);
  EXPECT_EQ(view.gain, 3);
}

}  // namespace
}  // namespace k7740
