#include "kimage/cpu.h"

#include <unicorn/unicorn.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace kimage {
namespace {

std::string Hex(uint64_t v) {
  char b[24];
  std::snprintf(b, sizeof b, "0x%llx", static_cast<unsigned long long>(v));
  return b;
}

constexpr int kSaved[] = {UC_X86_REG_EAX, UC_X86_REG_EBX, UC_X86_REG_ECX, UC_X86_REG_EDX, UC_X86_REG_ESI,
                          UC_X86_REG_EDI, UC_X86_REG_EBP, UC_X86_REG_ESP, UC_X86_REG_EFLAGS};
constexpr uint32_t kNeverReached = 0xfffff000;  // no stop address: the return slot stops
constexpr int kSavedCount = sizeof(kSaved) / sizeof(kSaved[0]);

// Records the address of a stray access, so that the fault names it.
bool OnInvalid(uc_engine* uc, uc_mem_type type, uint64_t address, int size, int64_t, void* user) {
  auto* where = static_cast<std::string*>(user);
  const char* kind = type == UC_MEM_WRITE_UNMAPPED || type == UC_MEM_WRITE_PROT ? "write"
                     : type == UC_MEM_FETCH_UNMAPPED || type == UC_MEM_FETCH_PROT ? "fetch"
                                                                                  : "read";
  uint32_t eip = 0;
  uc_reg_read(uc, UC_X86_REG_EIP, &eip);
  *where = std::string(kind) + " of " + std::to_string(size) + " bytes at " + Hex(address) + " by the instruction at " +
           Hex(eip);
  return false;
}

}  // namespace

Cpu::Cpu() {
  if (uc_open(UC_ARCH_X86, UC_MODE_32, &uc_) != UC_ERR_OK) {
    std::fprintf(stderr, "kimage: the x86 emulator cannot be opened\n");
    std::abort();
  }
  uc_hook h;
  uc_hook_add(uc_, &h, UC_HOOK_MEM_INVALID, reinterpret_cast<void*>(OnInvalid), &fault_, 1, 0);
}

Cpu::~Cpu() { uc_close(uc_); }

bool Cpu::Map(uint32_t address, void* host, uint32_t size) {
  if (uc_mem_map_ptr(uc_, address, size, UC_PROT_ALL, host) != UC_ERR_OK) return false;
  ranges_.push_back({address, size, static_cast<uint8_t*>(host)});
  return true;
}

uint8_t* Cpu::Host(uint32_t address, uint32_t length) const {
  for (const Range& r : ranges_)
    if (address >= r.address && static_cast<uint64_t>(address - r.address) + length <= r.size)
      return r.host + (address - r.address);
  return nullptr;
}

uint32_t Cpu::Emulated(const void* host) const {
  auto p = static_cast<const uint8_t*>(host);
  for (const Range& r : ranges_)
    if (p >= r.host && p < r.host + r.size) return r.address + static_cast<uint32_t>(p - r.host);
  return 0;
}

void Cpu::SetThunkArea(uint32_t base, uint32_t size) {
  thunk_base_ = base;
  thunk_slots_ = (size - 16) / kSlotSize;
  thunks_.assign(thunk_slots_, Thunk());
  // push <return slot>; jmp [target]. The image returns into the last slot,
  // whose hook stops the emulator. Neither stub ever changes, so that their
  // translations stay (a stop address would be translated anew each time).
  entry_stub_ = base + size - 16;
  entry_target_ = base + size - 4;
  return_stub_ = base + (thunk_slots_ - 1) * kSlotSize;
  uint8_t* stub = Host(entry_stub_, 16);
  stub[0] = 0x68;
  std::memcpy(stub + 1, &return_stub_, 4);
  stub[5] = 0xff;
  stub[6] = 0x25;
  std::memcpy(stub + 7, &entry_target_, 4);
  Host(return_stub_, 1)[0] = 0x90;
  uc_hook h;
  uc_hook_add(uc_, &h, UC_HOOK_CODE, reinterpret_cast<void*>(OnThunk), this, base, base + thunk_slots_ * kSlotSize - 1);
}

uint32_t Cpu::AddThunk(uint32_t index, uint16_t stack_bytes, Thunk thunk) {
  uint32_t address = thunk_base_ + index * kSlotSize;
  uint8_t* code = Host(address, 4);
  code[0] = 0x90;  // the hook runs here
  if (stack_bytes == 0) {
    code[1] = 0xc3;
  } else {
    code[1] = 0xc2;
    std::memcpy(code + 2, &stack_bytes, 2);
  }
  thunks_[index] = std::move(thunk);
  return address;
}

void Cpu::OnThunk(uc_struct* uc, uint64_t address, uint32_t, void* user) {
  auto* cpu = static_cast<Cpu*>(user);
  uint32_t offset = static_cast<uint32_t>(address) - cpu->thunk_base_;
  if (offset % kSlotSize != 0) return;  // the stub's `ret`
  if (address == cpu->return_stub_) {
    uc_emu_stop(uc);
    return;
  }
  Thunk& thunk = cpu->thunks_[offset / kSlotSize];
  if (!thunk) return;
  uint32_t outer = cpu->thunk_at_;
  cpu->thunk_at_ = static_cast<uint32_t>(address);
  uc_reg_read(uc, UC_X86_REG_ESP, &cpu->esp_cache_);
  ++cpu->import_calls_;
  if (cpu->counting_) {
    // Host time only: calls back into the image made meanwhile do not count.
    uint64_t nested_before = cpu->nested_ns_;
    auto start = std::chrono::steady_clock::now();
    thunk(*cpu);
    uint64_t spent = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count());
    cpu->import_ns_ += spent - (cpu->nested_ns_ - nested_before);
  } else {
    thunk(*cpu);
  }
  cpu->thunk_at_ = outer;
}

void Cpu::OnCount(uc_struct*, uint64_t, uint32_t, void* user) { ++static_cast<Cpu*>(user)->instructions_; }

void Cpu::OnCountStore(uc_struct*, int, uint64_t, int, int64_t, void* user) { ++static_cast<Cpu*>(user)->stores_; }

void Cpu::Measure(bool on) {
  if (on == counting_) return;
  counting_ = on;
  if (on) {
    uc_hook h;
    uc_hook_add(uc_, &h, UC_HOOK_CODE, reinterpret_cast<void*>(OnCount), this, 1, 0);
    count_hook_ = h;
    uc_hook_add(uc_, &h, UC_HOOK_MEM_WRITE, reinterpret_cast<void*>(OnCountStore), this, 1, 0);
    count_store_hook_ = h;
  } else {
    uc_hook_del(uc_, count_hook_);
    uc_hook_del(uc_, count_store_hook_);
  }
}

void Cpu::OnStore(uc_struct* uc, int, uint64_t address, int size, int64_t value, void* user) {
  auto* cpu = static_cast<Cpu*>(user);
  uint32_t eip = cpu->instruction_at_;
  if (!cpu->exact_eip_) uc_reg_read(uc, UC_X86_REG_EIP, &eip);
  cpu->store_watcher_(static_cast<uint32_t>(address), static_cast<uint32_t>(size), static_cast<uint32_t>(value), eip);
}

void Cpu::OnInstruction(uc_struct*, uint64_t address, uint32_t, void* user) {
  static_cast<Cpu*>(user)->instruction_at_ = static_cast<uint32_t>(address);
}

void Cpu::WatchStores(uint32_t begin, uint32_t end, StoreWatcher watcher, bool exact_eip) {
  if (watching_) {
    uc_hook_del(uc_, store_hook_);
    if (exact_eip_) uc_hook_del(uc_, instruction_hook_);
    watching_ = false;
  }
  exact_eip_ = exact_eip;
  watch_begin_ = begin;
  watch_end_ = end;
  store_watcher_ = std::move(watcher);
  if (!store_watcher_ || end <= begin) return;
  uc_hook h;
  uc_hook_add(uc_, &h, UC_HOOK_MEM_WRITE, reinterpret_cast<void*>(OnStore), this, begin, end - 1);
  store_hook_ = h;
  if (exact_eip) {
    uc_hook_add(uc_, &h, UC_HOOK_CODE, reinterpret_cast<void*>(OnInstruction), this, 1, 0);
    instruction_hook_ = h;
    uc_ctl_flush_tlb(uc_);  // code translated before has no instruction hook
  }
  watching_ = true;
}

void Cpu::ImportStores(uint32_t address, uint32_t length, const std::function<uint8_t(uint32_t)>& byte) {
  if (!watching_) return;
  uint64_t end = uint64_t(address) + length;
  uint32_t at = address > watch_begin_ ? address : watch_begin_;
  uint32_t stop = static_cast<uint32_t>(end < watch_end_ ? end : watch_end_);
  uint32_t eip = Read32(esp_cache_);  // where the import returns to
  while (at < stop) {
    uint32_t chunk = 4 - at % 4;
    if (chunk > stop - at) chunk = stop - at;
    uint32_t value = 0;
    for (uint32_t i = 0; i < chunk; ++i) value |= uint32_t(byte(at - address + i)) << (8 * i);
    store_watcher_(at, chunk, value, eip);
    at += chunk;
  }
}

uint32_t Cpu::Arg(int i) const { return Read32(esp_cache_ + 4 + 4 * i); }

uint32_t Cpu::Ecx() const {
  uint32_t v;
  uc_reg_read(uc_, UC_X86_REG_ECX, &v);
  return v;
}

uint32_t Cpu::Edx() const {
  uint32_t v;
  uc_reg_read(uc_, UC_X86_REG_EDX, &v);
  return v;
}

void Cpu::Return(uint32_t eax) { uc_reg_write(uc_, UC_X86_REG_EAX, &eax); }

void Cpu::Fault(const std::string& what) {
  fault_ = what + " (in the import called by the image, returning to " + Hex(Read32(esp_cache_)) + ")";
  uc_emu_stop(uc_);
}

uint32_t Cpu::Read32(uint32_t address) const {
  uint32_t v = 0;
  if (const uint8_t* p = Host(address, 4)) std::memcpy(&v, p, 4);
  return v;
}

void Cpu::Write32(uint32_t address, uint32_t value) {
  if (uint8_t* p = Host(address, 4)) std::memcpy(p, &value, 4);
}

uint32_t Cpu::Call(uint32_t function, std::initializer_list<uint32_t> args, bool* ok) {
  uint32_t saved[kSavedCount];
  uint32_t saved_esp_cache = esp_cache_;
  uint32_t esp = stack_top_;
  if (depth_ > 0) {
    // Called from inside a thunk: run below the interrupted frame, then
    // resume the thunk's `ret` (one byte past the hooked nop).
    for (int i = 0; i < kSavedCount; ++i) uc_reg_read(uc_, kSaved[i], &saved[i]);
    esp = (saved[7] - 256) & ~15u;
  }
  esp -= 4 * static_cast<uint32_t>(args.size());
  uint32_t at = esp;
  for (uint32_t a : args) {
    Write32(at, a);
    at += 4;
  }
  uc_reg_write(uc_, UC_X86_REG_ESP, &esp);
  Write32(entry_target_, function);
  // Measuring: the time of a call made from inside a thunk is not the thunk's.
  bool timed = counting_ && depth_ > 0;
  ++depth_;
  ++entries_;
  fault_.clear();
  std::chrono::steady_clock::time_point start;
  if (timed) start = std::chrono::steady_clock::now();
  uc_err err = uc_emu_start(uc_, entry_stub_, kNeverReached, 0, 0);
  if (timed)
    nested_ns_ += static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count());
  --depth_;
  uint32_t eax = 0, eip = 0;
  uc_reg_read(uc_, UC_X86_REG_EAX, &eax);
  uc_reg_read(uc_, UC_X86_REG_EIP, &eip);
  bool good = err == UC_ERR_OK && eip == return_stub_;
  if (!good) {
    std::string what = fault_.empty() ? std::string(uc_strerror(err)) : fault_;
    fault_ = "the image faulted at EIP " + Hex(eip) + " calling " + Hex(function) + ": " + what;
  }
  if (depth_ > 0) {
    for (int i = 0; i < kSavedCount; ++i) uc_reg_write(uc_, kSaved[i], &saved[i]);
    uint32_t resume = thunk_at_ + 1;
    uc_reg_write(uc_, UC_X86_REG_EIP, &resume);
    esp_cache_ = saved_esp_cache;
  }
  if (ok != nullptr) *ok = good;
  return eax;
}

}  // namespace kimage
