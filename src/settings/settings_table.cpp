#include "settings/settings_table.h"

#include <array>
#include <string_view>

#include "common/text.h"

namespace k7740 {
namespace {

enum class Kind { kInteger, kByte, kText };
enum class Owner { kMainWindow, kGraphView };

// The in-memory owners of the keys during one read or write.
struct Owners {
  MainSettings* main;
  ViewSettings* view;
  uint8_t* isFahrenheit;
};

// The member a key maps to; exactly the pointer of the key's kind is set.
struct Slot {
  int32_t* integer = nullptr;
  uint8_t* byte = nullptr;
  std::string* text = nullptr;
};

constexpr Slot SlotOf(int32_t& v) { return {.integer = &v}; }
constexpr Slot SlotOf(uint8_t& v) { return {.byte = &v}; }
constexpr Slot SlotOf(std::string& v) { return {.text = &v}; }

template <auto M>
constexpr Slot MainMember(const Owners& o) {
  return SlotOf(o.main->*M);
}
template <auto M>
constexpr Slot LoggerMember(const Owners& o) {
  return SlotOf(o.main->logger.*M);
}
template <auto M>
constexpr Slot ViewMember(const Owners& o) {
  return SlotOf(o.view->*M);
}
constexpr Slot UnitMember(const Owners& o) { return SlotOf(*o.isFahrenheit); }

struct SettingsKey {
  const char* section;
  const char* key;
  Kind kind;
  const char* defaultValue;  // as the file would hold it
  Owner owner;
  Slot (*member)(const Owners&);
};

constexpr Owner kMain = Owner::kMainWindow;
constexpr Owner kView = Owner::kGraphView;
constexpr Kind kInt = Kind::kInteger;
constexpr Kind kByte = Kind::kByte;
constexpr Kind kText = Kind::kText;

// Every key the program keeps, in the order the close writes them. Reading and writing both
// go through this table, so a key cannot be read under one name and written under another.
constexpr SettingsKey kSettingsKeys[] = {
    {"COMInfo", "COM num", kInt, "3", kMain, MainMember<&MainSettings::comPort>},
    {"GainInfo", "Gain", kInt, "10", kView, ViewMember<&ViewSettings::gain>},
    {"OffsetInfo", "Offset", kInt, "0", kView, ViewMember<&ViewSettings::offset>},
    {"GainInfo1", "Gain1", kInt, "10", kView, ViewMember<&ViewSettings::gain1>},
    {"OffsetInfo1", "Offset1", kInt, "0", kView, ViewMember<&ViewSettings::offset1>},
    {"SAMPRATEINFO", "SAMPRATE", kText, "10", kMain, LoggerMember<&LoggerSettings::sampleInterval>},
    {"SAMPRATEINFO", "SAMPUNIT", kInt, "0", kMain, LoggerMember<&LoggerSettings::sampleUnit>},
    {"ALARMInfo", "ALARMUNIT", kInt, "0", kMain, LoggerMember<&LoggerSettings::alarmUnit>},
    {"ALARMInfo", "ALARMLEDCHECK", kByte, "1", kMain, LoggerMember<&LoggerSettings::alarmLedFlash>},
    {"ALARMInfo", "TEMPHI", kText, "40", kMain, LoggerMember<&LoggerSettings::tempAlarmHigh>},
    {"ALARMInfo", "TEMPLOW", kText, "0", kMain, LoggerMember<&LoggerSettings::tempAlarmLow>},
    {"ALARMInfo", "RHHI", kText, "90", kMain, LoggerMember<&LoggerSettings::rhAlarmHigh>},
    {"ALARMInfo", "RHLOW", kText, "30", kMain, LoggerMember<&LoggerSettings::rhAlarmLow>},
    {"VIEWInfo", "VIEW1", kByte, "1", kView, ViewMember<&ViewSettings::showTempCurve>},
    {"VIEWInfo", "VIEW2", kByte, "0", kView, ViewMember<&ViewSettings::showTempAlarmHigh>},
    {"VIEWInfo", "VIEW3", kByte, "0", kView, ViewMember<&ViewSettings::showTempAlarmLow>},
    {"VIEWInfo", "VIEW4", kByte, "1", kView, ViewMember<&ViewSettings::showRhCurve>},
    {"VIEWInfo", "VIEW5", kByte, "0", kView, ViewMember<&ViewSettings::showRhAlarmHigh>},
    {"VIEWInfo", "VIEW6", kByte, "0", kView, ViewMember<&ViewSettings::showRhAlarmLow>},
    {"VIEWInfo", "VIEW7", kByte, "0", kView, ViewMember<&ViewSettings::showMarkPoints>},
    {"VIEWInfo", "VIEW8", kByte, "1", kView, ViewMember<&ViewSettings::showYAxisLines>},
    {"VIEWInfo", "VIEW9", kByte, "1", kView, ViewMember<&ViewSettings::showXAxisLines>},
    {"LEDInfo", "LEDDATA", kByte, "24", kMain, LoggerMember<&LoggerSettings::ledFlashCycle>},
    {"ColorInfo", "BGColor", kByte, "13", kMain, MainMember<&MainSettings::backgroundColorIndex>},
    {"ColorInfo", "TColor", kByte, "0", kMain, MainMember<&MainSettings::tempColorIndex>},
    {"ColorInfo", "RHColor", kByte, "3", kMain, MainMember<&MainSettings::rhColorIndex>},
    {"ColorInfo", "GRIDColor", kByte, "2", kMain, MainMember<&MainSettings::gridColorIndex>},
    {"Y AXISInfo", "Y TEMPLOW", kInt, "-40", kView, ViewMember<&ViewSettings::yTempLow>},
    {"Y AXISInfo", "Y TEMPHI", kInt, "158", kView, ViewMember<&ViewSettings::yTempHigh>},
    {"Y AXISInfo", "Y RHLOW", kInt, "0", kView, ViewMember<&ViewSettings::yRhLow>},
    {"Y AXISInfo", "Y RHHI", kInt, "100", kView, ViewMember<&ViewSettings::yRhHigh>},
    {"Y UNITInfo", "UNIT", kByte, "0", kView, UnitMember},
    {"AUTO/MANUAL Info", "Auto/Manual", kByte, "0", kMain, LoggerMember<&LoggerSettings::startMode>},
    {"CYCLE/NOCYCLE Info", "Cycle/No cycle", kByte, "0", kMain,
     LoggerMember<&LoggerSettings::overwriteWhenFull>},
};
constexpr size_t kKeyCount = std::size(kSettingsKeys);
static_assert(kKeyCount == 34);

template <size_t N>
consteval std::array<size_t, N> RowsOf(const char* const (&keys)[N]) {
  std::array<size_t, N> rows{};
  for (size_t i = 0; i < N; ++i) {
    size_t row = 0;
    while (row < kKeyCount && std::string_view(kSettingsKeys[row].key) != keys[i]) ++row;
    if (row == kKeyCount) throw "unknown settings key";
    rows[i] = row;
  }
  return rows;
}

// The main window reads its keys when it is created, before its bars and serial control.
constexpr auto kMainReadOrder = RowsOf({"COM num", "SAMPRATE", "SAMPUNIT", "ALARMUNIT", "ALARMLEDCHECK",
                                        "TEMPHI", "TEMPLOW", "RHHI", "RHLOW", "LEDDATA", "BGColor", "TColor",
                                        "RHColor", "GRIDColor", "Auto/Manual", "Cycle/No cycle"});
// The graph view reads its keys when its window is created.
constexpr auto kViewReadOrder =
    RowsOf({"Gain", "Offset", "Gain1", "Offset1", "VIEW1", "VIEW2", "VIEW3", "VIEW4", "VIEW5", "VIEW6",
            "VIEW7", "VIEW8", "VIEW9", "UNIT", "Y TEMPLOW", "Y TEMPHI", "Y RHLOW", "Y RHHI"});

// clang 14 with libstdc++ 12 cannot build std::string in a constant expression; g++ checks it.
#if !defined(__clang__)
// Each key is read exactly once, by its owner, into a member of its kind.
consteval bool TableIsConsistent() {
  std::array<int, kKeyCount> reads{};
  for (size_t row : kMainReadOrder) {
    if (kSettingsKeys[row].owner != kMain) return false;
    ++reads[row];
  }
  for (size_t row : kViewReadOrder) {
    if (kSettingsKeys[row].owner != kView) return false;
    ++reads[row];
  }
  MainSettings main;
  ViewSettings view;
  uint8_t unit = 0;
  const Owners owners{&main, &view, &unit};
  for (size_t row = 0; row < kKeyCount; ++row) {
    if (reads[row] != 1) return false;
    const Slot slot = kSettingsKeys[row].member(owners);
    switch (kSettingsKeys[row].kind) {
      case kInt:
        if (slot.integer == nullptr) return false;
        break;
      case kByte:
        if (slot.byte == nullptr) return false;
        break;
      case kText:
        if (slot.text == nullptr) return false;
        break;
    }
  }
  return true;
}
static_assert(TableIsConsistent());
#endif

void ReadKey(const SettingsStore& store, const SettingsKey& k, const Owners& owners) {
  const Slot slot = k.member(owners);
  switch (k.kind) {
    case kInt:
      *slot.integer = store.ReadInt(k.section, k.key, LeadingInt(k.defaultValue));
      break;
    case kByte:
      // A byte keeps the low 8 bits of whatever number is stored.
      *slot.byte = static_cast<uint8_t>(store.ReadInt(k.section, k.key, LeadingInt(k.defaultValue)));
      break;
    case kText:
      *slot.text = store.ReadString(k.section, k.key, k.defaultValue);
      break;
  }
}

std::string FormatKey(const SettingsKey& k, const Owners& owners) {
  const Slot slot = k.member(owners);
  switch (k.kind) {
    case kInt:
      return StrFormat("%d", static_cast<int>(*slot.integer));
    case kByte:
      return StrFormat("%d", static_cast<int>(*slot.byte));
    case kText:
      return *slot.text;
  }
  return {};
}

}  // namespace

void ReadMainSettings(const SettingsStore& store, MainSettings& main) {
  const Owners owners{&main, nullptr, nullptr};
  for (size_t row : kMainReadOrder) ReadKey(store, kSettingsKeys[row], owners);
}

void ReadViewSettings(const SettingsStore& store, ViewSettings& view, uint8_t& isFahrenheit) {
  const Owners owners{nullptr, &view, &isFahrenheit};
  for (size_t row : kViewReadOrder) ReadKey(store, kSettingsKeys[row], owners);
}

bool WriteAllSettings(SettingsStore& store, const MainSettings& main, const ViewSettings& view,
                      uint8_t isFahrenheit) {
  // The table's accessors hand out writable members; writing only reads them, from copies.
  MainSettings mainCopy = main;
  ViewSettings viewCopy = view;
  uint8_t unit = isFahrenheit;
  const Owners owners{&mainCopy, &viewCopy, &unit};
  std::vector<SettingsEntry> entries;
  entries.reserve(kKeyCount);
  for (const SettingsKey& k : kSettingsKeys) entries.push_back({k.section, k.key, FormatKey(k, owners)});
  // One rewrite of the file instead of 34, with the same result.
  return store.WriteStrings(entries);
}

}  // namespace k7740
