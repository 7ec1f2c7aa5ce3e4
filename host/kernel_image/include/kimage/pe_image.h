// A PE32 kernel image read from a file and checked before anything of it
// runs: i386, native subsystem, sections inside the file and the image, and
// imports only from the three kernel modules the host provides.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kimage {

struct ImportRef {
  std::string module;    // as the image names it (NDIS.SYS, ntoskrnl.exe, HAL.dll)
  std::string name;
  uint32_t slot_rva = 0; // its import address table entry
};

struct PeImage {
  uint32_t preferred_base = 0;
  uint32_t image_size = 0;
  uint32_t entry_rva = 0;
  std::vector<uint8_t> mapped;       // image_size bytes, sections at their addresses
  std::vector<uint32_t> fixups;      // RVAs of 32-bit absolute addresses to rebase
  std::vector<ImportRef> imports;
};

// Parses and checks `file`; false with a message naming the fault.
bool ParsePe(const std::vector<uint8_t>& file, PeImage* out, std::string* error);
// Reads and parses the file at `path`.
bool LoadPe(const std::string& path, PeImage* out, std::string* error);
// Moves the mapped image to `base` by its base relocations.
void Rebase(PeImage& image, uint32_t base);

}  // namespace kimage
