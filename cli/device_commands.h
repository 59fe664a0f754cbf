// k7740-cli commands that talk to the logger: find, battery, set-time, setup, download.
#pragma once

#include <string>
#include <vector>

namespace k7740 {

// args: the command name first, then its options. Returns the exit status.
int RunDeviceCommand(int argc, char** argv, const std::vector<std::string>& args);

}  // namespace k7740
