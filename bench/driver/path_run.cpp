// A fixed amount of work for callgrind: N batches of 16 64-byte frames
// through the full simulated path (after one warm-up batch).
#include <cstdio>
#include <cstdlib>

#include "frame_loop.h"

int main(int argc, char** argv) {
  long batches = argc > 1 ? std::atol(argv[1]) : 1000;
  if (batches < 0) {
    std::fprintf(stderr, "usage: driver_path_run [BATCHES]\n");
    return 2;
  }
  FrameLoop loop;
  loop.RunBatch();
  for (long i = 0; i < batches; ++i) {
    if (!loop.RunBatch()) {
      std::fprintf(stderr, "driver_path_run: batch %ld did not complete\n", i);
      return 1;
    }
  }
  std::printf("%llu frames\n", (unsigned long long)loop.frames_received());
  return 0;
}
