// Fixture: a host with one fake device and the scripted miniport loaded, the
// verifier failing the test on any finding the test did not expect.
#pragma once

#include <memory>

#include "fake_device.h"
#include "hostndis/testing.h"
#include "scripted_miniport.h"

namespace hostndis_test {

class ScriptTest : public hostndis::testing::HostTest {
 protected:
  void SetUp() override {
    SetScript(&script);
    auto owned = std::make_unique<FakeDevice>();
    device = owned.get();
    host.AddDevice(std::move(owned));
    ASSERT_EQ(host.LoadDriver(ScriptedDriverEntry), STATUS_SUCCESS);
    adapter = &host.AddAdapter(*device);
  }

  void TearDown() override {
    HostTest::TearDown();
    SetScript(nullptr);
  }

  void InitializeAdapter() { ASSERT_EQ(adapter->Initialize(), NDIS_STATUS_SUCCESS) << "scripted Initialize failed"; }

  // Runs `body` inside the QueryInformation handler, at DISPATCH level.
  template <typename F>
  void InHandler(F body) {
    script.query = [&](NDIS_OID, PVOID, ULONG, PULONG, PULONG) {
      body();
      return NDIS_STATUS_SUCCESS;
    };
    adapter->Query(OID_GEN_VENDOR_ID, 4);
    script.query = nullptr;
  }

  Script script;
  FakeDevice* device = nullptr;
  hostndis::Adapter* adapter = nullptr;
};

}  // namespace hostndis_test
