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
QIcon ToolbarIcon(ToolbarPicture picture);

}  // namespace k7740
