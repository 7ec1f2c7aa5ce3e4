// Frames per second through driver, host stand-in and board on one core,
// against Fast Ethernet's line rate of 64-byte frames.
#include <benchmark/benchmark.h>

#include "frame_loop.h"

namespace {

constexpr double kLineRateFrames = 148809.0;  // 64-byte frames per second at 100 Mb/s

void BM_FullPath64ByteFrames(benchmark::State& state) {
  FrameLoop loop;
  for (auto _ : state) {
    if (!loop.RunBatch()) {
      state.SkipWithError("a batch did not complete");
      break;
    }
  }
  double frames = double(loop.frames_received());
  state.counters["frames_per_second"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["x_line_rate"] = benchmark::Counter(frames / kLineRateFrames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullPath64ByteFrames)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
