// PHY detection and set-up, each ConnectionType with and without a PHY, and
// link changes as NDIS sees them.
#include "driver_fixture.h"

namespace trx_test {
namespace {

using sim::LinkMode;
using sim::PhyModel;

class PhyLinkTest : public DriverTest {
 protected:
  Port& PortWith(PhyModel phy, ULONG connection_type) {
    sim::BoardConfig config;
    config.phy = phy;
    config.phy_revision = 3;
    Port& port = AddPort(config);
    port.adapter->SetKeyword("ConnectionType", connection_type);
    return port;
  }
  ULONG Csr6(Port& port) { return port.board().ReadCsr(0x30); }
};

TEST_F(PhyLinkTest, DetectsEachPhyKindWithoutItsRevision) {
  struct Case {
    PhyModel phy;
    ULONG kind;
    ULONG abilities;
  } cases[] = {{PhyModel::kPhy1378, 0x001378e0, 0x1e1},
               {PhyModel::kPhy7810, 0x78100000, 0x1e1},
               {PhyModel::kUnknown, 0x00137810, 0x1e1},
               {PhyModel::kNone, 2, 0x20}};
  uint32_t slot = 0;
  for (const Case& c : cases) {
    sim::BoardConfig config;
    config.phy = c.phy;
    config.phy_revision = 3;
    config.slot = slot++;
    Port& port = AddPort(config);
    ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS);
    EXPECT_EQ(port.context()->PhyKind, c.kind) << "slot " << config.slot;
    EXPECT_EQ(port.context()->AbilityMask, c.abilities) << "slot " << config.slot;
  }
}

TEST_F(PhyLinkTest, SetsUpEachKnownPhyAfterItsReset) {
  Port& a = PortWith(PhyModel::kPhy1378, 0);
  BringUp(a);
  EXPECT_EQ(a.board().PhyRegister(0x12), 0xf2u);
  EXPECT_EQ(a.board().PhyRegister(0x14), 0x0742u);

  sim::BoardConfig config;
  config.phy = PhyModel::kPhy7810;
  config.slot = 1;
  Port& b = AddPort(config);
  BringUp(b);
  EXPECT_EQ(b.board().PhyRegister(0x11), 2u);
  EXPECT_EQ(QueryValue(b, OID_GEN_LINK_SPEED), 2000000u) << "100 Mb/s full duplex through register 0x14";
}

TEST_F(PhyLinkTest, AnUnknownPhyNeverShowsALinkAndSendsAreRefused) {
  Port& port = PortWith(PhyModel::kUnknown, 0);
  ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS);
  Run(20 * sim::kMillisecond);
  EXPECT_NE(port.board().CurrentMode(), LinkMode::kNone) << "the board itself has a link";
  EXPECT_FALSE(port.context()->LinkUp);
  EXPECT_EQ(QueryValue(port, OID_GEN_LINK_SPEED), 0u);
  EXPECT_EQ(QueryValue(port, OID_GEN_MEDIA_CONNECT_STATUS), static_cast<ULONG>(NdisMediaStateDisconnected));
  PNDIS_PACKET p = port.adapter->BuildPacket(Frame(kPeer, 60));
  port.adapter->Send({p});
  EXPECT_EQ(port.adapter->send_state(p), hostndis::SendState::kRefused);
  EXPECT_EQ(port.adapter->send_status(p), NDIS_STATUS_RESOURCES);
  EXPECT_TRUE(port.context()->SendResourcesNeeded);
}

TEST_F(PhyLinkTest, SelectorOnlyAdvertisementLeavesTenHalfUnsupported) {
  sim::BoardConfig config;
  config.phy_advertisement = 1;
  Port& port = AddPort(config);
  port.adapter->SetKeyword("ConnectionType", 1u);
  ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port.context()->AbilityMask, 0x181u);
  EXPECT_EQ(port.board().PhyRegister(4), 1u) << "advertisement untouched";
  EXPECT_EQ(port.board().PhyRegister(0), 0x3100u) << "control register as the PHY reset left it";
}

struct ConnectionCase {
  ULONG type;
  uint16_t advertise;  // register 4 as written
  uint16_t control;    // register 0 as it reads back
  LinkMode mode;       // what the board's port runs at
  ULONG speed;         // OID_GEN_LINK_SPEED
  bool full_duplex;
  bool fast;
};

class ConnectionTypeTest : public PhyLinkTest, public ::testing::WithParamInterface<ConnectionCase> {};

TEST_P(ConnectionTypeTest, ProgramsThePhyAndFollowsTheLinkIntoCsr6) {
  const ConnectionCase& c = GetParam();
  Port& port = PortWith(PhyModel::kPhy1378, c.type);
  BringUp(port);
  EXPECT_EQ(port.board().PhyRegister(4), c.advertise);
  EXPECT_EQ(port.board().PhyRegister(0), c.control);
  EXPECT_EQ(port.board().CurrentMode(), c.mode);
  EXPECT_EQ(QueryValue(port, OID_GEN_LINK_SPEED), c.speed);
  EXPECT_EQ(QueryValue(port, OID_GEN_MAC_OPTIONS), c.full_duplex ? 0x1du : 0x0du);
  EXPECT_EQ((Csr6(port) & 0x200) != 0, c.full_duplex) << "CSR6 full duplex";
  EXPECT_EQ((Csr6(port) & 0x400000) == 0, c.fast) << "CSR6 10 Mb/s threshold mode";
  EXPECT_EQ(Csr6(port) & 0x2002, 0x2002u) << "both processes running";
}

INSTANTIATE_TEST_SUITE_P(
    Types, ConnectionTypeTest,
    ::testing::Values(ConnectionCase{0, 0x01e1, 0x1000, LinkMode::k100Full, 2000000, true, true},
                      ConnectionCase{1, 0x0021, 0x0000, LinkMode::k10Half, 100000, false, false},
                      ConnectionCase{2, 0x0041, 0x0100, LinkMode::k10Full, 200000, true, false},
                      ConnectionCase{3, 0x0081, 0x2000, LinkMode::k100Half, 1000000, false, true},
                      ConnectionCase{4, 0x0101, 0x2100, LinkMode::k100Full, 2000000, true, true}));

class SerialInterfaceTest : public PhyLinkTest, public ::testing::WithParamInterface<ULONG> {};

TEST_P(SerialInterfaceTest, RunsTenMegabitsWithFullDuplexOnlyForTypeTwo) {
  ULONG type = GetParam();
  bool full = type == 2;
  Port& port = PortWith(PhyModel::kNone, type);
  BringUp(port);
  EXPECT_EQ(CsrAsWritten(port, 0x70), full ? 0x7f3du : 0x7f3fu) << "CSR14";
  EXPECT_EQ((Csr6(port) & 0x200) != 0, full) << "CSR6 full duplex";
  EXPECT_EQ(port.board().CurrentMode(), full ? LinkMode::k10Full : LinkMode::k10Half);
  EXPECT_EQ(QueryValue(port, OID_GEN_LINK_SPEED), full ? 200000u : 100000u);
  EXPECT_EQ(port.context()->SiaMedia, type);
}

INSTANTIATE_TEST_SUITE_P(Types, SerialInterfaceTest, ::testing::Values(0u, 1u, 2u, 3u, 4u));

// Unplugging and plugging the cable, through the PHY's interrupt or the
// serial interface's link events: each change is indicated once, and sends
// refused meanwhile are released when the link returns.
class LinkChangeTest : public PhyLinkTest, public ::testing::WithParamInterface<PhyModel> {};

TEST_P(LinkChangeTest, IndicatesLossAndReturnAndReleasesRefusedSends) {
  Port& port = PortWith(GetParam(), 0);
  BringUp(port);
  port.adapter->ClearStatusEvents();

  port.wire->Unplug();
  ASSERT_TRUE(WaitForLink(port, false));
  Run(5 * sim::kMillisecond);
  ASSERT_EQ(port.adapter->status_events().size(), 2u);
  EXPECT_EQ(port.adapter->status_events()[0].status, NDIS_STATUS_MEDIA_DISCONNECT);
  EXPECT_TRUE(port.adapter->status_events()[1].complete);
  EXPECT_EQ(QueryValue(port, OID_GEN_MEDIA_CONNECT_STATUS), static_cast<ULONG>(NdisMediaStateDisconnected));

  PNDIS_PACKET p = port.adapter->BuildPacket(Frame(kPeer, 100));
  port.adapter->Send({p});
  EXPECT_EQ(port.adapter->send_status(p), NDIS_STATUS_RESOURCES);
  EXPECT_EQ(port.adapter->send_resources_notices(), 0u);

  port.wire->Plug();
  ASSERT_TRUE(WaitForLink(port, true));
  ASSERT_EQ(port.adapter->status_events().size(), 4u);
  EXPECT_EQ(port.adapter->status_events()[2].status, NDIS_STATUS_MEDIA_CONNECT);
  EXPECT_EQ(port.adapter->send_resources_notices(), 1u);
  EXPECT_FALSE(port.context()->SendResourcesNeeded);
  EXPECT_EQ(SendAndComplete(port, p), NDIS_STATUS_SUCCESS);
}

INSTANTIATE_TEST_SUITE_P(Ports, LinkChangeTest,
                         ::testing::Values(PhyModel::kPhy1378, PhyModel::kPhy7810, PhyModel::kNone));

}  // namespace
}  // namespace trx_test
