// The simulated machine a natively built miniport runs on: one virtual clock,
// physical memory that bus-mastering devices reach, PCI devices (simulated
// boards or real functions), the loaded driver and its adapter instances, the
// verifier and the fault injector.
//
// Everything is single-threaded and runs on the virtual clock, which follows
// real time when a real device is plugged in (HostConfig::real_time). The driver's
// NDIS calls are free functions; they find this machine through the handles
// they are given and through the "current host", which every Host entry point
// sets to itself.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <ndis.h>

#include "hostndis/adapter.h"
#include "hostndis/device.h"
#include "hostndis/faults.h"
#include "hostndis/physical_memory.h"
#include "hostndis/verifier.h"
#include "sim/clock.h"

struct pollfd;

namespace sim {
class Board;
struct BoardConfig;
}  // namespace sim

namespace hostndis {

namespace detail {
class Machine;
}

struct HostConfig {
  uint32_t contiguous_pages = 8192;      // shared memory zone (32 MiB)
  uint32_t scattered_pages = 4096;       // protocol buffer zone (16 MiB)
  uint32_t physical_base = 0x00400000;   // bus address of the first page
  // Fresh pool and shared memory is filled with this byte, so that a driver
  // relying on memory it never initialized shows it.
  uint8_t fill_byte = 0xa5;
  // Shared memory starts this many bytes into its first page (0 = page
  // aligned), to exercise a driver's alignment arithmetic.
  uint32_t shared_memory_offset = 0;
  uint32_t max_stall_us = 50;            // longest single busy wait
  uint32_t max_indicate = 16;            // most packets in one receive indication
  uint32_t storm_limit = 32;             // ISR rounds with the line held before a storm is reported
  // Pool memory (NdisAllocateMemory without flags) comes from simulated
  // physical memory too, so that a driver running in an emulator, which sees
  // only that memory, can reach it. The IRQL rules stay those of pool memory.
  bool pool_in_physical_memory = false;
  // The clock follows the host's monotonic clock, as a real device needs:
  // busy waits spin and sleeps sleep for their time, RunFor and RunUntil
  // wait in real time and serve the devices' event descriptors meanwhile.
  bool real_time = false;
  // Physical memory is this file's pages at their own offsets (a /dev/mem
  // descriptor over memory the kernel leaves alone), so that bus addresses
  // are real; -1: anonymous memory with made-up bus addresses.
  int physical_memory_fd = -1;
};

// The resources a machine assigns to a simulated board (its slot, register
// window and interrupt), for devices built around one.
DeviceResources BoardResources(const sim::BoardConfig& config);

// Interrupt level the stand-in runs ISRs at.
constexpr KIRQL kDeviceIrql = 12;

class Host {
 public:
  explicit Host(const HostConfig& config = HostConfig());
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  sim::VirtualClock& clock();
  PhysicalMemory& memory();
  Verifier& verifier();
  FaultInjector& faults();
  const HostConfig& config() const;

  // --- Devices ---------------------------------------------------------------
  // Plugs a device into its slot. Null (with a message) if the slot is taken.
  Device* AddDevice(std::unique_ptr<Device> device);
  // A simulated 21143 board over this machine's clock and memory (needs the
  // board library). Throws std::invalid_argument if the slot is taken.
  sim::Board& AddBoard(const sim::BoardConfig& config);
  Device* DeviceOf(const sim::Board& board);

  // --- Driver ----------------------------------------------------------------
  // Calls the driver's entry point at PASSIVE level with a driver object and
  // registry path of the stand-in's own; returns what it returned.
  NTSTATUS LoadDriver(PDRIVER_INITIALIZE entry);
  bool driver_registered() const;
  const NDIS_MINIPORT_CHARACTERISTICS& characteristics() const;

  // --- Adapter instances -----------------------------------------------------
  // A miniport instance over `device`, not yet initialized. The host owns it.
  Adapter& AddAdapter(Device& device, const AdapterOptions& options = AdapterOptions());
  Adapter& AddAdapter(sim::Board& board, const AdapterOptions& options = AdapterOptions());

  // --- Running the machine ---------------------------------------------------
  // Runs deferred work (deferred interrupt routines, timers, protocol calls)
  // that is waiting for no handler to be running.
  void RunPending();
  // Advances the clock by `duration`, delivering interrupts, deferred routines
  // and timers on the way.
  void RunFor(sim::Nanoseconds duration);
  // Runs until nothing is scheduled or pending; false if `limit` passes first.
  bool RunUntilIdle(sim::Nanoseconds limit);
  // Runs until `done` holds (checked after every step); false on `limit`.
  bool RunUntil(const std::function<bool()>& done, sim::Nanoseconds limit);
  // Waits up to `timeout` of real time for one of the caller's descriptors
  // (`fds`, as for poll) or an event of a device (a real device's interrupt),
  // serves the device events that came and runs the work they started.
  // Returns how many of `fds` are ready (their revents set); 0 when only a
  // device event, a signal or the timeout ended the wait. A program that
  // waits on descriptors of its own this way hears a device's interrupt at
  // once rather than at its next RunFor. On the virtual clock no time passes.
  int WaitForEvents(pollfd* fds, size_t count, sim::Nanoseconds timeout);

  // Another device on the same line raises `vector` once: every ISR
  // registered on it runs. True if one of them claimed the interrupt.
  bool RaiseSharedInterrupt(uint32_t vector);

  KIRQL irql() const;
  detail::Machine& machine() { return *machine_; }

 private:
  std::unique_ptr<detail::Machine> machine_;
};

}  // namespace hostndis
