#include "cli/ports_command.h"

#include <ostream>

#include "link/port_doctor.h"
#include "link/qt/qt_port_facts.h"

namespace k7740 {

int RunPortsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool json = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else {
      err << "k7740-cli: ports takes only --json, not " << args[i] << "\n";
      return 2;
    }
  }
  const PortsDiagnosis d = DiagnosePorts(QtPortFacts(), PortTablePaths());
  out << (json ? PortsJson(d) : PortsText(d));
  return 0;
}

}  // namespace k7740
