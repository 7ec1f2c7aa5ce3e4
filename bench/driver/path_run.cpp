// A fixed amount of work for callgrind: N batches of 16 64-byte frames
// through the full simulated path (after one warm-up batch), over the
// natively built driver or the kernel image.
#include <cstdio>
#include <cstdlib>

#include "frame_loop.h"

int main(int argc, char** argv) {
  long batches = 1000;
  std::string kernel_image;
  for (int i = 1; i < argc; ++i) {
    if (simlab::TakeKernelImageOption(argc, argv, &i, &kernel_image)) continue;
    batches = std::atol(argv[i]);
    if (batches < 0 || argv[i][0] == '-') {
      std::fprintf(stderr, "usage: driver_path_run [--kernel-image [PATH.sys]] [BATCHES]\n");
      return 2;
    }
  }
  FrameLoop loop(FrameLoop::kFrameLength, kernel_image);
  if (!loop.load_error().empty()) {
    std::fprintf(stderr, "driver_path_run: %s\n", loop.load_error().c_str());
    return 1;
  }
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
