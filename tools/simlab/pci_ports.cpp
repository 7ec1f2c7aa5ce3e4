#include "pci_ports.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "chip_view.h"
#include "hostpci/pci_device.h"
#include "hostpci/pci_function.h"
#include "phy_register_keeper.h"
#include "sim/csr9_master.h"

namespace simlab {

namespace {

constexpr uint32_t kPhy = 1;
constexpr uint32_t kPhyStatus = 0x14;           // the 0x78100000 PHY's status register
constexpr uint16_t kLinked100Full = 0x3800;     // link (bit 13), full duplex (12), 100 Mb/s (11)
constexpr uint32_t kPhyInterruptEnable = 0x11;  // the same PHY's interrupt enable
constexpr uint32_t kStationWords = 0x2a;        // where a K250's serial ROM keeps the station address

// Says `text` once per process.
void Once(const char* tool, const std::string& text) {
  static std::set<std::string> said;
  if (said.insert(text).second) std::fprintf(stderr, "%s: %s\n", tool, text.c_str());
}

std::string SubsystemText(uint32_t dword) {
  char text[16];
  std::snprintf(text, sizeof(text), "%04x:%04x", dword & 0xffff, dword >> 16);
  return text;
}

}  // namespace

const char kPciUsage[] =
    "  --pci [ADDRESS[,ADDRESS]]  ports on real 21143 functions bound to uio_pci_generic (root; memory\n"
    "                             reserved with memmap= on the kernel command line); without an address\n"
    "                             the first ones bound\n"
    "  --as-k250                  with --pci: present the K250's PCI subsystem id, nothing else changed\n";

bool TakePciOption(int argc, char** argv, int* i, PciChoice* choice) {
  if (std::strcmp(argv[*i], "--as-k250") == 0) {
    choice->as_k250 = true;
    return true;
  }
  if (std::strcmp(argv[*i], "--pci") != 0) return false;
  choice->enabled = true;
  if (*i + 1 >= argc) return true;
  // ADDRESS[,ADDRESS...]: taken only when every piece is an address.
  std::vector<std::string> addresses;
  std::string list = argv[*i + 1], piece, address;
  size_t at = 0;
  while (at <= list.size()) {
    size_t comma = list.find(',', at);
    piece = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    if (!hostpci::ParseAddress(piece, &address)) return true;
    addresses.push_back(address);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  choice->addresses = addresses;
  ++*i;
  return true;
}

bool ChoosePciFunctions(const PciChoice& choice, size_t count, std::vector<std::string>* addresses,
                        std::string* error) {
  *addresses = choice.addresses;
  if (addresses->size() > count) {
    *error = "give at most " + std::to_string(count) + " PCI address(es)";
    return false;
  }
  for (const std::string& a : *addresses)
    if (!hostpci::CheckFunction(hostpci::kSysfsDevices, a, error)) return false;
  for (const std::string& a : hostpci::BoundFunctions())
    if (addresses->size() < count && std::find(addresses->begin(), addresses->end(), a) == addresses->end())
      addresses->push_back(a);
  if (addresses->size() < count) {
    *error = "needs " + std::to_string(count) + " DEC 21143 function(s) bound to uio_pci_generic, found " +
             std::to_string(addresses->size()) +
             "; as root: modprobe uio_pci_generic; echo \"1011 0019\" > /sys/bus/pci/drivers/uio_pci_generic/new_id";
    return false;
  }
  return true;
}

std::unique_ptr<hostndis::Device> OpenPciPort(const std::string& address, bool as_k250, uint32_t index,
                                              const char* tool, PortSpec* setup, hostpci::PciDevice** pci,
                                              std::string* error) {
  std::unique_ptr<hostpci::PciFunction> function = hostpci::PciFunction::Open(address, error);
  if (function == nullptr) return nullptr;
  hostpci::PciDeviceOptions options;
  options.slot = index;
  uint32_t own = function->ReadConfig(0x2c);
  if (as_k250) {
    options.subsystem = hostpci::kK250Subsystem;
    Once(tool, address + " presents the K250's PCI subsystem id " + SubsystemText(hostpci::kK250Subsystem) +
                   " instead of its own " + SubsystemText(own) + " (--as-k250)");
  }
  auto device = std::make_unique<hostpci::PciDevice>(std::move(function), options);
  *pci = device.get();
  if (!hostpci::RunningOnQemu()) return device;

  sim::Csr9Master<hostpci::PciDevice> serial(*device, PauseForRealChip);
  bool no_station = true;
  for (uint32_t w = 0; w < 3; ++w) no_station = no_station && serial.SromWord(kStationWords + w) == 0;
  if (no_station && !setup->network_address) {
    setup->network_address = std::vector<uint8_t>{0x00, 0x12, 0x34, 0x56, 0x78, uint8_t(0x9a + index)};
    Once(tool, "QEMU's PC: " + address + "'s serial ROM holds no station address in words 0x2a-0x2c; it gets " +
                   FormatMac(setup->network_address->data()) + " through the network address override");
  }
  serial.MiiWrite(kPhy, kPhyStatus, kLinked100Full);
  Once(tool, "QEMU's PC: its PHY keeps register 0x14 as plain storage; stored there what a PHY linked to a "
             "cabled partner at 100 Mb/s full duplex shows (0x3800): the cable plugged in");
  Once(tool, "QEMU's PC: its PHY drops every write to register 0x11 (interrupt enable); the runner keeps that "
             "register beside the chip so that the driver's PHY set-up reads back what it wrote");
  return std::make_unique<PhyRegisterKeeper>(std::move(device), kPhy, kPhyInterruptEnable);
}

bool RealPorts::Open(const PciChoice& choice, size_t count, hostndis::HostConfig* config) {
  if (!choice.enabled) return true;
  as_k250_ = choice.as_k250;
  std::string error;
  if (ChoosePciFunctions(choice, count, &addresses_, &error)) memory_ = hostpci::ReservedMemory::Open(&error);
  if (memory_ == nullptr) {
    std::fprintf(stderr, "%s: %s\n", tool_, error.c_str());
    return false;
  }
  *config = memory_->Configure(*config);
  return true;
}

Port* RealPorts::AddTo(Lab& lab, size_t i, PortSpec setup, std::string* error) {
  hostpci::PciDevice* pci = nullptr;
  std::unique_ptr<hostndis::Device> device =
      OpenPciPort(addresses_.at(i), as_k250_, uint32_t(i), tool_, &setup, &pci, error);
  if (device == nullptr) return nullptr;
  Port& port = lab.AddPort(std::move(device), setup);
  port.pci = pci;
  return &port;
}

}  // namespace simlab
