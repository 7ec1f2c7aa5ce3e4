#include "tap_device.h"

#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

TapDevice::~TapDevice() { Close(); }

bool TapDevice::Open(const std::string& name, std::string* error) {
  if (name.empty() || name.size() >= IFNAMSIZ) {
    *error = "interface name '" + name + "' is empty or longer than 15 characters";
    return false;
  }
  fd_ = open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    *error = std::string("cannot open /dev/net/tun: ") + std::strerror(errno);
    return false;
  }
  struct ifreq ifr;
  std::memset(&ifr, 0, sizeof(ifr));
  // NAPI mode: frames written here reach the stack in batches, through GRO.
  ifr.ifr_flags = IFF_TAP | IFF_NO_PI | IFF_NAPI;
  std::memcpy(ifr.ifr_name, name.c_str(), name.size());
  if (ioctl(fd_, TUNSETIFF, &ifr) < 0) {
    *error = "cannot create TAP interface " + name + ": " + std::strerror(errno);
    Close();
    return false;
  }
  name_ = name;
  return true;
}

void TapDevice::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

int TapDevice::Read(uint8_t* buffer, uint32_t capacity) {
  ssize_t n = read(fd_, buffer, capacity);
  if (n >= 0) return int(n);
  return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
}

bool TapDevice::Write(const uint8_t* frame, uint32_t length) {
  return write(fd_, frame, length) == ssize_t(length);
}

bool TapDevice::SetCarrier(bool up) {
  int on = up ? 1 : 0;
  return ioctl(fd_, TUNSETCARRIER, &on) == 0;
}
