// The emulated 32-bit x86 processor the image runs on: flat protected mode,
// host memory mapped in at fixed emulated addresses, import thunks that call
// host code, and calls into the image that may nest (an import can run an
// interrupt service routine of the image before it returns).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

struct uc_struct;

namespace kimage {

class Cpu {
 public:
  // Host code of one import: reads arguments, sets the result registers.
  using Thunk = std::function<void(Cpu&)>;

  Cpu();
  ~Cpu();
  Cpu(const Cpu&) = delete;
  Cpu& operator=(const Cpu&) = delete;

  // Maps host memory (page aligned, whole pages) at `address`.
  bool Map(uint32_t address, void* host, uint32_t size);
  // Host address of emulated `address` with `length` bytes behind it, or null.
  uint8_t* Host(uint32_t address, uint32_t length = 1) const;
  // Emulated address of a host pointer inside a mapped range, or 0.
  uint32_t Emulated(const void* host) const;

  // Thunks live in one mapped area of `size` bytes, in 8-byte slots, under
  // one code hook; its last 16 bytes hold the stub every call enters by (so
  // that only that stub is translated again on each entry).
  void SetThunkArea(uint32_t base, uint32_t size);
  // Slot `index` runs `thunk`, then returns popping `stack_bytes` bytes of
  // arguments. Its address.
  uint32_t AddThunk(uint32_t index, uint16_t stack_bytes, Thunk thunk);
  static constexpr uint32_t kSlotSize = 8;

  // Calls the stdcall/cdecl function at `function` with `args`; returns EAX.
  // False in *ok (if given) when the image faulted: fault() says where.
  uint32_t Call(uint32_t function, std::initializer_list<uint32_t> args, bool* ok = nullptr);
  const std::string& fault() const { return fault_; }

  // Inside a thunk: stack argument i (0 = first), the two fastcall
  // registers, and the result.
  uint32_t Arg(int i) const;
  uint32_t Ecx() const;
  uint32_t Edx() const;
  void Return(uint32_t eax);
  // Inside a thunk: the import cannot be carried out (an argument points
  // outside the image's memory). The call into the image ends at once as a
  // fault that names `what` and the instruction the import returns to, as a
  // stray access of the image's own names its instruction.
  void Fault(const std::string& what);

  uint32_t Read32(uint32_t address) const;
  void Write32(uint32_t address, uint32_t value);

  // Measuring mode (slow): counts every emulated instruction and store and
  // the host time spent in thunks. Import calls are always counted.
  void Measure(bool on);
  uint64_t instructions() const { return instructions_; }
  uint64_t stores() const { return stores_; }
  uint64_t import_calls() const { return import_calls_; }
  uint64_t entries() const { return entries_; }  // calls into the image
  uint64_t import_nanoseconds() const { return import_ns_; }

  // The stack calls run on.
  void SetStack(uint32_t top) { stack_top_ = top; }

  // Every emulated store into [begin, end) calls `watcher` before it lands,
  // with its address, size in bytes, value and an EIP. Slow (each store in
  // the range leaves translated code): only for tools that look at stores
  // one by one. The emulator keeps EIP exact only at the start of a block:
  // `exact_eip` hooks every instruction (and translates all code again) so
  // that the EIP is the storing instruction's; without it the EIP is that of
  // the first instruction of its block. An empty watcher removes it.
  using StoreWatcher = std::function<void(uint32_t address, uint32_t size, uint32_t value, uint32_t eip)>;
  void WatchStores(uint32_t begin, uint32_t end, StoreWatcher watcher, bool exact_eip = true);
  // Inside a thunk: the import is about to store `length` bytes at
  // `address` for the image (memcpy, memset; `byte(i)` is the i-th). A store
  // watcher sees them as the image's stores, a word at a time, with the
  // import's return address as the EIP.
  void ImportStores(uint32_t address, uint32_t length, const std::function<uint8_t(uint32_t)>& byte);

 private:
  struct Range {
    uint32_t address;
    uint32_t size;
    uint8_t* host;
  };
  static void OnThunk(uc_struct* uc, uint64_t address, uint32_t size, void* user);
  static void OnCount(uc_struct* uc, uint64_t address, uint32_t size, void* user);
  static void OnStore(uc_struct* uc, int type, uint64_t address, int size, int64_t value, void* user);
  static void OnCountStore(uc_struct* uc, int type, uint64_t address, int size, int64_t value, void* user);
  static void OnInstruction(uc_struct* uc, uint64_t address, uint32_t size, void* user);

  uc_struct* uc_ = nullptr;
  std::vector<Range> ranges_;
  std::vector<Thunk> thunks_;  // by slot
  uint32_t thunk_base_ = 0, thunk_slots_ = 0;
  uint32_t entry_stub_ = 0, entry_target_ = 0, return_stub_ = 0;
  uint32_t stack_top_ = 0;
  int depth_ = 0;
  uint32_t thunk_at_ = 0;  // the import running (its stub's address)
  std::string fault_;
  uint64_t instructions_ = 0;
  uint64_t stores_ = 0;
  size_t count_hook_ = 0, count_store_hook_ = 0;
  bool counting_ = false;
  uint64_t import_calls_ = 0;
  uint64_t entries_ = 0;
  uint64_t import_ns_ = 0;
  uint64_t nested_ns_ = 0;  // in calls made from inside thunks (measuring)
  uint32_t esp_cache_ = 0;
  StoreWatcher store_watcher_;
  size_t store_hook_ = 0, instruction_hook_ = 0;
  uint32_t instruction_at_ = 0;  // while watching stores with exact EIPs
  bool exact_eip_ = false;
  uint32_t watch_begin_ = 0, watch_end_ = 0;
  bool watching_ = false;
};

}  // namespace kimage
