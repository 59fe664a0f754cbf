#include "cli/print_command.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <ctime>
#include <memory>
#include <regex>

#include "cli/drawing_support.h"
#include "cli/file_commands.h"
#include "common/file_io.h"
#include "graph/qt/page_painter.h"
#include "settings/settings_store.h"
#include "settings/settings_table.h"

namespace k7740 {

namespace {

constexpr int kExitBadInput = 2;
constexpr const char* kUsage =
    "Usage: k7740-cli print FILE.record -o OUT.pdf [--list] [--pages FIRST[-LAST]] [--paper a4|letter]";
// The page measures are device pixels; at this resolution A4 is 4961 x 7016 of them.
constexpr int kDotsPerInch = 600;

bool ParsePages(const std::string& text, int& first, int& last) {
  static const std::regex form("([0-9]{1,6})(?:-([0-9]{1,6}))?");
  std::smatch m;
  if (!std::regex_match(text, m, form)) return false;
  first = std::stoi(m[1].str());
  last = m[2].matched ? std::stoi(m[2].str()) : first;
  return first >= 1 && first <= last;
}

}  // namespace

int RunPrintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string input, output, pages;
  bool list = false;
  QPageSize::PageSizeId paper = QPageSize::A4;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o" || arg == "--pages" || arg == "--paper") {
      if (i + 1 >= args.size()) {
        err << arg << " needs a value. " << kUsage << '\n';
        return kExitBadInput;
      }
      const std::string& value = args[++i];
      if (arg == "-o") {
        output = value;
      } else if (arg == "--pages") {
        pages = value;
      } else if (value == "a4") {
        paper = QPageSize::A4;
      } else if (value == "letter") {
        paper = QPageSize::Letter;
      } else {
        err << "Unknown paper \"" << value << "\": give a4 or letter.\n";
        return kExitBadInput;
      }
    } else if (arg == "--list") {
      list = true;
    } else if (!arg.empty() && arg[0] == '-') {
      err << "Unknown option " << arg << ". " << kUsage << '\n';
      return kExitBadInput;
    } else if (input.empty()) {
      input = arg;
    } else {
      err << "Only one record file can be printed. " << kUsage << '\n';
      return kExitBadInput;
    }
  }
  if (input.empty() || output.empty()) {
    err << kUsage << '\n';
    return kExitBadInput;
  }
  int first = 1, last = 0;
  if (!pages.empty() && !ParsePages(pages, first, last)) {
    err << "Bad page range \"" << pages << "\": give FIRST or FIRST-LAST, counting from 1, e.g. 2-5.\n";
    return kExitBadInput;
  }

  auto rec = std::make_unique<LoadedRecording>();
  if (!LoadRecording(input, *rec, err)) return kExitBadInput;
  rec->view.displayMode = list ? 2 : 1;

  DrawingSettings settings = ReadDrawingSettings();
  const MainSettings& main = settings.main;
  ViewSettings& viewSettings = settings.view;

  auto graph = std::make_unique<GraphState>();
  ReportSource source;
  source.graph = graph.get();
  source.doc = &rec->doc;
  source.rec = &rec->view;
  source.viewSettings = &viewSettings;
  source.colours = &main;
  source.list = DataListSourceFor(rec->doc, rec->view);
  source.now = std::time(nullptr);
  const int count = ReportPageCount(source);
  if (pages.empty()) {
    last = count;
  } else if (last > count) {
    err << "Page range " << pages << " is outside the printout, which has " << count
        << (count == 1 ? " page.\n" : " pages.\n");
    return kExitBadInput;
  }

  const std::unique_ptr<QGuiApplication> app = MakeDrawingApplication();
  QByteArray pdf;
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("k7740-cli"));
    writer.setResolution(kDotsPerInch);
    writer.setPageLayout(QPageLayout(QPageSize(paper), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    if (!PaintReport(writer, source, first, last)) {
      err << "The PDF could not be drawn.\n";
      return kExitBadInput;
    }
  }
  std::string error;
  if (!WriteFileAtomically(output, pdf.constData(), static_cast<size_t>(pdf.size()), error)) {
    err << error << '\n';
    return kExitBadInput;
  }
  const int printed = last - first + 1;
  out << "Wrote " << output << " (" << printed << (printed == 1 ? " page)\n" : " pages)\n");
  return 0;
}

}  // namespace k7740
