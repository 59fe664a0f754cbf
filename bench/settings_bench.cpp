// Start-up reads and the close-time write of all settings, on a full settings file in a
// temporary folder ($TMPDIR decides which file system is measured).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "settings/settings_table.h"

namespace k7740 {
namespace {

namespace fs = std::filesystem;

class FullSettingsFolder {
 public:
  FullSettingsFolder() {
    std::string pattern = (fs::temp_directory_path() / "k7740-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      error_ = "cannot create a temporary folder";
      return;
    }
    dir_ = pattern;
    SettingsStore store(dir_);
    if (!WriteAllSettings(store, MainSettings{}, ViewSettings{}, 0)) error_ = store.LastError();
  }
  ~FullSettingsFolder() {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  const std::string& dir() const { return dir_; }
  bool Ready(benchmark::State& state) const {
    if (error_.empty()) return true;
    state.SkipWithError(error_.c_str());
    return false;
  }

 private:
  std::string dir_;
  std::string error_;
};

void BM_StartupReadsBothOrders(benchmark::State& state) {
  FullSettingsFolder folder;
  if (!folder.Ready(state)) return;
  const SettingsStore store(folder.dir());
  for (auto _ : state) {
    MainSettings main;
    ViewSettings view;
    uint8_t isFahrenheit = 0;
    ReadMainSettings(store, main);
    ReadViewSettings(store, view, isFahrenheit);
    benchmark::DoNotOptimize(main);
    benchmark::DoNotOptimize(view);
    benchmark::DoNotOptimize(isFahrenheit);
  }
}
BENCHMARK(BM_StartupReadsBothOrders)->Unit(benchmark::kMicrosecond);

void BM_ReadMainOrder(benchmark::State& state) {
  FullSettingsFolder folder;
  if (!folder.Ready(state)) return;
  const SettingsStore store(folder.dir());
  for (auto _ : state) {
    MainSettings main;
    ReadMainSettings(store, main);
    benchmark::DoNotOptimize(main);
  }
}
BENCHMARK(BM_ReadMainOrder)->Unit(benchmark::kMicrosecond);

void BM_ReadViewOrder(benchmark::State& state) {
  FullSettingsFolder folder;
  if (!folder.Ready(state)) return;
  const SettingsStore store(folder.dir());
  for (auto _ : state) {
    ViewSettings view;
    uint8_t isFahrenheit = 0;
    ReadViewSettings(store, view, isFahrenheit);
    benchmark::DoNotOptimize(view);
  }
}
BENCHMARK(BM_ReadViewOrder)->Unit(benchmark::kMicrosecond);

void BM_WriteAllSettings(benchmark::State& state) {
  FullSettingsFolder folder;
  if (!folder.Ready(state)) return;
  SettingsStore store(folder.dir());
  const MainSettings main;
  const ViewSettings view;
  for (auto _ : state) {
    if (!WriteAllSettings(store, main, view, 0)) {
      state.SkipWithError(store.LastError().c_str());
      break;
    }
  }
}
BENCHMARK(BM_WriteAllSettings)->Unit(benchmark::kMicrosecond);

// For comparison: the same 34 keys stored with one rewrite each.
void BM_Write34SingleKeys(benchmark::State& state) {
  FullSettingsFolder folder;
  if (!folder.Ready(state)) return;
  SettingsStore store(folder.dir());
  // The keys in the order the full file holds them, which is the order they were written.
  std::vector<SettingsEntry> entries;
  std::ifstream in(store.Path());
  std::string section;
  for (std::string line; std::getline(in, line);) {
    if (line.size() > 1 && line.front() == '[') {
      section = line.substr(1, line.size() - 2);
    } else if (const size_t eq = line.find('='); eq != std::string::npos) {
      entries.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
    }
  }
  if (entries.size() != 34) {
    state.SkipWithError("the full settings file does not hold 34 keys");
    return;
  }
  for (auto _ : state) {
    bool ok = true;
    for (const SettingsEntry& e : entries) ok = ok && store.WriteString(e.section, e.key, e.value);
    if (!ok) {
      state.SkipWithError(store.LastError().c_str());
      break;
    }
  }
}
BENCHMARK(BM_Write34SingleKeys)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace k7740
