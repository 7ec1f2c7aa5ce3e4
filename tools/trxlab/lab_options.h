// Command line of the lab.
#pragma once

#include <cstdio>
#include <string>

#include "pci_ports.h"
#include "sim/board_profile.h"

struct LabOptions {
  std::string name = "trxlab";   // namespaces NAME-0, NAME-1; interfaces NAME0, NAME1
  bool unlimited = false;        // the wire delivers at once instead of at line rate
  int connection_type = 0;       // ConnectionType keyword of both ports
  std::string pcap;              // capture of the wire, or none
  std::string ready_file;        // written (shell variables) once the lab is up
  std::string control;           // FIFO of commands: unplug, plug, stats, quit
  double duration = 0;           // seconds; 0 runs until interrupted
  std::string kernel_image;      // drive this image instead of the natively built driver
  sim::BoardProfile board;       // both ports' board profile
  simlab::PciChoice pci;         // two real functions instead of simulated boards and their wire
};

bool ParseLabOptions(int argc, char** argv, LabOptions* options, std::string* error);
void PrintLabUsage(FILE* to);
