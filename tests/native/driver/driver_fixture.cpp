#include "driver_fixture.h"

#include <cstdlib>

#include "chip_view.h"
#include "hostpci/reserved_memory.h"
#include "ndis_call_log.h"
#include "pci_ports.h"
#include "trx_miniport.h"

namespace trx_test {

Mac Multicast(uint8_t n) { return Mac{0x01, 0x00, 0x5e, 0x00, 0x00, n}; }

Mac ToMac(const UCHAR* bytes) { return Mac{bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5]}; }

std::vector<uint8_t> Frame(const Mac& destination, uint32_t length, uint8_t seed, const Mac& source) {
  std::vector<uint8_t> f(length);
  for (uint32_t i = 0; i < length; ++i) f[i] = static_cast<uint8_t>(seed + i);
  for (int i = 0; i < 6 && i < static_cast<int>(length); ++i) f[i] = destination[i];
  for (int i = 0; i < 6 && 6 + i < static_cast<int>(length); ++i) f[6 + i] = source[i];
  if (length >= 14) {
    f[12] = 0x08;
    f[13] = 0x00;
  }
  return f;
}

std::vector<uint8_t> Bytes(ULONG value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 24)};
}

std::vector<uint8_t> AddressList(const std::vector<Mac>& addresses) {
  std::vector<uint8_t> list;
  for (const Mac& a : addresses) list.insert(list.end(), a.begin(), a.end());
  return list;
}

kimage::DriverLoader Driver() {
#ifdef TRX_TEST_KERNEL_IMAGE
  return kimage::DriverLoader::Image();
#else
  return kimage::DriverLoader::Native(DriverEntry);
#endif
}

bool OnRealFunctions() { return std::getenv("TMRX_DRIVER_PCI") != nullptr; }

bool OnQemu() { return OnRealFunctions() && hostpci::RunningOnQemu(); }

namespace {

// On real functions: the reserved memory, taken once for the whole program
// (null with the reason in `reserved_error`).
std::string reserved_error;
hostpci::ReservedMemory* Reserved() {
  static std::unique_ptr<hostpci::ReservedMemory> memory = hostpci::ReservedMemory::Open(&reserved_error);
  return memory.get();
}

hostndis::HostConfig ForPorts(hostndis::HostConfig config) {
  if (OnRealFunctions() && Reserved()) config = Reserved()->Configure(config);
  return Driver().Prepare(config);
}

}  // namespace

sim::Board& Port::board() const {
  if (device->board() == nullptr) {
    ADD_FAILURE() << "this test needs a simulated board";
    std::abort();
  }
  return *device->board();
}

sim::ReceiveFilter Port::filter() const {
  if (device->board()) return device->board()->filter();
  return simlab::SetupFrameFilter(*memory, *context());
}

DriverTest::DriverTest(const hostndis::HostConfig& config) : HostTest(ForPorts(config)) {}

void DriverTest::SetUp() {
  if (OnRealFunctions()) {
    ASSERT_NE(Reserved(), nullptr) << reserved_error;
  }
  CallLog().clear();
  HideMemoryResource(false);
  driver_ = Driver().Load(host);
  ASSERT_EQ(driver_.error, "") << "the driver image was refused";
  ASSERT_EQ(driver_.status, STATUS_SUCCESS);
}

void DriverTest::TearDown() {
  for (auto& p : ports_) {
    if (!p->adapter->initialized()) continue;
    // NDIS never halts in the middle of a reset.
    host.RunUntil([&] { return !p->context()->ResetPending; }, 2 * sim::kSecond);
    p->adapter->Halt();
  }
  HideMemoryResource(false);
  HostTest::TearDown();
}

// TMRX_BOARD_PROFILE=NAME[:SEED] runs the suite on other boards than the kind
// one; a test that sets a profile of its own keeps it.
static sim::BoardConfig WithEnvironmentProfile(const sim::BoardConfig& config) {
  sim::BoardConfig effective = config;
  const char* text = std::getenv("TMRX_BOARD_PROFILE");
  if (text != nullptr && config.profile.Kind()) {
    EXPECT_TRUE(sim::BoardProfile::Parse(text, &effective.profile)) << "TMRX_BOARD_PROFILE=" << text;
    effective.profile = effective.profile.ForPort(config.slot);
  }
  return effective;
}

// Slot N's function, its far end the other one: the QEMU PC's two tulips.
static std::unique_ptr<TestDevice> RealFunction(hostndis::Host& host, uint32_t slot, bool cabled, Port* port) {
  std::vector<std::string> addresses;
  simlab::PciChoice choice;
  std::string error;
  if (slot > 1 || !simlab::ChoosePciFunctions(choice, 2, &addresses, &error)) {
    ADD_FAILURE() << "slot " << slot << " on real functions: " << error;
    return nullptr;
  }
  simlab::PortSpec port_setup;
  std::unique_ptr<hostndis::Device> chip =
      simlab::OpenPciPort(addresses[slot], true, slot, "driver test", &port_setup, &port->pci, &error);
  if (chip == nullptr) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  if (cabled && (port->peer = PciFarEnd::Open(addresses[1 - slot], host.memory(), &error)) == nullptr)
    ADD_FAILURE() << "the far end: " << error;
  auto device = std::make_unique<TestDevice>(std::move(chip));
  if (port_setup.network_address) port->adapter_address = *port_setup.network_address;
  return device;
}

Port& DriverTest::AddPort(const sim::BoardConfig& requested, bool cabled, sim::Wire::Pace pace) {
  sim::BoardConfig config = WithEnvironmentProfile(requested);
  auto port = std::make_unique<Port>();
  std::unique_ptr<TestDevice> device = OnRealFunctions() ? RealFunction(host, config.slot, cabled, port.get())
                                                         : std::make_unique<TestDevice>(host, config);
  if (device == nullptr) std::abort();  // the failure is reported
  port->device = device.get();
  port->image = driver_.image.get();
  port->memory = &host.memory();
  hostndis::Device* added = host.AddDevice(std::move(device));
  EXPECT_NE(added, nullptr) << "slot " << config.slot << " is taken";
  port->adapter = &host.AddAdapter(*added);
  port->adapter->SetKeyword("ConnectionType", 0u);
  port->adapter->SetKeyword("SlotNumber", config.slot);
  if (!port->adapter_address.empty()) port->adapter->SetNetworkAddress(port->adapter_address);
  if (cabled && !OnRealFunctions()) {
    auto far_end = std::make_unique<SimFarEnd>();
    port->wire = std::make_unique<sim::Wire>(host.clock(), port->board(), far_end->endpoint(), pace);
    port->peer = std::move(far_end);
  }
  ports_.push_back(std::move(port));
  return *ports_.back();
}

void DriverTest::BringUp(Port& port) {
  ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS);
  ASSERT_TRUE(WaitForLink(port)) << "the link never came up";
  LetTheChipCatchUp(port);
}

bool DriverTest::WaitForLink(Port& port, bool up) {
  // Long enough for a negotiation that outlasts the driver's settle wait.
  return host.RunUntil([&] { return port.context()->LinkUp == (up ? TRUE : FALSE); }, 2 * sim::kSecond);
}

ULONG DriverTest::CsrAsWritten(Port& port, ULONG offset) {
  if (port.pci) return port.pci->LastWritten(offset);
  ULONG value = port.board().ReadCsr(offset);
  if (!port.board().config().profile.documented_registers) return value;
  switch (offset) {
    case 0x00: return value & 0x01ffffff;  // CSR0: bits 25-31 reserved
    case 0x38: return value & 0x0c01ffff;  // CSR7: bits 17-25 and 28-31 reserved
    case 0x70: return value & 0x0000ffff;  // CSR14: upper half reserved
    default: return value;
  }
}

ULONG DriverTest::QueryValue(Port& port, NDIS_OID oid) {
  hostndis::QueryResult r = port.adapter->Query(oid, 4);
  EXPECT_EQ(r.status, NDIS_STATUS_SUCCESS) << "query of OID 0x" << std::hex << oid;
  ULONG value = 0;
  for (size_t i = 0; i < r.data.size() && i < 4; ++i) value |= static_cast<ULONG>(r.data[i]) << (8 * i);
  return value;
}

// A board with asynchronous DMA takes the setup frame a while after the
// request returns; the kind board has taken it already.
void DriverTest::LetTheChipCatchUp(Port& port) {
  if (port.pci || !port.board().config().profile.Kind()) Run(5 * sim::kMillisecond);
}

NDIS_STATUS DriverTest::SetFilter(Port& port, ULONG filter) {
  NDIS_STATUS status = port.adapter->Set(OID_GEN_CURRENT_PACKET_FILTER, Bytes(filter)).status;
  LetTheChipCatchUp(port);
  return status;
}

NDIS_STATUS DriverTest::SetMulticast(Port& port, const std::vector<Mac>& addresses) {
  NDIS_STATUS status = port.adapter->Set(OID_802_3_MULTICAST_LIST, AddressList(addresses)).status;
  LetTheChipCatchUp(port);
  return status;
}

NDIS_STATUS DriverTest::SendAndComplete(Port& port, PNDIS_PACKET packet) {
  port.adapter->Send({packet});
  host.RunUntil([&] { return port.adapter->send_state(packet) != hostndis::SendState::kWithMiniport; },
                Patience(10 * sim::kMillisecond));
  return port.adapter->send_status(packet);
}

}  // namespace trx_test
