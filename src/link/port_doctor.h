// Why a serial port of the table cannot be used, in words with the fix: the facts of the
// machine (files, processes, groups, adapters) come through PortFacts, so the decisions are
// tested on a fake; SystemPortFacts reads them from this machine. Nothing here writes to a port.
#pragma once

#include <string>
#include <vector>

namespace k7740 {

struct FileFacts {
  bool exists = false;  // after following symbolic links
  bool isLink = false;
  bool isCharDevice = false;
  std::string realPath;    // the device a link points at, or the path itself
  std::string linkTarget;  // what a link points at, also when that is missing
  std::string group;
  unsigned mode = 0;  // permission bits
};

struct ProcessInfo {
  int pid = 0;
  std::string name;
  // The process at the other end of a pseudo-terminal (it holds the master side): the line's
  // partner, not a rival.
  bool farEnd = false;
  // It holds the lock file that the program's own serial port honours.
  bool holdsLock = false;
};

// A serial device present on the machine, as the serial-port library describes it.
struct AdapterInfo {
  std::string path;  // e.g. /dev/ttyUSB0
  std::string description;
  std::string manufacturer;
  int vendorId = -1;  // USB ids; -1 when not a USB device
  int productId = -1;
  std::string serialNumber;
};

class PortFacts {
 public:
  virtual ~PortFacts() = default;
  virtual FileFacts file(const std::string& path) const = 0;
  // Opens the device for reading and writing and closes it again: 0, or the errno of the failure.
  virtual int tryOpen(const std::string& path) const = 0;
  // The links of the stable-name folder (/dev/serial/by-id): link path and the device it reaches.
  virtual std::vector<std::pair<std::string, std::string>> byIdLinks() const = 0;
  // Other processes that have the device open or hold a lock file for it under either name.
  virtual std::vector<ProcessInfo> holders(const std::string& path, const std::string& realPath) const = 0;
  // The groups of this process (the login session) and of the account in the group database.
  virtual std::vector<std::string> sessionGroups() const = 0;
  virtual std::vector<std::string> accountGroups() const = 0;
  virtual bool isRunning(const std::string& processName) const = 0;
  virtual std::vector<AdapterInfo> adapters() const = 0;
};

enum class PortState { Opens, Unassigned, Missing, Permission, Busy, Failed };

struct PortReport {
  int port = 0;
  std::string path;
  bool exists = false;
  std::string realPath;
  bool hasAdapter = false;
  AdapterInfo adapter;
  std::string byId;  // the stable name that points at the device, if any
  PortState state = PortState::Missing;
  std::string reason;  // empty when it opens
  std::string fix;
  std::vector<ProcessInfo> holders;  // rivals only
  std::string note;                  // said also when the port opens (another program has it open too)

  // "Reason: fix." as the device windows show it; empty when the port opens.
  std::string Sentence() const;
};

struct UnreachedDevice {
  AdapterInfo adapter;
  std::string byId;
  std::string beyond;   // "beyond port 12" or "beyond the port table"
  std::string setting;  // K7740_SERIAL_PORTS=... that reaches it as port 1
};

struct PortsDiagnosis {
  std::vector<PortReport> ports;
  std::vector<UnreachedDevice> unreached;
  std::vector<std::string> warnings;
};

inline constexpr int kMaxPorts = 16;

// table: the device paths of ports 1.. (at most 16 are looked at).
PortReport DiagnosePort(const PortFacts& facts, int port, const std::string& path);
PortsDiagnosis DiagnosePorts(const PortFacts& facts, const std::vector<std::string>& table);
// Where the logger may be when no port of the table reaches it: a device beyond the table or a
// program known to take adapters away. Empty when there is nothing to say.
// It opens no port.
std::string NoLoggerHint(const PortFacts& facts, const std::vector<std::string>& table);

std::string PortsText(const PortsDiagnosis& diagnosis);
std::string PortsJson(const PortsDiagnosis& diagnosis);

// This machine: stat, open, /proc, the group database. Adapters come from a subclass that
// asks the serial-port library.
class SystemPortFacts : public PortFacts {
 public:
  struct Places {
    std::string byIdDir = "/dev/serial/by-id";
    std::string procDir = "/proc";
    std::vector<std::string> lockDirs = {"/var/lock", "/run/lock", "/tmp", "/var/tmp"};
  };
  SystemPortFacts() = default;
  explicit SystemPortFacts(Places places) : places_(std::move(places)) {}

  FileFacts file(const std::string& path) const override;
  int tryOpen(const std::string& path) const override;
  std::vector<std::pair<std::string, std::string>> byIdLinks() const override;
  std::vector<ProcessInfo> holders(const std::string& path, const std::string& realPath) const override;
  std::vector<std::string> sessionGroups() const override;
  std::vector<std::string> accountGroups() const override;
  bool isRunning(const std::string& processName) const override;
  std::vector<AdapterInfo> adapters() const override { return {}; }

 private:
  Places places_;
};

}  // namespace k7740
