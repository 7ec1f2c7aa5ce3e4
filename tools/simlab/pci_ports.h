// Ports on real 21143 functions (see host/pci): the tools' --pci and
// --as-k250 options, and what a run on QEMU's PC adds to each port.
//
// On QEMU's PC (its firmware says so) a port gets, each said once on stderr:
// - a station address through the network address override, when the serial
//   ROM holds none where a K250 keeps it (words 0x2a-0x2c read zero);
// - in its PHY's status register 0x14, which QEMU keeps as plain storage,
//   what a PHY linked to a cabled partner at 100 Mb/s full duplex shows:
//   plugging in the cable;
// - register 0x11 of the PHY kept beside the chip (PhyRegisterKeeper), since
//   QEMU's PHY drops every write there.
// Nothing else about the function changes; --as-k250 presents the K250's
// subsystem identity in configuration dword 0x2c.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostpci/reserved_memory.h"
#include "simlab.h"

namespace simlab {

struct PciChoice {
  bool enabled = false;
  std::vector<std::string> addresses;  // as given; the first functions bound to uio fill up the rest
  bool as_k250 = false;
};

// Takes `--pci [ADDRESS[,ADDRESS...]]` or `--as-k250` at argv[*i], moving *i
// past what it took. False if argv[*i] is neither; a malformed address
// after --pci is taken as the next argument, not as an address.
bool TakePciOption(int argc, char** argv, int* i, PciChoice* choice);
// "--pci [ADDRESS[,ADDRESS]] [--as-k250]" and what they do, for usage texts.
extern const char kPciUsage[];

// The addresses of `count` functions: those chosen, then the first bound to
// uio_pci_generic that are not chosen already. False with the reason when
// there are not enough or one cannot be used.
bool ChoosePciFunctions(const PciChoice& choice, size_t count, std::vector<std::string>* addresses,
                        std::string* error);

// The device of port `index` over the function at `address`, with what a run
// on QEMU's PC adds (into `setup` too); `tool` prefixes the messages.
// Null with the reason in `error`.
std::unique_ptr<hostndis::Device> OpenPciPort(const std::string& address, bool as_k250, uint32_t index,
                                              const char* tool, PortSpec* setup, hostpci::PciDevice** pci,
                                              std::string* error);

// What a tool's lab over real functions holds beside its host.
class RealPorts {
 public:
  explicit RealPorts(const char* tool) : tool_(tool) {}
  // With --pci: the reserved memory and `count` functions, and `config` set
  // to use that memory with the clock in real time. Without it, nothing.
  // False, the reason said on stderr, when they cannot be had.
  bool Open(const PciChoice& choice, size_t count, hostndis::HostConfig* config);
  // Port `i` of `lab` on the i-th function. Null with the reason.
  Port* AddTo(Lab& lab, size_t i, PortSpec setup, std::string* error);
  // The functions' addresses, in port order.
  const std::vector<std::string>& addresses() const { return addresses_; }

 private:
  const char* tool_;
  bool as_k250_ = false;
  std::unique_ptr<hostpci::ReservedMemory> memory_;
  std::vector<std::string> addresses_;
};

}  // namespace simlab
