// What the commands that draw (graph, print) share: a Gui application that needs no display,
// and the look the desktop program would give a record file.
#pragma once

#include <QGuiApplication>
#include <memory>

#include "settings/settings_table.h"

namespace k7740 {

// A Gui application on the offscreen platform unless one is chosen; null when one exists.
std::unique_ptr<QGuiApplication> MakeDrawingApplication();

// Colours, view elements and Y ranges as the desktop program reads them from the settings
// file; the unit stays the record file's.
struct DrawingSettings {
  MainSettings main;
  ViewSettings view;
};
DrawingSettings ReadDrawingSettings();

}  // namespace k7740
