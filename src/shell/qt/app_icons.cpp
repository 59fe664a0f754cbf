#include "shell/qt/app_icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace k7740 {

namespace {

// Draws the program icon in a 64 x 64 unit square.
void PaintProgramIcon(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient tile(0, 0, 0, 64);
  tile.setColorAt(0, QColor(40, 120, 200));
  tile.setColorAt(1, QColor(20, 70, 140));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

  // Thermometer: a white tube with a red bulb.
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(14, 9, 12, 38), 6, 6);
  p.drawEllipse(QPointF(20, 48), 10, 10);
  p.setBrush(QColor(220, 30, 30));
  p.drawRect(QRectF(18, 24, 4, 22));
  p.drawEllipse(QPointF(20, 48), 6.5, 6.5);

  // Drop for humidity.
  QPainterPath drop;
  drop.moveTo(44, 14);
  drop.cubicTo(50, 26, 56, 32, 56, 40);
  drop.arcTo(QRectF(32, 28, 24, 24), 0, -180);
  drop.cubicTo(32, 32, 38, 26, 44, 14);
  p.setBrush(QColor(130, 210, 255));
  p.drawPath(drop);
}

QPixmap ProgramPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.scale(size / 64.0, size / 64.0);
  PaintProgramIcon(p);
  return pixmap;
}

// Draws one toolbar picture in a 27 x 20 unit box.
void PaintToolbarPicture(QPainter& p, ToolbarPicture picture) {
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(40, 40, 40);
  const QPen outline(ink, 1.0);
  switch (picture) {
    case ToolbarPicture::Save: {
      // Floppy disk.
      p.setPen(outline);
      p.setBrush(QColor(60, 90, 170));
      p.drawRect(QRectF(7.5, 2.5, 14, 15));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(10.5, 2.5, 8, 5));
      p.setBrush(QColor(220, 220, 220));
      p.drawRect(QRectF(9.5, 11.5, 10, 6));
      break;
    }
    case ToolbarPicture::Open: {
      // Open folder.
      p.setPen(outline);
      p.setBrush(QColor(230, 190, 80));
      QPolygonF back{{5.5, 4.5}, {11.5, 4.5}, {13.5, 6.5}, {21.5, 6.5}, {21.5, 16.5}, {5.5, 16.5}};
      p.drawPolygon(back);
      p.setBrush(QColor(250, 215, 110));
      QPolygonF front{{5.5, 16.5}, {8.5, 9.5}, {24.5, 9.5}, {21.5, 16.5}};
      p.drawPolygon(front);
      break;
    }
    case ToolbarPicture::CorrectTime: {
      // Clock face.
      p.setPen(QPen(ink, 1.2));
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(13.5, 10), 8, 8);
      p.drawLine(QPointF(13.5, 10), QPointF(13.5, 5));
      p.drawLine(QPointF(13.5, 10), QPointF(17, 12));
      break;
    }
    case ToolbarPicture::Setup: {
      // Two sliders.
      p.setPen(QPen(ink, 1.4));
      p.drawLine(QPointF(5, 7), QPointF(22, 7));
      p.drawLine(QPointF(5, 14), QPointF(22, 14));
      p.setPen(outline);
      p.setBrush(QColor(60, 150, 60));
      p.drawRect(QRectF(8.5, 4.5, 4, 5));
      p.drawRect(QRectF(15.5, 11.5, 4, 5));
      break;
    }
    case ToolbarPicture::Download: {
      // Arrow down into a tray.
      p.setPen(QPen(ink, 1.4));
      p.setBrush(Qt::NoBrush);
      p.drawPolyline(QPolygonF{{6, 12}, {6, 17}, {21, 17}, {21, 12}});
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(30, 120, 210));
      p.drawRect(QRectF(11.5, 2, 4, 7));
      p.drawPolygon(QPolygonF{{8.5, 9}, {18.5, 9}, {13.5, 14.5}});
      break;
    }
    case ToolbarPicture::Battery: {
      // Upright battery with three segments, two filled.
      p.setPen(outline);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(9.5, 3.5, 8, 15));
      p.setBrush(ink);
      p.drawRect(QRectF(11.5, 1.5, 4, 2));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(240, 140, 30));
      p.drawRect(QRectF(11, 14, 5, 3));
      p.drawRect(QRectF(11, 10, 5, 3));
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(QRectF(11, 6, 5, 3));
      break;
    }
    case ToolbarPicture::Graph: {
      // Axes with two curves.
      p.setPen(QPen(ink, 1.0));
      p.drawLine(QPointF(4.5, 2), QPointF(4.5, 17.5));
      p.drawLine(QPointF(4.5, 17.5), QPointF(23, 17.5));
      p.setPen(QPen(QColor(210, 30, 30), 1.4));
      p.drawPolyline(QPolygonF{{6, 13}, {10, 8}, {14, 11}, {18, 5}, {22, 7}});
      p.setPen(QPen(QColor(200, 170, 0), 1.4));
      p.drawPolyline(QPolygonF{{6, 6}, {10, 12}, {14, 9}, {18, 14}, {22, 12}});
      break;
    }
    case ToolbarPicture::List: {
      // A small table.
      p.setPen(outline);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(4.5, 2.5, 18, 15));
      p.setBrush(QColor(190, 210, 235));
      p.drawRect(QRectF(4.5, 2.5, 18, 3));
      for (double y : {9.5, 13.5}) p.drawLine(QPointF(4.5, y), QPointF(22.5, y));
      p.drawLine(QPointF(9.5, 2.5), QPointF(9.5, 17.5));
      break;
    }
    case ToolbarPicture::Print: {
      // A printer with a sheet coming out of it.
      p.setPen(outline);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(8.5, 1.5, 10, 6));
      p.setBrush(QColor(170, 170, 170));
      p.drawRect(QRectF(3.5, 7.5, 20, 7));
      p.setBrush(QColor(60, 180, 60));
      p.drawRect(QRectF(19.5, 9.5, 2, 1));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(7.5, 12.5, 12, 6));
      for (double y : {14.5, 16.5}) p.drawLine(QPointF(9.5, y), QPointF(17.5, y));
      break;
    }
    case ToolbarPicture::Help: {
      // Question mark in a circle.
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(30, 120, 210));
      p.drawEllipse(QPointF(13.5, 10), 8, 8);
      p.setPen(Qt::white);
      QFont font(QStringLiteral("Liberation Sans"));
      font.setPixelSize(13);
      font.setBold(true);
      p.setFont(font);
      p.drawText(QRectF(5.5, 2, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
      break;
    }
  }
}

QPixmap ToolbarPixmap(ToolbarPicture picture, int scale) {
  QPixmap pixmap(kToolbarPictureWidth * scale, kToolbarPictureHeight * scale);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.scale(scale, scale);
  PaintToolbarPicture(p, picture);
  p.end();
  pixmap.setDevicePixelRatio(scale);
  return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(ProgramPixmap(size));
  return icon;
}

QPixmap DisabledPixmap(const QPixmap& normal) {
  // Grey and faint, so a command that cannot run looks it whatever its colours.
  QImage image = normal.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int grey = 128 + qGray(line[x]) / 2;
      line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 2 / 5);
    }
  }
  QPixmap disabled = QPixmap::fromImage(image);
  disabled.setDevicePixelRatio(normal.devicePixelRatio());
  return disabled;
}

QIcon ToolbarIcon(ToolbarPicture picture) {
  QIcon icon;
  for (int scale : {1, 2}) {
    const QPixmap normal = ToolbarPixmap(picture, scale);
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(DisabledPixmap(normal), QIcon::Disabled);
  }
  return icon;
}

}  // namespace k7740
