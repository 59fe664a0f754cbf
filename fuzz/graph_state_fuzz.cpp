// The graph's state under any sequence of what the view does with it: resizes down to nothing,
// presses, drags, releases, scroll-bar actions, Undo zoom, unit switches and Y ranges, on
// recordings of 0 to 16,360 readings of any value (a record file can carry any float bits).
// Every step is followed by the layout a redraw starts with; the input says when the whole
// scene is drawn (for the screen or a page), and the screen's is drawn once more at the end.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "graph/graph_scene.h"
#include "graph/graph_state.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t u16() { return static_cast<uint16_t>(u8() | (u8() << 8)); }
  int32_t i32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(u8()) << (8 * i);
    return static_cast<int32_t>(v);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

float AnyFloat(Input& in) {
  const int32_t bits = in.i32();
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// A reading: mostly tenths of a degree or percent anywhere from -3276.8 to 3276.7 (on the plot,
// or off it by a few screens), a quarter of the time any float bits at all (huge values, NaN).
float AnyReading(Input& in) {
  if (in.u8() % 4 == 0) return AnyFloat(in);
  return static_cast<float>(static_cast<int16_t>(in.u16())) / 10.0f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace k7740;
  Input in(data, size);
  // One document for every run: allocating and clearing 16,360 readings each time would cost
  // more than the run. Every reading in use is written below.
  static const auto sharedDoc = std::make_unique<CTevDoc>();
  CTevDoc* doc = sharedDoc.get();
  RecordingView rec;
  ViewSettings vs;
  GraphState g;
  // 0, 1 or 2 readings; about a plot's width of them (a pixel a reading or several); any count;
  // a full logger.
  const uint8_t sizeKind = in.u8() % 6;
  const int counts[] = {0, 1, 2, in.u16() % 1300, in.u16() % (kMaxReadings + 1), kMaxReadings};
  rec.readingCount = counts[sizeKind];
  rec.sampleIntervalSeconds = in.i32();
  rec.startTime = in.i32();
  rec.isFahrenheit = in.u8() & 1;
  // A few distinct values spread over the recording, so long recordings stay cheap to set up.
  for (int k = 0; k < 8; ++k) {
    const float t = AnyReading(in), h = AnyReading(in);
    for (int i = k; i < rec.readingCount; i += 8) {
      doc->temperature[static_cast<size_t>(i)] = t;
      doc->humidity[static_cast<size_t>(i)] = h;
    }
  }
  rec.tempHighLineC = AnyFloat(in);
  rec.rhLowLine = AnyFloat(in);
  vs.showMarkPoints = in.u8() & 1;
  vs.showTempAlarmHigh = vs.showRhAlarmLow = 1;

  PlotGeometry geo = ScreenPlotGeometry(760, 600);
  bool dragging = false, moved = false;
  int anchorX = 0, anchorY = 0;
  // A whole drawing of 16,360 readings costs as much as the rest of a run: a run draws at most
  // six times where its input says, and once more at the end.
  int drawingsLeft = 6;
  for (int step = 0; step < 64 && !in.empty(); ++step) {
    const bool interactive = rec.readingCount >= 1 && geo.HasRoom();
    const int x = static_cast<int16_t>(in.u16()), y = static_cast<int16_t>(in.u16());
    const int cx = std::clamp(x, geo.L, std::max(geo.L, geo.R)),
              cy = std::clamp(y, geo.T, std::max(geo.T, geo.B));
    switch (in.u8() % 11) {
      case 0:
        geo = ScreenPlotGeometry(static_cast<uint16_t>(x) % 2100, static_cast<uint16_t>(y) % 1300);
        break;
      case 1:
        if (!interactive) break;
        StoreSelectionStart(g, geo, cx, cy);
        dragging = true;
        moved = false;
        anchorX = cx;
        anchorY = cy;
        break;
      case 2:
        if (!interactive) break;
        if (dragging && (cx != anchorX || cy != anchorY)) moved = true;
        if (const int j = PickReading(g, rec.readingCount, cx); j >= 0 && j < rec.readingCount) {
          if (ReadoutText(*doc, rec, j).empty()) std::abort();
        }
        break;
      case 3:
        if (!interactive) break;
        StoreSelectionEnd(g, geo, cx, cy);
        if (moved) FinishSelection(g, geo);
        dragging = moved = false;
        break;
      case 4:
        HorizontalScroll(g, static_cast<ScrollAction>(static_cast<uint8_t>(x) % 6), y, geo.cx,
                         rec.readingCount);
        break;
      case 5:
        VerticalScroll(g, x & 1, static_cast<ScrollAction>(static_cast<uint8_t>(y) % 6), x >> 1);
        break;
      case 6:
        UndoZoom(g);
        break;
      case 7:
        rec.isFahrenheit ^= 1;
        break;
      case 8:
        vs.yTempLow = x;
        vs.yTempHigh = y;
        vs.yRhLow = x / 3;
        vs.yRhHigh = y / 3;
        break;
      case 9:
        if (drawingsLeft-- > 0) BuildGraphScene(g, *doc, rec, vs, geo, ScreenSceneStyle(), "readout");
        break;
      default: {
        if (drawingsLeft-- <= 0) break;
        const PlotGeometry page =
            PagePlotGeometry(static_cast<uint16_t>(x) % 6000, static_cast<uint16_t>(y) % 8000);
        BuildGraphScene(g, *doc, rec, vs, page, PageSceneStyle(page.cy), "");
        break;
      }
    }
    LayoutGraph(g, *doc, rec, vs, geo);
    if (g.zoomDepth < 0 || g.zoomDepth > kMaxZoomDepth) std::abort();
  }
  const GraphScene scene = BuildGraphScene(g, *doc, rec, vs, geo, ScreenSceneStyle(), "readout");
  static const bool trace = std::getenv("K7740_FUZZ_TRACE") != nullptr;  // to see what a seed does
  if (trace)
    std::fprintf(stderr, "%d readings on %dx%d, zoom depth %d, %zu drawing steps\n", rec.readingCount, geo.cx,
                 geo.cy, g.zoomDepth, scene.ops.size());
  return 0;
}
