// Frames per second through driver, host stand-in and board on one core,
// against Fast Ethernet's line rate: the natively built driver, and the
// shipped i686 Trx4n5.sys in the x86 emulator, in the same process.
#include <benchmark/benchmark.h>

#include "frame_loop.h"
#include "kimage/driver_loader.h"

namespace {

// Frames per second at 100 Mb/s: 64-byte frames (84 bytes with preamble and
// gap) and 1518-byte frames (1538).
constexpr double kLineRate64 = 148809.0;
constexpr double kLineRate1518 = 8127.0;

void RunFrames(benchmark::State& state, uint32_t frame_length, const std::string& kernel_image, double line_rate) {
  FrameLoop loop(frame_length, kernel_image);
  if (!loop.load_error().empty()) {
    state.SkipWithError(loop.load_error().c_str());
    return;
  }
  for (auto _ : state) {
    if (!loop.RunBatch()) {
      state.SkipWithError("a batch did not complete");
      break;
    }
  }
  double frames = double(loop.frames_received());
  state.counters["frames_per_second"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["x_line_rate"] = benchmark::Counter(frames / line_rate, benchmark::Counter::kIsRate);
  if (loop.image() != nullptr && frames > 0) {
    state.counters["imports_per_frame"] = double(loop.image()->cpu().import_calls()) / frames;
    state.counters["entries_per_frame"] = double(loop.image()->cpu().entries()) / frames;
  }
}

void BM_FullPath64ByteFrames(benchmark::State& state) { RunFrames(state, 60, "", kLineRate64); }
BENCHMARK(BM_FullPath64ByteFrames)->Unit(benchmark::kMicrosecond);

void BM_KernelImage64ByteFrames(benchmark::State& state) {
  RunFrames(state, 60, kimage::DefaultImagePath(), kLineRate64);
}
BENCHMARK(BM_KernelImage64ByteFrames)->Unit(benchmark::kMicrosecond);

void BM_KernelImage1518ByteFrames(benchmark::State& state) {
  RunFrames(state, 1514, kimage::DefaultImagePath(), kLineRate1518);
}
BENCHMARK(BM_KernelImage1518ByteFrames)->Unit(benchmark::kMicrosecond);

// Measuring mode (every instruction counted: its time says nothing):
// emulated instructions, stores and host time in imports per 64-byte frame.
void BM_KernelImageMeasured64ByteFrames(benchmark::State& state) {
  FrameLoop loop(60, kimage::DefaultImagePath());
  if (loop.image() == nullptr) {
    state.SkipWithError(loop.load_error().c_str());
    return;
  }
  kimage::KernelImage& image = *loop.image();
  const kimage::Cpu& cpu = image.cpu();
  uint64_t frames0 = loop.frames_received(), instructions0 = cpu.instructions(), stores0 = cpu.stores(),
           calls0 = cpu.import_calls(), ns0 = cpu.import_nanoseconds();
  image.Measure(true);
  for (auto _ : state) {
    if (!loop.RunBatch()) {
      state.SkipWithError("a batch did not complete");
      break;
    }
  }
  image.Measure(false);
  double frames = double(loop.frames_received() - frames0), calls = double(cpu.import_calls() - calls0);
  if (frames == 0 || calls == 0) return;
  state.counters["instructions_per_frame"] = double(cpu.instructions() - instructions0) / frames;
  state.counters["stores_per_frame"] = double(cpu.stores() - stores0) / frames;
  state.counters["imports_per_frame"] = calls / frames;
  state.counters["ns_per_import"] = double(cpu.import_nanoseconds() - ns0) / calls;
}
BENCHMARK(BM_KernelImageMeasured64ByteFrames)->Unit(benchmark::kMicrosecond)->Iterations(2000);

}  // namespace

BENCHMARK_MAIN();
