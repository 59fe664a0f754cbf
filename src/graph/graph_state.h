// The graph's numbers: plot geometry, the zoom chain rebuilt level by level from the stored
// selection fractions, the screen positions of the readings on the level shown, scroll state,
// time and value labels, the scroll-bar actions and the nearest-reading pick. Pure functions
// over plain state; the screen, the printed page and the CLI's picture all use them.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "recording/recording.h"
#include "settings/settings_table.h"

namespace k7740 {

inline constexpr int kZoomLevels = 100;  // levels 0 to 99
inline constexpr int kMaxZoomDepth = kZoomLevels - 1;
inline constexpr int kTickCount = 11;
inline constexpr int kTimeLabelCount = 10;

// The plot rectangle of a surface: the view's client area or a printed page.
struct PlotGeometry {
  int cx = 0, cy = 0;  // the surface
  int L = 0, T = 0, R = 0, B = 0;
  int W() const { return R - L; }
  int H() const { return B - T; }
  // A plot with no room draws no curve, no label and takes no selection.
  bool HasRoom() const { return W() > 0 && H() > 0; }
};

PlotGeometry ScreenPlotGeometry(int cx, int cy);
PlotGeometry PagePlotGeometry(int pageWidth, int pageHeight);

struct ScrollBarState {
  int minimum = 0;
  int maximum = 0;
  int position = 0;
  bool enabled = false;
  bool operator==(const ScrollBarState&) const = default;
};

using TickTable = std::array<float, kTickCount>;

// Zoom, scroll and label state of the one graph view, with the coordinate caches of the level
// shown. Only the current level's positions are held: nothing reads another level's.
struct GraphState {
  int zoomDepth = 0;
  std::array<double, kZoomLevels> selX1{}, selY1{}, selX2{}, selY2{};
  std::array<double, kZoomLevels> selFracX1{}, selFracY1{}, selFracX2{}, selFracY2{};
  std::array<TickTable, kZoomLevels> tempTicks{}, rhTicks{};
  std::array<int32_t, kZoomLevels> tempScrollSteps{}, rhScrollSteps{};
  bool chainRebuild = false;
  bool scrollSyncPending = false;

  float xStep = 0;
  int32_t hScrollOffset = 0;
  int32_t firstVisibleIndex = 0;
  int32_t tempScrollMax = 0, rhScrollMax = 0;
  int32_t tempScrollPos = 0, rhScrollPos = 0;
  ScrollBarState hBar, tempBar, rhBar;

  // Unscrolled positions on level zoomDepth; both series share the x positions.
  std::vector<double> screenX;
  std::array<std::vector<double>, 2> screenY;
  // The positions above belong to the last layout (readingCount >= 2 and a plot with room).
  bool positionsValid = false;

  std::array<int32_t, kTimeLabelCount> labelIndex{};
  std::array<std::time_t, kTimeLabelCount> labelTime{};
  int labelCount = 0;  // 10 when positions are valid, else none
  std::array<std::string, kTimeLabelCount> timeLabelTexts;
  std::array<std::string, 2 * kTickCount> valueLabelTexts;
  uint8_t hasSeveralReadings = 0;

  // The pixel distance of two readings on the level shown (0 without positions).
  double dx() const { return positionsValid ? screenX[1] - screenX[0] : 0.0; }
  const TickTable& ticks(int series) const {
    return series == 0 ? tempTicks[static_cast<size_t>(zoomDepth)] : rhTicks[static_cast<size_t>(zoomDepth)];
  }
  // Drawn x of reading j: where reading j + hScrollOffset stands unscrolled.
  double DrawnX(int j) const {
    return positionsValid ? screenX[0] + dx() * (double(j) + hScrollOffset) : 0.0;
  }
};

// The value a curve is drawn from: humidity as stored; temperature as stored in Celsius, and
// in Fahrenheit rounded to one decimal (trunc((c x 1.8 + 32 + 0.05) x 10) x 0.1).
double CurveValue(const CTevDoc& doc, const RecordingView& rec, int series, int i);

// One graph layout for the drawing: xStep, level 0, the rebuilt chain (while chainRebuild),
// the scroll synchronisation (when pending), the time labels and the label texts.
void LayoutGraph(GraphState& g, const CTevDoc& doc, const RecordingView& rec, const ViewSettings& vs,
                 const PlotGeometry& geo);

// Undo zoom: back to the unzoomed graph, scroll state cleared, the three bars disabled.
void UndoZoom(GraphState& g);
// The reset of the first drawing after a record file was read.
void ResetZoomForNewFile(GraphState& g);

// Left edge of a value label: 26 + 5 x c on the screen (base 26), c by the value's size.
int ValueLabelSizeClass(float v);

// Cuts to hundredths, truncating toward zero, as a 32-bit float.
float CutToHundredths(double v);

// Stores the press point of the selection on the current level (already clamped).
void StoreSelectionStart(GraphState& g, const PlotGeometry& geo, int x, int y);
void StoreSelectionEnd(GraphState& g, const PlotGeometry& geo, int x, int y);
// After a dragged selection: orders the corners, decides whether the zoom is accepted (depth
// below 99, dx < W, a1 - a0 > 0.01 on both axes, a selection of some width) and arms the rebuild.
// Returns true when a new level was entered.
bool FinishSelection(GraphState& g, const PlotGeometry& geo);

enum class ScrollAction { LineBack, LineForward, PageBack, PageForward, ThumbTrack, Other };

// Horizontal bar: back is "left", forward "right". Returns true when the view must redraw.
bool HorizontalScroll(GraphState& g, ScrollAction action, int thumbPos, int cx, int readingCount);
// Vertical bars (series 0 temperature, 1 humidity): back is "up", forward "down".
bool VerticalScroll(GraphState& g, int series, ScrollAction action, int thumbPos);

// The reading nearest to x on the level shown (ties keep the lower index); -1 without positions.
int PickReading(const GraphState& g, int readingCount, int x);
// "Time:... Temp:... RH:... %RH" of reading i.
std::string ReadoutText(const CTevDoc& doc, const RecordingView& rec, int i);

// Truncates toward zero into an int, clamped far outside any surface; NaN gives 0.
int TruncToPixel(double v);

}  // namespace k7740
