// OpenAdapterParamKey: the per-adapter key beneath Parameters\Adapters.
#include "registry_fixture.h"
#include "registry_values.h"

using AdapterParamKey = RegistryTest;

namespace {
const GUID ADAPTER = {0x1a2b3c4d, 0x5e6f, 0x7a8b, {0x9c, 0xad, 0xbe, 0xcf, 0xd0, 0xe1, 0xf2, 0x03}};
const char ADAPTER_TEXT[] = "{1A2B3C4D-5E6F-7A8B-9CAD-BECFD0E1F203}";
}  // namespace

TEST_F(AdapterParamKey, MissingParametersKeyGivesSuccessWithoutKey)
{
  hostreg::PutKey(Service());
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(ERROR_SUCCESS, OpenAdapterParamKey(ADAPTER, &key));
  EXPECT_EQ(nullptr, key);
}

TEST_F(AdapterParamKey, MissingOrRefusedAdapterKeyGivesTheHresultForm)
{
  hostreg::PutKey(Service() + "\\Parameters");
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(static_cast<LONG>(0x80070002u), OpenAdapterParamKey(ADAPTER, &key));
  EXPECT_EQ(nullptr, key);

  const std::string path = Service() + "\\Parameters\\Adapters\\" + ADAPTER_TEXT;
  hostreg::PutKey(path);
  hostreg::RefuseKey(path);
  EXPECT_EQ(static_cast<LONG>(0x80070005u), OpenAdapterParamKey(ADAPTER, &key));
  EXPECT_EQ(nullptr, key);
}

TEST_F(AdapterParamKey, OpensTheKeyNamedByTheGuidsRegistryForm)
{
  const std::string path = Service() + "\\Parameters\\Adapters\\" + ADAPTER_TEXT;
  hostreg::PutKey(path);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, OpenAdapterParamKey(ADAPTER, &key));
  ASSERT_NE(nullptr, key);
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"BundleId", 0, REG_SZ, nullptr, 0));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_TRUE(hostreg::Value(path, "BundleId")) << "the key handed out is the adapter's";

  bool openedFromParameters = false;
  for (const auto& call : hostreg::Calls())
    if (call.call == hostreg::Call::Open && call.path == path) openedFromParameters = !call.fromRoot;
  EXPECT_TRUE(openedFromParameters) << "the adapter key is opened beneath the Parameters key";
}

// How the notify object writes "Param1" and "BundleId".
TEST_F(AdapterParamKey, UnterminatedTextsHaveTwoBytesPerCharacter)
{
  hostreg::PutKey("K");
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"K", 0, KEY_ALL_ACCESS, &key));
  EXPECT_EQ(ERROR_SUCCESS, Write_Unterminated_Text(key, u"Param1", u"ParamFromAnswerFile"));
  EXPECT_EQ(ERROR_SUCCESS, Write_Unterminated_Text(key, u"BundleId", u""));
  RegCloseKey(key);
  auto param = hostreg::Value("K", "Param1");
  ASSERT_TRUE(param);
  EXPECT_EQ(REG_SZ, param->type);
  EXPECT_EQ(38u, param->data.size()) << "19 characters, no terminator";
  ASSERT_TRUE(hostreg::Value("K", "BundleId"));
  EXPECT_EQ(0u, hostreg::Value("K", "BundleId")->data.size());
}
