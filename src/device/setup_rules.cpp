#include "device/setup_rules.h"

#include <cstdint>

#include "common/text.h"

namespace k7740 {

namespace {

constexpr int kUnitSecond = 0;
constexpr int kUnitMinute = 1;
constexpr int kUnitHour = 2;
constexpr int kAlarmCelsius = 0;
constexpr int kAlarmFahrenheit = 1;

constexpr int kMaxCountSecondMinute = 60;
constexpr int kMaxCountHour = 24;
constexpr int kTempLowest = -40;
constexpr int kTempHighestC = 70;
constexpr int kTempHighestF = 158;
constexpr int kRhLowest = 0;
constexpr int kRhHighest = 100;

std::string IntText(int n) { return StrFormat("%d", n); }

}  // namespace

FieldRange SetupFieldRange(const LoggerSettings& s, SetupField field) {
  switch (field) {
    case SetupField::SampleInterval:
      return {1, s.sampleUnit == kUnitHour ? kMaxCountHour : kMaxCountSecondMinute};
    case SetupField::TempAlarmLow:
    case SetupField::TempAlarmHigh:
      return {kTempLowest, s.alarmUnit == kAlarmFahrenheit ? kTempHighestF : kTempHighestC};
    case SetupField::RhAlarmLow:
    case SetupField::RhAlarmHigh:
      return {kRhLowest, kRhHighest};
  }
  return {0, 0};
}

std::string RecTimeText(const std::string& sampleInterval, int sampleUnit) {
  // 64-bit so that a hand-edited interval cannot overflow the product.
  const int64_t t = static_cast<int64_t>(LeadingInt(sampleInterval)) * kLoggerCapacityReadings;
  const auto d = [](int64_t v) { return static_cast<long long>(v); };
  switch (sampleUnit) {
    case kUnitSecond:
      return StrFormat("%lldDay %lldHour %lldMinute %lldSecond", d(t / 86400), d(t % 86400 / 3600),
                       d(t % 3600 / 60), d(t % 60));
    case kUnitMinute:
      return StrFormat("%lldDay %lldHour %lldMinute", d(t / 1440), d(t % 1440 / 60), d(t % 60));
    case kUnitHour:
      return StrFormat("%lldDay %lldHour", d(t / 24), d(t % 24));
    default:
      return {};
  }
}

void NormaliseField(LoggerSettings& s, SetupField field) {
  switch (field) {
    case SetupField::SampleInterval: {
      const int highest = s.sampleUnit == kUnitHour ? kMaxCountHour : kMaxCountSecondMinute;
      int n = LeadingInt(s.sampleInterval);
      if (n > highest) n = highest;
      if (n < 1) n = 1;
      s.sampleInterval = IntText(n);
      break;
    }
    case SetupField::TempAlarmLow: {
      // An empty field or a lone minus sign is a negative number still being typed.
      if (s.tempAlarmLow.empty() || s.tempAlarmLow == "-") break;
      int n = LeadingInt(s.tempAlarmLow);
      if (n < kTempLowest) n = kTempLowest;
      s.tempAlarmLow = IntText(n);
      break;
    }
    case SetupField::TempAlarmHigh: {
      if (s.tempAlarmHigh.empty() || s.tempAlarmHigh == "-") break;
      int n = LeadingInt(s.tempAlarmHigh);
      if (s.alarmUnit == kAlarmCelsius && n > kTempHighestC) n = kTempHighestC;
      if (s.alarmUnit == kAlarmFahrenheit && n > kTempHighestF) n = kTempHighestF;
      s.tempAlarmHigh = IntText(n);
      break;
    }
    case SetupField::RhAlarmLow: {
      if (s.rhAlarmLow.empty()) break;
      int n = LeadingInt(s.rhAlarmLow);
      if (n < kRhLowest) n = kRhLowest;
      s.rhAlarmLow = IntText(n);
      break;
    }
    case SetupField::RhAlarmHigh: {
      if (s.rhAlarmHigh.empty()) break;
      int n = LeadingInt(s.rhAlarmHigh);
      if (n > kRhHighest) n = kRhHighest;
      s.rhAlarmHigh = IntText(n);
      break;
    }
  }
}

void ChooseSampleUnit(LoggerSettings& s, int unit) {
  s.sampleUnit = unit;
  if (unit == kUnitHour && LeadingInt(s.sampleInterval) > kMaxCountHour)
    s.sampleInterval = IntText(kMaxCountHour);
}

void ChooseAlarmUnit(LoggerSettings& s, int unit) {
  s.alarmUnit = unit;
  // The numbers are not converted: only the Celsius bounds are enforced on the way.
  if (unit != kAlarmCelsius) return;
  if (LeadingInt(s.tempAlarmLow) < kTempLowest) s.tempAlarmLow = IntText(kTempLowest);
  if (LeadingInt(s.tempAlarmHigh) > kTempHighestC) s.tempAlarmHigh = IntText(kTempHighestC);
}

LoggerSettings DefaultLoggerSettings() { return LoggerSettings{}; }

bool LimitsInOrder(const LoggerSettings& s) {
  return LeadingInt(s.tempAlarmLow) < LeadingInt(s.tempAlarmHigh) &&
         LeadingInt(s.rhAlarmLow) < LeadingInt(s.rhAlarmHigh);
}

void StoreDialogValues(const LoggerSettings& working, LoggerSettings& main) {
  if (working.startMode <= 1) main.startMode = working.startMode;
  if (working.overwriteWhenFull <= 1) main.overwriteWhenFull = working.overwriteWhenFull;
  switch (working.ledFlashCycle) {
    case 24:
    case 40:
    case 56:
    case 72:
      main.ledFlashCycle = working.ledFlashCycle;
      break;
    default:
      break;
  }
  if (working.sampleUnit >= kUnitSecond && working.sampleUnit <= kUnitHour)
    main.sampleUnit = working.sampleUnit;
  main.sampleInterval = working.sampleInterval;
  main.alarmLedFlash = working.alarmLedFlash;
  main.alarmUnit = working.alarmUnit;
  main.tempAlarmHigh = working.tempAlarmHigh;
  main.tempAlarmLow = working.tempAlarmLow;
  main.rhAlarmHigh = working.rhAlarmHigh;
  main.rhAlarmLow = working.rhAlarmLow;
}

}  // namespace k7740
