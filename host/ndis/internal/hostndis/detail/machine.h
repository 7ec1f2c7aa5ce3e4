// Internal state of the simulated machine (Machine) and of one miniport
// instance on it (Miniport), shared by the files that implement the NDIS
// operations and by the rooms that extend the stand-in from outside (the
// kernel image's bridge). A miniport's NDIS handle is its Miniport object.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <ndis.h>

#include "hostndis/adapter.h"
#include "hostndis/detail/buffer_pool.h"
#include "hostndis/detail/packet_pool.h"
#include "hostndis/device.h"
#include "hostndis/faults.h"
#include "hostndis/host.h"
#include "hostndis/physical_memory.h"
#include "hostndis/verifier.h"
#include "sim/clock.h"

namespace hostndis::detail {

class Machine;

struct LockRecord {
  const NDIS_SPIN_LOCK* address = nullptr;
  uintptr_t shown_as = 0;              // the address findings name, when not `address` (an image's)
  bool alive = false;
  bool held = false;
  bool dpr = false;                    // held through the Dpr variant
  Miniport* owner = nullptr;           // adapter whose code allocated it
  std::vector<uint32_t> taken_after;   // locks acquired while this one was held
};

struct MemoryRecord {
  UINT length;
  UINT flags;
  Miniport* owner;
  bool physical;  // from simulated physical memory (contiguous flags)
  PhysicalMemory::Region region;
};

struct SharedRecord {
  ULONG length;
  bool cached;
  Miniport* owner;
  PhysicalMemory::Region region;
};

struct IoMapping {
  uintptr_t virt = 0;
  uint32_t length = 0;
  uint32_t window_offset = 0;  // offset of virt inside the device's register window
  Device* device = nullptr;
  Miniport* owner = nullptr;
  bool alive = false;
};

struct InterruptRecord {
  PNDIS_MINIPORT_INTERRUPT object;
  Miniport* owner;
  UINT vector;
  UINT level;
  bool shared;
  bool request_isr;
  NDIS_INTERRUPT_MODE mode;
  bool alive;
  bool pending;  // the line rose (or stays up) and no ISR has run for it yet
};

// Holds back deferred work while the stand-in finishes its own part of a
// call into the driver (an outcome to check, results to collect).
struct HoldDeferred {
  explicit HoldDeferred(Machine& machine);
  ~HoldDeferred();
  Machine& machine;
};

struct TimerRecord {
  PNDIS_MINIPORT_TIMER timer;
  Miniport* owner;
  bool alive;
  bool set;     // scheduled on the clock
  bool queued;  // fired, waiting for no handler to run
  sim::VirtualClock::EventId event;
};

struct ConfigHandle {
  Miniport* owner;
  bool open;
  std::vector<std::unique_ptr<NDIS_CONFIGURATION_PARAMETER>> parameters;
  std::deque<std::u16string> strings;  // storage behind string parameters (never moves)
  std::vector<uint8_t> network_address;
};

enum class MiniportState { kCreated, kInitializing, kReady, kFailed, kHalted };

// Protocol-side record of one packet built for sending.
struct SendSlot {
  SendState state = SendState::kIdle;
  NDIS_STATUS status = NDIS_STATUS_SUCCESS;
  std::vector<PhysicalMemory::Region> regions;  // memory behind its buffers
};

class Miniport {
 public:
  Miniport(Machine* machine, Device* device, const AdapterOptions& options);
  ~Miniport();

  Machine* machine;
  Device* device;
  AdapterOptions options;
  Adapter api{this};
  MiniportState state = MiniportState::kCreated;
  uint8_t config_context_tag = 0;  // WrapperConfigurationContext is its address

  NDIS_HANDLE context = nullptr;   // MiniportAdapterContext
  bool attributes_set = false;
  ULONG attribute_flags = 0;
  UINT selected_medium = 0;
  NDIS_STATUS open_error = NDIS_STATUS_SUCCESS;
  std::vector<NDIS_MEDIUM> media_array;

  std::vector<uint64_t> resource_storage;  // holds the NDIS_RESOURCE_LIST
  bool resources_assigned = false;

  struct MapRegister {
    PNDIS_BUFFER buffer = nullptr;
    bool active = false;
  };
  bool map_registers_allocated = false;
  ULONG max_mapping = 0;
  std::vector<MapRegister> map_registers;

  bool shutdown_registered = false;
  ADAPTER_SHUTDOWN_HANDLER shutdown_handler = nullptr;
  PVOID shutdown_context = nullptr;

  int32_t interrupt = -1;  // index into Machine::interrupts
  bool dpc_queued = false;

  std::vector<std::unique_ptr<ConfigHandle>> configs;

  // Protocol side.
  std::unique_ptr<PacketPool> send_pool;
  std::unique_ptr<BufferPool> send_buffers;
  std::vector<SendSlot> send_slots;
  std::deque<PNDIS_PACKET> requeued;  // refused sends waiting to go again
  std::vector<PNDIS_PACKET> held_for_reset;  // sent while a reset was pending
  std::vector<PNDIS_PACKET> send_batch;
  std::vector<SendCompletion> completions;
  bool record_completions = true;
  std::function<void(PNDIS_PACKET, NDIS_STATUS)> on_send_complete;
  uint64_t resources_notices = 0;
  std::function<void()> on_resources;
  std::function<ReceiveAction(PNDIS_PACKET)> on_receive;
  std::vector<ReceivedFrame> received;
  std::vector<PNDIS_PACKET> held;
  uint64_t receive_indications = 0;
  uint64_t packets_indicated = 0;
  std::vector<StatusEvent> status_events;
  std::function<void(const StatusEvent&)> on_status;

  QueryResult last_query;
  SetResult last_set;
  ResetResult last_reset;
  bool query_pending = false;
  bool set_pending = false;
  bool reset_pending = false;
  std::vector<uint8_t> request_buffer;  // stays valid while a request pends
  ULONG request_length = 0;
  ULONG request_written = 0;
  ULONG request_needed = 0;

  const NDIS_MINIPORT_CHARACTERISTICS& chars() const;
  const NDIS30_MINIPORT_CHARACTERISTICS& chars30() const { return chars().Ndis40Chars.Ndis30Chars; }
};

struct WorkItem {
  enum class Kind { kDpc, kTimer, kCall } kind;
  Miniport* miniport;
  uint32_t timer;
  std::function<void()> call;
};

class Machine {
 public:
  explicit Machine(const HostConfig& config);
  ~Machine();

  // The machine of the current host; null (with a message on stderr) when
  // the driver calls NDIS outside any host.
  static Machine* Current(const char* op);
  void MakeCurrent();

  // --- Lookups (each reports kBadHandle when nothing matches) ----------------
  Miniport* MiniportFromHandle(NDIS_HANDLE handle, const char* op);
  Miniport* MiniportFromConfigContext(NDIS_HANDLE handle, const char* op);
  ConfigHandle* ConfigFromHandle(NDIS_HANDLE handle, const char* op);
  PacketPool* PacketPoolFromHandle(NDIS_HANDLE handle);
  BufferPool* BufferPoolFromHandle(NDIS_HANDLE handle);
  // The driver-side pool and index a packet belongs to.
  bool FindDriverPacket(const void* packet, PacketPool** pool, int32_t* index);
  // The slot of a buffer from any pool (driver or protocol side).
  BufferSlot* FindBuffer(const void* buffer, BufferPool** pool = nullptr);

  // --- Checks -------------------------------------------------------------------
  void Report(const char* rule, const std::string& what) { verifier.Report(rule, what); }
  bool CheckIrqlAtMost(KIRQL max, const char* op);
  void CheckNoLockHeld(const char* op);
  void CheckInitializing(Miniport* m, const char* op);
  bool InjectFault(Op op, NDIS_STATUS* status) { return faults.ShouldFail(op, status); }

  // --- Serialization ---------------------------------------------------------------
  bool InHandler() const { return handler_depth > 0 || in_isr; }
  // Runs a miniport handler at `level` with the bookkeeping every handler
  // gets: IRQL, serialization, and no spin lock left held on return.
  template <typename F>
  void RunHandler(Miniport* m, KIRQL level, const char* name, F&& body) {
    KIRQL saved_irql = irql;
    Miniport* saved_running = running;
    size_t held_before = held_locks.size();
    irql = level;
    running = m;
    ++handler_depth;
    body();
    if (held_locks.size() != held_before) ReleaseLeftLocks(held_before, name);
    --handler_depth;
    running = saved_running;
    irql = saved_irql;
    if (handler_depth == 0 && !in_isr) RunPending();
  }
  // Runs `call` now, or after the running handler returns.
  void Defer(Miniport* m, std::function<void()> call);
  void RunPending();
  void QueueDpc(Miniport* m);
  void RunDpc(Miniport* m);

  // --- Interrupts ---------------------------------------------------------------
  void LineChanged(Device* device, bool asserted);
  // Runs ISRs while lines are asserted (unless an ISR is running or the
  // IRQL is at device level already).
  void DeliverInterrupts();
  // Runs the ISRs registered on `vector` in order until one claims it.
  bool RunIsrChain(UINT vector);
  void DropInterrupt(Miniport* m);

  // --- Time ---------------------------------------------------------------------
  // Lets `duration` pass: on the virtual clock, or in real time, where a busy
  // wait spins and a sleep serves device events meanwhile.
  void PassTime(sim::Nanoseconds duration, bool busy);
  // In real time, moves the clock up to the host's monotonic clock (running
  // what falls due on the way); nothing otherwise.
  void FollowRealTime();
  // Runs in real time until `done` holds (when given) or the clock reaches
  // `end`; returns whether `done` held.
  bool RunRealTime(sim::Nanoseconds end, const std::function<bool()>& done);
  // Waits at most `timeout` for device events or one of the `extra`
  // descriptors, serves the device events that came and returns how many
  // of `extra` are ready.
  int WaitForDeviceEvents(sim::Nanoseconds timeout, pollfd* extra = nullptr, size_t extra_count = 0);

  // --- Timers -------------------------------------------------------------------
  void TimerFired(uint32_t index);
  void RunTimer(uint32_t index);
  // The timers in [begin, begin + length) end with the memory `op` frees: one
  // still set is reported and cancelled (it would run from freed memory).
  void RetireTimers(const void* begin, size_t length, const char* op);

  // --- Locks --------------------------------------------------------------------
  LockRecord* LockOf(PNDIS_SPIN_LOCK lock, const char* op);
  void Acquire(PNDIS_SPIN_LOCK lock, bool dpr, const char* op);
  void Release(PNDIS_SPIN_LOCK lock, bool dpr, const char* op);
  void ReleaseLeftLocks(size_t keep, const char* handler);
  std::string LockName(const LockRecord& record) const;

  // --- Audit --------------------------------------------------------------------
  // Reports everything `m` still holds (after Halt or a failed Initialize)
  // and releases it, so that one leak is reported once.
  void AuditAndReclaim(Miniport* m, const char* when);

  HostConfig config;
  sim::VirtualClock clock;
  std::chrono::steady_clock::time_point real_start;  // clock time 0, in real time
  PhysicalMemory memory;
  Verifier verifier;
  FaultInjector faults;

  std::vector<std::unique_ptr<Device>> devices;
  std::vector<std::unique_ptr<Miniport>> miniports;

  // Driver registration.
  DRIVER_OBJECT driver_object{};
  std::u16string registry_path_text;
  UNICODE_STRING registry_path{};
  uint8_t wrapper_tag = 0;  // the wrapper handle is its address
  bool wrapper_initialized = false;
  bool wrapper_terminated = false;
  bool registered = false;
  NDIS_MINIPORT_CHARACTERISTICS characteristics{};

  // Processor state.
  KIRQL irql = PASSIVE_LEVEL;
  int handler_depth = 0;
  bool in_isr = false;
  bool draining = false;
  Miniport* running = nullptr;  // whose handler (or ISR) runs

  // Spin locks: NDIS_SPIN_LOCK.SpinLock holds the record index plus one.
  std::vector<LockRecord> locks;
  std::vector<uint32_t> held_locks;  // in acquisition order
  std::vector<std::pair<uint32_t, uint32_t>> inversions_reported;

  std::unordered_map<const void*, MemoryRecord> memory_records;
  std::unordered_map<const void*, SharedRecord> shared_records;
  std::vector<std::unique_ptr<PacketPool>> packet_pools;
  std::vector<std::unique_ptr<BufferPool>> buffer_pools;

  // Register windows: a reserved, inaccessible host range hands out addresses;
  // the last window used is remembered so that register accesses need no search.
  uint8_t* io_base = nullptr;
  uint32_t io_slots = 0;
  std::vector<IoMapping> io_mappings;
  IoMapping io_cache;

  std::vector<InterruptRecord> interrupts;
  std::vector<UINT> muted_vectors;  // storming lines, until they drop
  bool delivering = false;

  std::vector<TimerRecord> timers;
  std::deque<WorkItem> work;

  // The emulator bridge when the driver is a kernel image (kimage::Bridge).
  void* kernel_image = nullptr;
};

// Rounds for reports.
std::string Hex(uint64_t value);

}  // namespace hostndis::detail
