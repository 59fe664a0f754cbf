#include "device/qt/battery_picture.h"

#include <QColor>
#include <QPainter>
#include <algorithm>

namespace k7740 {

namespace {

const QColor kOutline(48, 48, 48);
const QColor kCase(244, 244, 244);
const QColor kEmptySegment(180, 180, 180);
const QColor kFilledSegment(255, 140, 0);

constexpr int kSegments = 3;
constexpr int kTerminalWidth = 16;
constexpr int kTerminalHeight = 10;
constexpr int kBodyMargin = 4;  // left and right of the case
constexpr int kOutlineWidth = 2;
constexpr int kInnerPadding = 2;  // between the outline and the segments
constexpr int kSegmentGap = 4;

}  // namespace

QImage DrawBatteryPicture(int filledSegments) {
  filledSegments = std::clamp(filledSegments, 0, kSegments);
  QImage image(kBatteryPictureWidth, kBatteryPictureHeight, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);

  // Terminal, centred on top of the case.
  const QRect terminal((kBatteryPictureWidth - kTerminalWidth) / 2, 0, kTerminalWidth, kTerminalHeight + 1);
  p.fillRect(terminal, kOutline);

  // Case: an outline of kOutlineWidth pixels around a light interior.
  const QRect body(kBodyMargin, kTerminalHeight, kBatteryPictureWidth - 2 * kBodyMargin,
                   kBatteryPictureHeight - kTerminalHeight);
  p.fillRect(body, kOutline);
  const QRect inside = body.adjusted(kOutlineWidth, kOutlineWidth, -kOutlineWidth, -kOutlineWidth);
  p.fillRect(inside, kCase);

  // Segments stacked from the bottom, equal heights, separated by gaps.
  const QRect area = inside.adjusted(kInnerPadding, kInnerPadding, -kInnerPadding, -kInnerPadding);
  const int segmentHeight = (area.height() - (kSegments - 1) * kSegmentGap) / kSegments;
  for (int i = 0; i < kSegments; ++i) {
    const int bottom = area.bottom() - i * (segmentHeight + kSegmentGap);
    const QRect segment(area.left(), bottom - segmentHeight + 1, area.width(), segmentHeight);
    p.fillRect(segment, i < filledSegments ? kFilledSegment : kEmptySegment);
  }
  return image;
}

}  // namespace k7740
