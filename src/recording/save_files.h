// Writing a recording to files: the two files of a Save, and the archive copy of every download.
#pragma once

#include <ctime>
#include <string>

#include "recording/recording.h"
#include "recording/save_names.h"

namespace k7740 {

// The text report and the record file as one unit: both are replaced or neither is.
// targetsChanged (optional) tells, after a failure, whether a target could not be put back.
bool SaveRecordingFiles(const SavePaths& paths, CTevDoc& doc, const RecordingView& view, std::string& error,
                        bool* targetsChanged = nullptr);

// Where every completed download is kept: $XDG_DATA_HOME/k7740/downloads, else
// ~/.local/share/k7740/downloads. Empty when neither variable gives an absolute folder.
std::string DownloadArchiveDirectory();

// The archive's file name for a download at this time: 2026-12-11_134502.record (local time).
std::string ArchiveFileName(std::time_t downloadTime);

// Writes the record file into folder (created when missing) under the download time's name,
// never over an earlier file (a second download in the same second gets "-2", "-3", ...).
// Returns false and sets error when it could not; path is the file written.
bool ArchiveDownload(const std::string& folder, std::time_t downloadTime, CTevDoc& doc,
                     const RecordingView& view, std::string& path, std::string& error);

}  // namespace k7740
