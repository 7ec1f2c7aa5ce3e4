// GoogleTest support: a fixture whose host fails the running test on every
// verifier finding, unless the test declared that finding expected.
//
//   class MyTest : public hostndis::testing::HostTest {};
//   TEST_F(MyTest, BreaksARule) {
//     ExpectFinding(hostndis::rule::kStallTooLong);  // fails if it never comes
//     ...
//   }
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostndis/host.h"

namespace hostndis::testing {

// Makes every unexpected finding of `verifier` a failure of the running test.
inline void FailTestOnFindings(Verifier& verifier) {
  verifier.SetHook([](const Finding& f) { ADD_FAILURE() << "verifier finding: " << f.message; });
}

class HostTest : public ::testing::Test {
 protected:
  HostTest() : HostTest(HostConfig()) {}
  explicit HostTest(const HostConfig& config) : host(config) { FailTestOnFindings(host.verifier()); }

  // This test breaks `rule` on purpose: its findings are no failure, and the
  // test fails if none is reported by the end.
  void ExpectFinding(const std::string& rule) {
    host.verifier().Expect(rule);
    expected_.push_back(rule);
  }

  void TearDown() override {
    for (const std::string& rule : expected_)
      EXPECT_GT(host.verifier().Count(rule), 0u) << "expected a verifier finding of rule " << rule;
  }

  Host host;

 private:
  std::vector<std::string> expected_;
};

}  // namespace hostndis::testing
