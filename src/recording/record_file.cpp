#include "recording/record_file.h"

#include <bit>
#include <cstring>

#include "common/text.h"

namespace k7740 {

namespace {

// ---- writing ----

void PutU8(std::vector<uint8_t>& out, uint8_t v) { out.push_back(v); }

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 24));
}

void PutI32(std::vector<uint8_t>& out, int32_t v) { PutU32(out, static_cast<uint32_t>(v)); }
void PutF32(std::vector<uint8_t>& out, float v) { PutU32(out, std::bit_cast<uint32_t>(v)); }

inline void StoreU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// ---- reading ----

inline uint32_t LoadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// Bounds-checked cursor over the file image. Every read reports whether the bytes were there.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Remaining() const { return size_ - pos_; }

  bool U8(uint8_t& v) {
    if (Remaining() < 1) return false;
    v = data_[pos_++];
    return true;
  }
  bool U16(uint16_t& v) {
    if (Remaining() < 2) return false;
    v = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
  }
  bool U32(uint32_t& v) {
    if (Remaining() < 4) return false;
    v = LoadU32(data_ + pos_);
    pos_ += 4;
    return true;
  }
  bool I32(int32_t& v) {
    uint32_t u;
    if (!U32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }
  bool F32(float& v) {
    uint32_t u;
    if (!U32(u)) return false;
    v = std::bit_cast<float>(u);
    return true;
  }
  // Returns the start of n bytes and skips them, or nullptr when fewer remain.
  const uint8_t* Take(size_t n) {
    if (Remaining() < n) return nullptr;
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// One length prefix. wideMarker tells whether 0xFF 0xFFFE means "16-bit characters follow"
// (only in the first prefix of a string; in the repeated one it is just the length 65,534).
enum class LengthResult { Ok, Wide, Short };

LengthResult ReadLength(Cursor& in, bool wideMarker, uint32_t& length) {
  uint8_t b;
  if (!in.U8(b)) return LengthResult::Short;
  if (b < 0xFF) {
    length = b;
    return LengthResult::Ok;
  }
  uint16_t w;
  if (!in.U16(w)) return LengthResult::Short;
  if (wideMarker && w == 0xFFFE) return LengthResult::Wide;
  if (w < 0xFFFF) {
    length = w;
    return LengthResult::Ok;
  }
  return in.U32(length) ? LengthResult::Ok : LengthResult::Short;
}

bool ReadArchiveString(Cursor& in, std::string& text) {
  uint32_t length = 0;
  LengthResult r = ReadLength(in, true, length);
  if (r == LengthResult::Short) return false;
  if (r == LengthResult::Ok) {
    const uint8_t* p = in.Take(length);
    if (p == nullptr) return false;
    text.assign(reinterpret_cast<const char*>(p), length);
    return true;
  }
  // 16-bit characters: the length again, counting UTF-16LE code units.
  if (ReadLength(in, false, length) != LengthResult::Ok) return false;
  if (in.Remaining() / 2 < length) return false;
  const uint8_t* p = in.Take(static_cast<size_t>(length) * 2);
  text.resize(length);
  for (uint32_t i = 0; i < length; ++i) {
    const unsigned unit = static_cast<unsigned>(p[2 * i]) | static_cast<unsigned>(p[2 * i + 1]) << 8;
    text[i] = unit < 256 ? static_cast<char>(unit) : '?';
  }
  return true;
}

// The 13 texts in file order.
constexpr std::string RecordingView::*kStoredTexts[] = {
    &RecordingView::rhAvgText,        &RecordingView::tempAvgTextC,      &RecordingView::tempAvgTextF,
    &RecordingView::rhMaxText,        &RecordingView::tempMaxTextC,      &RecordingView::tempMaxTextF,
    &RecordingView::rhMinText,        &RecordingView::tempMinTextC,      &RecordingView::tempMinTextF,
    &RecordingView::rhAlarmHighText,  &RecordingView::tempAlarmHighText, &RecordingView::rhAlarmLowText,
    &RecordingView::tempAlarmLowText,
};
constexpr size_t kStoredTextCount = sizeof kStoredTexts / sizeof kStoredTexts[0];

// The 6 alarm-line floats in file order.
constexpr float RecordingView::*kStoredFloats[] = {
    &RecordingView::tempHighLineC, &RecordingView::tempHighLineF, &RecordingView::tempLowLineC,
    &RecordingView::tempLowLineF,  &RecordingView::rhHighLine,    &RecordingView::rhLowLine,
};
constexpr size_t kStoredFloatCount = sizeof kStoredFloats / sizeof kStoredFloats[0];

// Everything of a file except the readings, which stay in the image until the commit.
struct DecodedRecord {
  std::string identity;
  int32_t count = 0;
  const uint8_t* readings = nullptr;
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int32_t interval = 0;
  uint8_t unit = 0;
  std::string texts[kStoredTextCount];
  float floats[kStoredFloatCount] = {};
};

RecordReadStatus Decode(const uint8_t* data, size_t size, DecodedRecord& rec) {
  Cursor in(data, size);
  if (!ReadArchiveString(in, rec.identity)) return RecordReadStatus::Truncated;
  if (rec.identity != kRecordIdentity) return RecordReadStatus::InvalidFormat;
  if (!in.I32(rec.count)) return RecordReadStatus::Truncated;
  if (rec.count < 0 || rec.count > kMaxReadings) return RecordReadStatus::InvalidFormat;
  rec.readings = in.Take(static_cast<size_t>(rec.count) * 8);
  if (rec.readings == nullptr) return RecordReadStatus::Truncated;
  for (int32_t* field :
       {&rec.year, &rec.month, &rec.day, &rec.hour, &rec.minute, &rec.second, &rec.interval}) {
    if (!in.I32(*field)) return RecordReadStatus::Truncated;
  }
  if (!in.U8(rec.unit)) return RecordReadStatus::Truncated;
  for (std::string& text : rec.texts) {
    if (!ReadArchiveString(in, text)) return RecordReadStatus::Truncated;
  }
  for (float& value : rec.floats) {
    if (!in.F32(value)) return RecordReadStatus::Truncated;
  }
  return RecordReadStatus::Ok;
}

}  // namespace

void AppendArchiveString(std::vector<uint8_t>& out, std::string_view text) {
  const size_t n = text.size();
  if (n < 0xFF) {
    PutU8(out, static_cast<uint8_t>(n));
  } else if (n < 0xFFFE) {
    PutU8(out, 0xFF);
    PutU16(out, static_cast<uint16_t>(n));
  } else {
    PutU8(out, 0xFF);
    PutU16(out, 0xFFFF);
    PutU32(out, static_cast<uint32_t>(n));
  }
  out.insert(out.end(), text.begin(), text.end());
}

std::vector<uint8_t> WriteRecordBytes(CTevDoc& doc, const RecordingView& view) {
  const LocalTimeParts start = BreakLocalTime(view.startTime);
  doc.fileIdentity = kRecordIdentity;

  int32_t count = view.readingCount;
  if (count < 0) count = 0;
  if (count > kMaxReadings) count = kMaxReadings;

  size_t textBytes = doc.fileIdentity.size() + 9;
  for (auto member : kStoredTexts) textBytes += (view.*member).size() + 9;
  std::vector<uint8_t> out;
  out.reserve(textBytes + 57 + static_cast<size_t>(count) * 8);

  AppendArchiveString(out, doc.fileIdentity);
  PutI32(out, count);
  const size_t readingsAt = out.size();
  out.resize(readingsAt + static_cast<size_t>(count) * 8);
  uint8_t* p = out.data() + readingsAt;
  for (int32_t i = 0; i < count; ++i, p += 8) {
    StoreU32(p, std::bit_cast<uint32_t>(doc.temperature[static_cast<size_t>(i)]));
    StoreU32(p + 4, std::bit_cast<uint32_t>(doc.humidity[static_cast<size_t>(i)]));
  }
  for (int32_t v : {start.year, start.month, start.day, start.hour, start.minute, start.second})
    PutI32(out, v);
  PutI32(out, view.sampleIntervalSeconds);
  PutU8(out, view.isFahrenheit);
  for (auto member : kStoredTexts) AppendArchiveString(out, view.*member);
  for (auto member : kStoredFloats) PutF32(out, view.*member);
  return out;
}

RecordReadStatus ReadRecordBytes(const uint8_t* data, size_t size, CTevDoc& doc, RecordingView& view) {
  if (data == nullptr) size = 0;
  DecodedRecord rec;
  const RecordReadStatus status = Decode(data, size, rec);
  if (status != RecordReadStatus::Ok) return status;

  // Everything was read and is valid: only now does the recording change.
  doc.readIdentity = std::move(rec.identity);
  view.readingCount = rec.count;
  const uint8_t* p = rec.readings;
  for (int32_t i = 0; i < rec.count; ++i, p += 8) {
    doc.temperature[static_cast<size_t>(i)] = std::bit_cast<float>(LoadU32(p));
    doc.humidity[static_cast<size_t>(i)] = std::bit_cast<float>(LoadU32(p + 4));
  }
  doc.loadedStartYear = rec.year;
  doc.loadedStartMonth = rec.month;
  doc.loadedStartDay = rec.day;
  doc.loadedStartHour = rec.hour;
  doc.loadedStartMinute = rec.minute;
  doc.loadedStartSecond = rec.second;
  view.sampleIntervalSeconds = rec.interval;
  // Anything but 0 is taken as Fahrenheit so that every reader of the flag agrees.
  view.isFahrenheit = rec.unit != 0 ? 1 : 0;
  for (size_t i = 0; i < kStoredTextCount; ++i) view.*kStoredTexts[i] = std::move(rec.texts[i]);
  for (size_t i = 0; i < kStoredFloatCount; ++i) view.*kStoredFloats[i] = rec.floats[i];

  view.rebuildTextsOnDraw = 1;
  view.recordingFromFile = 1;
  view.listNeedsRefill = 1;
  view.startTime = LoadedStartTime(doc);
  if (view.displayMode == 0) view.displayMode = 1;
  return RecordReadStatus::Ok;
}

}  // namespace k7740
