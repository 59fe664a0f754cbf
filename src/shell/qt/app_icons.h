// The program icon and the toolbar pictures, drawn rather than shipped as image files.
#pragma once

#include <QIcon>

namespace k7740 {

// A thermometer and a drop on a blue tile.
QIcon ProgramIcon();

enum class ToolbarPicture { Save, Open, CorrectTime, Setup, Download, Battery, Graph, List, Print, Help };

// 27 x 20 pixels (and twice that for high-density screens).
inline constexpr int kToolbarPictureWidth = 27;
inline constexpr int kToolbarPictureHeight = 20;
// Normal, and greyed for a command that is disabled.
QIcon ToolbarIcon(ToolbarPicture picture);
// The greyed form of a toolbar picture.
QPixmap DisabledPixmap(const QPixmap& normal);

}  // namespace k7740
