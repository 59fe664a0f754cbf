// The Datalogger Setup dialog's field rules, without a window: normalising on every change,
// the "Rec Time" capacity text, the unit switches, "Default" and the check before sending.
#pragma once

#include <string>

#include "device/logger_settings.h"

namespace k7740 {

inline constexpr int kLoggerCapacityReadings = 16350;
inline constexpr const char* kAlarmOrderMessage = "High alarm must be larger than low alarm!";

// The "Rec Time" text for the interval text and unit; empty for an unknown unit.
std::string RecTimeText(const std::string& sampleInterval, int sampleUnit);

enum class SetupField { SampleInterval, TempAlarmLow, TempAlarmHigh, RhAlarmLow, RhAlarmHigh };

// The whole numbers a field may end up holding for the current units, as the edit rules clamp
// them (for the low limits and the high limits together: the temperature limits share one range).
struct FieldRange {
  int low;
  int high;
};
FieldRange SetupFieldRange(const LoggerSettings& s, SetupField field);

// The rule of one edit applied to its own text in the working copy.
void NormaliseField(LoggerSettings& s, SetupField field);
// Choosing a sampling unit / an alarm unit.
void ChooseSampleUnit(LoggerSettings& s, int unit);
void ChooseAlarmUnit(LoggerSettings& s, int unit);
// The defaults that the "Default" button restores.
LoggerSettings DefaultLoggerSettings();
// Both pairs in order (low < high, as leading integers).
bool LimitsInOrder(const LoggerSettings& s);
// Step 2 of "Setup": copy the working values into the main window's record, keeping its old
// value for a field outside its domain.
void StoreDialogValues(const LoggerSettings& working, LoggerSettings& main);

}  // namespace k7740
