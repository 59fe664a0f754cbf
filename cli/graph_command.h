// k7740-cli graph: the graph view of a record file as a PNG picture, drawn without a display.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace k7740 {

// graph FILE.record -o OUT.png [--size WxH]. args are the words from "graph" on.
// Returns 0 on success, 2 for bad arguments, a bad file or an output that cannot be written.
int RunGraphCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace k7740
