// The record reader takes any bytes: it either reads a whole valid recording or changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "recording/record_file.h"
#include "recording/recording.h"
#include "recording/text_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace k7740;
  // Documents are too big to allocate for every run; these two are emptied each time.
  static const auto sharedDoc = std::make_unique<CTevDoc>();
  static const auto sharedDoc2 = std::make_unique<CTevDoc>();
  CTevDoc* doc = sharedDoc.get();
  *doc = CTevDoc{};
  RecordingView view;
  view.readingCount = 3;
  view.sampleIntervalSeconds = 11;
  const RecordReadStatus status = ReadRecordBytes(data, size, *doc, view);
  if (status != RecordReadStatus::Ok) {
    if (view.readingCount != 3 || view.sampleIntervalSeconds != 11 || view.recordingFromFile != 0)
      std::abort();
    return 0;
  }
  if (view.readingCount < 0 || view.readingCount > kMaxReadings) std::abort();
  // What a successful read leads to: the rebuilt texts, the report, and a second save.
  RebuildHeaderTexts(*doc, view);
  const std::string report = BuildTextReport(*doc, view);
  const std::vector<uint8_t> again = WriteRecordBytes(*doc, view);
  CTevDoc* doc2 = sharedDoc2.get();
  *doc2 = CTevDoc{};
  RecordingView view2;
  if (ReadRecordBytes(again.data(), again.size(), *doc2, view2) != RecordReadStatus::Ok) std::abort();
  if (view2.readingCount != view.readingCount) std::abort();
  return 0;
}
