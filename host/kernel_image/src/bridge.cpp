#include "bridge.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "hostndis/detail/machine.h"
#include "ddk_layouts.h"
#include "hostndis/host.h"

namespace kimage {

using hostndis::detail::Machine;

namespace {

uint8_t* MapPages(uint32_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  return static_cast<uint8_t*>(p);
}

}  // namespace

Bridge::Bridge(hostndis::Host& host, PeImage image)
    : host_(host), machine_(&host.machine()), image_(std::move(image)), heap_(kHeapBase, kHeapSize) {
  MapAddressSpace();
  machine_->kernel_image = this;
}

Bridge::~Bridge() {
  if (machine_->kernel_image == this) machine_->kernel_image = nullptr;
  munmap(stack_, kStackSize);
  munmap(thunk_page_, 4096);
  munmap(image_memory_, image_.image_size);
}

void Bridge::MapAddressSpace() {
  image_base_ = image_.preferred_base;
  if (image_base_ < 0x10000 || image_base_ + image_.image_size > kStackBase) {
    image_base_ = 0x10000;
    Rebase(image_, image_base_);
  }
  image_memory_ = MapPages(image_.image_size);
  std::memcpy(image_memory_, image_.mapped.data(), image_.image_size);
  stack_ = MapPages(kStackSize);
  thunk_page_ = MapPages(4096);
  std::memset(thunk_page_, 0xf4, 4096);  // hlt everywhere but in the stubs
  hostndis::PhysicalMemory& pm = machine_->memory;
  bool ok = cpu_.Map(image_base_, image_memory_, image_.image_size) && cpu_.Map(kStackBase, stack_, kStackSize) &&
            cpu_.Map(kThunkPage, thunk_page_, 4096) && cpu_.Map(kHeapBase, heap_.host(), kHeapSize) &&
            cpu_.Map(kPhysicalBase, pm.base(), pm.size());
  if (!ok) throw std::runtime_error("kimage: the emulated address space cannot be mapped");
  cpu_.SetStack(kStackBase + kStackSize - 16);
  cpu_.SetThunkArea(kThunkPage, 4096);

  constexpr uint32_t kScratchSize = 256 * 1024;
  scratch_top_ = heap_.Allocate(kScratchSize) + kScratchSize;

  // Driver object and registry path as the kernel hands them to DriverEntry.
  driver_object = heap_.Allocate(ddk::DRIVER_OBJECT_size);
  const std::u16string& path = machine_->registry_path_text;
  registry_path = heap_.Allocate(ddk::UNICODE_STRING_size);
  uint32_t text = heap_.Allocate(static_cast<uint32_t>(path.size() * 2 + 2));
  std::memcpy(At<uint8_t>(text, static_cast<uint32_t>(path.size() * 2)), path.data(), path.size() * 2);
  auto* us = At<uint8_t>(registry_path, ddk::UNICODE_STRING_size);
  uint16_t length = static_cast<uint16_t>(path.size() * 2), maximum = static_cast<uint16_t>(length + 2);
  std::memcpy(us + ddk::UNICODE_STRING_Length, &length, 2);
  std::memcpy(us + ddk::UNICODE_STRING_MaximumLength, &maximum, 2);
  std::memcpy(us + ddk::UNICODE_STRING_Buffer, &text, 4);

  std::string error;
  if (!InstallImportThunks(*this, image_, image_base_, &error)) throw std::runtime_error(error);
}

Bridge* Bridge::Current(const char* op) {
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return nullptr;
  auto* b = static_cast<Bridge*>(mc->kernel_image);
  if (b == nullptr) std::fprintf(stderr, "kimage: %s called on a host without a kernel image\n", op);
  return b;
}

uint32_t Bridge::Call(uint32_t function, std::initializer_list<uint32_t> args) {
  bool ok = true;
  uint32_t eax = cpu_.Call(function, args, &ok);
  if (!ok) machine_->Report(kImageFault, cpu_.fault());
  return eax;
}

extern "C" NTSTATUS ImageDriverEntry(PDRIVER_OBJECT, PUNICODE_STRING) {
  Bridge* b = Bridge::Current("DriverEntry");
  if (b == nullptr) return STATUS_UNSUCCESSFUL;
  return static_cast<NTSTATUS>(b->Call(b->entry(), {b->driver_object, b->registry_path}));
}

NTSTATUS Bridge::LoadDriver() { return host_.LoadDriver(ImageDriverEntry); }

uint32_t Bridge::HandleOf(void* host) {
  if (host == nullptr) return 0;
  auto it = handle_cells_.find(host);
  if (it != handle_cells_.end()) return it->second;
  uint32_t cell = heap_.Allocate(4);
  handles_[cell] = host;
  handle_cells_[host] = cell;
  return cell;
}

void* Bridge::HostHandle(uint32_t emu) const {
  auto it = handles_.find(emu);
  return it == handles_.end() ? reinterpret_cast<void*>(static_cast<uintptr_t>(0xdead0000u | (emu & 0xffff)))
                              : it->second;
}

void Bridge::DropHandle(uint32_t emu) {
  auto it = handles_.find(emu);
  if (it == handles_.end()) return;
  handle_cells_.erase(it->second);
  handles_.erase(it);
  heap_.Free(emu);
}

void Bridge::DropConfigRecords(uint32_t handle) {
  auto it = config_records_.find(handle);
  if (it == config_records_.end()) return;
  for (uint32_t record : it->second) heap_.Free(record);
  config_records_.erase(it);
}

AdapterShadow* Bridge::AdapterByHost(NDIS_HANDLE host) {
  for (auto& a : adapters_)
    if (a->host_handle == host) return a.get();
  return nullptr;
}

AdapterShadow* Bridge::AdapterByBlock(uint32_t block) {
  for (auto& a : adapters_)
    if (a->block == block) return a.get();
  return nullptr;
}

AdapterShadow* Bridge::AdapterByContext(uint32_t context) {
  for (auto& a : adapters_)
    if (a->context == context) return a.get();
  return nullptr;
}

AdapterShadow& Bridge::AdapterFor(NDIS_HANDLE host) {
  if (AdapterShadow* a = AdapterByHost(host)) return *a;
  adapters_.push_back(std::make_unique<AdapterShadow>());
  AdapterShadow& a = *adapters_.back();
  a.host_handle = host;
  a.block = heap_.Allocate(ddk::NDIS_MINIPORT_BLOCK_size);
  FillMiniportBlock(*this, a.block);
  return a;
}

NDIS_HANDLE Bridge::HostAdapter(uint32_t block) {
  AdapterShadow* a = AdapterByBlock(block);
  // An unknown handle goes on as one the stand-in does not know either.
  return a != nullptr ? a->host_handle : reinterpret_cast<NDIS_HANDLE>(static_cast<uintptr_t>(block) | 1);
}

PNDIS_MINIPORT_INTERRUPT Bridge::InterruptFor(uint32_t emu, bool create) {
  auto it = interrupts_.find(emu);
  if (it != interrupts_.end()) return it->second.get();
  if (!create) return reinterpret_cast<PNDIS_MINIPORT_INTERRUPT>(static_cast<uintptr_t>(emu) | 1);
  return (interrupts_[emu] = std::make_unique<NDIS_MINIPORT_INTERRUPT>()).get();
}

TimerShadow* Bridge::TimerFor(uint32_t emu, bool create) {
  auto it = timers_.find(emu);
  if (it != timers_.end()) return it->second.get();
  if (!create) return nullptr;
  auto t = std::make_unique<TimerShadow>();
  t->emu = emu;
  return (timers_[emu] = std::move(t)).get();
}

void Bridge::RetireRecords(uint32_t begin, uint32_t end) {
  RetireLocks(begin, end);
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first >= begin && it->first < end) {
      machine_->RetireTimers(&it->second->host, sizeof(it->second->host), "NdisFreeMemory");
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace kimage
