// Which driver a host runs: the natively built Trx4n5 (its DriverEntry) or a
// kernel image file. Tests, tools and benchmarks take one of these and stay
// the same for both.
#pragma once

#include <memory>
#include <string>

#include "hostndis/host.h"
#include "kimage/kernel_image.h"

namespace kimage {

// The win32 preset's Trx4n5.sys of this source tree.
const char* DefaultImagePath();

class DriverLoader {
 public:
  static DriverLoader Native(PDRIVER_INITIALIZE entry) { return DriverLoader(entry, {}); }
  static DriverLoader Image(std::string path = DefaultImagePath()) { return DriverLoader(nullptr, std::move(path)); }

  bool is_image() const { return entry_ == nullptr; }
  const std::string& image_path() const { return path_; }
  // `config` as this driver needs it (an image reaches only physical memory).
  hostndis::HostConfig Prepare(hostndis::HostConfig config) const;

  // Loads the driver into `host` and runs its DriverEntry. The image (if one)
  // lives as long as the returned object, which must not outlive `host`.
  struct Loaded {
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    std::string error;  // why the image was refused
    std::unique_ptr<KernelImage> image;
  };
  Loaded Load(hostndis::Host& host) const;

 private:
  DriverLoader(PDRIVER_INITIALIZE entry, std::string path) : entry_(entry), path_(std::move(path)) {}
  PDRIVER_INITIALIZE entry_;
  std::string path_;
};

}  // namespace kimage
