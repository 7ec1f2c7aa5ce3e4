#include <string>

#include "script_fixture.h"

namespace hostndis_test {
namespace {

using Configuration = ScriptTest;

struct Reading {
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  NDIS_PARAMETER_TYPE type = NdisParameterBinary;
  ULONG integer = 0;
  std::u16string text;
};

// Reads one keyword from inside Initialize, as a driver does.
Reading ReadKeyword(NDIS_HANDLE wrapper_context, PNDIS_STRING keyword, NDIS_PARAMETER_TYPE type) {
  Reading r;
  NDIS_STATUS status;
  NDIS_HANDLE config;
  NdisOpenConfiguration(&status, &config, wrapper_context);
  if (status != NDIS_STATUS_SUCCESS) return r;
  PNDIS_CONFIGURATION_PARAMETER value = nullptr;
  NdisReadConfiguration(&r.status, &value, config, keyword, type);
  if (r.status == NDIS_STATUS_SUCCESS) {
    r.type = value->ParameterType;
    if (r.type == NdisParameterString)
      r.text.assign(value->ParameterData.StringData.Buffer, value->ParameterData.StringData.Length / 2);
    else
      r.integer = value->ParameterData.IntegerData;
  }
  NdisCloseConfiguration(config);
  return r;
}

TEST_F(Configuration, IntegerKeywordReadsAsIntegerAndAsText) {
  adapter->SetKeyword("RxRingSize", 128);
  NDIS_STRING name = NDIS_STRING_CONST("RxRingSize");
  Reading number, text;
  script.initialize = [&] {
    number = ReadKeyword(script.wrapper_context, &name, NdisParameterInteger);
    text = ReadKeyword(script.wrapper_context, &name, NdisParameterString);
    return NDIS_STATUS_SUCCESS;
  };
  InitializeAdapter();
  EXPECT_EQ(number.status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(number.type, NdisParameterInteger);
  EXPECT_EQ(number.integer, 128u);
  EXPECT_EQ(text.status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(text.text, u"128");
}

TEST_F(Configuration, StringKeywordReadsAsTextAndConvertsToNumbers) {
  adapter->SetKeyword("Options", std::string("0,134217728"));
  adapter->SetKeyword("MapThreshold", std::string("1f"));
  NDIS_STRING options = NDIS_STRING_CONST("options");  // the registry ignores case
  NDIS_STRING threshold = NDIS_STRING_CONST("MapThreshold");
  Reading text, hex, decimal;
  script.initialize = [&] {
    text = ReadKeyword(script.wrapper_context, &options, NdisParameterString);
    hex = ReadKeyword(script.wrapper_context, &threshold, NdisParameterHexInteger);
    decimal = ReadKeyword(script.wrapper_context, &threshold, NdisParameterInteger);
    return NDIS_STATUS_SUCCESS;
  };
  InitializeAdapter();
  EXPECT_EQ(text.status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(text.text, u"0,134217728");
  EXPECT_EQ(hex.integer, 0x1fu);
  EXPECT_NE(decimal.status, NDIS_STATUS_SUCCESS) << "\"1f\" is no decimal number";
}

TEST_F(Configuration, MissingKeywordFailsTheRead) {
  NDIS_STRING name = NDIS_STRING_CONST("ConnectionType");
  Reading r;
  script.initialize = [&] {
    r = ReadKeyword(script.wrapper_context, &name, NdisParameterInteger);
    return NDIS_STATUS_SUCCESS;
  };
  InitializeAdapter();
  EXPECT_EQ(r.status, NDIS_STATUS_FAILURE);
}

TEST_F(Configuration, NetworkAddressOverrideOfAnyLength) {
  adapter->SetNetworkAddress({0x02, 0x11, 0x22, 0x33, 0x44});
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  std::vector<uint8_t> seen;
  script.initialize = [&] {
    NDIS_HANDLE config;
    NdisOpenConfiguration(&status, &config, script.wrapper_context);
    PVOID address;
    UINT length;
    NdisReadNetworkAddress(&status, &address, &length, config);
    if (status == NDIS_STATUS_SUCCESS) seen.assign(static_cast<uint8_t*>(address), static_cast<uint8_t*>(address) + length);
    NdisCloseConfiguration(config);
    return NDIS_STATUS_SUCCESS;
  };
  InitializeAdapter();
  EXPECT_EQ(status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(seen, (std::vector<uint8_t>{0x02, 0x11, 0x22, 0x33, 0x44})) << "five bytes are handed over as they are";
}

TEST_F(Configuration, NoOverrideFailsTheNetworkAddressRead) {
  NDIS_STATUS status = NDIS_STATUS_SUCCESS;
  script.initialize = [&] {
    NDIS_HANDLE config;
    NdisOpenConfiguration(&status, &config, script.wrapper_context);
    PVOID address;
    UINT length;
    NdisReadNetworkAddress(&status, &address, &length, config);
    NdisCloseConfiguration(config);
    return NDIS_STATUS_SUCCESS;
  };
  InitializeAdapter();
  EXPECT_NE(status, NDIS_STATUS_SUCCESS);
}

TEST_F(Configuration, HandleLeftOpenOrUsedAfterCloseIsReported) {
  ExpectFinding(hostndis::rule::kLeakConfiguration);
  ExpectFinding(hostndis::rule::kBadHandle);
  NDIS_STRING name = NDIS_STRING_CONST("X");
  script.initialize = [&] {
    NDIS_STATUS status;
    NDIS_HANDLE closed, open;
    NdisOpenConfiguration(&status, &closed, script.wrapper_context);
    NdisCloseConfiguration(closed);
    PNDIS_CONFIGURATION_PARAMETER value;
    NdisReadConfiguration(&status, &value, closed, &name, NdisParameterInteger);
    NdisOpenConfiguration(&status, &open, script.wrapper_context);
    return NDIS_STATUS_SUCCESS;
  };
  InitializeAdapter();
}

}  // namespace
}  // namespace hostndis_test
