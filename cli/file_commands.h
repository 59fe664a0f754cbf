// The k7740-cli subcommands that work on a record file: "report", "info", "stats" and "export".
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "recording/recording.h"

namespace k7740 {

// A recording read from a file, with the texts the view rebuilds when it first draws it.
struct LoadedRecording {
  CTevDoc doc;
  RecordingView view;
};

// Reads a record file into rec as Open does; on failure writes one line to err.
bool LoadRecording(const std::string& path, LoadedRecording& rec, std::ostream& err);

// report FILE.record [-o OUT.xls]: the text report exactly as Save writes it, to OUT
// (replaced atomically) or to out. args are the command line words from "report" on.
// Returns 0 on success, 2 for bad arguments or a bad file (one line on err).
int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// info FILE.record: the statistics-panel texts, one "Label: text" a line. args are the
// command line words from "info" on. Returns 0 on success, 2 for bad arguments or a bad file.
int RunInfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// stats FILE.record [--json]: count, times, statistics, MKT and excursions as labelled lines or
// one JSON object. "stats --help" states the definitions. Returns 0, or 2 for bad arguments or
// a bad file.
int RunStatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// export FILE.record [--format csv|json|influx] [-o OUT] [--measurement NAME] [--tag KEY=VALUE ...]:
// the readings, to OUT (replaced atomically) or to out. Returns 0, or 2 for bad arguments or a
// bad file.
int RunExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The definitions of the analysis figures, as "stats --help" and "export --help" print them.
extern const char* const kAnalysisDefinitions;

}  // namespace k7740
