#include "far_end.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace trx_test {

namespace {

constexpr uint32_t kTxCount = 16, kRxCount = 1024, kBufferSize = 2048;  // room for any test's burst
// Layout of the far end's memory: both rings, then the buffers.
constexpr uint32_t kTxRing = 0, kRxRing = 16 * kTxCount, kBuffers = 16 * (kTxCount + kRxCount);
constexpr uint32_t TxBuffer(uint32_t i) { return kBuffers + kBufferSize * i; }
constexpr uint32_t RxBuffer(uint32_t i) { return kBuffers + kBufferSize * (kTxCount + i); }
constexpr uint32_t kLength = kBuffers + kBufferSize * (kTxCount + kRxCount);

constexpr uint32_t kOwn = 0x80000000;
constexpr uint32_t kEndOfRing = 1u << 25;
constexpr uint32_t kFirstLast = 0x60000000;  // TDES1 first and last segment
constexpr uint32_t kNoCrc = 1u << 26;        // TDES1 add CRC disable
constexpr uint32_t kWholeFrame = 0x300;      // RDES0 first and last descriptor
// CSR6: promiscuous, full duplex, both processes running.
constexpr uint32_t kOperatingMode = 0x40 | 0x200 | 0x2 | 0x2000;
constexpr auto kSendLimit = std::chrono::milliseconds(100);

}  // namespace

std::unique_ptr<PciFarEnd> PciFarEnd::Open(const std::string& address, hostndis::PhysicalMemory& memory,
                                           std::string* error) {
  std::unique_ptr<hostpci::PciFunction> function = hostpci::PciFunction::Open(address, error);
  if (function == nullptr) return nullptr;
  hostndis::PhysicalMemory::Region region;
  if (!memory.AllocateContiguous(kLength, 0, &region)) {
    *error = "no physical memory left for the far end's rings";
    return nullptr;
  }
  return std::unique_ptr<PciFarEnd>(
      new PciFarEnd(std::make_unique<hostpci::PciDevice>(std::move(function), hostpci::PciDeviceOptions()), memory,
                    region));
}

PciFarEnd::PciFarEnd(std::unique_ptr<hostpci::PciDevice> chip, hostndis::PhysicalMemory& memory,
                     const hostndis::PhysicalMemory::Region& region)
    : chip_(std::move(chip)), memory_(memory), region_(region) {
  std::memset(region_.virt, 0, kLength);
  for (uint32_t i = 0; i < kTxCount; ++i) Descriptor(kTxRing + 16 * i)[1] = i + 1 == kTxCount ? kEndOfRing : 0;
  for (uint32_t i = 0; i < kRxCount; ++i) {
    uint32_t* d = Descriptor(kRxRing + 16 * i);
    d[1] = (kBufferSize - 1) | (i + 1 == kRxCount ? kEndOfRing : 0);
    d[2] = region_.phys + RxBuffer(i);
    d[0] = kOwn;
  }
  chip_->WritePciConfig(0x04, (chip_->ReadPciConfig(0x04) & 0xffff) | 0x6);  // memory space, bus master
  chip_->WriteCsr(0x00, 0);                                                // 16-byte descriptors back to back
  chip_->WriteCsr(0x18, region_.phys + kRxRing);
  chip_->WriteCsr(0x20, region_.phys + kTxRing);
  chip_->WriteCsr(0x38, 0);
  chip_->WriteCsr(0x30, kOperatingMode);
}

PciFarEnd::~PciFarEnd() {
  chip_.reset();  // the chip is reset before its rings go
  memory_.Free(region_);
}

void PciFarEnd::Send(const std::vector<uint8_t>& frame, bool bad_fcs) {
  uint32_t* d = Descriptor(kTxRing + 16 * tx_next_);
  uint8_t* buffer = region_.virt + TxBuffer(tx_next_);
  uint32_t length = uint32_t(std::min<size_t>(frame.size(), kBufferSize - 4));
  std::memcpy(buffer, frame.data(), length);
  uint32_t control = (d[1] & kEndOfRing) | kFirstLast;
  if (bad_fcs) {  // the chip sends the four bytes after the frame instead of its FCS
    std::memset(buffer + length, 0xee, 4);
    length += 4;
    control |= kNoCrc;
  }
  d[1] = control | length;
  d[2] = region_.phys + TxBuffer(tx_next_);
  d[0] = kOwn;
  chip_->WriteCsr(0x08, 0);  // transmit poll demand
  auto give_up = std::chrono::steady_clock::now() + kSendLimit;
  while ((__atomic_load_n(&d[0], __ATOMIC_ACQUIRE) & kOwn) && std::chrono::steady_clock::now() < give_up) {
  }
  tx_next_ = (tx_next_ + 1) % kTxCount;
}

std::deque<std::vector<uint8_t>>& PciFarEnd::received() {
  for (;;) {
    uint32_t* d = Descriptor(kRxRing + 16 * rx_next_);
    uint32_t status = __atomic_load_n(&d[0], __ATOMIC_ACQUIRE);
    if (status & kOwn) break;
    if ((status & kWholeFrame) == kWholeFrame) {
      uint32_t length = std::min((status >> 16) & 0x3fff, kBufferSize);
      const uint8_t* buffer = region_.virt + RxBuffer(rx_next_);
      received_.emplace_back(buffer, buffer + length);
    }
    d[0] = kOwn;
    rx_next_ = (rx_next_ + 1) % kRxCount;
  }
  chip_->WriteCsr(0x10, 0);  // receive poll demand: descriptors are back
  return received_;
}

}  // namespace trx_test
