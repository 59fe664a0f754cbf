// The "Y Axis Setup" dialog's rules without a window: each edit's text is normalised on every
// change, and OK takes the four leading integers only when both ranges run upwards.
#pragma once

#include <optional>
#include <string>

#include "settings/settings_table.h"

namespace k7740 {

inline constexpr const char* kYAxisOrderMessage = "The started Y Axis must be lower than the ended Y Axis";

// The spin buttons' ranges; the temperature range holds in either displayed unit.
inline constexpr int kYTempLowest = -50;
inline constexpr int kYTempHighest = 165;
inline constexpr int kYRhLowest = 0;
inline constexpr int kYRhHighest = 100;

enum class YAxisField { TempFrom, TempTo, RhFrom, RhTo };

// The four edit texts as the dialog holds them.
struct YAxisTexts {
  std::string tempFrom;
  std::string tempTo;
  std::string rhFrom;
  std::string rhTo;
  friend bool operator==(const YAxisTexts&, const YAxisTexts&) = default;
};

struct YAxisRanges {
  int tempLow = 0;
  int tempHigh = 0;
  int rhLow = 0;
  int rhHigh = 0;
  friend bool operator==(const YAxisRanges&, const YAxisRanges&) = default;
};

// The texts the dialog opens with ("%d" of the view's four ranges).
YAxisTexts YAxisTextsOf(const ViewSettings& view);
std::string& YAxisText(YAxisTexts& texts, YAxisField field);
// The rule of one edit applied to its own text.
void NormaliseYAxisField(YAxisTexts& texts, YAxisField field);
// The ranges of the leading integers, or nothing when a start is not below its end.
std::optional<YAxisRanges> AcceptedYAxisRanges(const YAxisTexts& texts);
void StoreYAxisRanges(const YAxisRanges& ranges, ViewSettings& view);

}  // namespace k7740
