// The adapter's registry keywords: ranges and defaults, the required
// ConnectionType, the Options string, and the smallest rings.
#include "driver_fixture.h"
#include "trx_miniport.h"

namespace trx_test {
namespace {

class KeywordsTest : public DriverTest {};

TEST_F(KeywordsTest, OutOfRangeValuesTakeTheDefaultNotTheLimit) {
  Port& port = AddPort();
  port.adapter->SetKeyword("RxRingSize", 1025u);
  port.adapter->SetKeyword("MapThreshold", 0u);
  port.adapter->SetKeyword("BusNumber", 16u);
  port.adapter->SetKeyword("ConnectionType", 5u);
  ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS);
  PADAPTER_CONTEXT a = port.context();
  EXPECT_EQ(a->RxRingSize, 256u) << "1025 is not clamped to 1024";
  EXPECT_EQ(a->MapThreshold, 100u);
  EXPECT_EQ(a->BusNumber, 0u);
  EXPECT_EQ(a->ConnectionType, 0u);
  EXPECT_EQ(a->TxRingSize, 256u) << "a missing TxRingSize gives the default";
}

TEST_F(KeywordsTest, ValuesAtTheLimitsAreKept) {
  Port& port = AddPort();
  port.adapter->SetKeyword("RxRingSize", 1024u);
  port.adapter->SetKeyword("TxRingSize", 16u);
  port.adapter->SetKeyword("MapThreshold", 1538u);
  port.adapter->SetKeyword("BusNumber", 15u);
  port.adapter->SetKeyword("ConnectionType", 4u);
  ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS);
  PADAPTER_CONTEXT a = port.context();
  EXPECT_EQ(a->RxRingSize, 1024u);
  EXPECT_EQ(a->TxRingSize, 16u);
  EXPECT_EQ(a->MapThreshold, 1538u);
  EXPECT_EQ(a->BusNumber, 15u);
  EXPECT_EQ(a->ConnectionType, 4u);
}

TEST_F(KeywordsTest, MissingConnectionTypeFailsAlthoughZeroIsValid) {
  Port& port = AddPort();
  port.adapter->RemoveKeyword("ConnectionType");
  EXPECT_EQ(port.adapter->Initialize(), NDIS_STATUS_FAILURE);
}

TEST_F(KeywordsTest, SlotNumberChoosesTheBoard) {
  sim::BoardConfig config;
  config.slot = 7;
  Port& port = AddPort(config);
  BringUp(port);
  EXPECT_EQ(port.context()->SlotNumber, 7u);
  port.adapter->Halt();
  port.adapter->SetKeyword("SlotNumber", 6u);
  EXPECT_EQ(port.adapter->Initialize(), NDIS_STATUS_ADAPTER_NOT_FOUND) << "an empty slot reads all ones";
}

TEST_F(KeywordsTest, OptionsReplaceTheBusAndOperationModes) {
  Port& port = AddPort();
  port.adapter->SetKeyword("Options", std::string("0 134217728"));
  BringUp(port);
  EXPECT_EQ(port.context()->Csr0Value, 0x01a06000u) << "0 keeps the default bus mode (cache line 32 bytes)";
  EXPECT_EQ(port.context()->Csr6Value, 0x08000000u);
}

TEST_F(KeywordsTest, WithoutAPhyThePortSelectAndTenMegabitThresholdBitsAreCleared) {
  sim::BoardConfig config;
  config.phy = sim::PhyModel::kNone;
  Port& port = AddPort(config);
  port.adapter->SetKeyword("Options", std::string("0,4456456"));  // 0x00440008
  ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port.context()->Csr6Value, 0x00000008u);
}

ULONG ParsedOptions(const std::u16string& text, ULONG* out) {
  NDIS_STRING s;
  s.Buffer = const_cast<PWSTR>(reinterpret_cast<const WCHAR*>(text.data()));
  s.Length = static_cast<USHORT>(text.size() * 2);
  s.MaximumLength = s.Length;
  for (int i = 0; i < 17; ++i) out[i] = 0xdeadbeef;
  for (int i = 0; i < 16; ++i) out[i] = 0;
  ParseOptions(&s, out);
  return out[16];
}

TEST(ParseOptionsTest, SplitsDecimalNumbersOnAnyOtherCharacter) {
  ULONG o[17];
  ParsedOptions(u"12,345 6", o);
  EXPECT_EQ(o[0], 12u);
  EXPECT_EQ(o[1], 345u);
  EXPECT_EQ(o[2], 6u);
  ParsedOptions(u"5,,7", o);
  EXPECT_EQ(o[1], 0u) << "two separators store a zero between";
  EXPECT_EQ(o[2], 7u);
  ParsedOptions(u"4294967297", o);
  EXPECT_EQ(o[0], 1u) << "numbers wrap at 32 bits";
  ParsedOptions(u"0x10", o);
  EXPECT_EQ(o[0], 0u);
  EXPECT_EQ(o[1], 10u) << "no hexadecimal: the x is a separator";
}

TEST(ParseOptionsTest, KeepsTheFirstSixteenNumbers) {
  ULONG o[17];
  EXPECT_EQ(ParsedOptions(u"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18", o), 0xdeadbeefu)
      << "nothing written past 16 numbers";
  EXPECT_EQ(o[15], 16u);
  EXPECT_EQ(ParsedOptions(u"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,", o), 0xdeadbeefu) << "a trailing separator";
}

// Ring sizes of 1 and 2 are raised to the smallest rings that work: frames
// still cross both ways and the filter still loads.
TEST_F(KeywordsTest, TinyRingsAreRaisedToTheSmallestThatWork) {
  Port& port = AddPort();
  port.adapter->SetKeyword("RxRingSize", 1u);
  port.adapter->SetKeyword("TxRingSize", 2u);
  BringUp(port);
  EXPECT_EQ(port.context()->RxRingSize, 2u);
  EXPECT_EQ(port.context()->TxRingSize, 3u);
  ASSERT_EQ(SetFilter(port, kDirectedBroadcast), NDIS_STATUS_SUCCESS);
  Run(sim::kMillisecond);
  ASSERT_EQ(port.board().filter().mode, sim::ReceiveFilter::kPerfect);
  EXPECT_EQ(port.board().filter().perfect[1], kBroadcast) << "the reloaded filter reached the chip";

  for (uint8_t i = 0; i < 5; ++i) {
    PNDIS_PACKET p = port.adapter->BuildPacket(Frame(kPeer, 60 + i, i, kStation));
    EXPECT_EQ(SendAndComplete(port, p), NDIS_STATUS_SUCCESS) << "packet " << int(i);
    port.peer->Send(Frame(kStation, 70 + i, i));
    Run(sim::kMillisecond);
  }
  EXPECT_EQ(port.peer->received().size(), 5u);
  EXPECT_EQ(port.adapter->received().size(), 5u);
}

}  // namespace
}  // namespace trx_test
