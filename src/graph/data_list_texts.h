// The data list's columns and the text of each cell, formatted on demand so that a list of
// 16,360 readings costs nothing until its rows are looked at.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

#include "recording/recording.h"

namespace k7740 {

struct DataListColumn {
  const char* header;  // exactly as in the list's header
  int width;           // pixels
};

inline constexpr std::array<DataListColumn, 5> kDataListColumns{{
    {"No.", 50},
    {" Time", 160},
    {"(%RH) Humidity", 130},
    {"(C) Temperature", 130},
    {"(F) Temperature", 130},
}};

// What the list shows: the readings of the document and the header values of the last fill.
// A later header that brings no readings (an empty logger) must not change the rows shown.
struct DataListSource {
  const CTevDoc* doc = nullptr;
  std::time_t startTime = 0;
  int32_t sampleIntervalSeconds = 0;
  int32_t rowCount = 0;
};

// The source for a fill from the current recording.
DataListSource DataListSourceFor(const CTevDoc& doc, const RecordingView& view);

// Cell text of reading row (0-based) in column 0..4; empty outside the list.
std::string DataListCellText(const DataListSource& source, int row, int column);

}  // namespace k7740
