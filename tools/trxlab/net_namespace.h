// A network namespace the lab creates, configures with iproute2 and removes.
#pragma once

#include <string>
#include <vector>

class NetNamespace {
 public:
  NetNamespace() = default;
  ~NetNamespace();
  NetNamespace(const NetNamespace&) = delete;
  NetNamespace& operator=(const NetNamespace&) = delete;

  // Creates namespace `name` (letters, digits, '-' and '_' only).
  bool Create(const std::string& name, std::string* error);
  // Deletes it (interfaces in it go with it). Safe to call twice.
  void Destroy();

  // Moves an interface of this process's namespace into this one.
  bool Adopt(const std::string& interface, std::string* error);
  // Runs `ip ARGS` inside the namespace.
  bool Ip(const std::string& args, std::string* error);
  // Opens `path` as seen from inside the namespace (for /proc/self/net/...).
  int OpenInside(const char* path, std::string* error);

  const std::string& name() const { return name_; }

  static bool ValidName(const std::string& name);

 private:
  std::string name_;
};

// Runs a command line through /bin/sh with output to stderr; true on exit 0.
bool RunCommand(const std::string& command, std::string* error);
