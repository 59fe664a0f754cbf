// The tab-separated text report (".xls") written beside every saved record file.
#pragma once

#include <string>

#include "recording/recording.h"

namespace k7740 {

// The whole report, "\r\n" line ends.
std::string BuildTextReport(const CTevDoc& doc, const RecordingView& view);

}  // namespace k7740
