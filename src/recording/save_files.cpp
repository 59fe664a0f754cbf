#include "recording/save_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/file_io.h"
#include "common/text.h"
#include "recording/record_file.h"
#include "recording/text_report.h"

namespace k7740 {

namespace {

// mkdir -p, private to the user as data folders should be.
bool MakeFolders(const std::string& folder, std::string& error) {
  for (size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos != folder.size() && folder[pos] != '/') continue;
    const std::string part = folder.substr(0, pos);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      error = "Cannot create the folder " + part + ": " + std::strerror(errno) + ".";
      return false;
    }
  }
  return true;
}

std::string AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : "";
}

}  // namespace

bool SaveRecordingFiles(const SavePaths& paths, CTevDoc& doc, const RecordingView& view, std::string& error,
                        bool* targetsChanged) {
  const std::string report = BuildTextReport(doc, view);
  const std::vector<FileImage> files{
      {paths.reportPath, std::vector<uint8_t>(report.begin(), report.end())},
      {paths.recordPath, WriteRecordBytes(doc, view)},
  };
  return WriteFilesAtomically(files, error, targetsChanged);
}

std::string DownloadArchiveDirectory() {
  std::string base = AbsoluteEnv("XDG_DATA_HOME");
  if (base.empty()) {
    const std::string home = AbsoluteEnv("HOME");
    if (home.empty()) return {};
    base = home + "/.local/share";
  }
  if (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/k7740/downloads";
}

std::string ArchiveFileName(std::time_t downloadTime) {
  return FormatLocalTime(downloadTime, "%Y-%m-%d_%H%M%S") + ".record";
}

bool ArchiveDownload(const std::string& folder, std::time_t downloadTime, CTevDoc& doc,
                     const RecordingView& view, std::string& path, std::string& error) {
  if (folder.empty()) {
    error = "No folder for the download archive: neither XDG_DATA_HOME nor HOME is set.";
    return false;
  }
  if (!MakeFolders(folder, error)) return false;
  const std::vector<uint8_t> bytes = WriteRecordBytes(doc, view);
  const std::string name = ArchiveFileName(downloadTime);
  const std::string stem = name.substr(0, name.size() - std::strlen(".record"));
  for (int n = 1;; ++n) {
    path = folder + "/" + (n == 1 ? name : StrFormat("%s-%d.record", stem.c_str(), n));
    // Taken names are skipped; the write itself still refuses to replace a file that appeared since.
    if (::access(path.c_str(), F_OK) != 0 || n == 100) break;
  }
  return WriteNewFileAtomically(path, bytes.data(), bytes.size(), error);
}

}  // namespace k7740
