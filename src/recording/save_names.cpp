#include "recording/save_names.h"

#include <vector>

#include "common/text.h"

namespace k7740 {

std::string ProposedSaveName(std::time_t now) { return FormatLocalTime(now, "%y-%m-%d  %H.%M.%S"); }

SavePaths SavePathsFor(const std::string& chosenPath) {
  // Only the file name is cut at its last "."; a "." in a folder name is not an extension.
  const size_t slash = chosenPath.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = chosenPath.rfind('.');
  // A name that starts with its only "." (".data") keeps it, so the base is never empty.
  const bool hasExtension = dot != std::string::npos && dot > nameStart;
  const std::string base = hasExtension ? chosenPath.substr(0, dot) : chosenPath;
  return SavePaths{base + ".record", base + ".xls"};
}

std::string ReplaceQuestion(const std::string& chosenPath, const SavePaths& paths,
                            const std::function<bool(const std::string&)>& exists) {
  const auto name = [](const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
  };
  std::vector<std::string> replaced;
  for (const std::string& path : {paths.recordPath, paths.reportPath}) {
    if (path != chosenPath && exists(path)) replaced.push_back(name(path));
  }
  if (replaced.empty()) return {};
  if (replaced.size() == 1) return replaced[0] + " already exists.\nDo you want to replace it?";
  return replaced[0] + " and " + replaced[1] + " already exist.\nDo you want to replace them?";
}

}  // namespace k7740
