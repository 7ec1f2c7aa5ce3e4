#include "sim/wire.h"

namespace sim {

void FrameEndpoint::Send(const std::vector<uint8_t>& frame, bool bad_fcs) {
  // A send from inside a delivery (a reply) must not overwrite the frame that
  // is still being delivered.
  std::vector<uint8_t> nested;
  std::vector<uint8_t>& buffer = sending_ ? nested : scratch_;
  bool outer = !sending_;
  sending_ = true;
  buffer.assign(frame.begin(), frame.end());
  uint32_t fcs = EthernetFcs(frame.data(), uint32_t(frame.size()));
  if (bad_fcs) fcs = ~fcs;
  for (int i = 0; i < 4; ++i) buffer.push_back(uint8_t(fcs >> (8 * i)));
  SendToWire(buffer.data(), uint32_t(buffer.size()), ResolvedMode());
  if (outer) sending_ = false;
}

void FrameEndpoint::FrameArrived(const uint8_t* frame, uint32_t length) {
  ++frames_received_;
  if (keep_) received_.emplace_back(frame, frame + length);
}

}  // namespace sim
