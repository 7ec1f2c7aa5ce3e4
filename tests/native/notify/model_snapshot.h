// A plain copy of the whole process-wide model, for comparing a model with
// the one a save and a load give back; and random models to save.
// Shared by the native tests and the Windows ones (real registry).
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/model.h"

struct RuleSnapshot {
  uint8_t cancel, defFlag;
  uint32_t netproto;
  std::string netmsg;
  uint8_t typeenable;
  uint32_t prototype;
  std::string protomsg;
  uint8_t destenable;
  uint32_t destaddr, netmask;
  uint8_t sockenable;
  uint32_t socket;
  std::string sockmsg;
  int32_t ports;
  std::string priorityinfo;
};

struct LinkSnapshot {
  std::string TrunkName;
  int32_t LinkID, NumAdapters, TrunkType, TransType;
  std::vector<RuleSnapshot> rules;   // list order, head first
};

struct AdapterSnapshot {
  AdapterValues values;
  int32_t adapter_id, link_id;
  std::string msg;
};

struct ModelSnapshot {
  std::vector<LinkSnapshot> links;
  std::vector<AdapterSnapshot> adapters;
};

ModelSnapshot Take_Snapshot();

// Fails the running test at every field that differs, naming it.
void Expect_Same_Model(const ModelSnapshot& expected, const ModelSnapshot& actual, const std::string& context);

// Fills the (empty) model with a random configuration: adapters at distinct
// locations with random display names, trunks with random names and members,
// rules with random fields and texts (bytes 0x01 to 0xFF), at most one
// default rule per trunk, kept last.
void Fill_Random_Model(std::mt19937& random);
