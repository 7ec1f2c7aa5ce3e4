// The far end of a test port's cable: a station that sends frames to the
// port and keeps the frames the port sent, FCS included, oldest first.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "hostndis/physical_memory.h"
#include "hostpci/pci_device.h"
#include "sim/wire.h"

namespace trx_test {

class FarEnd {
 public:
  virtual ~FarEnd() = default;
  // `frame` without FCS; a correct FCS is added unless `bad_fcs`.
  virtual void Send(const std::vector<uint8_t>& frame, bool bad_fcs = false) = 0;
  virtual std::deque<std::vector<uint8_t>>& received() = 0;
};

// A simulated station, cabled to a simulated board.
class SimFarEnd : public FarEnd {
 public:
  sim::FrameEndpoint& endpoint() { return endpoint_; }
  void Send(const std::vector<uint8_t>& frame, bool bad_fcs) override { endpoint_.Send(frame, bad_fcs); }
  std::deque<std::vector<uint8_t>>& received() override { return endpoint_.received(); }

 private:
  sim::FrameEndpoint endpoint_;
};

// Another real 21143 function driven as a plain station: promiscuous, its
// rings in the host's physical memory, served by polling (no interrupt).
class PciFarEnd : public FarEnd {
 public:
  // Null with the reason when the function cannot be opened or no memory is left.
  static std::unique_ptr<PciFarEnd> Open(const std::string& address, hostndis::PhysicalMemory& memory,
                                         std::string* error);
  ~PciFarEnd() override;

  void Send(const std::vector<uint8_t>& frame, bool bad_fcs) override;
  // Takes in what arrived since the last call.
  std::deque<std::vector<uint8_t>>& received() override;

 private:
  PciFarEnd(std::unique_ptr<hostpci::PciDevice> chip, hostndis::PhysicalMemory& memory,
            const hostndis::PhysicalMemory::Region& region);
  uint32_t* Descriptor(uint32_t offset) { return reinterpret_cast<uint32_t*>(region_.virt + offset); }

  std::unique_ptr<hostpci::PciDevice> chip_;
  hostndis::PhysicalMemory& memory_;
  hostndis::PhysicalMemory::Region region_;
  uint32_t tx_next_ = 0, rx_next_ = 0;
  std::deque<std::vector<uint8_t>> received_;
};

}  // namespace trx_test
