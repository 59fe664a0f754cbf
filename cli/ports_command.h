// k7740-cli ports: what is on each port of the table and why a port cannot be used.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace k7740 {

// args: "ports" first, then its options. It only looks and never writes to a port.
int RunPortsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace k7740
