#include "recording/record_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/text.h"
#include "recording/recording.h"

namespace k7740 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes LoadFixture(const char* name) {
  std::ifstream in(std::string(K7740_TEST_DATA) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PutI32(Bytes& out, size_t at, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(u >> (8 * i));
}

// A document and view pair; the document is large, so it lives on the heap.
struct Recording {
  std::unique_ptr<CTevDoc> doc = std::make_unique<CTevDoc>();
  RecordingView view;
};

const char* const kAt = "@14:10:00 05/10/07";

// Offsets in the one-reading file: identity (7), count (4), one reading (8), 7 integers (28), unit (1).
constexpr size_t kUnitAt = 7 + 4 + 8 + 28;
constexpr size_t kFirstTextAt = kUnitAt + 1;

// One reading, 21.5 C / 48.0 %RH, 5 October 2007 14:10:00, 60 s, Celsius, logger limits 40/-10 C, 90/20 %RH.
Recording OneReading() {
  Recording r;
  r.doc->temperature[0] = 21.5f;
  r.doc->humidity[0] = 48.0f;
  r.view.readingCount = 1;
  r.view.startTime = MakeLocalTime(2007, 10, 5, 14, 10, 0);
  r.view.sampleIntervalSeconds = 60;
  r.view.isFahrenheit = 0;
  r.view.rhAvgText = "48.00 %RH";
  r.view.tempAvgTextC = "21.50 C";
  r.view.tempAvgTextF = "70.70 F";
  r.view.rhMaxText = r.view.rhMinText = std::string("48.0 %RH ") + kAt;
  r.view.tempMaxTextC = r.view.tempMinTextC = std::string("21.5 C ") + kAt;
  r.view.tempMaxTextF = r.view.tempMinTextF = std::string("70.7 F ") + kAt;
  r.view.rhAlarmHighText = "90 %RH";
  r.view.tempAlarmHighText = "40 C";
  r.view.rhAlarmLowText = "20 %RH";
  r.view.tempAlarmLowText = "-10 C";
  r.view.tempHighLineC = 40;
  r.view.tempHighLineF = 104;
  r.view.tempLowLineC = -10;
  r.view.tempLowLineF = 14;
  r.view.rhHighLine = 90;
  r.view.rhLowLine = 20;
  return r;
}

// Everything a failed read must leave alone.
void ExpectSameRecording(const Recording& a, const Recording& b) {
  EXPECT_EQ(0, std::memcmp(a.doc->temperature.data(), b.doc->temperature.data(), sizeof a.doc->temperature));
  EXPECT_EQ(0, std::memcmp(a.doc->humidity.data(), b.doc->humidity.data(), sizeof a.doc->humidity));
  EXPECT_EQ(a.doc->readIdentity, b.doc->readIdentity);
  EXPECT_EQ(a.doc->loadedStartYear, b.doc->loadedStartYear);
  EXPECT_EQ(a.doc->loadedStartSecond, b.doc->loadedStartSecond);
  EXPECT_EQ(a.view.readingCount, b.view.readingCount);
  EXPECT_EQ(a.view.startTime, b.view.startTime);
  EXPECT_EQ(a.view.sampleIntervalSeconds, b.view.sampleIntervalSeconds);
  EXPECT_EQ(a.view.isFahrenheit, b.view.isFahrenheit);
  EXPECT_EQ(a.view.rhAvgText, b.view.rhAvgText);
  EXPECT_EQ(a.view.tempAlarmLowText, b.view.tempAlarmLowText);
  EXPECT_EQ(a.view.rhLowLine, b.view.rhLowLine);
  EXPECT_EQ(a.view.rebuildTextsOnDraw, b.view.rebuildTextsOnDraw);
  EXPECT_EQ(a.view.recordingFromFile, b.view.recordingFromFile);
  EXPECT_EQ(a.view.displayMode, b.view.displayMode);
}

// A recording that a failed read must not touch: different values everywhere.
Recording Bystander() {
  Recording r;
  for (int i = 0; i < kMaxReadings; ++i) {
    r.doc->temperature[static_cast<size_t>(i)] = -7.5f;
    r.doc->humidity[static_cast<size_t>(i)] = 33.25f;
  }
  r.doc->readIdentity = "earlier";
  r.doc->loadedStartYear = 1999;
  r.view.readingCount = 5;
  r.view.startTime = 12345;
  r.view.sampleIntervalSeconds = 7;
  r.view.rhAvgText = "old";
  r.view.rhLowLine = 3.5f;
  return r;
}

class RecordFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

TEST_F(RecordFileTest, OneReadingMatchesTheGoldenFileByteForByte) {
  Recording r = OneReading();
  const Bytes bytes = WriteRecordBytes(*r.doc, r.view);
  EXPECT_EQ(r.doc->fileIdentity, "Tevaro");

  const Bytes head = {0x06, 'T', 'e', 'v', 'a', 'r', 'o',
                      // count, 21.5, 48.0
                      0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAC, 0x41, 0x00, 0x00, 0x40, 0x42,
                      // 2007, 10, 5, 14, 10, 0
                      0xD7, 0x07, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0E, 0x00,
                      0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                      // interval 60, Celsius
                      0x3C, 0x00, 0x00, 0x00, 0x00};
  ASSERT_GE(bytes.size(), head.size());
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(head.size())), head);

  const Bytes golden = LoadFixture("one_reading.record");
  ASSERT_EQ(golden.size(), 283u);
  EXPECT_EQ(bytes, golden);
}

TEST_F(RecordFileTest, ReadingTheGoldenFileSetsEveryStoredValueAndTheFlags) {
  const Bytes golden = LoadFixture("one_reading.record");
  Recording r = Bystander();
  r.view.displayMode = 0;
  ASSERT_EQ(ReadRecordBytes(golden.data(), golden.size(), *r.doc, r.view), RecordReadStatus::Ok);

  const Recording want = OneReading();
  EXPECT_EQ(r.doc->readIdentity, "Tevaro");
  EXPECT_EQ(r.view.readingCount, 1);
  EXPECT_EQ(r.doc->temperature[0], 21.5f);
  EXPECT_EQ(r.doc->humidity[0], 48.0f);
  EXPECT_EQ(r.doc->temperature[1], -7.5f) << "entries beyond the count keep older values";
  EXPECT_EQ(r.doc->loadedStartYear, 2007);
  EXPECT_EQ(r.doc->loadedStartMonth, 10);
  EXPECT_EQ(r.doc->loadedStartDay, 5);
  EXPECT_EQ(r.doc->loadedStartHour, 14);
  EXPECT_EQ(r.doc->loadedStartMinute, 10);
  EXPECT_EQ(r.doc->loadedStartSecond, 0);
  EXPECT_EQ(r.view.startTime, want.view.startTime);
  EXPECT_EQ(r.view.sampleIntervalSeconds, 60);
  EXPECT_EQ(r.view.isFahrenheit, 0);
  for (auto member : {&RecordingView::rhAvgText, &RecordingView::tempAvgTextC, &RecordingView::tempAvgTextF,
                      &RecordingView::rhMaxText, &RecordingView::tempMaxTextC, &RecordingView::tempMaxTextF,
                      &RecordingView::rhMinText, &RecordingView::tempMinTextC, &RecordingView::tempMinTextF,
                      &RecordingView::rhAlarmHighText, &RecordingView::tempAlarmHighText,
                      &RecordingView::rhAlarmLowText, &RecordingView::tempAlarmLowText}) {
    EXPECT_EQ(r.view.*member, want.view.*member);
  }
  for (auto member :
       {&RecordingView::tempHighLineC, &RecordingView::tempHighLineF, &RecordingView::tempLowLineC,
        &RecordingView::tempLowLineF, &RecordingView::rhHighLine, &RecordingView::rhLowLine}) {
    EXPECT_EQ(r.view.*member, want.view.*member);
  }
  EXPECT_EQ(r.view.rebuildTextsOnDraw, 1);
  EXPECT_EQ(r.view.recordingFromFile, 1);
  EXPECT_EQ(r.view.listNeedsRefill, 1);
  EXPECT_EQ(r.view.displayMode, 1);
  // The texts the file does not carry wait for the view's next drawing.
  EXPECT_EQ(r.view.startTimeText, "");

  // A list shown before stays a list.
  Recording list = Bystander();
  list.view.displayMode = 2;
  ASSERT_EQ(ReadRecordBytes(golden.data(), golden.size(), *list.doc, list.view), RecordReadStatus::Ok);
  EXPECT_EQ(list.view.displayMode, 2);
}

TEST_F(RecordFileTest, StoredFahrenheitUnitWinsOverTheDisplayedOne) {
  Bytes bytes = LoadFixture("one_reading.record");
  bytes[kUnitAt] = 1;
  Recording r;
  r.view.isFahrenheit = 0;
  ASSERT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), *r.doc, r.view), RecordReadStatus::Ok);
  RebuildHeaderTexts(*r.doc, r.view);
  EXPECT_EQ(r.view.isFahrenheit, 1);
  EXPECT_EQ(r.view.tempMaxText, std::string("70.7 F ") + kAt);
  EXPECT_EQ(r.view.tempAvgText, "70.70 F");
  EXPECT_EQ(r.view.tempAlarmHighText, "40 C") << "alarm texts keep the logger's unit";
}

TEST_F(RecordFileTest, FullRecordingRoundTripsBitForBit) {
  Recording src = OneReading();
  std::mt19937 rng(7740);
  for (int i = 0; i < kMaxReadings; ++i) {
    // Any bit pattern, NaNs and negative zero included, must come back unchanged.
    src.doc->temperature[static_cast<size_t>(i)] = std::bit_cast<float>(static_cast<uint32_t>(rng()));
    src.doc->humidity[static_cast<size_t>(i)] = std::bit_cast<float>(static_cast<uint32_t>(rng()));
  }
  src.view.readingCount = kMaxReadings;
  src.view.isFahrenheit = 1;
  src.view.sampleIntervalSeconds = 3600;
  const Bytes bytes = WriteRecordBytes(*src.doc, src.view);
  EXPECT_EQ(bytes.size(), 283u + 8u * (kMaxReadings - 1));

  Recording dst;
  ASSERT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), *dst.doc, dst.view), RecordReadStatus::Ok);
  EXPECT_EQ(dst.view.readingCount, kMaxReadings);
  EXPECT_EQ(
      0, std::memcmp(src.doc->temperature.data(), dst.doc->temperature.data(), sizeof src.doc->temperature));
  EXPECT_EQ(0, std::memcmp(src.doc->humidity.data(), dst.doc->humidity.data(), sizeof src.doc->humidity));
  EXPECT_EQ(dst.view.isFahrenheit, 1);
  EXPECT_EQ(dst.view.sampleIntervalSeconds, 3600);
  EXPECT_EQ(dst.view.startTime, src.view.startTime);
  EXPECT_EQ(WriteRecordBytes(*dst.doc, dst.view), bytes);
}

TEST_F(RecordFileTest, EmptyRecordingRoundTripsAndLeavesTheArraysAlone) {
  Recording src = OneReading();
  src.view.readingCount = 0;
  const Bytes bytes = WriteRecordBytes(*src.doc, src.view);
  EXPECT_EQ(bytes.size(), 283u - 8u);

  Recording dst = Bystander();
  ASSERT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), *dst.doc, dst.view), RecordReadStatus::Ok);
  EXPECT_EQ(dst.view.readingCount, 0);
  EXPECT_EQ(dst.doc->temperature[0], -7.5f);
  EXPECT_EQ(dst.doc->humidity[kMaxReadings - 1], 33.25f);
  EXPECT_EQ(dst.view.tempAlarmLowText, "-10 C");
}

TEST_F(RecordFileTest, EveryShortenedFileIsTruncatedAndChangesNothing) {
  // Three readings and a long text, so that the cuts fall inside every kind of item.
  Recording src = OneReading();
  src.doc->temperature[1] = 1.5f;
  src.doc->temperature[2] = -2.5f;
  src.view.readingCount = 3;
  src.view.rhMaxText = std::string(300, 'x');
  const Bytes bytes = WriteRecordBytes(*src.doc, src.view);

  const Recording before = Bystander();
  Recording r = Bystander();
  for (size_t size = 0; size < bytes.size(); ++size) {
    ASSERT_EQ(ReadRecordBytes(bytes.data(), size, *r.doc, r.view), RecordReadStatus::Truncated)
        << "size " << size;
    if (::testing::Test::HasFailure()) break;
  }
  ExpectSameRecording(r, before);
  ASSERT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), *r.doc, r.view), RecordReadStatus::Ok);

  // Bytes after the last item are not looked at.
  Bytes longer = bytes;
  longer.insert(longer.end(), {1, 2, 3});
  Recording t;
  EXPECT_EQ(ReadRecordBytes(longer.data(), longer.size(), *t.doc, t.view), RecordReadStatus::Ok);
  EXPECT_EQ(ReadRecordBytes(nullptr, 0, *t.doc, t.view), RecordReadStatus::Truncated);
}

TEST_F(RecordFileTest, IdentityMustBeTevaroExactly) {
  const Bytes golden = LoadFixture("one_reading.record");
  for (const char* identity : {"tevaro", "TEVARO", "TEvaro", "Tevaro ", "Tevar", ""}) {
    Bytes bytes;
    AppendArchiveString(bytes, identity);
    bytes.insert(bytes.end(), golden.begin() + 7, golden.end());
    const Recording before = Bystander();
    Recording r = Bystander();
    EXPECT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), *r.doc, r.view), RecordReadStatus::InvalidFormat)
        << identity;
    ExpectSameRecording(r, before);
  }
}

TEST_F(RecordFileTest, CountsOutsideTheCapacityAreRejected) {
  Recording src = OneReading();
  src.view.readingCount = kMaxReadings;
  const Bytes full = WriteRecordBytes(*src.doc, src.view);

  struct Case {
    int32_t count;
    RecordReadStatus want;
  };
  for (const Case c :
       {Case{-1, RecordReadStatus::InvalidFormat}, Case{INT_MIN, RecordReadStatus::InvalidFormat},
        Case{0, RecordReadStatus::Ok}, Case{kMaxReadings, RecordReadStatus::Ok},
        Case{kMaxReadings + 1, RecordReadStatus::InvalidFormat},
        Case{INT_MAX, RecordReadStatus::InvalidFormat}}) {
    Bytes bytes = full;
    PutI32(bytes, 7, c.count);
    if (c.count == 0) bytes.erase(bytes.begin() + 11, bytes.begin() + 11 + 8 * kMaxReadings);
    const Recording before = Bystander();
    Recording r = Bystander();
    EXPECT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), *r.doc, r.view), c.want) << "count " << c.count;
    if (c.want == RecordReadStatus::Ok) {
      EXPECT_EQ(r.view.readingCount, c.count);
    } else {
      ExpectSameRecording(r, before);
    }
  }
}

TEST_F(RecordFileTest, StringLengthPrefixesFollowTheArchiveRules) {
  struct Case {
    size_t length;
    Bytes prefix;
  };
  const Case cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {65533, {0xFF, 0xFD, 0xFF}},
      {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    const std::string text(c.length, 'a');
    Bytes out;
    AppendArchiveString(out, text);
    ASSERT_EQ(out.size(), c.prefix.size() + c.length) << c.length;
    EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(c.prefix.size())), c.prefix) << c.length;

    // And the reader takes the same text back from the middle of a record file.
    Recording src = OneReading();
    src.view.tempMaxTextF = text;
    const Bytes bytes = WriteRecordBytes(*src.doc, src.view);
    Recording dst;
    ASSERT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), *dst.doc, dst.view), RecordReadStatus::Ok)
        << c.length;
    EXPECT_EQ(dst.view.tempMaxTextF, text) << c.length;
    EXPECT_EQ(dst.view.rhMinText, src.view.rhMinText) << c.length;
  }
}

// The golden file with the first text item (rhAvgText) replaced by raw bytes.
Bytes WithFirstText(const Bytes& raw) {
  const Bytes golden = LoadFixture("one_reading.record");
  const size_t at = kFirstTextAt;
  Bytes bytes(golden.begin(), golden.begin() + at);
  bytes.insert(bytes.end(), raw.begin(), raw.end());
  bytes.insert(bytes.end(), golden.begin() + static_cast<long>(at + 1 + golden[at]), golden.end());
  return bytes;
}

TEST_F(RecordFileTest, SixteenBitTextsAreReadAsSingleBytes) {
  struct Case {
    const char* name;
    Bytes raw;
    std::string want;
  };
  Bytes longForm = {0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01};  // 300 code units, 16-bit length
  for (int i = 0; i < 300; ++i) longForm.insert(longForm.end(), {'z', 0x00});
  const Case cases[] = {
      {"ascii", {0xFF, 0xFE, 0xFF, 0x02, 'O', 0x00, 'K', 0x00}, "OK"},
      // Latin-1 code units keep their value; anything above becomes '?'.
      {"latin1 and beyond", {0xFF, 0xFE, 0xFF, 0x03, 0xE9, 0x00, 0xAC, 0x20, 'C', 0x00}, "\xE9?C"},
      {"empty", {0xFF, 0xFE, 0xFF, 0x00}, ""},
      {"long length", longForm, std::string(300, 'z')},
  };
  for (const Case& c : cases) {
    const Bytes bytes = WithFirstText(c.raw);
    Recording r;
    ASSERT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), *r.doc, r.view), RecordReadStatus::Ok) << c.name;
    EXPECT_EQ(r.view.rhAvgText, c.want) << c.name;
    EXPECT_EQ(r.view.tempAvgTextC, "21.50 C") << c.name;
  }

  // The identity in the 16-bit form is still "Tevaro".
  const Bytes golden = LoadFixture("one_reading.record");
  Bytes wide = {0xFF, 0xFE, 0xFF, 0x06};
  for (char ch : std::string("Tevaro")) wide.insert(wide.end(), {static_cast<uint8_t>(ch), 0x00});
  wide.insert(wide.end(), golden.begin() + 7, golden.end());
  Recording r;
  EXPECT_EQ(ReadRecordBytes(wide.data(), wide.size(), *r.doc, r.view), RecordReadStatus::Ok);
  EXPECT_EQ(r.doc->readIdentity, "Tevaro");
}

TEST_F(RecordFileTest, TextLengthsBeyondTheFileAreTruncatedWithoutAllocating) {
  const Bytes lies[] = {
      {0x10, 'a'},                                       // 16 bytes claimed, 1 there
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},        // 4 GiB claimed
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},  // 2 G code units claimed
      {0xFF, 0xFE, 0xFF, 0x02, 'a', 0x00, 'b'},          // half a code unit missing
  };
  for (const Bytes& raw : lies) {
    // Nothing may follow for the lie to stand: the text is the last thing in the file.
    const Bytes golden = LoadFixture("one_reading.record");
    Bytes bytes(golden.begin(), golden.begin() + kFirstTextAt);
    bytes.insert(bytes.end(), raw.begin(), raw.end());
    const Recording before = Bystander();
    Recording r = Bystander();
    EXPECT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), *r.doc, r.view), RecordReadStatus::Truncated);
    ExpectSameRecording(r, before);
  }
}

}  // namespace
}  // namespace k7740
