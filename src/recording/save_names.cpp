#include "recording/save_names.h"

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

}  // namespace k7740
