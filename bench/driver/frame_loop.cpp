#include "frame_loop.h"

FrameLoop::FrameLoop(uint32_t frame_length, const std::string& kernel_image)
    : lab_(hostndis::HostConfig(), kernel_image) {
  lab_.host().verifier().set_print(false);
  sender_ = &lab_.AddPort(simlab::Lab::DefaultSpec(0));
  receiver_ = &lab_.AddPort(simlab::Lab::DefaultSpec(1));
  lab_.Cable(*sender_, *receiver_, sim::Wire::Pace::kUnlimited);
  sender_->adapter->Initialize();
  receiver_->adapter->Initialize();
  simlab::SetPacketFilter(*receiver_->adapter, NDIS_PACKET_TYPE_DIRECTED);
  lab_.host().RunFor(100 * sim::kMillisecond);  // link renegotiated and reported

  sender_->adapter->set_record_send_completions(false);
  receiver_->adapter->OnReceive([this](PNDIS_PACKET) {
    ++received_;
    return hostndis::ReceiveAction::kReturn;
  });
  hostndis::QueryResult station = receiver_->adapter->Query(OID_802_3_CURRENT_ADDRESS, 6);
  hostndis::QueryResult source = sender_->adapter->Query(OID_802_3_CURRENT_ADDRESS, 6);
  for (uint32_t i = 0; i < kBatch; ++i) {
    std::vector<uint8_t> frame = simlab::MakeFrame(station.data.data(), source.data.data(), 0x88b5, frame_length,
                                                   uint8_t(i));
    packets_.push_back(sender_->adapter->BuildPacket(frame));
  }
}

FrameLoop::~FrameLoop() {
  for (PNDIS_PACKET p : packets_) sender_->adapter->FreePacket(p);
  sender_->adapter->Halt();
  receiver_->adapter->Halt();
}

bool FrameLoop::RunBatch() {
  uint64_t want = received_ + kBatch;
  sender_->adapter->Send(packets_);
  hostndis::Adapter& sender = *sender_->adapter;
  const std::vector<PNDIS_PACKET>& packets = packets_;
  return lab_.host().RunUntil(
      [&] {
        if (received_ < want) return false;
        for (PNDIS_PACKET p : packets)
          if (sender.send_state(p) != hostndis::SendState::kCompleted) return false;
        return true;
      },
      sim::kSecond);
}
