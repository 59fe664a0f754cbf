// The record file (".record"): a little-endian sequential archive of one recording.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "recording/recording.h"

namespace k7740 {

inline constexpr const char* kRecordIdentity = "Tevaro";

// The whole file as bytes. Sets doc.fileIdentity to "Tevaro" (the writer's documented side effect).
std::vector<uint8_t> WriteRecordBytes(CTevDoc& doc, const RecordingView& view);

enum class RecordReadStatus {
  Ok,
  InvalidFormat,  // wrong identity, or a count outside 0..kMaxReadings: "Invalid Format!"
  Truncated,      // the file ends before all 30 items are read
};

// Reads a whole file image into doc and view. The recording is changed only when the status
// is Ok: the bytes are decoded into a fresh recording first and copied over on success.
// On success: readIdentity, readingCount, the readings, the six loaded fields, the interval,
// isFahrenheit, the 13 texts and 6 floats are replaced; rebuildTextsOnDraw, recordingFromFile
// and listNeedsRefill are set; startTime is rebuilt from the loaded fields; displayMode
// becomes 1 when it was 0. RebuildHeaderTexts is left to the caller's next drawing.
RecordReadStatus ReadRecordBytes(const uint8_t* data, size_t size, CTevDoc& doc, RecordingView& view);

// Length-prefixed string codec of the archive (exposed for tests and the fuzz target).
void AppendArchiveString(std::vector<uint8_t>& out, std::string_view text);

}  // namespace k7740
