#include "cli/drawing_support.h"

#include "settings/settings_store.h"

namespace k7740 {

std::unique_ptr<QGuiApplication> MakeDrawingApplication() {
  if (QGuiApplication::instance()) return nullptr;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "k7740-cli";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

DrawingSettings ReadDrawingSettings() {
  const SettingsStore store;
  DrawingSettings s;
  ReadMainSettings(store, s.main);
  uint8_t settingsUnit = 0;
  ReadViewSettings(store, s.view, settingsUnit);
  return s;
}

}  // namespace k7740
