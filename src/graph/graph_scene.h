// One drawing of the graph as an ordered list of fills, lines, curves and texts with every
// position worked out. A painter turns it into pixels; it computes no position of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graph/graph_state.h"

namespace k7740 {

enum class SceneColor : uint8_t {
  None,         // no fill behind a text (transparent)
  Face,         // the margins: button face on the screen, white on paper
  Background,   // the plot background (a colour index of the main window)
  Temperature,  // the temperature curve's colour index
  Humidity,     // the humidity curve's colour index
  Grid,         // the grid colour index
  Black,
  White,
  ReadoutBar,
};

enum class SceneFont : uint8_t { Label, Unit, Readout };

struct ScenePoint {
  int x = 0;
  int y = 0;
  bool operator==(const ScenePoint&) const = default;
};

struct SceneOp {
  enum class Kind : uint8_t {
    Fill,        // rectangle x0, y0 with width x1 and height y1
    DottedLine,  // grid pen: (x0, y0) to (x1, y1), the end point excluded
    TickLine,    // tick pen, the end point excluded
    Curve,       // polyline through points in the colour of series
    Marks,       // single pixels in the colour of series
    AlarmLine,   // dash-dot line (x0, y) to (x1, y) in the colour of series
    Text,        // text with the top of its cell at (x0, y0)
  };
  Kind kind = Kind::Fill;
  SceneColor color = SceneColor::None;
  SceneColor back = SceneColor::None;
  SceneFont font = SceneFont::Label;
  int series = 0;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  std::vector<ScenePoint> points;
  std::string text;
};

// What differs between the screen and a printed page.
struct SceneStyle {
  bool page = false;
  int u = 0;  // page height div 70 on a page
  int curvePenWidth = 1;
  int alarmPenWidth = 2;
  // Font sizes in pixels: character height on the screen, cell height on a page.
  int labelFontPixels = 12;
  int unitFontPixels = 14;
  int readoutFontPixels = 17;
  bool fontPixelsAreCellHeight = false;
};

SceneStyle ScreenSceneStyle();
SceneStyle PageSceneStyle(int pageHeight);

struct GraphScene {
  int cx = 0, cy = 0;
  SceneStyle style;
  std::vector<SceneOp> ops;
};

// Lays the graph out (LayoutGraph) and lists its drawing in order, from the margin fill to the
// readout bar. readout: the last cursor readout text (the screen only).
GraphScene BuildGraphScene(GraphState& g, const CTevDoc& doc, const RecordingView& rec,
                           const ViewSettings& vs, const PlotGeometry& geo, const SceneStyle& style,
                           const std::string& readout);

}  // namespace k7740
