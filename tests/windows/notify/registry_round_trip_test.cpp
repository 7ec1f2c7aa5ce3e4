// The configuration tree in Wine's real registry: random models come back
// field by field, and the values have the platform types and lengths.
#include <random>

#include "model_snapshot.h"
#include "notify/configuration_store.h"
#include "notify_test_support.h"

using WineRegistry = NotifyTest;

TEST_F(WineRegistry, RandomModelsComeBackFieldByField)
{
  std::mt19937 random(4242);
  for (int run = 0; run < 25; ++run) {
    Empty_Model();
    Fill_Random_Model(random);
    const ModelSnapshot saved = Take_Snapshot();
    ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration()) << "run " << run;
    Empty_Model();
    ASSERT_EQ(saved.adapters.empty() ? 1 : ERROR_SUCCESS, LoadConfiguration()) << "run " << run;
    Expect_Same_Model(saved, Take_Snapshot(), "run " + std::to_string(run));
    if (HasFailure()) break;
  }
}

TEST_F(WineRegistry, ValuesHaveTheirTypesAndFixedLengths)
{
  Link* link = Add_Link();
  Set_Trunk_Name(link, "\x41\xE9");
  Add_Priority(&link->Priorities, New_Priority(2));
  Add_Adapter(AdapterValues{MODEL_K250, PCI_BUS_TYPE, 32, 1, 4, 4, 0, 0, 0, 0, 0});
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());

  const std::wstring trunk = std::wstring(SERVICE_KEY) + L"\\Trunk0";
  const StoredValue name = Stored(trunk, L"TrunkName");
  ASSERT_TRUE(name.present);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), name.type);
  ASSERT_EQ(256u, name.data.size());
  EXPECT_EQ((std::vector<BYTE>{0x41, 0x00, 0xE9, 0xFF, 0x00, 0x00}), std::vector<BYTE>(name.data.begin(), name.data.begin() + 6))
      << "units 0x0041 0xFFE9, then the terminator";
  EXPECT_EQ(1024u, Stored(trunk + L"\\Priority0", L"priorityinfo").data.size());
  EXPECT_EQ(1u, Stored_Dword(trunk, L"PriorityCount"));
  const std::wstring adapter = std::wstring(SERVICE_KEY) + L"\\Adapter0";
  const StoredValue regInfo = Stored(adapter, L"reg_info");
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), regInfo.type);
  EXPECT_EQ(44u, regInfo.data.size());
  EXPECT_EQ(1024u, Stored(adapter, L"msg").data.size());
  EXPECT_EQ(1u, Stored_Dword(SERVICE_KEY, L"AdapterCount"));

  Empty_Model();
  EXPECT_EQ(ERROR_SUCCESS, LoadConfiguration());
  ASSERT_NE(nullptr, First_Link());
  EXPECT_STREQ("\x41\xE9", First_Link()->TrunkName);
}
