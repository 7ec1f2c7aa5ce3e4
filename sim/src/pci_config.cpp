#include "pci_config.h"

namespace sim::detail {
namespace {
constexpr uint32_t kIoWindow = 0x80;  // I/O BAR size, bytes
}

PciConfig::PciConfig(const BoardConfig& config)
    : config_(config),
      command_(config.pci_command & kCommandWritable),
      cache_line_(config.cache_line_words),
      memory_base_(config.csr_physical),
      interrupt_line_(uint8_t(config.interrupt_level)) {}

uint32_t PciConfig::Read(uint32_t offset) const {
  if (offset & 3 || offset > 0xfc) return 0xffffffff;
  switch (offset) {
    case 0x00: return config_.pci_id;
    case 0x04: return kStatus << 16 | command_;
    case 0x08: return kClassRevision;
    case 0x0c: return uint32_t(latency_) << 8 | cache_line_;
    case 0x10: return io_base_ | 1;  // I/O space indicator
    case 0x14: return memory_base_;
    case 0x2c: return config_.pci_subsystem;
    case 0x3c: {
      uint32_t pin = config_.has_interrupt ? 1 : 0;  // INTA
      return 0x28140000u | pin << 8 | interrupt_line_;
    }
    case 0x40: return power_;
    default: return 0;
  }
}

void PciConfig::Write(uint32_t offset, uint32_t value) {
  if (offset & 3 || offset > 0xfc) return;
  switch (offset) {
    case 0x04: command_ = uint16_t(value & kCommandWritable); break;
    case 0x0c:
      cache_line_ = uint8_t(value);
      latency_ = uint8_t(value >> 8);
      break;
    case 0x10: io_base_ = value & ~(kIoWindow - 1); break;
    case 0x14: {
      // Sizing writes of all ones read back the window mask.
      uint32_t length = config_.csr_length ? config_.csr_length : 0x80;
      uint32_t size = 1;
      while (size < length && size < 0x80000000u) size <<= 1;
      memory_base_ = value & ~(size - 1);
      break;
    }
    case 0x3c: interrupt_line_ = uint8_t(value); break;
    case 0x40: power_ = value & 0xc000ff00u; break;  // sleep, snooze, wake-up bits
    default: break;
  }
}

}  // namespace sim::detail
