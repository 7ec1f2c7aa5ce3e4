// Images the loader must refuse before anything of them runs.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "kimage/kernel_image.h"
#include "kimage/pe_image.h"

namespace {

std::vector<uint8_t> ShippedImage() {
  std::ifstream in(TMRX_KERNEL_IMAGE, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(bytes.empty()) << TMRX_KERNEL_IMAGE << " is missing: build the win32 preset's Trx4n5 first";
  return bytes;
}

uint32_t PeOffset(const std::vector<uint8_t>& b) {
  uint32_t v;
  std::memcpy(&v, &b[0x3c], 4);
  return v;
}

std::string Refusal(const std::vector<uint8_t>& bytes) {
  kimage::PeImage image;
  std::string error;
  EXPECT_FALSE(kimage::ParsePe(bytes, &image, &error)) << "the image was accepted";
  return error;
}

TEST(PeLoader, AcceptsTheShippedImageWithItsImports) {
  kimage::PeImage image;
  std::string error;
  ASSERT_TRUE(kimage::ParsePe(ShippedImage(), &image, &error)) << error;
  bool found = false;
  for (const auto& i : image.imports) found = found || (i.module == "HAL.dll" && i.name == "KfAcquireSpinLock");
  EXPECT_TRUE(found) << "KfAcquireSpinLock of HAL.dll is among the imports";
  EXPECT_FALSE(image.fixups.empty()) << "the image keeps base relocations";
}

TEST(PeLoader, RefusesATruncatedFile) {
  std::vector<uint8_t> bytes = ShippedImage();
  bytes.resize(bytes.size() / 2);
  EXPECT_NE(Refusal(bytes).find("truncated"), std::string::npos) << "the message says the file is truncated";
  bytes.resize(40);
  EXPECT_NE(Refusal(bytes).find("not a PE file"), std::string::npos) << "a stub of 40 bytes is no PE file";
}

TEST(PeLoader, RefusesAForeignMachine) {
  std::vector<uint8_t> bytes = ShippedImage();
  bytes[PeOffset(bytes) + 4] = 0x64;  // AMD64: 0x8664
  bytes[PeOffset(bytes) + 5] = 0x86;
  EXPECT_NE(Refusal(bytes).find("not an i386 image"), std::string::npos) << "an x64 image is refused";
}

TEST(PeLoader, RefusesAUserModeSubsystem) {
  std::vector<uint8_t> bytes = ShippedImage();
  bytes[PeOffset(bytes) + 24 + 68] = 2;  // Windows GUI
  EXPECT_NE(Refusal(bytes).find("not a kernel image"), std::string::npos) << "a GUI-subsystem image is refused";
}

TEST(PeLoader, NamesAnImportTheHostDoesNotProvide) {
  std::vector<uint8_t> bytes = ShippedImage();
  const char* name = "NdisMSleep";
  auto at = std::search(bytes.begin(), bytes.end(), name, name + std::strlen(name) + 1);
  ASSERT_NE(at, bytes.end()) << "the image imports NdisMSleep";
  at[9] = 'X';  // NdisMSleeX
  std::string path = ::testing::TempDir() + "unknown_import.sys";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  hostndis::HostConfig config;
  config.pool_in_physical_memory = true;
  hostndis::Host host(config);
  std::string error;
  EXPECT_EQ(kimage::KernelImage::Load(host, path, &error), nullptr) << "the image was loaded";
  EXPECT_NE(error.find("NDIS.SYS!NdisMSleeX"), std::string::npos) << "the message names the import: " << error;
  EXPECT_FALSE(host.driver_registered()) << "nothing of the image ran";
}

}  // namespace
