// Turns a graph scene into pixels with QPainter: the screen's composed image, a printed page
// and the CLI's picture all go through here.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <string>

#include "graph/graph_scene.h"
#include "settings/settings_table.h"

namespace k7740 {

// The colours a scene's colour names stand for on one surface.
struct GraphColors {
  QColor face;
  QColor background;
  QColor temperature;
  QColor humidity;
  QColor grid;
};

// Colour of a stored colour index (an index above 13, from a hand-edited file, is that much red).
QColor ColorFromIndex(int index);

// The main window's four colour indices on the given margin colour.
GraphColors GraphColorsFor(const MainSettings& colours, const QColor& face);

// The face of a scene font at the style's size.
QFont SceneFontFor(SceneFont font, const SceneStyle& style);

void PaintGraphScene(QPainter& painter, const GraphScene& scene, const GraphColors& colors);

// Encodes image as PNG and replaces path with it atomically. On failure error says why.
bool WritePngFile(const QImage& image, const std::string& path, std::string& error);

}  // namespace k7740
