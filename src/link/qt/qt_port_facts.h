// The machine's port facts with the adapters as the serial-port library lists them.
#pragma once

#include "link/port_doctor.h"

namespace k7740 {

class QtPortFacts : public SystemPortFacts {
 public:
  using SystemPortFacts::SystemPortFacts;
  std::vector<AdapterInfo> adapters() const override;
};

// The port table as the doctor takes it.
std::vector<std::string> PortTablePaths();

}  // namespace k7740
