// k7740-cli: the program's core without windows, for scripts and schedules.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/device_commands.h"
#include "cli/file_commands.h"
#include "cli/graph_command.h"
#include "cli/ports_command.h"
#include "cli/print_command.h"

namespace {

constexpr const char* kHelp =
    "Usage: k7740-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands that talk to the K7740 logger (ports 1-16 are scanned and probed, or only --port N):\n"
    "  find                         the port and device where the logger answers\n"
    "  battery                      the battery level text, e.g. (40%-70%)\n"
    "  set-time                     set the logger's clock to this computer's local time\n"
    "  setup [options]              send the logging parameters; options not given are taken\n"
    "                               from the settings file:\n"
    "        --interval N  --unit second|minute|hour  --led 10s|20s|30s|off\n"
    "        --temp-low N  --temp-high N  --rh-low N  --rh-high N  --alarm-unit c|f\n"
    "        --alarm-led on|off  --start manual|auto  --when-full stop|overwrite\n"
    "  download -o BASE             download every reading; writes BASE.record and BASE.xls\n"
    "  --port N                     (with any of these) only port N, 1 to 16; no scan\n"
    "\n"
    "Commands on record files:\n"
    "  report FILE.record [-o F]    the text report of a record file (stdout without -o)\n"
    "  info FILE.record             the statistics-panel texts, one \"Label: text\" a line\n"
    "  graph FILE.record -o OUT.png [--size WxH]\n"
    "                               the graph view of a record file as a PNG picture (default\n"
    "                               size 1280x800), unzoomed, with the colours, elements and\n"
    "                               Y ranges of the settings file; needs no display\n"
    "  stats FILE.record [--json]   statistics, mean kinetic temperature, alarm excursions\n"
    "  export FILE.record [--format csv|json|influx] [-o F] [--measurement NAME] [--tag K=V ...]\n"
    "                               the readings for other tools (stdout without -o)\n"
    "  (stats --help and export --help describe their output; the definitions follow below)\n"
    "  print FILE.record -o OUT.pdf [--list] [--pages FIRST[-LAST]] [--paper a4|letter]\n"
    "                               the printed report as a PDF at 600 dpi on the whole sheet\n"
    "                               (default a4): the graph page with its header lines, or with\n"
    "                               --list the paged list; --pages prints only those pages,\n"
    "                               numbered as in the whole printout; needs no display\n"
    "\n"
    "Commands on this computer:\n"
    "  ports [--json]               what is on ports 1-16 and why a port cannot be used, with the\n"
    "                               fix; serial devices beyond the port table; it never writes to\n"
    "                               a port and exits 0\n"
    "\n"
    "  --help                       this text\n"
    "  --version                    the version\n"
    "\n"
    "Exit status: 0 success, 1 logger not reached or transfer failed, 2 bad arguments or file.\n"
    "Environment: K7740_SERIAL_PORTS (colon-separated device paths for ports 1..16),\n"
    "K7740_SETTINGS_DIR (folder of TEVARO.ini), K7740_SERIAL_LOG (hex log of every byte).\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::cerr << kHelp;
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::cout << kHelp << '\n' << k7740::kAnalysisDefinitions;
    return 0;
  }
  if (args[0] == "--version") {
    std::cout << "k7740-cli " K7740_VERSION "\n";
    return 0;
  }
  if (args[0] == "ports") return k7740::RunPortsCommand(args, std::cout, std::cerr);
  if (args[0] == "report") return k7740::RunReportCommand(args, std::cout, std::cerr);
  if (args[0] == "info") return k7740::RunInfoCommand(args, std::cout, std::cerr);
  if (args[0] == "graph") return k7740::RunGraphCommand(args, std::cout, std::cerr);
  if (args[0] == "stats") return k7740::RunStatsCommand(args, std::cout, std::cerr);
  if (args[0] == "export") return k7740::RunExportCommand(args, std::cout, std::cerr);
  if (args[0] == "print") return k7740::RunPrintCommand(args, std::cout, std::cerr);
  return k7740::RunDeviceCommand(argc, argv, args);
}
