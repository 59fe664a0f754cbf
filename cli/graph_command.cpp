#include "cli/graph_command.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <cstdlib>
#include <memory>
#include <regex>

#include "cli/drawing_support.h"
#include "cli/file_commands.h"
#include "common/file_io.h"
#include "graph/graph_scene.h"
#include "graph/qt/graph_painter.h"
#include "settings/settings_store.h"
#include "settings/settings_table.h"

namespace k7740 {

namespace {

constexpr int kExitBadInput = 2;
constexpr const char* kUsage = "Usage: k7740-cli graph FILE.record -o OUT.png [--size WxH]";
// Larger pictures would take gigabytes; no screen is that large.
constexpr int kMaxSide = 16384;

bool ParseSize(const std::string& text, int& w, int& h) {
  static const std::regex form("([0-9]{1,6})x([0-9]{1,6})");
  std::smatch m;
  if (!std::regex_match(text, m, form)) return false;
  w = std::stoi(m[1].str());
  h = std::stoi(m[2].str());
  return w >= 1 && h >= 1 && w <= kMaxSide && h <= kMaxSide;
}

}  // namespace

int RunGraphCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string input, output;
  int w = 1280, h = 800;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o" || arg == "--size") {
      if (i + 1 >= args.size()) {
        err << arg << " needs a value. " << kUsage << '\n';
        return kExitBadInput;
      }
      const std::string& value = args[++i];
      if (arg == "-o") {
        output = value;
      } else if (!ParseSize(value, w, h)) {
        err << "Bad size \"" << value << "\": give WIDTHxHEIGHT in pixels, each 1 to " << kMaxSide
            << ", e.g. 1280x800.\n";
        return kExitBadInput;
      }
    } else if (!arg.empty() && arg[0] == '-') {
      err << "Unknown option " << arg << ". " << kUsage << '\n';
      return kExitBadInput;
    } else if (input.empty()) {
      input = arg;
    } else {
      err << "Only one record file can be drawn. " << kUsage << '\n';
      return kExitBadInput;
    }
  }
  if (input.empty() || output.empty()) {
    err << kUsage << '\n';
    return kExitBadInput;
  }

  auto rec = std::make_unique<LoadedRecording>();
  if (!LoadRecording(input, *rec, err)) return kExitBadInput;
  rec->view.displayMode = 1;

  DrawingSettings settings = ReadDrawingSettings();
  const MainSettings& main = settings.main;
  ViewSettings& viewSettings = settings.view;

  const std::unique_ptr<QGuiApplication> app = MakeDrawingApplication();
  auto graph = std::make_unique<GraphState>();
  const PlotGeometry geo = ScreenPlotGeometry(w, h);
  const GraphScene scene =
      BuildGraphScene(*graph, rec->doc, rec->view, viewSettings, geo, ScreenSceneStyle(), "");
  QImage image(w, h, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    PaintGraphScene(painter, scene, GraphColorsFor(main, QGuiApplication::palette().color(QPalette::Button)));
  }
  std::string error;
  if (!WritePngFile(image, output, error)) {
    err << error << '\n';
    return kExitBadInput;
  }
  out << "Wrote " << output << " (" << w << "x" << h << ")\n";
  return 0;
}

}  // namespace k7740
