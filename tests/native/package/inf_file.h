// A reader of the parts of an INF file the package tests look at: sections
// of comma-separated lines with %string% substitution, and the registry
// values that a model's AddReg sections write.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace trx_test {

struct InfLine {
  std::string key;                  // before '=', empty when the line has none
  std::vector<std::string> fields;  // after '=' (or the whole line), unquoted
};

class InfFile {
 public:
  // Reads PATH; an unreadable file leaves error() non-empty.
  explicit InfFile(const std::string& path);

  const std::string& error() const { return error_; }
  // The lines of section NAME (names compare without regard to case).
  const std::vector<InfLine>& Section(const std::string& name) const;
  // The install section name that the models give HARDWARE_ID, or "".
  std::string InstallSectionOf(const std::string& hardware_id) const;
  // Registry values written by the AddReg sections of INSTALL_SECTION,
  // under "key\value" paths relative to HKR (lower case).
  std::map<std::string, std::string> RegistryOf(const std::string& install_section) const;

 private:
  std::string Substitute(const std::string& text) const;

  std::map<std::string, std::vector<InfLine>> sections_;
  std::map<std::string, std::string> strings_;
  std::string error_;
};

std::string Lower(std::string text);

}  // namespace trx_test
