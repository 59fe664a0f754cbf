// Reads and writes single keys of "TEVARO.ini", keeping every other line of the file.
#pragma once

#include <string>
#include <vector>

namespace k7740 {

inline constexpr const char* kSettingsFileName = "TEVARO.ini";
inline constexpr int kMaxSettingsText = 259;

// One key to store with SettingsStore::WriteStrings.
struct SettingsEntry {
  std::string section;
  std::string key;
  std::string value;
};

// The machine-wide settings folder: $K7740_SETTINGS_DIR when set, else /var/lib/k7740.
std::string SettingsDirectory();

class SettingsStore {
 public:
  // dir: folder of the file; empty means SettingsDirectory(), recomputed at each access.
  explicit SettingsStore(std::string dir = {});

  std::string Path() const;

  int ReadInt(const std::string& section, const std::string& key, int def) const;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Returns false when the file cannot be written; error then says why.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  // Stores the entries in order with a single rewrite of the file; the file ends up exactly as
  // after one WriteString per entry. Returns false if any entry could not be stored.
  bool WriteStrings(const std::vector<SettingsEntry>& entries);
  const std::string& LastError() const { return lastError_; }

 private:
  std::string dir_;
  std::string lastError_;
};

}  // namespace k7740
