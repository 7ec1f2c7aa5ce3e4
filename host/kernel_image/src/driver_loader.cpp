#include "kimage/driver_loader.h"

namespace kimage {

const char* DefaultImagePath() { return TMRX_KERNEL_IMAGE; }

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
