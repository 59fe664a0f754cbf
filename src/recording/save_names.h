// File-name rules of the Save command.
#pragma once

#include <ctime>
#include <functional>
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

// The question to ask before a Save replaces files the save dialog did not confirm: the record
// or report path exists and is not the chosen path itself (whose replacement the dialog asked
// about). Empty when nothing else would be replaced.
std::string ReplaceQuestion(const std::string& chosenPath, const SavePaths& paths,
                            const std::function<bool(const std::string&)>& exists);

}  // namespace k7740
