// Short scenarios the race finder runs on a brought-up RaceMachine: each
// drives one part of the driver that stores descriptors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "race_machine.h"

namespace trxrace {

struct Scenario {
  const char* name;
  const char* what;
  void (*run)(RaceMachine& machine);
};

// send, receive, filter, reset.
const std::vector<Scenario>& Scenarios();
const Scenario* FindScenario(const std::string& name);

// The long scenario of a random run, until `boundaries` stores were
// watched: sends, arrivals, returns in any order, filter changes and now and
// then a reset, drawn from `seed`.
void MixedTraffic(RaceMachine& machine, uint32_t seed, uint64_t boundaries);

}  // namespace trxrace
