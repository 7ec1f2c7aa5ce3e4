#include "kimage/kernel_image.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "bridge.h"

namespace kimage {

KernelImage::KernelImage(std::unique_ptr<Bridge> bridge, std::string name)
    : bridge_(std::move(bridge)), name_(std::move(name)) {}
KernelImage::~KernelImage() = default;

std::unique_ptr<KernelImage> KernelImage::Load(hostndis::Host& host, const std::string& path, std::string* error) {
  if (!host.config().pool_in_physical_memory) {
    *error = "the host must keep pool memory in simulated physical memory (HostConfig::pool_in_physical_memory)";
    return nullptr;
  }
  PeImage image;
  if (!LoadPe(path, &image, error)) return nullptr;
  if (!CheckImports(image, error)) {
    *error = path + ": " + *error;
    return nullptr;
  }
  try {
    std::string name = path.substr(path.find_last_of('/') + 1);
    return std::unique_ptr<KernelImage>(
        new KernelImage(std::make_unique<Bridge>(host, std::move(image)), std::move(name)));
  } catch (const std::exception& e) {
    *error = path + ": " + e.what();
    return nullptr;
  }
}

NTSTATUS KernelImage::LoadDriver() { return bridge_->LoadDriver(); }
void KernelImage::Measure(bool on) { bridge_->cpu().Measure(on); }
const Cpu& KernelImage::cpu() const { return bridge_->cpu(); }
bool KernelImage::Read(uint32_t address, void* out, uint32_t length) const {
  const uint8_t* p = bridge_->cpu().Host(address, length);
  if (p == nullptr) return false;
  std::memcpy(out, p, length);
  return true;
}

void KernelImage::WatchStores(uint32_t begin, uint32_t end, Cpu::StoreWatcher watcher, bool exact_eip) {
  bridge_->cpu().WatchStores(begin, end, std::move(watcher), exact_eip);
}

uint32_t KernelImage::EmulatedAddress(const void* host) const { return bridge_->cpu().Emulated(host); }

std::string KernelImage::CodeAddress(uint32_t eip) const {
  char text[64];
  uint32_t base = bridge_->image_base();
  if (eip >= base && eip - base < bridge_->image_size())
    std::snprintf(text, sizeof text, "%s+0x%x", name_.c_str(), eip - base);
  else
    std::snprintf(text, sizeof text, "0x%x", eip);
  return text;
}

}  // namespace kimage
