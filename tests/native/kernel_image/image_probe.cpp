#include "image_probe.h"

#include <cstring>

#include "kimage/driver_loader.h"
#include "kimage/pe_image.h"
#include "sim/board.h"

namespace probe {

Routine& Routine::Call(uint32_t slot, std::initializer_list<Arg> args) {
  for (auto a = std::rbegin(args); a != std::rend(args); ++a) {
    if (a->from_cell)
      Bytes({0xff, 0x35}).Word(a->value);  // push dword [cell]
    else
      Bytes({0x68}).Word(a->value);  // push imm32
  }
  Bytes({0xff, 0x15}).Word(slot);  // call dword [slot]
  after_last_call = static_cast<uint32_t>(code.size());
  return *this;
}

Routine& Routine::CallC(uint32_t slot, std::initializer_list<Arg> args) {
  Call(slot, args);
  return Bytes({0x83, 0xc4, static_cast<uint8_t>(4 * args.size())});  // add esp, n
}

ImageProbeTest::ImageProbeTest() : HostTest(kimage::DriverLoader::Image().Prepare(hostndis::HostConfig())) {}

void ImageProbeTest::SetUp() {
  std::string error;
  image_ = kimage::KernelImage::Load(host, kimage::DefaultImagePath(), &error);
  ASSERT_NE(image_, nullptr) << error;
  ASSERT_EQ(image_->LoadDriver(), STATUS_SUCCESS) << "DriverEntry";
}

void ImageProbeTest::TearDown() {
  if (adapter_ != nullptr && adapter_->initialized()) adapter_->Halt();
  HostTest::TearDown();
}

hostndis::Adapter& ImageProbeTest::BringUpAdapter() {
  sim::BoardConfig config;
  adapter_ = &host.AddAdapter(host.AddBoard(config));
  adapter_->SetKeyword("ConnectionType", 0u);
  adapter_->SetKeyword("SlotNumber", config.slot);
  EXPECT_EQ(adapter_->Initialize(), NDIS_STATUS_SUCCESS) << "the image's Initialize";
  return *adapter_;
}

kimage::AdapterShadow& ImageProbeTest::shadow() { return *bridge().AdapterByHost(adapter_->handle()); }

uint32_t ImageProbeTest::Import(const std::string& name) {
  kimage::PeImage pe;
  std::string error;
  EXPECT_TRUE(kimage::LoadPe(kimage::DefaultImagePath(), &pe, &error)) << error;
  for (const kimage::ImportRef& i : pe.imports)
    if (i.name == name) return bridge().image_base() + i.slot_rva;
  ADD_FAILURE() << "the image does not import " << name;
  return 0;
}

uint32_t ImageProbeTest::Place(const Routine& routine) {
  uint32_t at = Cell(static_cast<uint32_t>(routine.code.size()));
  std::memcpy(bridge().At<uint8_t>(at, static_cast<uint32_t>(routine.code.size())), routine.code.data(),
              routine.code.size());
  return at;
}

uint32_t ImageProbeTest::Run(uint32_t routine, std::initializer_list<uint32_t> args) {
  host.machine().MakeCurrent();
  return bridge().Call(routine, args);
}

std::string ImageProbeTest::LastFinding(const std::string& rule) {
  const auto& findings = host.verifier().findings();
  for (auto f = findings.rbegin(); f != findings.rend(); ++f)
    if (f->rule == rule) return f->message;
  return "";
}

}  // namespace probe
