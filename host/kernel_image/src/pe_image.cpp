#include "kimage/pe_image.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <strings.h>

namespace kimage {
namespace {

constexpr uint16_t kMachineI386 = 0x14c;
constexpr uint16_t kMagicPe32 = 0x10b;
constexpr uint16_t kSubsystemNative = 1;
constexpr uint32_t kMaxImageSize = 16u << 20;
constexpr uint16_t kRelocAbsolute = 0;
constexpr uint16_t kRelocHighLow = 3;

const char* const kProviders[] = {"NDIS.SYS", "ntoskrnl.exe", "HAL.dll"};

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : b_(bytes) {}
  bool Has(uint64_t offset, uint64_t length) const { return offset + length <= b_.size(); }
  uint16_t U16(uint32_t o) const { uint16_t v; std::memcpy(&v, &b_[o], 2); return v; }
  uint32_t U32(uint32_t o) const { uint32_t v; std::memcpy(&v, &b_[o], 4); return v; }

 private:
  const std::vector<uint8_t>& b_;
};

uint32_t MappedU32(const PeImage& img, uint32_t rva) {
  uint32_t v;
  std::memcpy(&v, &img.mapped[rva], 4);
  return v;
}

// A NUL-terminated name inside the mapped image, or empty if it runs out.
std::string MappedName(const PeImage& img, uint32_t rva) {
  std::string s;
  for (uint32_t i = rva; i < img.image_size; ++i) {
    if (img.mapped[i] == 0) return s;
    s.push_back(static_cast<char>(img.mapped[i]));
  }
  return {};
}

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

bool ReadImports(PeImage& img, uint32_t dir_rva, uint32_t dir_size, std::string* error) {
  if (dir_size == 0) return true;
  for (uint32_t d = dir_rva;; d += 20) {
    if (d + 20 > img.image_size) return Fail(error, "import directory runs past the image");
    uint32_t lookup = MappedU32(img, d), name_rva = MappedU32(img, d + 12), iat = MappedU32(img, d + 16);
    if (name_rva == 0 && iat == 0) return true;
    std::string module = MappedName(img, name_rva);
    bool known = false;
    for (const char* p : kProviders) known = known || strcasecmp(p, module.c_str()) == 0;
    if (!known) return Fail(error, "imports from module \"" + module + "\", which the host does not provide");
    uint32_t names = lookup != 0 ? lookup : iat;
    for (uint32_t i = 0;; ++i) {
      if (names + 4 * i + 4 > img.image_size || iat + 4 * i + 4 > img.image_size)
        return Fail(error, "import table of " + module + " runs past the image");
      uint32_t entry = MappedU32(img, names + 4 * i);
      if (entry == 0) break;
      if (entry & 0x80000000u)
        return Fail(error, "imports ordinal " + std::to_string(entry & 0xffff) + " of " + module + " (by name only)");
      std::string name = MappedName(img, entry + 2);
      if (name.empty()) return Fail(error, "an import name of " + module + " lies outside the image");
      img.imports.push_back({module, name, iat + 4 * i});
    }
  }
}

bool ReadRelocations(PeImage& img, uint32_t dir_rva, uint32_t dir_size, std::string* error) {
  uint32_t end = dir_rva + dir_size;
  if (end > img.image_size || end < dir_rva) return Fail(error, "relocation directory runs past the image");
  for (uint32_t block = dir_rva; block + 8 <= end;) {
    uint32_t page = MappedU32(img, block), size = MappedU32(img, block + 4);
    if (size < 8 || block + size > end) return Fail(error, "malformed relocation block");
    for (uint32_t e = block + 8; e + 2 <= block + size; e += 2) {
      uint16_t entry;
      std::memcpy(&entry, &img.mapped[e], 2);
      uint16_t type = entry >> 12;
      uint32_t rva = page + (entry & 0xfff);
      if (type == kRelocAbsolute) continue;
      if (type != kRelocHighLow)
        return Fail(error, "relocation of type " + std::to_string(type) + " at RVA " + std::to_string(rva) +
                               " cannot be applied");
      if (rva + 4 > img.image_size) return Fail(error, "relocation outside the image");
      img.fixups.push_back(rva);
    }
    block += size;
  }
  return true;
}

}  // namespace

bool ParsePe(const std::vector<uint8_t>& file, PeImage* out, std::string* error) {
  Reader r(file);
  *out = PeImage();
  if (!r.Has(0, 64) || file[0] != 'M' || file[1] != 'Z') return Fail(error, "not a PE file (no MZ header)");
  uint32_t pe = r.U32(0x3c);
  if (!r.Has(pe, 24) || std::memcmp(&file[pe], "PE\0\0", 4) != 0)
    return Fail(error, "not a PE file (truncated, or no PE signature)");
  uint16_t machine = r.U16(pe + 4), sections = r.U16(pe + 6), opt_size = r.U16(pe + 20);
  if (machine != kMachineI386)
    return Fail(error, "not an i386 image (machine " + std::to_string(machine) + ", i386 is 332)");
  uint32_t opt = pe + 24;
  if (opt_size < 96 || !r.Has(opt, opt_size)) return Fail(error, "truncated optional header");
  if (r.U16(opt) != kMagicPe32) return Fail(error, "not a PE32 image");
  uint16_t subsystem = r.U16(opt + 68);
  if (subsystem != kSubsystemNative)
    return Fail(error, "not a kernel image (subsystem " + std::to_string(subsystem) + ", native is 1)");
  out->entry_rva = r.U32(opt + 16);
  out->preferred_base = r.U32(opt + 28);
  out->image_size = r.U32(opt + 56);
  uint32_t headers_size = r.U32(opt + 60);
  uint32_t dirs = r.U32(opt + 92);
  if (out->image_size == 0 || out->image_size > kMaxImageSize || out->image_size % 4096 != 0)
    return Fail(error, "implausible image size " + std::to_string(out->image_size));
  if (headers_size > out->image_size || !r.Has(0, headers_size)) return Fail(error, "truncated headers");
  if (out->entry_rva == 0 || out->entry_rva >= out->image_size) return Fail(error, "entry point outside the image");
  auto dir = [&](uint32_t i, uint32_t* rva, uint32_t* size) {
    *rva = *size = 0;
    if (i < dirs && 96 + 8 * i + 8 <= opt_size) {
      *rva = r.U32(opt + 96 + 8 * i);
      *size = r.U32(opt + 96 + 8 * i + 4);
    }
  };
  out->mapped.assign(out->image_size, 0);
  std::memcpy(out->mapped.data(), file.data(), headers_size);
  uint32_t table = opt + opt_size;
  if (!r.Has(table, 40ull * sections)) return Fail(error, "truncated section table");
  for (uint16_t s = 0; s < sections; ++s) {
    uint32_t h = table + 40 * s;
    uint32_t vsize = r.U32(h + 8), vaddr = r.U32(h + 12), raw_size = r.U32(h + 16), raw_ptr = r.U32(h + 20);
    std::string name(reinterpret_cast<const char*>(&file[h]), strnlen(reinterpret_cast<const char*>(&file[h]), 8));
    uint32_t span = vsize > raw_size ? vsize : raw_size;
    if (static_cast<uint64_t>(vaddr) + span > out->image_size)
      return Fail(error, "section " + name + " lies outside the image");
    uint32_t copy = raw_size < vsize || vsize == 0 ? raw_size : vsize;
    if (copy != 0 && !r.Has(raw_ptr, copy))
      return Fail(error, "section " + name + " runs past the end of the file (truncated)");
    if (copy != 0) std::memcpy(&out->mapped[vaddr], &file[raw_ptr], copy);
  }
  uint32_t rva, size;
  dir(1, &rva, &size);
  if (!ReadImports(*out, rva, size, error)) return false;
  dir(5, &rva, &size);
  return ReadRelocations(*out, rva, size, error);
}

bool LoadPe(const std::string& path, PeImage* out, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(error, path + ": cannot be read");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!ParsePe(bytes, out, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

void Rebase(PeImage& image, uint32_t base) {
  uint32_t delta = base - image.preferred_base;
  for (uint32_t rva : image.fixups) {
    uint32_t v = MappedU32(image, rva) + delta;
    std::memcpy(&image.mapped[rva], &v, 4);
  }
  image.preferred_base = base;
}

}  // namespace kimage
