// The shipped image on a host, and small i686 routines placed in its
// emulated heap that call the image's imports through its import table (and
// the miniport block's handler slots) as the image's own code does. What the
// DDK's macros do without a call (zeroing a spin lock, chaining a buffer) a
// test does by writing emulated memory.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "bridge.h"
#include "hostndis/testing.h"
#include "kimage/kernel_image.h"
#include "hostndis/detail/machine.h"

namespace probe {

// Machine code of a routine, a few instructions at a time.
class Routine {
 public:
  // A pushed argument: an immediate, or In(cell) for the dword in a cell.
  struct Arg {
    Arg(uint32_t v) : value(v) {}  // NOLINT: immediates read best bare
    uint32_t value;
    bool from_cell = false;
  };
  static Arg In(uint32_t cell) {
    Arg a(cell);
    a.from_cell = true;
    return a;
  }
  // call [slot] with stdcall arguments, first argument first; CallC also
  // pops them (cdecl).
  Routine& Call(uint32_t slot, std::initializer_list<Arg> args);
  Routine& CallC(uint32_t slot, std::initializer_list<Arg> args);
  Routine& Ecx(uint32_t value) { return Bytes({0xb9}).Word(value); }      // mov ecx, value
  Routine& Edx(uint32_t value) { return Bytes({0xba}).Word(value); }      // mov edx, value
  Routine& EdxFromEax() { return Bytes({0x89, 0xc2}); }                   // mov edx, eax
  Routine& StoreEax(uint32_t cell) { return Bytes({0xa3}).Word(cell); }   // mov [cell], eax
  Routine& Bytes(std::initializer_list<uint8_t> bytes) {
    code.insert(code.end(), bytes);
    return *this;
  }
  Routine& Return(uint16_t pop = 0) {  // ret / ret pop
    return pop == 0 ? Bytes({0xc3}) : Bytes({0xc2, static_cast<uint8_t>(pop), static_cast<uint8_t>(pop >> 8)});
  }

  std::vector<uint8_t> code;
  uint32_t after_last_call = 0;  // offset the last call returns to

 private:
  Routine& Word(uint32_t value) {
    for (int i = 0; i < 4; ++i) code.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return *this;
  }
};

class ImageProbeTest : public hostndis::testing::HostTest {
 protected:
  ImageProbeTest();
  void SetUp() override;
  void TearDown() override;

  // A kind board with an adapter over it, initialized.
  hostndis::Adapter& BringUpAdapter();
  kimage::Bridge& bridge() { return image_->bridge(); }
  kimage::AdapterShadow& shadow();  // the adapter as the image sees it
  // The import table entry of `name`.
  uint32_t Import(const std::string& name);
  // The handler slot at `offset` of the adapter's miniport block.
  uint32_t BlockSlot(uint32_t offset) { return shadow().block + offset; }
  uint32_t Place(const Routine& routine);
  // Zeroed emulated heap, `length` bytes.
  uint32_t Cell(uint32_t length = 4) { return bridge().heap().Allocate(length); }
  uint32_t Read(uint32_t address) { return bridge().cpu().Read32(address); }
  void Write(uint32_t address, uint32_t value) { bridge().cpu().Write32(address, value); }
  // Runs a placed routine; a fault is reported (rule ImageFault).
  uint32_t Run(uint32_t routine, std::initializer_list<uint32_t> args = {});
  // The message of the last finding of `rule` ("" when none).
  std::string LastFinding(const std::string& rule);
  size_t Count(const std::string& rule) { return host.verifier().Count(rule); }

  std::unique_ptr<kimage::KernelImage> image_;
  hostndis::Adapter* adapter_ = nullptr;
};

using hostndis::detail::Hex;  // as findings write addresses

}  // namespace probe
