// The Trx4n5 driver on the host stand-in over simulated K250 boards: the
// fixture every driver test uses. The same tests build twice: over the
// natively built driver (driver_tests) and over the shipped kernel image
// (driver_image_tests, TRX_TEST_KERNEL_IMAGE). Any verifier finding fails the test, and
// every adapter still initialized at the end is halted, so each test also
// checks that Halt leaves nothing behind.
//
// With TMRX_DRIVER_PCI set (the QEMU group, inside the QEMU PC) every port
// sits on a real 21143 function instead, as --pci --as-k250 runs do: the
// port in slot N on the N-th function bound to uio_pci_generic, its far end
// the other function driven as a plain station, the clock in real time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "far_end.h"
#include "hostndis/testing.h"
#include "image_context.h"
#include "kimage/driver_loader.h"
#include "sim/board.h"
#include "sim/wire.h"
#include "test_device.h"
#include "trx_adapter.h"

namespace trx_test {

using Mac = std::array<uint8_t, 6>;

constexpr Mac kStation = {0x00, 0x12, 0x34, 0x56, 0x78, 0x9a};  // the board's EEPROM default
constexpr Mac kBroadcast = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
constexpr Mac kPeer = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};     // source of the far end's frames
constexpr ULONG kDirectedBroadcast = NDIS_PACKET_TYPE_DIRECTED | NDIS_PACKET_TYPE_BROADCAST;

// A multicast address 01-00-5E-00-00-n.
Mac Multicast(uint8_t n);
Mac ToMac(const UCHAR* bytes);
// An Ethernet frame without FCS: destination, source, type 0x0800, then a
// counting pattern from `seed`.
std::vector<uint8_t> Frame(const Mac& destination, uint32_t length, uint8_t seed = 0, const Mac& source = kPeer);
std::vector<uint8_t> Bytes(ULONG value);
std::vector<uint8_t> AddressList(const std::vector<Mac>& addresses);

// The driver under test.
kimage::DriverLoader Driver();
// Whether the ports sit on real functions (TMRX_DRIVER_PCI), and whether
// those are QEMU's: where QEMU's chip departs from the 21143's documentation
// a test expects what QEMU does, the reason beside it.
bool OnRealFunctions();
bool OnQemu();

struct Port {
  TestDevice* device = nullptr;
  hostpci::PciDevice* pci = nullptr;  // the real function under it, if one
  hostndis::Adapter* adapter = nullptr;
  std::unique_ptr<FarEnd> peer;  // the far end, when cabled to one
  std::unique_ptr<sim::Wire> wire;  // the simulated cable
  const kimage::KernelImage* image = nullptr;  // when the driver is one
  hostndis::PhysicalMemory* memory = nullptr;
  std::vector<uint8_t> adapter_address;  // a real function's station address, through the override
  mutable ADAPTER_CONTEXT image_context{};
  mutable simlab::ImageRecords image_records;

  // The simulated board (a test that needs one is not in the QEMU group).
  sim::Board& board() const;
  // The chip's receive filter: the board's, or what the last setup frame the
  // chip took from the ring programs.
  sim::ReceiveFilter filter() const;
  // The driver's adapter context; of an image, a fresh copy of its values and
  // records, with live descriptors (simlab::ImageRecords).
  PADAPTER_CONTEXT context() const {
    if (image == nullptr) return static_cast<PADAPTER_CONTEXT>(adapter->context());
    simlab::ReadImageContext(*image, adapter->context(), &image_context, &image_records);
    return &image_context;
  }
  PULONG TxDescriptor(ULONG i) const { return context()->TxRecords[i].Descriptor; }
};

class DriverTest : public hostndis::testing::HostTest {
 protected:
  DriverTest() : DriverTest(hostndis::HostConfig()) {}
  explicit DriverTest(const hostndis::HostConfig& config);
  void SetUp() override;
  void TearDown() override;

  // A board in `config.slot` with an adapter over it (ConnectionType 0 and
  // SlotNumber set), cabled to a far-end station unless `cabled` is false.
  // On real functions only the slot counts.
  Port& AddPort(const sim::BoardConfig& config = sim::BoardConfig(), bool cabled = true,
                sim::Wire::Pace pace = sim::Wire::Pace::kUnlimited);
  // Initializes (asserting success) and waits for the link to be up.
  void BringUp(Port& port);
  bool WaitForLink(Port& port, bool up = true);
  // Runs the machine a little on a board that does its DMA later.
  void LetTheChipCatchUp(Port& port);
  // On real functions at least 50 ms: a frame, its interrupt and the
  // indication take real time, more of it on a loaded machine.
  static sim::Nanoseconds Patience(sim::Nanoseconds duration) {
    return OnRealFunctions() ? std::max(duration, 50 * sim::kMillisecond) : duration;
  }
  void Run(sim::Nanoseconds duration) { host.RunFor(Patience(duration)); }
  // Runs until the clock reads `at` (nothing if it is past already).
  void RunUntilClock(sim::Nanoseconds at) {
    if (at > host.clock().Now()) host.RunFor(at - host.clock().Now());
  }

  // A CSR as the driver wrote it: on a board whose registers read as the
  // chip documents them, without the bits that read as ones; on a real
  // function, the last value written.
  ULONG CsrAsWritten(Port& port, ULONG offset);
  // The 4-byte answer of a query (asserting success).
  ULONG QueryValue(Port& port, NDIS_OID oid);
  NDIS_STATUS SetFilter(Port& port, ULONG filter);
  NDIS_STATUS SetMulticast(Port& port, const std::vector<Mac>& addresses);
  // Sends one packet and runs until it is no longer with the miniport.
  NDIS_STATUS SendAndComplete(Port& port, PNDIS_PACKET packet);

  std::vector<std::unique_ptr<Port>> ports_;
  kimage::DriverLoader::Loaded driver_;
};

}  // namespace trx_test
