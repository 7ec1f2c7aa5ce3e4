// trxrace: the race finder on the kernel image. Without --walk, a long run
// of mixed traffic with the chip stepping at seeded random boundaries; with
// --walk, the systematic walk of the short scenarios.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "race_walk.h"
#include "simlab.h"

namespace {

const char kUsage[] =
    "usage: trxrace [--kernel-image[=PATH]] [--board NAME[:SEED]] [--rings TX,RX] [--seed N] [--boundaries N]\n"
    "               [--one-in N]\n"
    "       trxrace --walk [--scenario NAME] [--limit N] [--kernel-image[=PATH]] [--board NAME[:SEED]]\n"
    "               [--rings TX,RX]\n"
    "A long run (default: seed 1, 1000000 boundaries, a chip step at 1 in 4) or the\n"
    "systematic walk of the scenarios send, receive, filter and reset (all by\n"
    "default; --limit N walks the first N boundaries of each). --rings sets the\n"
    "ring sizes (TxRingSize, RxRingSize; 8,8 by default). Exit status 1 when\n"
    "anything was found, 2 on a usage error, 3 when a run cannot be set up.\n";

bool Number(const char* text, uint64_t* out) {
  char* end = nullptr;
  *out = std::strtoull(text, &end, 10);
  return end != text && *end == '\0';
}

// "TX,RX", each 1 to 1024 (as the keywords).
bool Rings(const char* text, trxrace::RaceOptions* options) {
  unsigned tx = 0, rx = 0;
  char extra = 0;
  if (std::sscanf(text, "%u,%u%c", &tx, &rx, &extra) != 2 || tx < 1 || rx < 1 || tx > 1024 || rx > 1024) return false;
  options->tx_ring = tx;
  options->rx_ring = rx;
  return true;
}

int Print(const trxrace::WalkResult& r, const char* what) {
  std::printf("%s: %llu boundaries, %llu runs, %llu chip steps at boundaries, %llu frames, %zu findings\n", what,
              static_cast<unsigned long long>(r.boundaries), static_cast<unsigned long long>(r.runs),
              static_cast<unsigned long long>(r.steps), static_cast<unsigned long long>(r.frames), r.findings.size());
  for (const trxrace::RaceFinding& f : r.findings) {
    if (f.stepped >= 0)
      std::printf("  %s, chip stepped at boundary %lld: %s\n", f.scenario.c_str(), static_cast<long long>(f.stepped),
                  f.message.c_str());
    else
      std::printf("  %s, after %llu boundaries: %s\n", f.scenario.c_str(),
                  static_cast<unsigned long long>(f.at_boundary), f.message.c_str());
  }
  if (!r.error.empty()) {
    std::fprintf(stderr, "trxrace: %s\n", r.error.c_str());
    return 3;
  }
  return r.findings.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  trxrace::RaceOptions options;
  bool walk = false;
  std::string scenario;
  uint64_t seed = 1, boundaries = 1000000, one_in = 4, limit = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool has_value = i + 1 < argc;
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (simlab::TakeKernelImageOption(argc, argv, &i, &options.image_path)) {
      continue;
    } else if (a == "--walk") {
      walk = true;
    } else if (a == "--board" && has_value) {
      options.board = argv[++i];
    } else if (a == "--rings" && has_value && Rings(argv[i + 1], &options)) {
      ++i;
    } else if (a == "--scenario" && has_value) {
      scenario = argv[++i];
    } else if (a == "--seed" && has_value && Number(argv[i + 1], &seed)) {
      ++i;
    } else if (a == "--boundaries" && has_value && Number(argv[i + 1], &boundaries)) {
      ++i;
    } else if (a == "--one-in" && has_value && Number(argv[i + 1], &one_in) && one_in > 0) {
      ++i;
    } else if (a == "--limit" && has_value && Number(argv[i + 1], &limit)) {
      ++i;
    } else {
      std::fprintf(stderr, "trxrace: bad argument '%s'\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  if (!walk) {
    std::fprintf(stderr, "trxrace: mixed traffic, seed %llu, %llu boundaries, a step at 1 in %llu\n",
                 static_cast<unsigned long long>(seed), static_cast<unsigned long long>(boundaries),
                 static_cast<unsigned long long>(one_in));
    return Print(trxrace::RandomRun(options, static_cast<uint32_t>(seed), boundaries, static_cast<uint32_t>(one_in)),
                 "mixed");
  }
  int status = 0;
  for (const trxrace::Scenario& s : trxrace::Scenarios()) {
    if (!scenario.empty() && scenario != s.name) continue;
    std::fprintf(stderr, "trxrace: walking %s (%s)\n", s.name, s.what);
    int st = Print(trxrace::SystematicWalk(options, s, limit), s.name);
    if (st > status) status = st;
  }
  if (!scenario.empty() && trxrace::FindScenario(scenario) == nullptr) {
    std::fprintf(stderr, "trxrace: no scenario '%s'\n", scenario.c_str());
    return 2;
  }
  return status;
}
