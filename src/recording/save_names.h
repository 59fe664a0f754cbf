// File-name rules of the Save command.
#pragma once

#include <ctime>
#include <string>

namespace k7740 {

// The proposed name: local time as "%y-%m-%d  %H.%M.%S" (two blanks).
std::string ProposedSaveName(std::time_t now);

// The record path and the report path for the path chosen in the save dialog: both share the
// chosen file's folder and its name up to the last "." ("data" -> data.record, data.xls;
// "data.xls" -> data.record, data.xls). A chosen file name with no "." takes the whole name.
struct SavePaths {
  std::string recordPath;
  std::string reportPath;
};
SavePaths SavePathsFor(const std::string& chosenPath);

}  // namespace k7740
