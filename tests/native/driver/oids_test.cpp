// QueryInformation answers and SetInformation rules.
#include <cstring>

#include "driver_fixture.h"

namespace trx_test {
namespace {

class OidTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    port_ = &AddPort();
    BringUp(*port_);
  }
  Port& port() { return *port_; }
  hostndis::QueryResult Query(NDIS_OID oid, ULONG length) { return port_->adapter->Query(oid, length); }
  hostndis::SetResult Set(NDIS_OID oid, const std::vector<uint8_t>& data) { return port_->adapter->Set(oid, data); }
  Port* port_ = nullptr;
};

TEST_F(OidTest, SupportedListNamesThirtyNineOidsThatAreAllAnsweredOrSettable) {
  hostndis::QueryResult r = Query(OID_GEN_SUPPORTED_LIST, 200);
  ASSERT_EQ(r.status, NDIS_STATUS_SUCCESS);
  ASSERT_EQ(r.bytes_written, 156u);
  std::vector<NDIS_OID> list(39);
  std::memcpy(list.data(), r.data.data(), 156);
  const std::vector<NDIS_OID> expected = {
      OID_GEN_SUPPORTED_LIST,          OID_GEN_HARDWARE_STATUS,        OID_GEN_MEDIA_SUPPORTED,
      OID_GEN_MEDIA_IN_USE,            OID_GEN_MAXIMUM_LOOKAHEAD,      OID_GEN_MAXIMUM_FRAME_SIZE,
      OID_GEN_LINK_SPEED,              OID_GEN_TRANSMIT_BUFFER_SPACE,  OID_GEN_RECEIVE_BUFFER_SPACE,
      OID_GEN_TRANSMIT_BLOCK_SIZE,     OID_GEN_RECEIVE_BLOCK_SIZE,     OID_GEN_VENDOR_ID,
      OID_GEN_VENDOR_DESCRIPTION,      OID_GEN_CURRENT_PACKET_FILTER,  OID_GEN_CURRENT_LOOKAHEAD,
      OID_GEN_DRIVER_VERSION,          OID_GEN_MAXIMUM_TOTAL_SIZE,     OID_GEN_PROTOCOL_OPTIONS,
      OID_GEN_MAC_OPTIONS,             OID_GEN_MEDIA_CONNECT_STATUS,   OID_GEN_MAXIMUM_SEND_PACKETS,
      OID_GEN_VENDOR_DRIVER_VERSION,   OID_802_3_MAC_OPTIONS,          OID_GEN_XMIT_OK,
      OID_GEN_RCV_OK,                  OID_GEN_XMIT_ERROR,             OID_GEN_RCV_ERROR,
      OID_GEN_RCV_NO_BUFFER,           OID_802_3_PERMANENT_ADDRESS,    OID_802_3_CURRENT_ADDRESS,
      OID_802_3_MULTICAST_LIST,        OID_802_3_MAXIMUM_LIST_SIZE,    OID_802_3_RCV_ERROR_ALIGNMENT,
      OID_802_3_XMIT_ONE_COLLISION,    OID_802_3_XMIT_MORE_COLLISIONS, OID_802_3_XMIT_DEFERRED,
      OID_802_3_XMIT_MAX_COLLISIONS,   OID_802_3_XMIT_UNDERRUN,        OID_802_3_XMIT_TIMES_CRS_LOST};
  EXPECT_EQ(list, expected) << "all 39, in their order";
  for (NDIS_OID oid : list) {
    NDIS_STATUS status = Query(oid, 256).status;
    if (oid == OID_GEN_CURRENT_PACKET_FILTER || oid == OID_GEN_PROTOCOL_OPTIONS)
      EXPECT_EQ(status, NDIS_STATUS_INVALID_OID) << "set-only OID 0x" << std::hex << oid;
    else
      EXPECT_EQ(status, NDIS_STATUS_SUCCESS) << "OID 0x" << std::hex << oid;
  }
}

TEST_F(OidTest, AnswersTheFixedValues) {
  struct Case {
    NDIS_OID oid;
    ULONG value;
  } cases[] = {{OID_GEN_HARDWARE_STATUS, NdisHardwareStatusReady},
               {OID_GEN_MEDIA_SUPPORTED, NdisMedium802_3},
               {OID_GEN_MEDIA_IN_USE, NdisMedium802_3},
               {OID_GEN_MAXIMUM_LOOKAHEAD, 1500},
               {OID_GEN_MAXIMUM_FRAME_SIZE, 1500},
               {OID_GEN_TRANSMIT_BUFFER_SPACE, 256 * 1518},
               {OID_GEN_RECEIVE_BUFFER_SPACE, 256 * 1518},
               {OID_GEN_TRANSMIT_BLOCK_SIZE, 1514},
               {OID_GEN_RECEIVE_BLOCK_SIZE, 1514},
               {OID_GEN_MAXIMUM_TOTAL_SIZE, 1514},
               {OID_GEN_CURRENT_LOOKAHEAD, 1514},
               {OID_GEN_MAXIMUM_SEND_PACKETS, 256},
               {OID_GEN_VENDOR_DRIVER_VERSION, 0x00030001},
               {OID_GEN_VENDOR_ID, 0x00341200},
               {OID_802_3_MAC_OPTIONS, 0},
               {OID_802_3_MAXIMUM_LIST_SIZE, 32},
               {OID_802_3_XMIT_MORE_COLLISIONS, 0},
               {OID_GEN_RCV_CRC_ERROR, 0}};
  for (const Case& c : cases) EXPECT_EQ(QueryValue(port(), c.oid), c.value) << "OID 0x" << std::hex << c.oid;
  hostndis::QueryResult version = Query(OID_GEN_DRIVER_VERSION, 4);
  EXPECT_EQ(version.bytes_written, 2u);
  EXPECT_EQ(version.data, (std::vector<uint8_t>{0x00, 0x05}));
}

TEST_F(OidTest, TooShortABufferGetsTheLengthItNeeds) {
  hostndis::QueryResult r = Query(OID_GEN_VENDOR_DESCRIPTION, 20);
  EXPECT_EQ(r.status, NDIS_STATUS_INVALID_LENGTH);
  EXPECT_EQ(r.bytes_needed, 36u);
  EXPECT_EQ(r.bytes_written, 0u);
  r = Query(OID_GEN_VENDOR_DESCRIPTION, 36);
  ASSERT_EQ(r.status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(std::string(r.data.begin(), r.data.end()), std::string("Tamrix K250 (NDIS5) Network Adapter", 36));
  r = Query(OID_GEN_XMIT_OK, 3);
  EXPECT_EQ(r.status, NDIS_STATUS_INVALID_LENGTH);
  EXPECT_EQ(r.bytes_needed, 4u);
  EXPECT_EQ(Query(OID_802_3_CURRENT_ADDRESS, 5).bytes_needed, 6u);
}

TEST_F(OidTest, UnknownOidsAreInvalid) {
  EXPECT_EQ(Query(0x01010199, 64).status, NDIS_STATUS_INVALID_OID);
  EXPECT_EQ(Set(OID_GEN_XMIT_OK, Bytes(0)).status, NDIS_STATUS_INVALID_OID);
}

TEST_F(OidTest, MulticastListQueryNeedsRoomForTheWholeList) {
  EXPECT_EQ(Query(OID_802_3_MULTICAST_LIST, 0).status, NDIS_STATUS_SUCCESS) << "an empty list fits anywhere";
  std::vector<Mac> list = {Multicast(1), Multicast(2), Multicast(3)};
  ASSERT_EQ(SetMulticast(port(), list), NDIS_STATUS_SUCCESS);
  hostndis::QueryResult r = Query(OID_802_3_MULTICAST_LIST, 17);
  EXPECT_EQ(r.status, NDIS_STATUS_INVALID_LENGTH);
  EXPECT_EQ(r.bytes_needed, 18u);
  r = Query(OID_802_3_MULTICAST_LIST, 100);
  EXPECT_EQ(r.bytes_written, 18u);
  EXPECT_EQ(r.data, AddressList(list));
}

TEST_F(OidTest, PacketFilterNeedsFourBytesWithoutUnsupportedTypes) {
  for (size_t length : {3u, 5u}) {
    hostndis::SetResult r = Set(OID_GEN_CURRENT_PACKET_FILTER, std::vector<uint8_t>(length, 1));
    EXPECT_EQ(r.status, NDIS_STATUS_INVALID_LENGTH) << length << " bytes";
    EXPECT_EQ(r.bytes_read, 0u);
    EXPECT_EQ(r.bytes_needed, 4u);
  }
  for (ULONG bit = 1; bit <= 0x8000; bit <<= 1) {
    hostndis::SetResult r = Set(OID_GEN_CURRENT_PACKET_FILTER, Bytes(bit));
    if (bit & 0xf050) {
      EXPECT_EQ(r.status, NDIS_STATUS_NOT_SUPPORTED) << "filter bit 0x" << std::hex << bit;
      EXPECT_EQ(r.bytes_read, 0u);
    } else {
      EXPECT_EQ(r.status, NDIS_STATUS_SUCCESS) << "filter bit 0x" << std::hex << bit;
      EXPECT_EQ(r.bytes_read, 4u);
    }
  }
  EXPECT_EQ(SetFilter(port(), 0x10009), NDIS_STATUS_SUCCESS) << "only the low 16 bits are checked";
  EXPECT_EQ(port().context()->PacketFilter, 0x10009u);
}

TEST_F(OidTest, LookaheadTakesTwoOrFourBytesAndNeverExceedsTheFrame) {
  hostndis::SetResult r = Set(OID_GEN_CURRENT_LOOKAHEAD, {0xe8, 0x03});
  EXPECT_EQ(r.status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(r.bytes_read, 2u);
  EXPECT_EQ(QueryValue(port(), OID_GEN_CURRENT_LOOKAHEAD), 1000u);
  EXPECT_EQ(Set(OID_GEN_CURRENT_LOOKAHEAD, Bytes(4000)).status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(QueryValue(port(), OID_GEN_CURRENT_LOOKAHEAD), 1514u);
  r = Set(OID_GEN_CURRENT_LOOKAHEAD, {1, 2, 3});
  EXPECT_EQ(r.status, NDIS_STATUS_INVALID_LENGTH);
  EXPECT_EQ(r.bytes_read, 0u);
  EXPECT_EQ(r.bytes_needed, 4u);
}

TEST_F(OidTest, ProtocolOptionsAreAcceptedAndIgnored) {
  hostndis::SetResult r = Set(OID_GEN_PROTOCOL_OPTIONS, {1, 2, 3, 4, 5});
  EXPECT_EQ(r.status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(r.bytes_read, 5u);
}

TEST_F(OidTest, MulticastSetStoresWholeAddressesAndRefusesMoreThanThirtyTwo) {
  std::vector<uint8_t> data = AddressList({Multicast(1), Multicast(2)});
  data.push_back(0x01);
  hostndis::SetResult r = Set(OID_802_3_MULTICAST_LIST, data);
  EXPECT_EQ(r.status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(r.bytes_read, 13u);
  EXPECT_EQ(Query(OID_802_3_MULTICAST_LIST, 100).bytes_written, 12u) << "13 bytes hold two addresses";

  std::vector<Mac> many;
  for (uint8_t i = 0; i < 33; ++i) many.push_back(Multicast(i));
  r = Set(OID_802_3_MULTICAST_LIST, AddressList(many));
  EXPECT_EQ(r.status, NDIS_STATUS_MULTICAST_FULL);
  EXPECT_EQ(r.bytes_read, 0u);
  EXPECT_EQ(Query(OID_802_3_MULTICAST_LIST, 300).data, AddressList({Multicast(1), Multicast(2)}))
      << "the stored list is unchanged";
  many.pop_back();
  EXPECT_EQ(SetMulticast(port(), many), NDIS_STATUS_SUCCESS) << "32 addresses fit";
  EXPECT_EQ(Query(OID_802_3_MULTICAST_LIST, 300).bytes_written, 192u);
}

}  // namespace
}  // namespace trx_test
