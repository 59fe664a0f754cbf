#include "device/setup_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"

namespace k7740 {
namespace {

// All eleven fields in one line, so a mismatch shows every value at once.
std::string Describe(const LoggerSettings& s) {
  return StrFormat(
      "led=%d unit=%d start=%d cycle=%d flash=%d alarmUnit=%d rate='%s' tLow='%s' tHi='%s' "
      "rhLow='%s' rhHi='%s'",
      s.ledFlashCycle, s.sampleUnit, s.startMode, s.overwriteWhenFull, s.alarmLedFlash, s.alarmUnit,
      s.sampleInterval.c_str(), s.tempAlarmLow.c_str(), s.tempAlarmHigh.c_str(), s.rhAlarmLow.c_str(),
      s.rhAlarmHigh.c_str());
}

std::string& FieldText(LoggerSettings& s, SetupField f) {
  switch (f) {
    case SetupField::SampleInterval:
      return s.sampleInterval;
    case SetupField::TempAlarmLow:
      return s.tempAlarmLow;
    case SetupField::TempAlarmHigh:
      return s.tempAlarmHigh;
    case SetupField::RhAlarmLow:
      return s.rhAlarmLow;
    case SetupField::RhAlarmHigh:
      break;
  }
  return s.rhAlarmHigh;
}

TEST(RecTimeTextTest, CapacityAsDurationPerUnit) {
  struct Case {
    const char* interval;
    int unit;
    const char* expected;
  };
  const Case cases[] = {
      {"10", 0, "1Day 21Hour 25Minute 0Second"},
      {"1", 0, "0Day 4Hour 32Minute 30Second"},
      {"60", 1, "681Day 6Hour 0Minute"},
      {"7", 1, "79Day 11Hour 30Minute"},
      {"24", 2, "16350Day 0Hour"},
      {"1", 2, "681Day 6Hour"},
      {"", 0, "0Day 0Hour 0Minute 0Second"},
      {"5x", 1, "56Day 18Hour 30Minute"},  // the leading integer counts
      {"10", 3, ""},                       // unknown unit: no text
      {"10", -1, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RecTimeText(c.interval, c.unit), c.expected) << "'" << c.interval << "' unit " << c.unit;
  }
}

TEST(RecTimeTextTest, HugeHandEditedIntervalDoesNotOverflow) {
  // 2147483647 x 16350 seconds, computed without wrapping.
  EXPECT_EQ(RecTimeText("99999999999", 0), "406381454Day 0Hour 47Minute 30Second");
}

TEST(NormaliseFieldTest, EachEditRuleTouchesOnlyItsOwnText) {
  struct Case {
    SetupField field;
    int sampleUnit;
    int alarmUnit;
    const char* typed;
    const char* expected;
  };
  using F = SetupField;
  const Case cases[] = {
      // Sampling rate: clamped by unit, never left empty, always rewritten as "%d".
      {F::SampleInterval, 0, 0, "75", "60"},
      {F::SampleInterval, 1, 0, "61", "60"},
      {F::SampleInterval, 0, 0, "60", "60"},
      {F::SampleInterval, 0, 0, "", "1"},
      {F::SampleInterval, 0, 0, "0", "1"},
      {F::SampleInterval, 0, 0, "-", "1"},
      {F::SampleInterval, 0, 0, "-5", "1"},
      {F::SampleInterval, 0, 0, "007", "7"},
      {F::SampleInterval, 1, 0, "12.5", "12"},
      {F::SampleInterval, 2, 0, "30", "24"},
      {F::SampleInterval, 2, 0, "24", "24"},
      // Temp Alarm Low: a lone "-" or an empty text is left for the user to finish.
      {F::TempAlarmLow, 0, 0, "-", "-"},
      {F::TempAlarmLow, 0, 0, "", ""},
      {F::TempAlarmLow, 0, 0, "-50", "-40"},
      {F::TempAlarmLow, 0, 1, "-50", "-40"},
      {F::TempAlarmLow, 0, 0, "-40", "-40"},
      {F::TempAlarmLow, 0, 0, "200", "200"},  // no upper bound while typing
      {F::TempAlarmLow, 0, 0, "5.7", "5"},
      {F::TempAlarmLow, 0, 0, "-.", "0"},
      {F::TempAlarmLow, 0, 0, "012", "12"},
      // Temp Alarm HI: the bound follows the alarm unit.
      {F::TempAlarmHigh, 0, 0, "80", "70"},
      {F::TempAlarmHigh, 0, 0, "70", "70"},
      {F::TempAlarmHigh, 0, 1, "170", "158"},
      {F::TempAlarmHigh, 0, 1, "80", "80"},
      {F::TempAlarmHigh, 0, 0, "-", "-"},
      {F::TempAlarmHigh, 0, 0, "", ""},
      {F::TempAlarmHigh, 0, 0, "-100", "-100"},  // no lower bound while typing
      // RH Alarm Low: only an empty text is left alone.
      {F::RhAlarmLow, 0, 0, "", ""},
      {F::RhAlarmLow, 0, 0, "-", "0"},
      {F::RhAlarmLow, 0, 0, "-5", "0"},
      {F::RhAlarmLow, 0, 0, "150", "150"},
      // RH Alam HI.
      {F::RhAlarmHigh, 0, 0, "", ""},
      {F::RhAlarmHigh, 0, 0, "101", "100"},
      {F::RhAlarmHigh, 0, 0, "-3", "-3"},
      {F::RhAlarmHigh, 0, 0, "9.9", "9"},
  };
  for (const Case& c : cases) {
    // The other fields hold texts that their own rules would change, so a rule that runs on
    // the wrong field shows up.
    LoggerSettings s;
    s.sampleUnit = c.sampleUnit;
    s.alarmUnit = c.alarmUnit;
    s.sampleInterval = "99";
    s.tempAlarmLow = "-99";
    s.tempAlarmHigh = "999";
    s.rhAlarmLow = "-9";
    s.rhAlarmHigh = "999";
    LoggerSettings expected = s;
    FieldText(s, c.field) = c.typed;
    FieldText(expected, c.field) = c.expected;
    NormaliseField(s, c.field);
    EXPECT_EQ(Describe(s), Describe(expected)) << "typed '" << c.typed << "'";
  }
}

TEST(UnitChoiceTest, SampleUnitClampsOnlyForHour) {
  struct Case {
    int unit;
    const char* before;
    const char* after;
  };
  const Case cases[] = {
      {2, "60", "24"}, {2, "30abc", "24"}, {2, "12", "12"},   {2, "", ""},
      {1, "60", "60"}, {0, "60", "60"},    {2, "024", "024"},
  };
  for (const Case& c : cases) {
    LoggerSettings s;
    s.sampleInterval = c.before;
    ChooseSampleUnit(s, c.unit);
    EXPECT_EQ(s.sampleUnit, c.unit);
    EXPECT_EQ(s.sampleInterval, c.after) << "unit " << c.unit << " with '" << c.before << "'";
  }
}

TEST(UnitChoiceTest, CelsiusEnforcesItsBoundsWithoutConverting) {
  struct Case {
    int unit;
    const char* low;
    const char* high;
    const char* lowAfter;
    const char* highAfter;
  };
  const Case cases[] = {
      {0, "-50", "100", "-40", "70"},  // 100 F becomes 70 C, not 37
      {0, "20", "30", "20", "30"},     {0, "-", "", "-", ""},
      {1, "-50", "100", "-50", "100"}, {1, "20", "30", "20", "30"},  // 20 C stays 20 in Fahrenheit
  };
  for (const Case& c : cases) {
    LoggerSettings s;
    s.alarmUnit = 1 - c.unit;
    s.tempAlarmLow = c.low;
    s.tempAlarmHigh = c.high;
    ChooseAlarmUnit(s, c.unit);
    EXPECT_EQ(s.alarmUnit, c.unit);
    EXPECT_EQ(s.tempAlarmLow, c.lowAfter) << c.low << ".." << c.high << " to unit " << c.unit;
    EXPECT_EQ(s.tempAlarmHigh, c.highAfter) << c.low << ".." << c.high << " to unit " << c.unit;
  }
}

TEST(DefaultsTest, MatchTheFactorySetup) {
  const LoggerSettings d = DefaultLoggerSettings();
  EXPECT_EQ(Describe(d),
            "led=24 unit=0 start=0 cycle=0 flash=1 alarmUnit=0 rate='10' tLow='0' tHi='40' rhLow='30' "
            "rhHi='90'");
  EXPECT_EQ(RecTimeText(d.sampleInterval, d.sampleUnit), "1Day 21Hour 25Minute 0Second");
}

TEST(LimitsInOrderTest, BothPairsStrictlyOrdered) {
  struct Case {
    const char* tLow;
    const char* tHi;
    const char* rhLow;
    const char* rhHi;
    bool ok;
  };
  const Case cases[] = {
      {"0", "40", "30", "90", true},   {"-10", "-5", "0", "1", true},
      {"-", "5", "30", "90", true},     // a lone minus counts as 0
      {"40", "40", "30", "90", false},  // equal limits are refused
      {"50", "40", "30", "90", false}, {"0", "40", "90", "90", false},
      {"0", "40", "95", "90", false},  {"0", "40", "0", "", false},  // an empty RH HI counts as 0
      {"", "", "30", "90", false},
  };
  for (const Case& c : cases) {
    LoggerSettings s;
    s.tempAlarmLow = c.tLow;
    s.tempAlarmHigh = c.tHi;
    s.rhAlarmLow = c.rhLow;
    s.rhAlarmHigh = c.rhHi;
    EXPECT_EQ(LimitsInOrder(s), c.ok) << Describe(s);
  }
}

TEST(StoreDialogValuesTest, CopiesEverythingInDomain) {
  LoggerSettings working;
  working.startMode = 1;
  working.overwriteWhenFull = 1;
  working.ledFlashCycle = 72;
  working.sampleUnit = 2;
  working.sampleInterval = "5";
  working.alarmLedFlash = 0;
  working.alarmUnit = 1;
  working.tempAlarmLow = "-4";
  working.tempAlarmHigh = "100";
  working.rhAlarmLow = "10";
  working.rhAlarmHigh = "80";
  LoggerSettings main;
  StoreDialogValues(working, main);
  EXPECT_EQ(Describe(main), Describe(working));
}

TEST(StoreDialogValuesTest, KeepsTheOldValueOfAFieldOutsideItsDomain) {
  struct Case {
    uint8_t startMode, overwrite, led;
    int sampleUnit;
  };
  const Case cases[] = {{2, 5, 99, 3}, {255, 2, 0, -1}, {7, 7, 25, 100}};
  for (const Case& c : cases) {
    LoggerSettings working;
    working.startMode = c.startMode;
    working.overwriteWhenFull = c.overwrite;
    working.ledFlashCycle = c.led;
    working.sampleUnit = c.sampleUnit;
    working.sampleInterval = "20";
    working.alarmLedFlash = 0;
    working.alarmUnit = 7;  // carried as it is
    working.tempAlarmLow = "1";
    working.tempAlarmHigh = "2";
    working.rhAlarmLow = "3";
    working.rhAlarmHigh = "4";

    LoggerSettings main;
    main.startMode = 1;
    main.overwriteWhenFull = 1;
    main.ledFlashCycle = 56;
    main.sampleUnit = 1;
    StoreDialogValues(working, main);
    EXPECT_EQ(Describe(main),
              "led=56 unit=1 start=1 cycle=1 flash=0 alarmUnit=7 rate='20' tLow='1' tHi='2' rhLow='3' "
              "rhHi='4'");
  }
}

// The ranges the edit rules clamp to: what k7740-cli accepts for the same fields.
TEST(SetupFieldRange, FollowsTheUnits) {
  struct Case {
    int sampleUnit, alarmUnit;
    SetupField field;
    int low, high;
  };
  const Case cases[] = {
      {0, 0, SetupField::SampleInterval, 1, 60},  {1, 0, SetupField::SampleInterval, 1, 60},
      {2, 0, SetupField::SampleInterval, 1, 24},  {0, 0, SetupField::TempAlarmHigh, -40, 70},
      {0, 1, SetupField::TempAlarmLow, -40, 158}, {0, 1, SetupField::RhAlarmHigh, 0, 100},
  };
  for (const Case& c : cases) {
    LoggerSettings s;
    s.sampleUnit = c.sampleUnit;
    s.alarmUnit = c.alarmUnit;
    const FieldRange r = SetupFieldRange(s, c.field);
    EXPECT_EQ(r.low, c.low) << static_cast<int>(c.field) << " unit " << c.sampleUnit << "/" << c.alarmUnit;
    EXPECT_EQ(r.high, c.high) << static_cast<int>(c.field) << " unit " << c.sampleUnit << "/" << c.alarmUnit;
  }
}

}  // namespace
}  // namespace k7740
