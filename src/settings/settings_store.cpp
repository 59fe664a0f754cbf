#include "settings/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "common/file_io.h"
#include "common/text.h"

namespace k7740 {
namespace {

constexpr const char* kDefaultSettingsDirectory = "/var/lib/k7740";

// The program writes about 600 bytes. A far bigger file is not a settings file we could have
// written, so we neither parse it nor replace it.
constexpr size_t kMaxSettingsFileBytes = 1 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string SystemReason(int err) { return std::generic_category().message(err); }

// One line of the file. Positions are offsets into the whole text.
struct Line {
  enum Kind { kOther, kSection, kKey };
  size_t begin = 0;
  size_t end = 0;   // end of the content, before the line break
  size_t next = 0;  // start of the following line
  Kind kind = kOther;
  std::string_view name;  // section or key name, trimmed
  size_t valueBegin = 0;  // trimmed value of a key line
  size_t valueEnd = 0;
};

// Splits off the line starting at pos (pos < text.size()) and classifies it. A line whose
// first non-blank character is "[" opens a section even without the closing "]", so that
// keys under a damaged header never leak into the section before it.
Line ScanLine(std::string_view text, size_t pos) {
  Line line;
  line.begin = pos;
  // Lines end in LF, CRLF or a lone CR (files from old Macintosh editors).
  const size_t brk = text.find_first_of("\r\n", pos);
  line.end = brk == std::string_view::npos ? text.size() : brk;
  line.next = brk == std::string_view::npos ? text.size() : brk + 1;
  if (brk != std::string_view::npos && text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n') {
    ++line.next;
  }

  const std::string_view content = text.substr(pos, line.end - pos);
  size_t first = 0;
  while (first < content.size() && IsBlank(content[first])) ++first;
  if (first == content.size()) return line;
  const char lead = content[first];
  if (lead == ';' || lead == '#') return line;
  if (lead == '[') {
    const size_t close = content.find(']', first + 1);
    const size_t stop = close == std::string_view::npos ? content.size() : close;
    line.kind = Line::kSection;
    line.name = Trim(content.substr(first + 1, stop - first - 1));
    return line;
  }
  const size_t eq = content.find('=');
  if (eq == std::string_view::npos) return line;
  line.name = Trim(content.substr(0, eq));
  if (line.name.empty()) return line;
  line.kind = Line::kKey;
  size_t vb = eq + 1;
  size_t ve = content.size();
  while (vb < ve && IsBlank(content[vb])) ++vb;
  while (ve > vb && IsBlank(content[ve - 1])) --ve;
  line.valueBegin = pos + vb;
  line.valueEnd = pos + ve;
  return line;
}

// The value of the first matching key in the first matching section.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
  bool inSection = false;
  bool seenSection = false;
  for (size_t pos = 0; pos < text.size();) {
    const Line line = ScanLine(text, pos);
    pos = line.next;
    if (line.kind == Line::kSection) {
      if (seenSection) return std::nullopt;
      inSection = SameName(line.name, section);
      seenSection = inSection;
    } else if (inSection && line.kind == Line::kKey && SameName(line.name, key)) {
      return text.substr(line.valueBegin, line.valueEnd - line.valueBegin);
    }
  }
  return std::nullopt;
}

// New lines take the file's own line break: that of its first line.
std::string_view LineBreakOf(std::string_view text) {
  const size_t brk = text.find_first_of("\r\n");
  if (brk == std::string_view::npos || text[brk] == '\n') return "\n";
  return brk + 1 < text.size() && text[brk + 1] == '\n' ? "\r\n" : "\r";
}

// Inserts whole lines at pos, which is a line start or the end of the text; an unterminated
// last line gets its line break first.
void InsertLines(std::string& text, size_t pos, std::string_view lines, std::string_view eol) {
  std::string block;
  if (pos > 0 && text[pos - 1] != '\n' && text[pos - 1] != '\r') block += eol;
  block += lines;
  // In a file of lone CRs, a CR just before an LF would join it into one CRLF break and swallow
  // the line that LF ends.
  if (!block.empty() && block.back() == '\r' && pos < text.size() && text[pos] == '\n') block += '\n';
  text.insert(pos, block);
}

// Applies one key write to the text of the file, changing nothing but the lines it must.
void ApplyWrite(std::string& text, std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view eol = LineBreakOf(text);
  bool inSection = false;
  size_t appendAt = 0;  // after the section's last key line, or after its header
  for (size_t pos = 0; pos < text.size();) {
    const Line line = ScanLine(text, pos);
    pos = line.next;
    if (line.kind == Line::kSection) {
      if (inSection) break;
      if (SameName(line.name, section)) {
        inSection = true;
        appendAt = line.next;
      }
    } else if (inSection && line.kind == Line::kKey) {
      if (SameName(line.name, key)) {
        text.replace(line.valueBegin, line.valueEnd - line.valueBegin, value);
        return;
      }
      appendAt = line.next;
    }
  }
  std::string lines;
  if (!inSection) {
    appendAt = text.size();
    lines.append("[").append(section).append("]").append(eol);
  }
  lines.append(key).append("=").append(value).append(eol);
  InsertLines(text, appendAt, lines, eol);
}

// A name the file format could not hold would break the lines around it.
bool NameFits(std::string_view name, bool isKey) {
  if (name.empty()) return false;
  if (name.find_first_of(isKey ? "=\r\n" : "]\r\n") != std::string_view::npos) return false;
  return !isKey || (name.front() != '[' && name.front() != ';' && name.front() != '#');
}

enum class FileState { kRead, kMissing, kFailed };

struct FileText {
  FileState state = FileState::kMissing;
  std::string text;
  std::string error;
};

FileText ReadFileText(const std::string& path) {
  FileText out;
  // Non-blocking so that a FIFO in place of the file cannot hang the program.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR) return out;
    out.state = FileState::kFailed;
    out.error = StrFormat("Cannot read the settings file %s: %s.", path.c_str(), SystemReason(err).c_str());
    return out;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    out.state = FileState::kFailed;
    out.error = StrFormat("%s is not a regular file; it is left unchanged.", path.c_str());
    return out;
  }
  if (static_cast<unsigned long long>(st.st_size) > kMaxSettingsFileBytes) {
    ::close(fd);
    out.state = FileState::kFailed;
    out.error = StrFormat("%s is %lld bytes long, too long for a settings file; it is left unchanged.",
                          path.c_str(), static_cast<long long>(st.st_size));
    return out;
  }
  // One byte more than fstat said, so that the read that meets the end needs no second buffer.
  out.text.resize(static_cast<size_t>(st.st_size) + 1);
  size_t got = 0;
  for (;;) {
    // The file may have grown since fstat; keep reading until end of file or the limit.
    if (got == out.text.size()) out.text.resize(std::min(got + 4096, kMaxSettingsFileBytes + 1));
    if (got == out.text.size()) break;
    const ssize_t n = ::read(fd, out.text.data() + got, out.text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      out.state = FileState::kFailed;
      out.error = StrFormat("Cannot read the settings file %s: %s.", path.c_str(), SystemReason(err).c_str());
      out.text.clear();
      return out;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (got > kMaxSettingsFileBytes) {
    out.state = FileState::kFailed;
    out.error = StrFormat("%s is too long for a settings file; it is left unchanged.", path.c_str());
    out.text.clear();
    return out;
  }
  out.text.resize(got);
  out.state = FileState::kRead;
  return out;
}

// Readers see either the old or the new file, never a half-written one.
bool ReplaceFile(const std::string& path, std::string_view text, std::string& error) {
  std::string reason;
  if (WriteFileAtomically(path, text.data(), text.size(), reason)) return true;
  error = "The settings file was not saved. " + reason;
  return false;
}

std::string_view CutAtLineBreak(std::string_view value) {
  return value.substr(0, std::min(value.find_first_of("\r\n"), value.size()));
}

}  // namespace

std::string SettingsDirectory() {
  const char* dir = std::getenv("K7740_SETTINGS_DIR");
  if (dir != nullptr && *dir != '\0') return dir;
  return kDefaultSettingsDirectory;
}

SettingsStore::SettingsStore(std::string dir) : dir_(std::move(dir)) {}

std::string SettingsStore::Path() const {
  std::string path = dir_.empty() ? SettingsDirectory() : dir_;
  if (path.empty() || path.back() != '/') path += '/';
  return path + kSettingsFileName;
}

int SettingsStore::ReadInt(const std::string& section, const std::string& key, int def) const {
  const FileText file = ReadFileText(Path());
  if (file.state != FileState::kRead) return def;
  const auto value = FindValue(file.text, Trim(section), Trim(key));
  return value ? LeadingInt(*value) : def;
}

std::string SettingsStore::ReadString(const std::string& section, const std::string& key,
                                      const std::string& def) const {
  std::string_view result = def;
  const FileText file = ReadFileText(Path());
  std::optional<std::string_view> value;
  if (file.state == FileState::kRead) value = FindValue(file.text, Trim(section), Trim(key));
  if (value) result = *value;
  // The text ends at a NUL as it would in any C string the value is handed to.
  result = result.substr(0, std::min(result.find('\0'), result.size()));
  return std::string(result.substr(0, std::min<size_t>(result.size(), kMaxSettingsText)));
}

bool SettingsStore::WriteString(const std::string& section, const std::string& key,
                                const std::string& value) {
  return WriteStrings({SettingsEntry{section, key, value}});
}

bool SettingsStore::WriteStrings(const std::vector<SettingsEntry>& entries) {
  lastError_.clear();
  const std::string path = Path();
  FileText file = ReadFileText(path);
  if (file.state == FileState::kFailed) {
    lastError_ = file.error;
    return false;
  }
  bool allStored = true;
  bool changed = false;
  for (const SettingsEntry& e : entries) {
    const std::string_view section = Trim(e.section);
    const std::string_view key = Trim(e.key);
    if (!NameFits(section, false) || !NameFits(key, true)) {
      allStored = false;
      lastError_ =
          StrFormat("Cannot store \"%s\" in section \"%s\" of %s: the name does not fit a settings file.",
                    e.key.c_str(), e.section.c_str(), path.c_str());
      continue;
    }
    // A value is one line; anything after a line break would become lines of its own.
    ApplyWrite(file.text, section, key, CutAtLineBreak(e.value));
    changed = true;
  }
  if (!changed) return allStored;
  // The replacement keeps the old file's permissions and follows a symbolic link.
  std::string error;
  if (!ReplaceFile(path, file.text, error)) {
    lastError_ = error;
    return false;
  }
  return allStored;
}

}  // namespace k7740
