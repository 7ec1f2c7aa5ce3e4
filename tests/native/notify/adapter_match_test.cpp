// Recognising the maker's adapters by hardware id or display name.
#include <gtest/gtest.h>

#include "model/model_codes.h"
#include "notify/adapter_match.h"

TEST(AdapterMatch, SubsystemIdInTheHardwareIdDecides)
{
  EXPECT_EQ(MODEL_K250FX, MatchAdapterModel(u"pci\\ven_1011&dev_0019&subsys_02527c3a", u"Tamrix K100TX"))
      << "the display name is not consulted";
  EXPECT_EQ(MODEL_K250, MatchAdapterModel(u"pci\\ven_1011&dev_0019&subsys_02507c3a&rev_41", u""));
  EXPECT_EQ(MODEL_K100TX, MatchAdapterModel(u"subsys_01027c3a", u""));
  EXPECT_EQ(MODEL_K100FX, MatchAdapterModel(u"subsys_01017c3a", u""));
  EXPECT_EQ(MODEL_K10FX, MatchAdapterModel(u"subsys_00107c3a", u""));
  EXPECT_EQ(MODEL_NOT_FOUND, MatchAdapterModel(u"pci\\ven_1011&subsys_deadbeef", u"Tamrix K250FX"))
      << "an unknown subsystem is no match, whatever the display name";
  EXPECT_EQ(MODEL_NOT_FOUND, MatchAdapterModel(u"subsys_0252", u"Tamrix K250FX")) << "fewer than 8 characters";
  EXPECT_EQ(MODEL_NOT_FOUND, MatchAdapterModel(u"subsys_02527C3A", u"")) << "compared case-sensitively";
}

TEST(AdapterMatch, DisplayNameDecidesWithoutSubsystemId)
{
  const char16_t* id = u"PCI\\VEN_1011&DEV_0019&SUBSYS_02527C3A";   // upper case: no "subsys_"
  EXPECT_EQ(MODEL_K250FX, MatchAdapterModel(id, u"Tamrix K250FX Controller"));
  EXPECT_EQ(MODEL_K250, MatchAdapterModel(id, u"Tamrix K250 Controller"));
  EXPECT_EQ(MODEL_K100TX, MatchAdapterModel(id, u"Tamrix K100TX"));
  EXPECT_EQ(MODEL_K100FX, MatchAdapterModel(id, u"Tamrix K100FX"));
  EXPECT_EQ(MODEL_K10FX, MatchAdapterModel(id, u"Tamrix K10FX"));
  EXPECT_EQ(MODEL_K250, MatchAdapterModel(id, u"#2 Tamrix K250 port")) << "the maker's name anywhere in the name";
  EXPECT_EQ(MODEL_NOT_FOUND, MatchAdapterModel(id, u"TamrixK250FX")) << "no blank after the maker's name";
  EXPECT_EQ(MODEL_NOT_FOUND, MatchAdapterModel(id, u"Tamrix k250"));
  EXPECT_EQ(MODEL_NOT_FOUND, MatchAdapterModel(id, u"Tamrix K1000"));
  EXPECT_EQ(MODEL_NOT_FOUND, MatchAdapterModel(id, u"Tamrix "));
}

TEST(AdapterMatch, MissingTextsMatchNothing)
{
  EXPECT_EQ(MODEL_NOT_FOUND, MatchAdapterModel(nullptr, u"Tamrix K250"));
  EXPECT_EQ(MODEL_NOT_FOUND, MatchAdapterModel(u"subsys_02507c3a", nullptr));
}

TEST(AdapterMatch, DiscoveredValuesPlaceTheAdapterOnBusFiveAtItsSlot)
{
  const AdapterValues values = Discovered_Adapter_Values(MODEL_K250FX, 4);
  EXPECT_EQ(MODEL_K250FX, values.Model);
  EXPECT_EQ(PCI_BUS_TYPE, values.BusType);
  EXPECT_EQ(32, values.BusWidth);
  EXPECT_EQ(5, values.BusNumber);
  EXPECT_EQ(4, values.SlotNumber);
  EXPECT_EQ(4, values.DeviceNumber);
  EXPECT_EQ(0, values.FunctionNumber);
  EXPECT_EQ(0, values.PortNumber);
  EXPECT_EQ(Default_Connection_Type(MODEL_K250FX), values.ConnectionType) << "a fibre model's fixed speed";
  EXPECT_EQ(0, values.RdCount);
  EXPECT_EQ(0, values.TdCount);
}
