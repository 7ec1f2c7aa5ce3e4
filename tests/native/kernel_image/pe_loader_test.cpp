// Images the loader must refuse before anything of them runs.
#include <gtest/gtest.h>

#include <algorithm>
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

// File offset of the first base relocation entry (after the block header).
uint32_t FirstRelocationEntry(const std::vector<uint8_t>& b) {
  uint32_t pe = PeOffset(b);
  uint16_t sections, opt_size;
  std::memcpy(&sections, &b[pe + 6], 2);
  std::memcpy(&opt_size, &b[pe + 20], 2);
  uint32_t reloc_rva;
  std::memcpy(&reloc_rva, &b[pe + 24 + 96 + 5 * 8], 4);
  for (uint16_t i = 0; i < sections; ++i) {
    uint32_t h = pe + 24 + opt_size + 40 * i, vaddr, raw;
    std::memcpy(&vaddr, &b[h + 12], 4);
    std::memcpy(&raw, &b[h + 20], 4);
    if (vaddr == reloc_rva) return raw + 8;
  }
  return 0;
}

// Each fault patched into the shipped image, and the refusal that names it.
struct Refusal {
  const char* fault;
  void (*patch)(std::vector<uint8_t>& bytes);
  const char* message;
};

const Refusal kRefusals[] = {
    {"a file cut in half", [](std::vector<uint8_t>& b) { b.resize(b.size() / 2); }, "truncated"},
    {"a stub of 40 bytes", [](std::vector<uint8_t>& b) { b.resize(40); }, "not a PE file"},
    {"an AMD64 image",
     [](std::vector<uint8_t>& b) {
       b[PeOffset(b) + 4] = 0x64;  // machine 0x8664
       b[PeOffset(b) + 5] = 0x86;
     },
     "not an i386 image"},
    {"a Windows GUI image", [](std::vector<uint8_t>& b) { b[PeOffset(b) + 24 + 68] = 2; }, "not a kernel image"},
    {"a 64-bit fixup",
     [](std::vector<uint8_t>& b) {
       uint32_t entry = FirstRelocationEntry(b);
       b[entry + 1] = static_cast<uint8_t>((b[entry + 1] & 0x0f) | 0xa0);  // IMAGE_REL_BASED_DIR64
     },
     "relocation of type 10"},
};

TEST(PeLoader, RefusesWhatItCannotRunNamingTheFault) {
  std::vector<uint8_t> shipped = ShippedImage();
  ASSERT_NE(FirstRelocationEntry(shipped), 0u) << "the image has a .reloc section";
  for (const Refusal& r : kRefusals) {
    std::vector<uint8_t> bytes = shipped;
    r.patch(bytes);
    kimage::PeImage image;
    std::string error;
    EXPECT_FALSE(kimage::ParsePe(bytes, &image, &error)) << r.fault << " was accepted";
    EXPECT_NE(error.find(r.message), std::string::npos) << r.fault << ": " << error;
  }
}

TEST(PeLoader, RebaseMovesEveryAbsoluteAddressByTheDistance) {
  kimage::PeImage image;
  std::string error;
  ASSERT_TRUE(kimage::ParsePe(ShippedImage(), &image, &error)) << error;
  ASSERT_FALSE(image.fixups.empty());
  std::vector<uint8_t> expected = image.mapped;
  for (uint32_t rva : image.fixups) {
    uint32_t address;
    std::memcpy(&address, &expected[rva], 4);
    address += 0x100000;
    std::memcpy(&expected[rva], &address, 4);
  }
  kimage::Rebase(image, image.preferred_base + 0x100000);
  auto differs = std::mismatch(expected.begin(), expected.end(), image.mapped.begin());
  EXPECT_EQ(differs.first, expected.end()) << "the image differs at RVA 0x" << std::hex << (differs.first - expected.begin())
                                           << ": each of its " << std::dec << image.fixups.size()
                                           << " fixed-up addresses moves by the distance, nothing else";
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
