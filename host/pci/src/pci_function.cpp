#include "hostpci/pci_function.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace hostpci {

namespace {

constexpr const char kUioDriver[] = "uio_pci_generic";
constexpr off_t kCommandOffset = 0x04;
constexpr uint16_t kInterruptDisable = 0x400;  // command register bit 10

std::string ReadLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// The name of the driver `dir` is bound to, or "" when none.
std::string DriverOf(const std::string& dir) {
  char target[512];
  ssize_t n = readlink((dir + "/driver").c_str(), target, sizeof(target) - 1);
  if (n <= 0) return "";
  target[n] = '\0';
  const char* slash = std::strrchr(target, '/');
  return slash ? slash + 1 : target;
}

// The length of BAR `index` from the sysfs `resource` table ("start end flags" per line).
uint32_t BarLength(const std::string& dir, int index) {
  std::ifstream in(dir + "/resource");
  std::string line;
  for (int i = 0; i <= index && std::getline(in, line); ++i) {
  }
  unsigned long long start = 0, end = 0;
  if (std::sscanf(line.c_str(), "%llx %llx", &start, &end) != 2 || end <= start) return 0;
  return static_cast<uint32_t>(end - start + 1);
}

std::string UioDevice(const std::string& dir) {
  DIR* d = opendir((dir + "/uio").c_str());
  if (d == nullptr) return "";
  std::string name;
  while (dirent* e = readdir(d))
    if (std::strncmp(e->d_name, "uio", 3) == 0) name = e->d_name;
  closedir(d);
  return name.empty() ? "" : "/dev/" + name;
}

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

bool ParseAddress(const std::string& text, std::string* address) {
  std::string t = text.find(':') == 2 ? "0000:" + text : text;
  // dddd:bb:dd.f
  static const char kShape[] = "hhhh:hh:hh.f";
  if (t.size() != sizeof(kShape) - 1) return false;
  for (size_t i = 0; i < t.size(); ++i) {
    char c = t[i], s = kShape[i];
    bool ok = s == 'h' ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : s == 'f' ? (c >= '0' && c <= '7') : c == s;
    if (!ok) return false;
  }
  std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return std::tolower(c); });
  *address = t;
  return true;
}

bool CheckFunction(const std::string& devices, const std::string& address, std::string* error) {
  const std::string dir = devices + "/" + address;
  if (!Exists(dir)) {
    *error = "there is no PCI function " + address + " (nothing at " + dir + ")";
    return false;
  }
  std::string vendor = ReadLine(dir + "/vendor"), device = ReadLine(dir + "/device");
  if (vendor != "0x1011" || device != "0x0019") {
    *error = address + " is no DEC 21143 (vendor " + vendor + ", device " + device + ", not 0x1011 0x0019)";
    return false;
  }
  std::string driver = DriverOf(dir);
  if (driver != kUioDriver) {
    std::string unbind = driver.empty() ? "" : "echo " + address + " > " + dir + "/driver/unbind; ";
    *error = address + (driver.empty() ? " is bound to no driver" : " belongs to the kernel's " + driver + " driver") +
             ", not to uio_pci_generic; as root: modprobe uio_pci_generic; " + unbind +
             "echo \"1011 0019\" > /sys/bus/pci/drivers/uio_pci_generic/new_id";
    return false;
  }
  return true;
}

std::vector<std::string> BoundFunctions(const std::string& devices) {
  std::vector<std::string> found;
  DIR* d = opendir(devices.c_str());
  if (d == nullptr) return found;
  while (dirent* e = readdir(d)) {
    std::string error, address;
    if (ParseAddress(e->d_name, &address) && CheckFunction(devices, address, &error)) found.push_back(address);
  }
  closedir(d);
  std::sort(found.begin(), found.end());
  return found;
}

bool RunningOnQemu() { return ReadLine("/sys/class/dmi/id/sys_vendor") == "QEMU"; }

bool CheckRoot(std::string* error) {
  if (geteuid() == 0) return true;
  *error = "a user-space driver needs root (a function's configuration space and register window, /dev/mem)";
  return false;
}

std::unique_ptr<PciFunction> PciFunction::Open(const std::string& address, std::string* error) {
  if (!CheckFunction(kSysfsDevices, address, error) || !CheckRoot(error)) return nullptr;
  const std::string dir = std::string(kSysfsDevices) + "/" + address;
  std::unique_ptr<PciFunction> f(new PciFunction);
  f->address_ = address;
  f->config_fd_ = open((dir + "/config").c_str(), O_RDWR | O_CLOEXEC);
  if (f->config_fd_ < 0) {
    *error = SystemError("cannot open " + dir + "/config");
    return nullptr;
  }
  f->register_length_ = BarLength(dir, 1);
  int bar = open((dir + "/resource1").c_str(), O_RDWR | O_SYNC | O_CLOEXEC);
  if (bar < 0 || f->register_length_ == 0) {
    *error = bar < 0 ? SystemError("cannot open " + dir + "/resource1") : address + " has no memory BAR 1";
    if (bar >= 0) close(bar);
    return nullptr;
  }
  long page = sysconf(_SC_PAGESIZE);
  f->mapped_length_ = (f->register_length_ + page - 1) / page * page;
  void* p = mmap(nullptr, f->mapped_length_, PROT_READ | PROT_WRITE, MAP_SHARED, bar, 0);
  close(bar);
  if (p == MAP_FAILED) {
    *error = SystemError("cannot map the register window of " + address);
    return nullptr;
  }
  f->registers_ = static_cast<volatile uint32_t*>(p);
  std::string uio = UioDevice(dir);
  f->uio_fd_ = uio.empty() ? -1 : open(uio.c_str(), O_RDWR | O_CLOEXEC);
  if (f->uio_fd_ < 0) {
    *error = uio.empty() ? address + " has no uio device" : SystemError("cannot open " + uio);
    return nullptr;
  }
  return f;
}

PciFunction::~PciFunction() {
  if (registers_) munmap(const_cast<uint32_t*>(registers_), mapped_length_);
  if (uio_fd_ >= 0) close(uio_fd_);
  if (config_fd_ >= 0) close(config_fd_);
}

uint32_t PciFunction::ReadConfig(uint32_t offset) const {
  uint32_t value = 0xffffffff;
  if (pread(config_fd_, &value, 4, offset & 0xfc) != 4) return 0xffffffff;
  return value;
}

void PciFunction::WriteConfig(uint32_t offset, uint32_t value) {
  if (pwrite(config_fd_, &value, 4, offset & 0xfc) != 4)
    std::fprintf(stderr, "hostpci: configuration write at 0x%02x of %s failed: %s\n", offset, address_.c_str(),
                 std::strerror(errno));
}

// uio unmasks through its irqcontrol where the kernel's uio_pci_generic has
// one; where it has none (ENOSYS) the command register's interrupt-disable
// bit is cleared here, as irqcontrol would: the kernel masks the line with
// it and never touches it again while it is set.
void PciFunction::UnmaskInterrupt() {
  uint32_t on = 1;
  if (write(uio_fd_, &on, 4) == 4) return;
  if (errno != ENOSYS) {
    std::fprintf(stderr, "hostpci: cannot unmask the interrupt of %s: %s\n", address_.c_str(), std::strerror(errno));
    return;
  }
  uint16_t command = 0;
  if (pread(config_fd_, &command, 2, kCommandOffset) != 2) return;
  if (!(command & kInterruptDisable)) return;
  command = uint16_t(command & ~kInterruptDisable);
  if (pwrite(config_fd_, &command, 2, kCommandOffset) != 2)
    std::fprintf(stderr, "hostpci: cannot unmask the interrupt of %s: %s\n", address_.c_str(), std::strerror(errno));
}

}  // namespace hostpci
