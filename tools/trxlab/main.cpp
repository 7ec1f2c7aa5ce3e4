// trxlab: real traffic through the driver. The Linux network stack of two
// namespaces talks through TAP interfaces to two simulated K250 ports, each
// driven by its own Trx4n5 instance, cabled together. The virtual clock
// follows real time, so a paced wire runs at the negotiated line rate.
// With --pci the ports are two real 21143 functions cabled to each other
// (the QEMU PC's tulips on one hub), the machine's clock real time itself.
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "lab_options.h"
#include "net_namespace.h"
#include "pci_ports.h"
#include "port_binding.h"
#include "simlab.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

struct LabPort {
  NetNamespace ns;
  TapDevice tap;
  std::unique_ptr<TapWriter> writer;
  int dev_mcast = -1;
  std::unique_ptr<PortBinding> binding;
  std::string address4, address6;
};

std::string MacText(const std::vector<uint8_t>& mac) {
  char text[18];
  std::snprintf(text, sizeof(text), "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
  return text;
}

bool SetUpNamespace(LabPort& lp, const std::string& ns_name, const std::string& ifname,
                    const std::vector<uint8_t>& mac, int index, std::string* error) {
  lp.address4 = "10.250.0." + std::to_string(index + 1);
  lp.address6 = "fd00:250::" + std::to_string(index + 1);
  if (!lp.ns.Create(ns_name, error) || !lp.tap.Open(ifname, error)) return false;
  if (!RunCommand("ip link set dev " + ifname + " address " + MacText(mac), error)) return false;
  if (!lp.ns.Adopt(ifname, error)) return false;
  if (!lp.ns.Ip("addr add " + lp.address4 + "/24 dev " + ifname, error)) return false;
  if (!lp.ns.Ip("-6 addr add " + lp.address6 + "/64 dev " + ifname + " nodad", error)) return false;
  if (!lp.ns.Ip("link set dev " + ifname + " up", error)) return false;
  lp.dev_mcast = lp.ns.OpenInside("/proc/self/net/dev_mcast", error);
  return lp.dev_mcast >= 0;
}

void PrintStats(LabPort* ports) {
  for (int i = 0; i < 2; ++i) {
    PortBinding& b = *ports[i].binding;
    const PortBinding::Counters c = b.counters();
    std::printf("{\"port\": %d, \"from_stack\": %llu, \"to_stack\": %llu, \"tap_write_failures\": %llu, "
                "\"send_failures\": %llu, \"media_connect\": %llu, \"media_disconnect\": %llu, "
                "\"multicast_groups\": %zu, \"all_multicast\": %s",
                i, (unsigned long long)c.from_stack, (unsigned long long)c.to_stack,
                (unsigned long long)c.tap_write_failures, (unsigned long long)c.send_failures,
                (unsigned long long)c.media_connect, (unsigned long long)c.media_disconnect, b.multicast().size(),
                b.all_multicast() ? "true" : "false");
    // What only a simulated board knows; a real chip's filter and losses cannot be read.
    if (const sim::Board* board = b.port().board)
      std::printf(", \"hash_filter\": %s, \"rx_filtered\": %llu, \"rx_missed\": %llu",
                  board->filter().mode == sim::ReceiveFilter::kHash ? "true" : "false",
                  (unsigned long long)board->counters().rx_filtered, (unsigned long long)board->counters().rx_missed);
    for (NDIS_OID oid : simlab::StatisticsOids())
      std::printf(", \"%s\": %u", simlab::OidName(oid), simlab::QueryValue(*b.port().adapter, oid));
    std::printf(", \"OID_GEN_LINK_SPEED\": %u}\n", simlab::QueryValue(*b.port().adapter, OID_GEN_LINK_SPEED));
  }
  std::fflush(stdout);
}

// Commands from the control FIFO, one per line. Without a wire of ours (real
// functions) there is no cable to pull.
void HandleControl(int fd, LabPort* ports, sim::Wire* wire, std::string& pending) {
  char chunk[256];
  ssize_t n;
  while ((n = read(fd, chunk, sizeof(chunk))) > 0) pending.append(chunk, size_t(n));
  size_t nl;
  while ((nl = pending.find('\n')) != std::string::npos) {
    std::string command = pending.substr(0, nl);
    pending.erase(0, nl + 1);
    if ((command == "unplug" || command == "plug") && wire == nullptr) {
      std::fprintf(stderr, "trxlab: cannot %s: the cable between real functions is not this program's\n",
                   command.c_str());
    } else if (command == "unplug") {
      wire->Unplug();
      std::fprintf(stderr, "trxlab: cable unplugged\n");
    } else if (command == "plug") {
      wire->Plug();
      std::fprintf(stderr, "trxlab: cable plugged in\n");
    } else if (command == "stats") {
      PrintStats(ports);
    } else if (command == "quit") {
      g_stop = 1;
    } else if (!command.empty()) {
      std::fprintf(stderr, "trxlab: unknown command '%s'\n", command.c_str());
    }
  }
}

// Both ports, on simulated boards cabled together (*wire) or on two real
// functions (*wire null). False with the reason.
bool AddPorts(simlab::Lab& lab, simlab::RealPorts& real, const LabOptions& o, simlab::Port** ports,
              sim::Wire** wire, std::string* error) {
  for (int i = 0; i < 2; ++i) {
    simlab::PortSpec setup = simlab::Lab::DefaultSpec(i);
    setup.keywords = {{"ConnectionType", hostndis::Keyword::Integer(uint32_t(o.connection_type))}};
    setup.requeue_refused_sends = true;
    setup.board.profile = o.board.ForPort(uint32_t(i));
    ports[i] = o.pci.enabled ? real.AddTo(lab, size_t(i), setup, error) : &lab.AddPort(setup);
    if (ports[i] == nullptr) return false;
  }
  *wire = nullptr;
  if (o.pci.enabled) return true;
  *wire = &lab.Cable(*ports[0], *ports[1], o.unlimited ? sim::Wire::Pace::kUnlimited : sim::Wire::Pace::kLineRate);
  if (!o.pcap.empty() && !(*wire)->CaptureTo(o.pcap)) {
    *error = "cannot write " + o.pcap;
    return false;
  }
  return true;
}

int Run(const LabOptions& o) {
  std::string error;
  LabPort ports[2];
  simlab::RealPorts real("trxlab");
  hostndis::HostConfig config;
  if (!real.Open(o.pci, 2, &config)) return 2;
  simlab::Lab lab(config, o.kernel_image);
  if (!lab.load_error().empty()) {
    std::fprintf(stderr, "trxlab: %s\n", lab.load_error().c_str());
    return 1;
  }
  lab.host().verifier().set_print(true);
  if (!o.kernel_image.empty()) std::fprintf(stderr, "trxlab: driving the kernel image %s\n", o.kernel_image.c_str());
  simlab::Port* lab_ports[2];
  sim::Wire* wire = nullptr;
  if (!AddPorts(lab, real, o, lab_ports, &wire, &error)) {
    std::fprintf(stderr, "trxlab: %s\n", error.c_str());
    return o.pci.enabled ? 2 : 1;
  }
  for (int i = 0; i < 2; ++i) {
    NDIS_STATUS status = lab_ports[i]->adapter->Initialize();
    if (status != NDIS_STATUS_SUCCESS) {
      std::fprintf(stderr, "trxlab: Initialize of port %d failed with 0x%08x\n", i, unsigned(status));
      return 1;
    }
  }
  for (int i = 0; i < 2; ++i) {
    std::vector<uint8_t> mac = lab_ports[i]->adapter->Query(OID_802_3_CURRENT_ADDRESS, 6).data;
    if (!SetUpNamespace(ports[i], o.name + "-" + std::to_string(i), o.name + std::to_string(i), mac, i, &error)) {
      std::fprintf(stderr, "trxlab: %s\n", error.c_str());
      return 1;
    }
    ports[i].writer = std::make_unique<TapWriter>(ports[i].tap);
    ports[i].binding = std::make_unique<PortBinding>(*lab_ports[i], ports[i].tap, *ports[i].writer, ports[i].dev_mcast);
    ports[i].binding->Start();
  }

  int control = -1;
  std::string pending;
  if (!o.control.empty()) {
    unlink(o.control.c_str());
    if (mkfifo(o.control.c_str(), 0600) != 0 ||
        (control = open(o.control.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) < 0) {
      std::fprintf(stderr, "trxlab: cannot make the control FIFO %s\n", o.control.c_str());
      return 1;
    }
  }
  if (!o.ready_file.empty()) {
    FILE* f = std::fopen(o.ready_file.c_str(), "w");
    if (f == nullptr) {
      std::fprintf(stderr, "trxlab: cannot write %s\n", o.ready_file.c_str());
      return 1;
    }
    for (int i = 0; i < 2; ++i) {
      std::fprintf(f, "LAB_NS%d=%s\nLAB_IF%d=%s\nLAB_IP%d=%s\nLAB_IP6_%d=%s\nLAB_MAC%d=%s\n", i,
                   ports[i].ns.name().c_str(), i, ports[i].tap.name().c_str(), i, ports[i].address4.c_str(), i,
                   ports[i].address6.c_str(), i, MacText(ports[i].binding->station_address()).c_str());
    }
    std::fclose(f);
  }
  std::fprintf(stderr, "trxlab: up: %s (%s) <-> %s (%s), %s; Ctrl-C ends it\n", ports[0].ns.name().c_str(),
               ports[0].address4.c_str(), ports[1].ns.name().c_str(), ports[1].address4.c_str(),
               o.pci.enabled ? ("through " + real.addresses()[0] + " and " + real.addresses()[1]).c_str()
               : o.unlimited ? "wire unlimited" : "wire at line rate");

  using Clock = std::chrono::steady_clock;
  const Clock::time_point real_start = Clock::now();
  const sim::Nanoseconds virtual_start = lab.host().clock().Now();
  Clock::time_point next_sync = real_start;
  sim::VirtualClock& vclock = lab.host().clock();
  const bool real_time = lab.host().config().real_time;
  while (!g_stop) {
    auto real_now = Clock::now();
    sim::Nanoseconds elapsed = sim::Nanoseconds(std::chrono::duration_cast<std::chrono::nanoseconds>(real_now - real_start).count());
    if (o.duration > 0 && elapsed >= sim::Nanoseconds(o.duration * 1e9)) break;
    // A machine on the virtual clock is moved up to real time; one in real
    // time follows by itself and only runs what is due.
    sim::Nanoseconds target = virtual_start + elapsed;
    if (!real_time && target > vclock.Now()) lab.host().RunFor(target - vclock.Now());
    else lab.host().RunFor(0);
    if (real_time) target = vclock.Now();
    for (int i = 0; i < 2; ++i) ports[i].writer->Kick();

    // Wait for a frame, a command, a device's interrupt or the next thing
    // the machine has due. The virtual clock is moved up every millisecond;
    // in real time the loop need wake only for the next multicast sync, and
    // every needless wake-up costs (much, in an emulated machine).
    int64_t wait_ns = real_time ? std::chrono::duration_cast<std::chrono::nanoseconds>(next_sync - Clock::now()).count()
                                : 1000000;
    if (wait_ns < 0) wait_ns = 0;
    if (vclock.HasPending()) {
      sim::Nanoseconds due = vclock.NextDue();
      int64_t until = int64_t(due) - int64_t(target);
      if (until < wait_ns) wait_ns = until < 0 ? 0 : until;
    }
    struct pollfd fds[3];
    int nfds = 0;
    for (int i = 0; i < 2; ++i) fds[nfds++] = {ports[i].tap.fd(), short(ports[i].binding->HasRoom() ? POLLIN : 0), 0};
    if (control >= 0) fds[nfds++] = {control, POLLIN, 0};
    if (lab.host().WaitForEvents(fds, size_t(nfds), sim::Nanoseconds(wait_ns)) > 0) {
      for (int i = 0; i < 2; ++i)
        if (fds[i].revents & POLLIN) ports[i].binding->PumpFromStack(256);
      if (control >= 0 && (fds[2].revents & POLLIN)) HandleControl(control, ports, wire, pending);
    }
    if (Clock::now() >= next_sync) {
      for (int i = 0; i < 2; ++i) ports[i].binding->SyncMulticast();
      next_sync = Clock::now() + std::chrono::milliseconds(100);
    }
  }

  std::fprintf(stderr, "trxlab: stopping\n");
  PrintStats(ports);
  // Stop the stacks, let what is in flight finish, then halt both ports.
  for (int i = 0; i < 2; ++i) ports[i].ns.Ip("link set dev " + ports[i].tap.name() + " down", &error);
  lab.host().RunFor(200 * sim::kMillisecond);
  for (int i = 0; i < 2; ++i) lab_ports[i]->adapter->Halt();
  if (wire != nullptr) wire->StopCapture();
  if (control >= 0) {
    close(control);
    unlink(o.control.c_str());
  }
  for (int i = 0; i < 2; ++i) {
    if (ports[i].dev_mcast >= 0) close(ports[i].dev_mcast);
    ports[i].writer.reset();
    ports[i].tap.Close();
    ports[i].ns.Destroy();
  }
  if (!o.ready_file.empty()) unlink(o.ready_file.c_str());
  size_t findings = lab.host().verifier().findings().size();
  std::fprintf(stderr, "trxlab: removed %s-0 and %s-1; %zu verifier findings\n", o.name.c_str(), o.name.c_str(),
               findings);
  return findings == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  LabOptions options;
  std::string error;
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    PrintLabUsage(stdout);
    return 0;
  }
  if (!ParseLabOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "trxlab: %s\n\n", error.c_str());
    PrintLabUsage(stderr);
    return 2;
  }
  if (geteuid() != 0) {
    std::fprintf(stderr, "trxlab: needs root (network namespaces and TAP interfaces)\n");
    return 2;
  }
  struct sigaction sa;
  std::memset(&sa, 0, sizeof(sa));
  sa.sa_handler = OnSignal;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return Run(options);
}
