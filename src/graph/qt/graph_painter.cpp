#include "graph/qt/graph_painter.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QPen>
#include <QPolygon>
#include <QString>
#include <algorithm>
#include <cmath>
#include <vector>

#include "appearance/color_table.h"
#include "common/file_io.h"

namespace k7740 {

QColor ColorFromIndex(int index) {
  const ColorRgb c = ColorTableRgb(index);
  return QColor(c.r, c.g, c.b);
}

GraphColors GraphColorsFor(const MainSettings& colours, const QColor& face) {
  GraphColors c;
  c.face = face;
  c.background = ColorFromIndex(colours.backgroundColorIndex);
  c.temperature = ColorFromIndex(colours.tempColorIndex);
  c.humidity = ColorFromIndex(colours.rhColorIndex);
  c.grid = ColorFromIndex(colours.gridColorIndex);
  return c;
}

QFont SceneFontFor(SceneFont font, const SceneStyle& style) {
  QFont f(QStringLiteral("Arial"));
  int pixels = style.labelFontPixels;
  switch (font) {
    case SceneFont::Label:
      f.setWeight(QFont::Medium);
      break;
    case SceneFont::Unit:
      // The heavy face where the system has it, else the boldest Arial.
      f.setFamilies({QStringLiteral("Arial Black"), QStringLiteral("Arial")});
      f.setWeight(QFont::Black);
      pixels = style.unitFontPixels;
      break;
    case SceneFont::Readout:
      f.setWeight(QFont::Thin);
      pixels = style.readoutFontPixels;
      break;
  }
  f.setStyleHint(QFont::SansSerif);
  // A cell height includes the face's internal leading (about 15 % for Arial).
  if (style.fontPixelsAreCellHeight) pixels = static_cast<int>(std::lround(pixels / 1.149));
  f.setPixelSize(std::max(1, pixels));
  return f;
}

namespace {

QColor ColorOf(SceneColor c, int series, const GraphColors& colors) {
  switch (c) {
    case SceneColor::Face:
      return colors.face;
    case SceneColor::Background:
      return colors.background;
    case SceneColor::Temperature:
      return colors.temperature;
    case SceneColor::Humidity:
      return colors.humidity;
    case SceneColor::Grid:
      return colors.grid;
    case SceneColor::Black:
      return Qt::black;
    case SceneColor::White:
      return Qt::white;
    case SceneColor::ReadoutBar:
      return QColor(55, 55, 55);
    case SceneColor::None:
      break;
  }
  return series == 0 ? colors.temperature : colors.humidity;
}

int Sign(int v) { return (v > 0) - (v < 0); }

// The pixels of a line from (x0, y0) to (x1, y1) without its end point; every other one when
// dotted. Grid and tick lines run along a row or a column.
void StraightLine(QPainter& p, const SceneOp& op, bool dotted) {
  const int sx = Sign(op.x1 - op.x0), sy = Sign(op.y1 - op.y0);
  if (sx == 0 && sy == 0) return;
  if (sx != 0 && sy != 0) {
    p.drawLine(op.x0, op.y0, op.x1, op.y1);
    return;
  }
  if (!dotted) {
    p.drawLine(op.x0, op.y0, op.x1 - sx, op.y1 - sy);
    return;
  }
  const int length = std::max(std::abs(op.x1 - op.x0), std::abs(op.y1 - op.y0));
  std::vector<QPoint> dots;
  dots.reserve(static_cast<size_t>(length / 2 + 1));
  for (int i = 0; i < length; i += 2) dots.emplace_back(op.x0 + i * sx, op.y0 + i * sy);
  p.drawPoints(dots.data(), static_cast<int>(dots.size()));
}

}  // namespace

void PaintGraphScene(QPainter& p, const GraphScene& scene, const GraphColors& colors) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  const SceneStyle& style = scene.style;
  QPen gridPen(colors.grid, 0);
  gridPen.setCosmetic(true);
  for (const SceneOp& op : scene.ops) {
    switch (op.kind) {
      case SceneOp::Kind::Fill:
        p.fillRect(QRect(op.x0, op.y0, op.x1, op.y1), ColorOf(op.color, 0, colors));
        break;
      case SceneOp::Kind::DottedLine:
      case SceneOp::Kind::TickLine:
        p.setPen(gridPen);
        StraightLine(p, op, op.kind == SceneOp::Kind::DottedLine);
        break;
      case SceneOp::Kind::Curve: {
        QPen pen(ColorOf(SceneColor::None, op.series, colors), style.curvePenWidth);
        if (style.curvePenWidth <= 1) {
          pen.setWidth(0);
          pen.setCosmetic(true);
          p.setPen(pen);
          // One pixel wide, a column's run of points is the span from its lowest to its highest,
          // and the steps between columns join one column's last point to the next one's first.
          std::vector<QLine> lines;
          lines.reserve(op.points.size());
          for (size_t i = 0; i < op.points.size();) {
            size_t j = i;
            int low = op.points[i].y, high = op.points[i].y;
            while (j + 1 < op.points.size() && op.points[j + 1].x == op.points[i].x) {
              ++j;
              low = std::min(low, op.points[j].y);
              high = std::max(high, op.points[j].y);
            }
            if (i > 0)
              lines.emplace_back(op.points[i - 1].x, op.points[i - 1].y, op.points[i].x, op.points[i].y);
            if (j > i) lines.emplace_back(op.points[i].x, low, op.points[i].x, high);
            i = j + 1;
          }
          p.drawLines(lines.data(), static_cast<int>(lines.size()));
          break;
        }
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p.setPen(pen);
        QPolygon poly(static_cast<int>(op.points.size()));
        for (size_t i = 0; i < op.points.size(); ++i) {
          poly.setPoint(static_cast<int>(i), op.points[i].x, op.points[i].y);
        }
        p.drawPolyline(poly);
        break;
      }
      case SceneOp::Kind::Marks: {
        QPen pen(ColorOf(SceneColor::None, op.series, colors), 0);
        pen.setCosmetic(true);
        p.setPen(pen);
        QPolygon dots(static_cast<int>(op.points.size()));
        for (size_t i = 0; i < op.points.size(); ++i) {
          dots.setPoint(static_cast<int>(i), op.points[i].x, op.points[i].y);
        }
        p.drawPoints(dots);
        break;
      }
      case SceneOp::Kind::AlarmLine: {
        QPen pen(ColorOf(SceneColor::None, op.series, colors), style.alarmPenWidth, Qt::DashDotLine,
                 Qt::SquareCap);
        p.setPen(pen);
        p.drawLine(op.x0, op.y0, op.x1, op.y1);
        break;
      }
      case SceneOp::Kind::Text: {
        const QFont font = SceneFontFor(op.font, style);
        const QFontMetrics fm(font);
        const QString text = QString::fromStdString(op.text);
        if (op.back != SceneColor::None) {
          p.fillRect(QRect(op.x0, op.y0, fm.horizontalAdvance(text), fm.height()),
                     ColorOf(op.back, 0, colors));
        }
        p.setFont(font);
        p.setPen(ColorOf(op.color, 0, colors));
        p.drawText(op.x0, op.y0 + fm.ascent(), text);
        break;
      }
    }
  }
  p.restore();
}

bool WritePngFile(const QImage& image, const std::string& path, std::string& error) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    error = "The picture could not be encoded as PNG.";
    return false;
  }
  return WriteFileAtomically(path, png.constData(), static_cast<size_t>(png.size()), error);
}

}  // namespace k7740
