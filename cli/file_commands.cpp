#include "cli/file_commands.h"

#include <cstdint>
#include <exception>
#include <memory>

#include "analysis/analysis.h"
#include "analysis/export.h"
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
constexpr const char* kStatsUsage = "Usage: k7740-cli stats FILE.record [--json]";
constexpr const char* kExportUsage =
    "Usage: k7740-cli export FILE.record [--format csv|json|influx] [-o OUT] [--measurement NAME] "
    "[--tag KEY=VALUE ...]";

constexpr const char* kStatsHelp =
    "Usage: k7740-cli stats FILE.record [--json]\n"
    "\n"
    "Count, start and end, minimum, maximum, mean and standard deviation of temperature, humidity\n"
    "and dew point, the mean kinetic temperature, and the excursions beyond each of the four alarm\n"
    "limits. Labelled lines (times %d/%m/%y %H:%M:%S, values %.2f, durations H:MM:SS), or with\n"
    "--json one object (times ISO 8601 local with UTC offset, numbers unrounded, durations in\n"
    "whole seconds, null where there is no value).\n"
    "\n";

constexpr const char* kExportHelp =
    "Usage: k7740-cli export FILE.record [--format csv|json|influx] [-o OUT] [--measurement NAME]\n"
    "                        [--tag KEY=VALUE ...]\n"
    "\n"
    "One row or line per reading, to OUT (replaced atomically) or to standard output.\n"
    "  csv     (default) RFC 4180 with \\n line ends; header\n"
    "          time,temperature_c,temperature_f,humidity_rh,dew_point_c; values %.1f, the dew\n"
    "          point empty when there is none\n"
    "  json    {\"start\", \"interval_s\", \"count\", \"unit\", \"alarms\", \"readings\": [{\"time\",\n"
    "          \"temperature_c\", \"temperature_f\", \"humidity_rh\", \"dew_point_c\"}, ...]}, values\n"
    "          rounded to one decimal, the dew point null when there is none\n"
    "  influx  InfluxDB line protocol: NAME[,KEY=VALUE...] temperature=21.5,humidity=48.0,\n"
    "          dew_point=10.1 NANOSECONDS (UTC); measurement k7740 unless --measurement;\n"
    "          --tag (repeatable) adds tags, written sorted by key\n"
    "Times are ISO 8601 local time with the UTC offset, e.g. 2007-10-05T14:10:00+02:00.\n"
    "\n";

// Reads the value of an option that takes one; on failure writes one line to err.
bool OptionValue(const std::vector<std::string>& args, size_t& i, const char* usage, std::string& value,
                 std::ostream& err) {
  if (i + 1 >= args.size() || args[i + 1].empty()) {
    err << args[i] << " needs a value. " << usage << '\n';
    return false;
  }
  value = args[++i];
  return true;
}

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

int StatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string input;
  bool json = false;
  // args[0] is the command word itself.
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      out << kStatsHelp << kAnalysisDefinitions;
      return kExitOk;
    }
    if (arg == "--json") {
      json = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      err << "Unknown option " << arg << ". " << kStatsUsage << '\n';
      return kExitBadInput;
    } else if (input.empty() && !arg.empty()) {
      input = arg;
    } else {
      err << "Only one record file can be given. " << kStatsUsage << '\n';
      return kExitBadInput;
    }
  }
  if (input.empty()) {
    err << "No record file given. " << kStatsUsage << '\n';
    return kExitBadInput;
  }
  auto rec = std::make_unique<LoadedRecording>();
  if (!LoadRecording(input, *rec, err)) return kExitBadInput;
  const RecordingAnalysis analysis = AnalyzeRecording(rec->doc, rec->view);
  out << (json ? FormatAnalysisJson(analysis) : FormatAnalysisText(analysis));
  out.flush();
  return kExitOk;
}

int ExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string input, output, format = "csv";
  bool haveOutput = false, haveFormat = false, haveMeasurement = false;
  InfluxOptions influx;
  // args[0] is the command word itself.
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      out << kExportHelp << kAnalysisDefinitions;
      return kExitOk;
    }
    if (arg == "-o" || arg == "--format" || arg == "--measurement") {
      bool& given = arg == "-o" ? haveOutput : arg == "--format" ? haveFormat : haveMeasurement;
      std::string& value = arg == "-o" ? output : arg == "--format" ? format : influx.measurement;
      if (given) {
        err << arg << " is given twice. " << kExportUsage << '\n';
        return kExitBadInput;
      }
      if (!OptionValue(args, i, kExportUsage, value, err)) return kExitBadInput;
      given = true;
    } else if (arg == "--tag") {
      std::string tag;
      if (!OptionValue(args, i, kExportUsage, tag, err)) return kExitBadInput;
      const size_t eq = tag.find('=');
      if (eq == std::string::npos) {
        err << "--tag needs KEY=VALUE, not " << tag << ". " << kExportUsage << '\n';
        return kExitBadInput;
      }
      influx.tags.emplace_back(tag.substr(0, eq), tag.substr(eq + 1));
    } else if (arg.size() > 1 && arg[0] == '-') {
      err << "Unknown option " << arg << ". " << kExportUsage << '\n';
      return kExitBadInput;
    } else if (input.empty() && !arg.empty()) {
      input = arg;
    } else {
      err << "Only one record file can be given. " << kExportUsage << '\n';
      return kExitBadInput;
    }
  }
  if (input.empty()) {
    err << "No record file given. " << kExportUsage << '\n';
    return kExitBadInput;
  }
  if (format != "csv" && format != "json" && format != "influx") {
    err << "Unknown format " << format << "; csv, json or influx. " << kExportUsage << '\n';
    return kExitBadInput;
  }
  if (format != "influx" && (haveMeasurement || !influx.tags.empty())) {
    err << (haveMeasurement ? "--measurement" : "--tag") << " belongs to --format influx. " << kExportUsage
        << '\n';
    return kExitBadInput;
  }
  if (format == "influx") {
    const std::string problem = CheckInfluxOptions(influx);
    if (!problem.empty()) {
      err << problem << ' ' << kExportUsage << '\n';
      return kExitBadInput;
    }
  }

  auto rec = std::make_unique<LoadedRecording>();
  if (!LoadRecording(input, *rec, err)) return kExitBadInput;
  const std::string text = format == "csv"    ? ExportCsv(rec->doc, rec->view)
                           : format == "json" ? ExportJson(rec->doc, rec->view)
                                              : ExportInflux(rec->doc, rec->view, influx);
  if (haveOutput) {
    std::string error;
    if (!WriteFileAtomically(output, text.data(), text.size(), error)) {
      err << error << '\n';
      return kExitBadInput;
    }
  } else {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
  }
  return kExitOk;
}

}  // namespace

const char* const kAnalysisDefinitions =
    "Definitions, for n readings with temperatures c_i (Celsius), humidities h_i (%RH), start t0 and\n"
    "interval s, reading i taken at t0 + i x s:\n"
    "  Mean kinetic temperature: MKT = (dH/R) / -ln((1/n) x sum exp(-(dH/R) / (c_i + 273.15)))\n"
    "    - 273.15 C, dH/R = 10,000 K (activation energy 83.144 kJ/mol), in double precision;\n"
    "    in Fahrenheit MKT x 1.8 + 32.\n"
    "  Dew point (Magnus, a = 17.62, b = 243.12 C): g = ln(h/100) + a x c / (b + c),\n"
    "    dew point = b x g / (a - g); none for h <= 0 (left out of the dew-point figures).\n"
    "  Excursion: a maximal run of consecutive readings above the high alarm limit (or below the\n"
    "    low one), compared in the unit the limits' texts show (c_i x 1.8 + 32 against the\n"
    "    Fahrenheit limits, c_i against the Celsius ones; h_i against the humidity limits).\n"
    "    It starts at its first reading's time and ends at its last's; its duration is its number\n"
    "    of readings x s. Per limit: count, total duration, the longest (the earliest of equal ones).\n"
    "  Statistics: minimum, maximum, mean and sample standard deviation (n - 1; 0 for n = 1), in\n"
    "    double precision over the stored values.\n";

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

int RunStatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return StatsCommand(args, out, err);
  } catch (const std::exception& e) {
    err << "stats failed: " << e.what() << '\n';
    return kExitBadInput;
  }
}

int RunExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return ExportCommand(args, out, err);
  } catch (const std::exception& e) {
    err << "export failed: " << e.what() << '\n';
    return kExitBadInput;
  }
}

}  // namespace k7740
