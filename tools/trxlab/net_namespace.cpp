#include "net_namespace.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

bool RunCommand(const std::string& command, std::string* error) {
  std::string line = command + " >&2";
  int rc = std::system(line.c_str());
  if (rc == 0) return true;
  *error = "'" + command + "' failed";
  return false;
}

bool NetNamespace::ValidName(const std::string& name) {
  if (name.empty() || name.size() > 40) return false;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

NetNamespace::~NetNamespace() { Destroy(); }

bool NetNamespace::Create(const std::string& name, std::string* error) {
  if (!ValidName(name)) {
    *error = "namespace name '" + name + "' must be letters, digits, '-' or '_'";
    return false;
  }
  if (!RunCommand("ip netns add " + name, error)) return false;
  name_ = name;
  return Ip("link set lo up", error);
}

void NetNamespace::Destroy() {
  if (name_.empty()) return;
  std::string ignored;
  RunCommand("ip netns del " + name_, &ignored);
  name_.clear();
}

bool NetNamespace::Adopt(const std::string& interface, std::string* error) {
  return RunCommand("ip link set dev " + interface + " netns " + name_, error);
}

bool NetNamespace::Ip(const std::string& args, std::string* error) {
  return RunCommand("ip -n " + name_ + " " + args, error);
}

int NetNamespace::OpenInside(const char* path, std::string* error) {
  int home = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
  std::string ns_path = "/var/run/netns/" + name_;
  int target = open(ns_path.c_str(), O_RDONLY | O_CLOEXEC);
  int fd = -1;
  if (home < 0 || target < 0) {
    *error = "cannot open the namespace files of " + name_ + ": " + std::strerror(errno);
  } else if (setns(target, CLONE_NEWNET) != 0) {
    *error = "cannot enter namespace " + name_ + ": " + std::strerror(errno);
  } else {
    // The file keeps the namespace it was opened in.
    fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) *error = std::string("cannot open ") + path + " in " + name_ + ": " + std::strerror(errno);
    if (setns(home, CLONE_NEWNET) != 0) {
      *error = std::string("cannot return to the lab's own namespace: ") + std::strerror(errno);
      if (fd >= 0) close(fd);
      fd = -1;
    }
  }
  if (home >= 0) close(home);
  if (target >= 0) close(target);
  return fd;
}
