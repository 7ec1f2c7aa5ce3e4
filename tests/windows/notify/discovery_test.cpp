// Adapter discovery through test doubles of the network configuration.
#include "netcfg_doubles.h"
#include "notify/device_nodes.h"
#include "notify/property_page.h"
#include "notify_test_support.h"

// Wine locates no device node: the doubles' nodes are located by a fake.
class Discovery : public NotifyTest {
  FakeDeviceNodes nodes_;
};

namespace {

struct Found {
  int32_t model, bus, slot;
  std::string name;
};

std::vector<Found> Adapters()
{
  std::vector<Found> found;
  for (const Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next)
    found.push_back({adapter->Model, adapter->BusNumber, adapter->SlotNumber, adapter->msg});
  return found;
}

}  // namespace

TEST(DeviceNodeLocator, IsTheConfigurationManagersUnlessATestReplacesIt)
{
  EXPECT_EQ(reinterpret_cast<void*>(&CM_Locate_DevNodeW), reinterpret_cast<void*>(Device_Node_Locator()));
  {
    FakeDeviceNodes nodes;
    EXPECT_NE(reinterpret_cast<void*>(&CM_Locate_DevNodeW), reinterpret_cast<void*>(Device_Node_Locator()));
  }
  EXPECT_EQ(reinterpret_cast<void*>(&CM_Locate_DevNodeW), reinterpret_cast<void*>(Device_Node_Locator()))
      << "restored";
}

TEST_F(Discovery, EachComponentsDeviceNodeIsLocated)
{
  FakeNetCfg netCfg;
  netCfg.Add(L"subsys_02527c3a", L"");
  netCfg.Add(L"subsys_02507c3a", L"").devNodeId = MISSING_DEVICE_NODE;
  NotifyObject* object = New_Object();
  object->Initialize(nullptr, &netCfg, FALSE);
  DiscoverAdapters(object);
  EXPECT_EQ((std::vector<std::wstring>{PRESENT_DEVICE_NODE, MISSING_DEVICE_NODE}), FakeDeviceNodes::asked)
      << "the id each component names";
  EXPECT_EQ(1, Adapter_Count()) << "a node that cannot be located skips its component";
  object->Release();
}

TEST_F(Discovery, MatchingPhysicalAdaptersGetSlotsFromThreeInEnumerationOrder)
{
  FakeNetCfg netCfg;
  netCfg.Add(L"pci\\ven_1011&dev_0019&subsys_02527c3a", L"Fibre port");
  netCfg.Add(L"pci\\ven_1011&dev_0019&subsys_02507c3a", L"Tamrix K250 virtual", 0);   // not physical
  netCfg.Add(L"pci\\ven_1011&dev_0019&subsys_12345678", L"Tamrix K250FX");            // unknown subsystem
  netCfg.Add(L"PCI\\VEN_1011&DEV_0019", L"Tamrix K250 Controller");
  netCfg.Add(L"PCI\\VEN_1011&DEV_0009", L"Other vendor NIC");
  netCfg.Add(L"PCI\\VEN_1011&DEV_0009", L"Tamrix K10FX #2");
  NotifyObject* object = New_Object();
  object->Initialize(nullptr, &netCfg, FALSE);

  DiscoverAdapters(object);

  const std::vector<Found> found = Adapters();
  ASSERT_EQ(3u, found.size());
  EXPECT_EQ(MODEL_K250FX, found[0].model);
  EXPECT_EQ(MODEL_K250, found[1].model);
  EXPECT_EQ(MODEL_K10FX, found[2].model);
  for (std::size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(5, found[i].bus) << "adapter " << i;
    EXPECT_EQ(3 + static_cast<int>(i), found[i].slot) << "adapter " << i;
  }
  EXPECT_EQ("[1] Tamrix K250FX Controller (bus:5, dev:0) ", found[0].name) << "first K250-family adapter: device 0";
  EXPECT_TRUE(IsEqualGUID(GUID{0x4d36e972, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}},
                          netCfg.classAsked))
      << "the class of network adapters";

  object->Release();
  EXPECT_EQ(1, netCfg.references) << "the object released the network configuration";
  EXPECT_EQ(1, netCfg.adapterClass.references) << "the class object was released";
  EXPECT_EQ(1, netCfg.adapterClass.enumerator.references) << "the enumerator was released";
  for (const FakeComponent* component : netCfg.adapterClass.enumerator.components)
    EXPECT_EQ(1, component->references) << "component " << std::string(component->hardwareId.begin(), component->hardwareId.end()) << " released";
}

TEST_F(Discovery, AComponentWhoseStepFailsIsSkipped)
{
  FakeNetCfg netCfg;
  netCfg.Add(L"subsys_02527c3a", L"").characteristicsResult = E_FAIL;
  netCfg.Add(L"subsys_02527c3a", L"").idResult = E_FAIL;
  netCfg.Add(L"subsys_02527c3a", L"").devNodeResult = S_FALSE;
  netCfg.Add(L"subsys_02527c3a", L"").devNodeId = MISSING_DEVICE_NODE;
  netCfg.Add(L"subsys_02527c3a", L"").displayNameResult = E_FAIL;
  netCfg.Add(L"subsys_01027c3a", L"");
  NotifyObject* object = New_Object();
  object->Initialize(nullptr, &netCfg, FALSE);

  DiscoverAdapters(object);

  const std::vector<Found> found = Adapters();
  ASSERT_EQ(1u, found.size()) << "only the component whose every step succeeds";
  EXPECT_EQ(MODEL_K100TX, found[0].model);
  EXPECT_EQ(3, found[0].slot) << "skipped components use no slot";
  object->Release();
  for (const FakeComponent* component : netCfg.adapterClass.enumerator.components)
    EXPECT_EQ(1, component->references) << "a skipped component is released too";
}

TEST_F(Discovery, NoClassObjectNoEnumeratorOrNoNetworkConfigurationFindsNothing)
{
  FakeNetCfg netCfg;
  netCfg.Add(L"subsys_02527c3a", L"");
  NotifyObject* object = New_Object();
  DiscoverAdapters(object);
  EXPECT_EQ(0, Adapter_Count()) << "Initialize never handed a network configuration";

  object->Initialize(nullptr, &netCfg, FALSE);
  netCfg.classResult = E_FAIL;
  DiscoverAdapters(object);
  EXPECT_EQ(0, Adapter_Count()) << "no class object";

  netCfg.classResult = S_OK;
  netCfg.adapterClass.enumResult = E_FAIL;
  DiscoverAdapters(object);
  EXPECT_EQ(0, Adapter_Count()) << "no enumerator";
  EXPECT_EQ(1, netCfg.adapterClass.references) << "the class object is released when its enumerator fails";
  object->Release();
}

TEST_F(Discovery, RepeatedDiscoveryUpdatesTheAdaptersFoundBefore)
{
  FakeNetCfg netCfg;
  netCfg.Add(L"subsys_02527c3a", L"");
  netCfg.Add(L"subsys_02507c3a", L"");
  NotifyObject* object = New_Object();
  object->Initialize(nullptr, &netCfg, FALSE);
  DiscoverAdapters(object);
  netCfg.adapterClass.enumerator.Reset();
  DiscoverAdapters(object);
  EXPECT_EQ(2, Adapter_Count()) << "same locations: the same records";
  object->Release();
}
