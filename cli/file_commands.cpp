#include "cli/file_commands.h"

#include <cstdint>
#include <exception>
#include <memory>

#include "common/file_io.h"
#include "graph/panel_texts.h"
#include "recording/record_file.h"
#include "recording/recording.h"
#include "recording/text_report.h"

namespace k7740 {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBadInput = 2;

constexpr const char* kReportUsage = "Usage: k7740-cli report FILE.record [-o OUT.xls]";
constexpr const char* kInfoUsage = "Usage: k7740-cli info FILE.record";

}  // namespace

bool LoadRecording(const std::string& path, LoadedRecording& rec, std::ostream& err) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadWholeFile(path, bytes, error)) {
    err << error << '\n';
    return false;
  }
  switch (ReadRecordBytes(bytes.data(), bytes.size(), rec.doc, rec.view)) {
    case RecordReadStatus::Ok:
      RebuildHeaderTexts(rec.doc, rec.view);
      return true;
    case RecordReadStatus::InvalidFormat:
      err << "Invalid Format! " << path << " is not a record file of this program.\n";
      return false;
    case RecordReadStatus::Truncated:
      err << "Cannot read " << path << ": the file ends early; the record file is incomplete.\n";
      return false;
  }
  return false;
}

namespace {

int ReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string input, output;
  bool haveOutput = false;
  // args[0] is the command word itself.
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o") {
      if (haveOutput || i + 1 >= args.size()) {
        err << (haveOutput ? "-o is given twice. " : "-o needs a file name. ") << kReportUsage << '\n';
        return kExitBadInput;
      }
      output = args[++i];
      haveOutput = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      err << "Unknown option " << arg << ". " << kReportUsage << '\n';
      return kExitBadInput;
    } else if (input.empty()) {
      input = arg;
    } else {
      err << "Only one record file can be given. " << kReportUsage << '\n';
      return kExitBadInput;
    }
  }
  if (input.empty()) {
    err << "No record file given. " << kReportUsage << '\n';
    return kExitBadInput;
  }
  if (haveOutput && output.empty()) {
    err << "-o needs a file name. " << kReportUsage << '\n';
    return kExitBadInput;
  }

  // The document holds two full reading arrays: keep it off the stack.
  auto rec = std::make_unique<LoadedRecording>();
  if (!LoadRecording(input, *rec, err)) return kExitBadInput;
  const std::string report = BuildTextReport(rec->doc, rec->view);
  if (haveOutput) {
    std::string error;
    if (!WriteFileAtomically(output, report.data(), report.size(), error)) {
      err << error << '\n';
      return kExitBadInput;
    }
  } else {
    out.write(report.data(), static_cast<std::streamsize>(report.size()));
    out.flush();
  }
  return kExitOk;
}

int InfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // args[0] is the command word itself.
  if (args.size() != 2 || args[1].empty() || (args[1].size() > 1 && args[1][0] == '-')) {
    err << (args.size() < 2 ? "No record file given. " : "info takes exactly one record file. ") << kInfoUsage
        << '\n';
    return kExitBadInput;
  }
  auto rec = std::make_unique<LoadedRecording>();
  if (!LoadRecording(args[1], *rec, err)) return kExitBadInput;
  out << PanelInfoText(rec->view);
  out.flush();
  return kExitOk;
}

}  // namespace

// A command never ends the program with an exception; it says what failed instead.
int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return ReportCommand(args, out, err);
  } catch (const std::exception& e) {
    err << "report failed: " << e.what() << '\n';
    return kExitBadInput;
  }
}

int RunInfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return InfoCommand(args, out, err);
  } catch (const std::exception& e) {
    err << "info failed: " << e.what() << '\n';
    return kExitBadInput;
  }
}

}  // namespace k7740
