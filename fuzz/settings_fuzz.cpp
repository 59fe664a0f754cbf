// The settings file takes any bytes. Start-up reads every key of the table from it and close
// writes them all back: nothing crashes, every line the program does not own is kept byte for
// byte and in order, and a second read-and-write changes nothing more.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_io.h"
#include "settings/settings_store.h"
#include "settings/settings_table.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "settings_fuzz: %s\n", what);
  std::abort();
}

// A folder in memory when there is one: the writer syncs every file it writes.
const std::string& Folder() {
  static const std::string folder = [] {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/k7740-settings-fuzz-XXXXXX";
    Check(::mkdtemp(pattern.data()) != nullptr, "no folder");
    return pattern;
  }();
  return folder;
}

std::string FileText(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!k7740::ReadWholeFile(path, bytes, error)) return {};
  return std::string(bytes.begin(), bytes.end());
}

// Lines with their line break (LF, CRLF or a lone CR), as the store splits them.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t brk = text.find_first_of("\r\n", pos);
    size_t next = brk == std::string_view::npos ? text.size() : brk + 1;
    if (brk != std::string_view::npos && text[brk] == '\r' && next < text.size() && text[next] == '\n')
      ++next;
    lines.push_back(text.substr(pos, next - pos));
    pos = next;
  }
  return lines;
}

std::string_view Content(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// The new text keeps every old line in order, with only the value of a key line changed; the
// last line may have gained its line break.
bool KeepsForeignLines(std::string_view before, std::string_view after) {
  const std::vector<std::string_view> old = Lines(before);
  const std::vector<std::string_view> now = Lines(after);
  size_t j = 0;
  for (size_t i = 0; i < old.size(); ++i) {
    const bool last = i + 1 == old.size();
    const std::string_view line = last ? Content(old[i]) : old[i];
    const size_t eq = Content(line).find('=');
    bool found = false;
    for (; j < now.size() && !found; ++j) {
      const std::string_view candidate = last ? Content(now[j]) : now[j];
      found = candidate == line ||
              (eq != std::string_view::npos && candidate.substr(0, eq + 1) == line.substr(0, eq + 1));
    }
    if (!found) return false;
  }
  return true;
}

void ReadAndWriteBack(const std::string& folder) {
  k7740::SettingsStore store(folder);
  k7740::MainSettings main;
  k7740::ViewSettings view;
  uint8_t isFahrenheit = 0;
  k7740::ReadMainSettings(store, main);
  k7740::ReadViewSettings(store, view, isFahrenheit);
  k7740::WriteAllSettings(store, main, view, isFahrenheit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& folder = Folder();
  const std::string path = folder + "/" + k7740::kSettingsFileName;
  std::string error;
  Check(k7740::WriteFileAtomically(path, data, size, error), "the input could not be written");
  const std::string before(reinterpret_cast<const char*>(data), size);

  ReadAndWriteBack(folder);
  const std::string once = FileText(path);
  Check(KeepsForeignLines(before, once), "a line the program does not own changed");

  ReadAndWriteBack(folder);
  Check(FileText(path) == once, "a second read and write changed the file");
  return 0;
}
