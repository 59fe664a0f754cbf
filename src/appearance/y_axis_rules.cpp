#include "appearance/y_axis_rules.h"

#include "common/text.h"

namespace k7740 {

YAxisTexts YAxisTextsOf(const ViewSettings& view) {
  return {StrFormat("%d", view.yTempLow), StrFormat("%d", view.yTempHigh), StrFormat("%d", view.yRhLow),
          StrFormat("%d", view.yRhHigh)};
}

std::string& YAxisText(YAxisTexts& texts, YAxisField field) {
  switch (field) {
    case YAxisField::TempFrom:
      return texts.tempFrom;
    case YAxisField::TempTo:
      return texts.tempTo;
    case YAxisField::RhFrom:
      return texts.rhFrom;
    case YAxisField::RhTo:
      break;
  }
  return texts.rhTo;
}

void NormaliseYAxisField(YAxisTexts& texts, YAxisField field) {
  std::string& text = YAxisText(texts, field);
  // An empty edit is being retyped, and a lone minus starts a negative temperature: both stay.
  if (text.empty()) return;
  const bool temperature = field == YAxisField::TempFrom || field == YAxisField::TempTo;
  if (temperature && text == "-") return;
  int n = LeadingInt(text);
  // Each edit is clamped on its own side only; the order of the pair is checked at OK.
  switch (field) {
    case YAxisField::TempFrom:
      if (n < kYTempLowest) n = kYTempLowest;
      break;
    case YAxisField::TempTo:
      if (n > kYTempHighest) n = kYTempHighest;
      break;
    case YAxisField::RhFrom:
      if (n < kYRhLowest) n = kYRhLowest;
      break;
    case YAxisField::RhTo:
      if (n > kYRhHighest) n = kYRhHighest;
      break;
  }
  text = StrFormat("%d", n);
}

std::optional<YAxisRanges> AcceptedYAxisRanges(const YAxisTexts& texts) {
  const YAxisRanges r{LeadingInt(texts.tempFrom), LeadingInt(texts.tempTo), LeadingInt(texts.rhFrom),
                      LeadingInt(texts.rhTo)};
  if (r.tempLow >= r.tempHigh || r.rhLow >= r.rhHigh) return std::nullopt;
  return r;
}

void StoreYAxisRanges(const YAxisRanges& ranges, ViewSettings& view) {
  view.yTempLow = ranges.tempLow;
  view.yTempHigh = ranges.tempHigh;
  view.yRhLow = ranges.rhLow;
  view.yRhHigh = ranges.rhHigh;
}

}  // namespace k7740
