#include "hostndis/verifier.h"

#include <algorithm>
#include <cstdio>

namespace hostndis {

void Verifier::Report(const char* rule, const std::string& what) {
  findings_.push_back(Finding{rule, std::string("[") + rule + "] " + what});
  const Finding& f = findings_.back();
  if (print_) std::fprintf(stderr, "hostndis verifier: %s\n", f.message.c_str());
  if (!IsExpected(f.rule) && hook_) hook_(f);
}

std::size_t Verifier::Count(const std::string& rule) const {
  return static_cast<std::size_t>(
      std::count_if(findings_.begin(), findings_.end(), [&](const Finding& f) { return f.rule == rule; }));
}

void Verifier::Expect(const std::string& rule) {
  if (!IsExpected(rule)) expected_.push_back(rule);
}

bool Verifier::IsExpected(const std::string& rule) const {
  return std::find(expected_.begin(), expected_.end(), rule) != expected_.end();
}

}  // namespace hostndis
