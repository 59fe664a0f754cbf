// k7740-cli print: the printed report of a record file as a PDF, drawn by the desktop
// program's page routine without a display.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace k7740 {

// print FILE.record -o OUT.pdf [--list] [--pages FIRST[-LAST]] [--paper a4|letter]. args are
// the words from "print" on. Returns 0 on success, 2 for bad arguments, a bad file, a page range
// outside the printout or an output that cannot be written.
int RunPrintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace k7740
