// libFuzzer target: OID queries and sets with any OID, any buffer length and
// any bytes, interleaved with traffic, on an honest board. The stand-in
// checks that no answer goes beyond its information buffer.
#include "driver_rig.h"

namespace {

enum Op : uint8_t { kQuery, kSet, kSend, kPeer, kReturn, kKeep, kRun, kReset, kOpCount };

// Mostly OIDs the driver knows; now and then any 32-bit value.
NDIS_OID PickOid(const trx_fuzz::DriverRig& rig, trx_fuzz::FuzzBytes& in) {
  uint8_t b = in.Byte();
  if (b >= 0xf0) return in.Dword();
  return rig.PickOid(b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  trx_fuzz::FuzzBytes in(data, size);
  trx_fuzz::RigSetup setup = trx_fuzz::RigSetup::From(in);
  trx_fuzz::DriverRig rig(setup, nullptr);
  if (rig.Initialize()) {
    while (!in.empty()) {
      switch (in.Byte() % kOpCount) {
        case kQuery: {
          NDIS_OID oid = PickOid(rig, in);
          rig.Query(oid, in.Word() % 512);
          break;
        }
        case kSet: {
          NDIS_OID oid = PickOid(rig, in);
          rig.Set(oid, in.Take(in.Word() % 512));
          break;
        }
        case kSend: rig.Send(in); break;
        case kPeer: rig.PeerSends(in); break;
        case kReturn: rig.ReturnHeld(in); break;
        case kKeep: rig.SetKeeping(in); break;
        case kRun: rig.Run(in); break;
        case kReset: rig.Reset(); break;
      }
    }
  }
  rig.Finish();
  return 0;
}
