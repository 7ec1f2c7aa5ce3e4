// The full simulated path of 64-byte frames (or longer): port 0 sends
// batches of 16 to port 1 over an unlimited wire; port 1's protocol takes
// each indicated packet and gives it back at once. The driver is the natively
// built one or a kernel image. Shared by the benchmark and the fixed-work
// program that callgrind measures.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "simlab.h"

class FrameLoop {
 public:
  static constexpr uint32_t kBatch = 16;
  static constexpr uint32_t kFrameLength = 60;  // 64 bytes on the wire with the FCS

  explicit FrameLoop(uint32_t frame_length = kFrameLength, const std::string& kernel_image = "");
  ~FrameLoop();
  // Sends one batch and runs the machine until every packet is completed and
  // received. False if that does not happen.
  bool RunBatch();
  uint64_t frames_received() const { return received_; }
  const std::string& load_error() const { return lab_.load_error(); }
  kimage::KernelImage* image() { return lab_.image(); }

 private:
  simlab::Lab lab_;
  simlab::Port* sender_;
  simlab::Port* receiver_;
  std::vector<PNDIS_PACKET> packets_;
  uint64_t received_ = 0;
};
