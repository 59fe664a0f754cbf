#include "link/port_doctor.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>

#include "common/text.h"

namespace k7740 {

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

std::string HolderList(const std::vector<ProcessInfo>& holders) {
  std::string text;
  for (size_t i = 0; i < holders.size(); ++i) {
    if (i > 0) text += i + 1 == holders.size() ? " and " : ", ";
    text += StrFormat("%s (pid %d)", holders[i].name.c_str(), holders[i].pid);
  }
  return text;
}

std::string Octal(unsigned mode) { return StrFormat("%04o", mode & 07777); }

// What stops a program from taking a serial adapter, and how to make it stop.
struct KnownRival {
  const char* process;
  const char* fix;
};
constexpr KnownRival kModemManager{
    "ModemManager",
    "ModemManager is running; it probes new serial adapters and may hold the logger's port for a "
    "while. If no modem is used: sudo systemctl disable --now ModemManager"};
constexpr KnownRival kBrltty{
    "brltty",
    "brltty is running; it claims many USB serial adapters, so that their port disappears. If no "
    "braille display is used: sudo apt remove brltty"};

void DecidePermission(const PortFacts& facts, const FileFacts& f, PortReport& r) {
  r.state = PortState::Permission;
  r.reason = "Permission denied on " + r.path;
  const bool groupMayUse = (f.mode & 0060) == 0060 && !f.group.empty() && f.group != "root";
  if (!groupMayUse) {
    r.fix = StrFormat(
        "only its owner may open it (mode %s, group %s); give it to the 'dialout' "
        "group: sudo chgrp dialout %s && sudo chmod 660 %s",
        Octal(f.mode).c_str(), f.group.empty() ? "?" : f.group.c_str(), r.realPath.c_str(),
        r.realPath.c_str());
    return;
  }
  const std::string& g = f.group;
  if (Contains(facts.accountGroups(), g) && !Contains(facts.sessionGroups(), g)) {
    r.fix = "your account is in the '" + g +
            "' group, but this login session is not yet: log out and in again (or start a shell with "
            "'newgrp " +
            g + "')";
  } else {
    r.fix = "add your user to the '" + g + "' group (sudo usermod -aG " + g + " $USER), then log in again";
  }
}

void DecideBusy(const PortFacts& facts, PortReport& r) {
  r.state = PortState::Busy;
  if (!r.holders.empty()) {
    r.reason = r.path + " is in use by " + HolderList(r.holders);
    r.fix = r.holders.size() == 1 ? "close that program and try again" : "close those programs and try again";
    if (r.holders.front().name == kModemManager.process) r.fix = std::string(kModemManager.fix);
    return;
  }
  r.reason = r.path + " is in use by another program";
  r.fix = facts.isRunning(kModemManager.process)
              ? std::string(kModemManager.fix)
              : "close the program that holds it (a terminal program or a second copy of this one)";
}

// The table port of the same kind that comes last ("/dev/ttyUSB7" is port 12 in the default
// table), so that a user sees how far the table reaches.
std::string BeyondText(const std::vector<std::string>& table, const std::string& path) {
  auto stem = [](const std::string& p) {
    size_t end = p.size();
    while (end > 0 && p[end - 1] >= '0' && p[end - 1] <= '9') --end;
    return p.substr(0, end);
  };
  int last = 0;
  for (size_t i = 0; i < table.size() && i < kMaxPorts; ++i) {
    if (stem(table[i]) == stem(path)) last = static_cast<int>(i) + 1;
  }
  return last > 0 ? StrFormat("beyond port %d", last) : std::string("beyond the port table");
}

std::string ByIdFor(const std::vector<std::pair<std::string, std::string>>& links,
                    const std::string& realPath) {
  for (const auto& [link, target] : links) {
    if (target == realPath) return link;
  }
  return {};
}

void JsonString(std::string& out, const std::string& s) {
  out += '"';
  for (const unsigned char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          out += StrFormat("\\u%04x", c);
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

void JsonField(std::string& out, const char* name, const std::string& value, bool nullWhenEmpty = true) {
  out += StrFormat("\"%s\": ", name);
  if (value.empty() && nullWhenEmpty) {
    out += "null";
  } else {
    JsonString(out, value);
  }
}

void JsonAdapter(std::string& out, const AdapterInfo& a) {
  out += "{";
  JsonField(out, "description", a.description);
  out += ", ";
  JsonField(out, "manufacturer", a.manufacturer);
  out += ", ";
  JsonField(out, "vendor_id", a.vendorId < 0 ? std::string() : StrFormat("%04x", a.vendorId));
  out += ", ";
  JsonField(out, "product_id", a.productId < 0 ? std::string() : StrFormat("%04x", a.productId));
  out += ", ";
  JsonField(out, "serial_number", a.serialNumber);
  out += "}";
}

const char* StateName(PortState s) {
  switch (s) {
    case PortState::Opens:
      return "opens";
    case PortState::Unassigned:
      return "unassigned";
    case PortState::Missing:
      return "missing";
    case PortState::Permission:
      return "permission";
    case PortState::Busy:
      return "busy";
    case PortState::Failed:
      return "failed";
  }
  return "failed";
}

std::string AdapterText(const AdapterInfo& a, const std::string& byId) {
  std::string text = a.description.empty() ? std::string() : a.description;
  if (a.vendorId >= 0 && a.productId >= 0) {
    text += StrFormat("%sUSB %04x:%04x", text.empty() ? "" : ", ", a.vendorId, a.productId);
  }
  if (!a.serialNumber.empty()) text += (text.empty() ? "serial " : ", serial ") + a.serialNumber;
  if (!byId.empty()) text += (text.empty() ? "" : ", ") + byId;
  return text;
}

}  // namespace

std::string PortReport::Sentence() const {
  if (state == PortState::Opens) return {};
  return reason + (fix.empty() ? "." : ": " + fix + ".");
}

PortReport DiagnosePort(const PortFacts& facts, int port, const std::string& path) {
  PortReport r;
  r.port = port;
  r.path = path;
  if (path.empty()) {
    r.state = PortState::Unassigned;
    r.reason = StrFormat("Serial port %d has no device", port);
    r.fix = "K7740_SERIAL_PORTS names fewer ports";
    return r;
  }
  const FileFacts f = facts.file(path);
  r.exists = f.exists;
  r.realPath = f.exists ? f.realPath : path;
  if (!f.exists) {
    r.state = PortState::Missing;
    r.reason = "No serial device at " + path;
    if (f.isLink) r.reason += " (it is a symbolic link to " + f.linkTarget + ", which does not exist)";
    r.fix = "plug in the logger's cable";
    return r;
  }
  for (const AdapterInfo& a : facts.adapters()) {
    if (a.path == r.realPath) {
      r.hasAdapter = true;
      r.adapter = a;
    }
  }
  r.byId = ByIdFor(facts.byIdLinks(), r.realPath);
  std::vector<ProcessInfo> rivals;
  bool locked = false;
  for (const ProcessInfo& p : facts.holders(path, r.realPath)) {
    if (p.farEnd) continue;
    rivals.push_back(p);
    locked = locked || p.holdsLock;
  }
  const int err = facts.tryOpen(path);
  if (err == EACCES || err == EPERM) {
    DecidePermission(facts, f, r);
  } else if (err == EBUSY || (err == 0 && locked)) {
    // A lock file left by a live program stops our serial port as surely as an exclusive open.
    r.holders = rivals;
    DecideBusy(facts, r);
  } else if (err == ENOENT || err == ENODEV || err == ENXIO) {
    r.state = PortState::Missing;
    r.reason = "No serial device at " + path + " (" + std::strerror(err) + ")";
    r.fix = "plug in the logger's cable";
  } else if (err != 0) {
    r.state = PortState::Failed;
    r.reason = "Cannot open " + path;
    r.fix = std::strerror(err);
  } else {
    r.state = PortState::Opens;
    if (!rivals.empty()) {
      r.holders = rivals;
      r.note = "also open in " + HolderList(rivals) + ", which may take the logger's replies";
    }
  }
  return r;
}

namespace {

// The adapters that no port of the table reaches, and the programs that get in the way.
void AddBeyondTable(const PortFacts& facts, const std::vector<std::string>& table, PortsDiagnosis& d) {
  std::set<std::string> reached;
  for (size_t i = 0; i < table.size() && i < kMaxPorts; ++i) {
    if (table[i].empty()) continue;
    const FileFacts f = facts.file(table[i]);
    if (f.exists) reached.insert(f.realPath);
  }
  const auto links = facts.byIdLinks();
  for (const AdapterInfo& a : facts.adapters()) {
    const FileFacts f = facts.file(a.path);
    const std::string real = f.exists ? f.realPath : a.path;
    if (reached.count(real) != 0) continue;
    UnreachedDevice u;
    u.adapter = a;
    u.byId = ByIdFor(links, real);
    u.beyond = BeyondText(table, a.path);
    // The stable name keeps reaching the adapter when it comes back under another number.
    u.setting = "K7740_SERIAL_PORTS=" + (u.byId.empty() ? a.path : u.byId);
    d.unreached.push_back(u);
  }
  for (const KnownRival& rival : {kModemManager, kBrltty}) {
    if (facts.isRunning(rival.process)) d.warnings.emplace_back(rival.fix);
  }
}

}  // namespace

PortsDiagnosis DiagnosePorts(const PortFacts& facts, const std::vector<std::string>& table) {
  PortsDiagnosis d;
  for (size_t i = 0; i < table.size() && i < kMaxPorts; ++i) {
    d.ports.push_back(DiagnosePort(facts, static_cast<int>(i) + 1, table[i]));
  }
  AddBeyondTable(facts, table, d);
  return d;
}

std::string NoLoggerHint(const PortFacts& facts, const std::vector<std::string>& table) {
  PortsDiagnosis d;
  AddBeyondTable(facts, table, d);
  if (!d.unreached.empty()) {
    const UnreachedDevice& u = d.unreached.front();
    return "No serial port found; the logger's adapter appears as " + u.adapter.path + ", " + u.beyond +
           ": start the program with " + u.setting + " to reach it as port 1.";
  }
  for (const std::string& w : d.warnings) {
    if (w.rfind(kBrltty.process, 0) == 0) return "No serial port found; " + w + ".";
  }
  return {};
}

std::string PortsText(const PortsDiagnosis& d) {
  std::string out;
  for (const PortReport& r : d.ports) {
    out += StrFormat("port %2d  %-14s ", r.port, r.path.empty() ? "-" : r.path.c_str());
    if (r.state == PortState::Opens) {
      out += "opens";
    } else {
      out += StateName(r.state);
    }
    const std::string adapter = r.hasAdapter ? AdapterText(r.adapter, r.byId) : r.byId;
    if (!adapter.empty()) out += "  [" + adapter + "]";
    out += "\n";
    if (r.state != PortState::Opens && r.state != PortState::Unassigned && (r.exists || !r.reason.empty())) {
      // A missing port of the default table is the normal case; only say why for the others.
      if (r.state != PortState::Missing || r.exists) out += "         " + r.Sentence() + "\n";
    }
    if (!r.note.empty()) out += "         Note: " + r.note + ".\n";
  }
  const bool noDevice = std::all_of(d.ports.begin(), d.ports.end(), [](const PortReport& r) {
    return r.state == PortState::Missing || r.state == PortState::Unassigned;
  });
  if (noDevice && d.unreached.empty())
    out += "No port of the table has a device: plug in the logger's cable.\n";
  for (const UnreachedDevice& u : d.unreached) {
    out += "Beyond the table: " + u.adapter.path;
    const std::string adapter = AdapterText(u.adapter, u.byId);
    if (!adapter.empty()) out += "  [" + adapter + "]";
    out += "\n         " + u.beyond + "; reach it as port 1 with " + u.setting + "\n";
  }
  for (const std::string& w : d.warnings) out += "Warning: " + w + "\n";
  return out;
}

std::string PortsJson(const PortsDiagnosis& d) {
  std::string out = "{\n  \"ports\": [";
  for (size_t i = 0; i < d.ports.size(); ++i) {
    const PortReport& r = d.ports[i];
    out += i == 0 ? "\n    {" : ",\n    {";
    out += StrFormat("\"port\": %d, ", r.port);
    JsonField(out, "path", r.path);
    out += StrFormat(", \"exists\": %s, ", r.exists ? "true" : "false");
    JsonField(out, "device", r.exists ? r.realPath : std::string());
    out += ", \"adapter\": ";
    if (r.hasAdapter) {
      JsonAdapter(out, r.adapter);
    } else {
      out += "null";
    }
    out += ", ";
    JsonField(out, "by_id", r.byId);
    out += StrFormat(", \"opens\": %s, \"state\": \"%s\", ", r.state == PortState::Opens ? "true" : "false",
                     StateName(r.state));
    JsonField(out, "reason", r.reason);
    out += ", ";
    JsonField(out, "fix", r.fix);
    out += ", \"holders\": [";
    for (size_t k = 0; k < r.holders.size(); ++k) {
      out += StrFormat("%s{\"pid\": %d, \"name\": ", k == 0 ? "" : ", ", r.holders[k].pid);
      JsonString(out, r.holders[k].name);
      out += "}";
    }
    out += "], ";
    JsonField(out, "note", r.note);
    out += "}";
  }
  out += "\n  ],\n  \"beyond_table\": [";
  for (size_t i = 0; i < d.unreached.size(); ++i) {
    const UnreachedDevice& u = d.unreached[i];
    out += i == 0 ? "\n    {" : ",\n    {";
    JsonField(out, "path", u.adapter.path);
    out += ", \"adapter\": ";
    JsonAdapter(out, u.adapter);
    out += ", ";
    JsonField(out, "by_id", u.byId);
    out += ", ";
    JsonField(out, "setting", u.setting);
    out += "}";
  }
  out += d.unreached.empty() ? "],\n  \"warnings\": [" : "\n  ],\n  \"warnings\": [";
  for (size_t i = 0; i < d.warnings.size(); ++i) {
    out += i == 0 ? "" : ", ";
    JsonString(out, d.warnings[i]);
  }
  out += "]\n}\n";
  return out;
}

// ---- This machine ----

namespace {

std::string ReadFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string ReadLink(const std::string& path) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
  return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
}

std::vector<std::string> ListDir(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
        names.emplace_back(e->d_name);
    }
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsNumber(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string GroupName(gid_t gid) {
  const group* g = ::getgrgid(gid);
  return g != nullptr ? std::string(g->gr_name) : StrFormat("%u", static_cast<unsigned>(gid));
}

// The lock file name the serial-port library uses: the name under /dev, with every
// further slash made an underscore ("/dev/pts/3" locks as "LCK..pts_3").
std::string LockName(const std::string& realPath) {
  std::string name = realPath.rfind("/dev/", 0) == 0 ? realPath.substr(5) : realPath;
  std::replace(name.begin(), name.end(), '/', '_');
  return "LCK.." + name;
}

}  // namespace

FileFacts SystemPortFacts::file(const std::string& path) const {
  FileFacts f;
  struct stat ls {};
  if (::lstat(path.c_str(), &ls) == 0 && S_ISLNK(ls.st_mode)) {
    f.isLink = true;
    f.linkTarget = ReadLink(path);
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return f;
  f.exists = true;
  f.isCharDevice = S_ISCHR(st.st_mode);
  f.mode = st.st_mode & 07777;
  f.group = GroupName(st.st_gid);
  char real[PATH_MAX];
  f.realPath = ::realpath(path.c_str(), real) != nullptr ? std::string(real) : path;
  return f;
}

int SystemPortFacts::tryOpen(const std::string& path) const {
  // Non-blocking so that a port waiting for carrier does not hang; nothing is written.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

std::vector<std::pair<std::string, std::string>> SystemPortFacts::byIdLinks() const {
  std::vector<std::pair<std::string, std::string>> links;
  for (const std::string& name : ListDir(places_.byIdDir)) {
    const std::string link = places_.byIdDir + "/" + name;
    char real[PATH_MAX];
    if (::realpath(link.c_str(), real) != nullptr) links.emplace_back(link, real);
  }
  return links;
}

std::vector<ProcessInfo> SystemPortFacts::holders(const std::string& path,
                                                  const std::string& realPath) const {
  std::vector<ProcessInfo> found;
  const int self = static_cast<int>(::getpid());
  // A pseudo-terminal's partner holds the master with this index.
  std::string ptyIndex;
  if (realPath.rfind("/dev/pts/", 0) == 0) ptyIndex = realPath.substr(9);
  for (const std::string& pidText : ListDir(places_.procDir)) {
    if (!IsNumber(pidText) || std::atoi(pidText.c_str()) == self) continue;
    const std::string base = places_.procDir + "/" + pidText;
    bool holds = false;
    bool master = false;
    // Other users' descriptors cannot be read without privilege; those stay unseen.
    for (const std::string& fd : ListDir(base + "/fd")) {
      const std::string target = ReadLink(base + "/fd/" + fd);
      if (target == realPath) holds = true;
      if (!ptyIndex.empty() && (target == "/dev/ptmx" || target == "/dev/pts/ptmx")) {
        std::ifstream info(base + "/fdinfo/" + fd);
        for (std::string line; std::getline(info, line);) {
          if (line.rfind("tty-index:", 0) != 0) continue;
          std::string index = line.substr(10);
          index.erase(0, index.find_first_not_of(" \t"));
          if (index == ptyIndex) master = true;
        }
      }
    }
    if (holds) found.push_back({std::atoi(pidText.c_str()), ReadFirstLine(base + "/comm"), master, false});
  }
  // The serial-port library names its lock after the path it was given, which may be a link.
  std::vector<std::string> locks{LockName(path)};
  if (realPath != path) locks.push_back(LockName(realPath));
  for (const std::string& dir : places_.lockDirs) {
    for (const std::string& lockName : locks) {
      std::ifstream lock(dir + "/" + lockName);
      if (!lock) continue;
      std::string pidLine, app;
      std::getline(lock, pidLine);
      std::getline(lock, app);
      const int pid = LeadingInt(pidLine);
      if (pid <= 0 || pid == self || (::kill(pid, 0) != 0 && errno == ESRCH)) continue;
      if (std::any_of(found.begin(), found.end(), [pid](const ProcessInfo& p) { return p.pid == pid; })) {
        for (ProcessInfo& p : found) {
          if (p.pid == pid) p.holdsLock = true;  // the lock counts even when the descriptor shows too
        }
        continue;
      }
      std::string name = ReadFirstLine(places_.procDir + "/" + StrFormat("%d", pid) + "/comm");
      if (name.empty()) name = app.empty() ? std::string("another program") : app;
      found.push_back({pid, name, false, true});
    }
  }
  return found;
}

std::vector<std::string> SystemPortFacts::sessionGroups() const {
  std::vector<std::string> names{GroupName(::getegid())};
  const int n = ::getgroups(0, nullptr);
  std::vector<gid_t> ids(n > 0 ? static_cast<size_t>(n) : 0);
  if (n > 0 && ::getgroups(n, ids.data()) == n) {
    for (gid_t g : ids) names.push_back(GroupName(g));
  }
  return names;
}

std::vector<std::string> SystemPortFacts::accountGroups() const {
  std::vector<std::string> names;
  const passwd* pw = ::getpwuid(::getuid());
  if (pw == nullptr) return names;
  const std::string user = pw->pw_name;
  const gid_t primary = pw->pw_gid;
  int count = 64;
  std::vector<gid_t> ids(static_cast<size_t>(count));
  if (::getgrouplist(user.c_str(), primary, ids.data(), &count) < 0) {
    ids.resize(static_cast<size_t>(count));
    ::getgrouplist(user.c_str(), primary, ids.data(), &count);
  }
  ids.resize(static_cast<size_t>(std::max(count, 0)));
  for (gid_t g : ids) names.push_back(GroupName(g));
  return names;
}

bool SystemPortFacts::isRunning(const std::string& processName) const {
  for (const std::string& pid : ListDir(places_.procDir)) {
    if (IsNumber(pid) && ReadFirstLine(places_.procDir + "/" + pid + "/comm") == processName) return true;
  }
  return false;
}

}  // namespace k7740
