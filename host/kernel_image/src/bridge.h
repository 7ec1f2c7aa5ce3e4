// The bridge: a driver towards the host stand-in and NDIS towards the image.
// It owns the emulated address space and the shadow records that pair host
// records (handles, packets, MDLs, locks, interrupts, timers) with the ones
// the image sees in the DDK's layouts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <ndis.h>

#include "emu_heap.h"
#include "kimage/cpu.h"
#include "kimage/pe_image.h"

namespace hostndis {
class Host;
}
namespace hostndis::detail {
class Machine;
}

namespace kimage {

// Emulated address space.
constexpr uint32_t kStackBase = 0x00800000, kStackSize = 0x00100000;
constexpr uint32_t kThunkPage = 0x00f00000;
constexpr uint32_t kHeapBase = 0x01000000, kHeapSize = 0x01000000;
constexpr uint32_t kPhysicalBase = 0x10000000;
constexpr uint32_t kRegisterBase = 0x40000000;  // never mapped: registers go through imports

// Verifier rule of a fault inside the image (a stray access, an undefined
// instruction, an import given memory the image does not have): the message
// names the instruction's address.
constexpr const char kImageFault[] = "ImageFault";
// KfReleaseSpinLock given another IRQL than the one KfAcquireSpinLock
// returned for that lock: the processor would go on at the wrong level.
constexpr const char kReleaseIrql[] = "ReleaseIrql";

// An emulated range an import must read or write and the image does not
// have; the import's thunk ends the call into the image as a fault.
struct Unmapped {
  uint32_t address, length;
  bool store;
};

// The image's handlers, from its characteristics.
struct ImageHandlers {
  uint32_t check_for_hang, disable_interrupt, enable_interrupt, halt, handle_interrupt, initialize, isr, query,
      reconfigure, reset, send, set, transfer_data, return_packet, send_packets, allocate_complete;
};

// A query's or set's information buffer and counts as the image sees them.
// The copy keeps the guard bytes that follow the stand-in's buffer, and
// gives them back, so that the stand-in sees a handler writing past its end.
struct RequestCopy {
  uint8_t* host = nullptr;
  bool query = false;  // a set's bytes are not copied back
  uint32_t emu = 0, length = 0;
  uint32_t counts = 0;  // the emulated BytesWritten/Read and BytesNeeded
  PULONG done = nullptr, needed = nullptr;
};

// One miniport instance as both sides see it.
struct AdapterShadow {
  NDIS_HANDLE host_handle = nullptr;
  uint32_t block = 0;       // emulated NDIS_MINIPORT_BLOCK (the image's handle)
  uint32_t context = 0;     // the image's MiniportAdapterContext
  uint32_t resources = 0;   // emulated copy of the assigned resources
  uint32_t shutdown_handler = 0, shutdown_context = 0;  // the host calls them with this record as context
  RequestCopy request;  // one that pends (counts 0 when none does)
};

struct PacketShadow {
  PNDIS_PACKET host;
  uint32_t emu;
  uint32_t pool;  // emulated pool handle, 0 for protocol packets
};

struct MdlShadow {
  PNDIS_BUFFER host;
  uint32_t emu;
  uint32_t pool;
};

struct TimerShadow {
  NDIS_MINIPORT_TIMER host{};
  uint32_t emu = 0, function = 0, context = 0;
};

class Bridge {
 public:
  Bridge(hostndis::Host& host, PeImage image);
  ~Bridge();

  // The bridge of the running host's machine (null with a message outside one).
  static Bridge* Current(const char* op);
  NTSTATUS LoadDriver();
  uint32_t entry() const { return image_base_ + image_.entry_rva; }
  uint32_t image_base() const { return image_base_; }
  uint32_t image_size() const { return image_.image_size; }

  Cpu& cpu() { return cpu_; }
  hostndis::detail::Machine& machine() { return *machine_; }
  EmuHeap& heap() { return heap_; }

  // Emulated scratch for a handler's arguments and outputs, last in first
  // out (handlers nest): Scratch() returns the mark to give back.
  uint32_t scratch_top() const { return scratch_top_; }
  uint32_t TakeScratch(uint32_t length) {
    scratch_top_ -= (length + 15) & ~15u;
    return scratch_top_;
  }
  void GiveBackScratch(uint32_t mark) { scratch_top_ = mark; }

  // Runs an image function; a fault is reported to the verifier.
  uint32_t Call(uint32_t function, std::initializer_list<uint32_t> args);

  // Host pointer behind an emulated address, or null (reported) when unmapped.
  template <typename T>
  T* At(uint32_t address, uint32_t length = sizeof(T)) {
    return reinterpret_cast<T*>(cpu_.Host(address, length));
  }
  uint32_t Emu(const void* host) const { return cpu_.Emulated(host); }

  // Opaque handles (wrapper, configuration, pools): an emulated cell each.
  uint32_t HandleOf(void* host);
  void* HostHandle(uint32_t emu) const;
  void DropHandle(uint32_t emu);

  // Emulated records made for a configuration handle (parameters, their
  // strings, the network address); DropConfigRecords frees them when it closes.
  std::vector<uint32_t>& ConfigRecords(uint32_t handle) { return config_records_[handle]; }
  void DropConfigRecords(uint32_t handle);

  AdapterShadow* AdapterByHost(NDIS_HANDLE host);
  AdapterShadow* AdapterByBlock(uint32_t block);
  AdapterShadow* AdapterByContext(uint32_t context);
  AdapterShadow& AdapterFor(NDIS_HANDLE host);  // made on first use
  NDIS_HANDLE HostAdapter(uint32_t block);      // image handle -> host handle

  // Packets and buffers.
  uint32_t ShadowPacket(PNDIS_PACKET host, uint32_t pool);
  PacketShadow* PacketByEmu(uint32_t emu);
  PacketShadow* PacketByHost(PNDIS_PACKET host);
  uint32_t ShadowMdl(PNDIS_BUFFER host, uint32_t pool);
  // The host MDL of an emulated one; one the bridge did not make is an MDL
  // of no pool, which the stand-in reports wherever it meets it.
  PNDIS_BUFFER HostMdl(uint32_t emu);
  bool IsShadowMdl(uint32_t emu) const { return mdls_.count(emu) != 0; }
  void DropPool(uint32_t pool);
  // Copies what the image may have changed into the host packet, and back.
  void PacketToHost(PacketShadow& p);
  void PacketToEmu(PacketShadow& p);
  void MdlLengthToHost(uint32_t emu_mdl);

  // Spin locks (spin_lock_shadow.cpp): one stand-in lock per emulated lock
  // word. Acquire returns the IRQL before it; Release lowers to `irql` (the
  // Kf variant's DL; the Dpr variants pass the IRQL they run at).
  KIRQL AcquireLock(uint32_t emu, bool dpr, const char* op);
  void ReleaseLock(uint32_t emu, bool dpr, KIRQL irql, const char* op);

  PNDIS_MINIPORT_INTERRUPT InterruptFor(uint32_t emu, bool create);
  TimerShadow* TimerFor(uint32_t emu, bool create);
  // The image frees [begin, end): the locks and timers in it go with it.
  void RetireRecords(uint32_t begin, uint32_t end);

  ImageHandlers handlers{};
  uint32_t driver_object = 0, registry_path = 0;

 private:
  void MapAddressSpace();
  void InstallThunks();

  hostndis::Host& host_;
  hostndis::detail::Machine* machine_;
  PeImage image_;
  Cpu cpu_;
  EmuHeap heap_;
  uint8_t* stack_ = nullptr;
  uint8_t* thunk_page_ = nullptr;
  uint8_t* image_memory_ = nullptr;
  uint32_t image_base_ = 0;
  uint32_t scratch_top_ = 0;

  std::unordered_map<uint32_t, void*> handles_;
  std::unordered_map<void*, uint32_t> handle_cells_;
  std::unordered_map<uint32_t, std::vector<uint32_t>> config_records_;
  std::vector<std::unique_ptr<AdapterShadow>> adapters_;
  std::unordered_map<uint32_t, PacketShadow> packets_;
  std::unordered_map<PNDIS_PACKET, uint32_t> packet_by_host_;
  std::unordered_map<uint32_t, MdlShadow> mdls_;
  std::unordered_map<PNDIS_BUFFER, uint32_t> mdl_by_host_;
  PNDIS_SPIN_LOCK LockFor(uint32_t emu, const char* op);
  bool Held(const NDIS_SPIN_LOCK& lock) const;
  void RetireLocks(uint32_t begin, uint32_t end);

  NDIS_BUFFER foreign_mdl_{};  // stands for every MDL the bridge did not make
  std::unordered_map<uint32_t, std::unique_ptr<NDIS_SPIN_LOCK>> locks_;
  std::unordered_map<uint32_t, std::unique_ptr<NDIS_MINIPORT_INTERRUPT>> interrupts_;
  std::unordered_map<uint32_t, std::unique_ptr<TimerShadow>> timers_;
};

// False with the names of the imports the host does not provide.
bool CheckImports(const PeImage& image, std::string* error);
// Installs a thunk for every import the host provides; false with the
// names of those it does not.
bool InstallImportThunks(Bridge& bridge, const PeImage& image, uint32_t image_base, std::string* error);
// The host's characteristics for the image's handlers.
NDIS_MINIPORT_CHARACTERISTICS HostCharacteristics(const ImageHandlers& h);
// Copies a request's answer, guard bytes and counts back to the host.
void CopyBack(Bridge& bridge, const RequestCopy& request);
// The same, and frees the emulated copy.
void FinishRequest(Bridge& bridge, RequestCopy& request);
// The indication slots of an emulated miniport block.
void FillMiniportBlock(Bridge& bridge, uint32_t block);

}  // namespace kimage
