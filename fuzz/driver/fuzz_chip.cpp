// libFuzzer target: the driver against a misbehaving chip. The input chooses
// the board and keywords, then is a list of operations: distortions queued
// in the board's chaos source (descriptor write-backs, CSR5/8/9/12 reads,
// EEPROM words, PHY answers), sends, frames from the far end, returned
// packets, OID requests, resets, time and cable pulls; a Halt ends it.
// Distortions that come before the first other operation meet Initialize,
// which may refuse a chip that lies too much.
#include "byte_chaos.h"
#include "driver_rig.h"

namespace {

enum Op : uint8_t { kChaos, kSend, kPeer, kReturn, kKeep, kQuery, kSet, kReset, kRun, kCable, kOpCount };

void SetSomething(trx_fuzz::DriverRig& rig, trx_fuzz::FuzzBytes& in) {
  switch (in.Byte() % 4) {
    case 0: rig.Set(OID_GEN_CURRENT_PACKET_FILTER, in.Take(4)); break;
    case 1: rig.Set(OID_802_3_MULTICAST_LIST, in.Take(6 * (in.Byte() % 34))); break;
    case 2: rig.Set(OID_GEN_CURRENT_LOOKAHEAD, in.Take(in.Byte() & 1 ? 2 : 4)); break;
    default: {
      NDIS_OID oid = rig.PickOid(in.Byte());
      rig.Set(oid, in.Take(in.Byte()));
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  trx_fuzz::FuzzBytes in(data, size);
  trx_fuzz::RigSetup setup = trx_fuzz::RigSetup::From(in);
  trx_fuzz::ByteChaos chaos;
  while (!in.empty() && in.Peek() % kOpCount == kChaos) {
    in.Byte();
    chaos.Queue(in);
  }
  trx_fuzz::DriverRig rig(setup, &chaos);
  if (rig.Initialize()) {
    while (!in.empty()) {
      switch (in.Byte() % kOpCount) {
        case kChaos: chaos.Queue(in); break;
        case kSend: rig.Send(in); break;
        case kPeer: rig.PeerSends(in); break;
        case kReturn: rig.ReturnHeld(in); break;
        case kKeep: rig.SetKeeping(in); break;
        case kQuery: {
          NDIS_OID oid = rig.PickOid(in.Byte());
          rig.Query(oid, in.Byte());
          break;
        }
        case kSet: SetSomething(rig, in); break;
        case kReset: rig.Reset(); break;
        case kRun: rig.Run(in); break;
        case kCable: rig.Cable(in); break;
      }
    }
  }
  rig.Finish();
  return 0;
}
