// A TAP interface owned by this process: Ethernet frames in and out through
// a non-blocking file descriptor.
#pragma once

#include <cstdint>
#include <string>

class TapDevice {
 public:
  TapDevice() = default;
  ~TapDevice();
  TapDevice(const TapDevice&) = delete;
  TapDevice& operator=(const TapDevice&) = delete;

  // Creates the interface `name` (at most 15 characters). False with a
  // message in `error` on failure.
  bool Open(const std::string& name, std::string* error);
  void Close();

  // One frame into `buffer`; its length, 0 when none is waiting, -1 on error.
  int Read(uint8_t* buffer, uint32_t capacity);
  // One frame to the stack; false if the kernel did not take it.
  bool Write(const uint8_t* frame, uint32_t length);
  // The interface's carrier, as the stack sees it.
  bool SetCarrier(bool up);

  int fd() const { return fd_; }
  const std::string& name() const { return name_; }

 private:
  int fd_ = -1;
  std::string name_;
};
