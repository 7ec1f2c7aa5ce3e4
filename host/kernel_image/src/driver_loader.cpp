#include "kimage/driver_loader.h"

#include <cstdlib>

namespace kimage {

// TMRX_KERNEL_IMAGE in the environment names another image (a scratch
// tree's, with a fault planted in it) without rebuilding the tests.
const char* DefaultImagePath() {
  const char* path = std::getenv("TMRX_KERNEL_IMAGE");
  return path != nullptr && path[0] != '\0' ? path : TMRX_KERNEL_IMAGE;
}

hostndis::HostConfig DriverLoader::Prepare(hostndis::HostConfig config) const {
  if (is_image()) config.pool_in_physical_memory = true;
  return config;
}

DriverLoader::Loaded DriverLoader::Load(hostndis::Host& host) const {
  Loaded loaded;
  if (!is_image()) {
    loaded.status = host.LoadDriver(entry_);
    return loaded;
  }
  loaded.image = KernelImage::Load(host, path_, &loaded.error);
  if (loaded.image != nullptr) loaded.status = loaded.image->LoadDriver();
  return loaded;
}

}  // namespace kimage
