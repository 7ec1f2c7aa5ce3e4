#include "kimage/kernel_image.h"

#include <cstring>
#include <stdexcept>

#include "bridge.h"

namespace kimage {

KernelImage::KernelImage(std::unique_ptr<Bridge> bridge) : bridge_(std::move(bridge)) {}
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
    return std::unique_ptr<KernelImage>(new KernelImage(std::make_unique<Bridge>(host, std::move(image))));
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


}  // namespace kimage
