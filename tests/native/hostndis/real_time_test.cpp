// A machine whose clock follows real time, as a real device needs: busy
// waits and sleeps take their time, and the run loop serves a device's
// event descriptor while it waits.
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>

#include "fake_device.h"
#include "hostndis/host.h"

namespace hostndis_test {
namespace {

using Clock = std::chrono::steady_clock;

hostndis::HostConfig RealTime() {
  hostndis::HostConfig config;
  config.real_time = true;
  return config;
}

sim::Nanoseconds Since(Clock::time_point start) {
  return sim::Nanoseconds(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
}

TEST(RealTimeHost, BusyWaitsSleepsAndRunsTakeTheirTimeAndTheClockFollows) {
  hostndis::Host host(RealTime());
  auto start = Clock::now();
  KeStallExecutionProcessor(50);
  EXPECT_GE(Since(start), 50 * sim::kMicrosecond) << "a busy wait spins its time";
  start = Clock::now();
  NdisMSleep(20000);
  EXPECT_GE(Since(start), 20 * sim::kMillisecond) << "a sleep sleeps its time";
  start = Clock::now();
  host.RunFor(10 * sim::kMillisecond);
  EXPECT_GE(Since(start), 10 * sim::kMillisecond) << "RunFor waits";
  EXPECT_GE(host.clock().Now(), 30 * sim::kMillisecond + 50 * sim::kMicrosecond) << "the clock followed";

  int fired = 0;
  host.clock().ScheduleAfter(5 * sim::kMillisecond, [&] { ++fired; });
  start = Clock::now();
  EXPECT_TRUE(host.RunUntil([&] { return fired > 0; }, sim::kSecond));
  EXPECT_GE(Since(start), 5 * sim::kMillisecond) << "an event falls due in real time, not at once";
}

// A device whose interrupt comes on an eventfd, as a real one's comes on /dev/uioN.
class EventDevice : public FakeDevice {
 public:
  EventDevice() : fd_(eventfd(0, EFD_CLOEXEC)) {}
  ~EventDevice() override { close(fd_); }
  int event_fd() const override { return fd_; }
  void ServiceEvent() override {
    uint64_t count;
    if (read(fd_, &count, sizeof(count)) == sizeof(count)) served += count;
  }
  void Signal() {
    uint64_t one = 1;
    ASSERT_EQ(write(fd_, &one, sizeof(one)), ssize_t(sizeof(one)));
  }
  uint64_t served = 0;

 private:
  int fd_;
};

TEST(RealTimeHost, TheRunLoopServesADeviceEventWhileItWaits) {
  hostndis::Host host(RealTime());
  auto owned = std::make_unique<EventDevice>();
  EventDevice* device = owned.get();
  ASSERT_NE(host.AddDevice(std::move(owned)), nullptr);
  device->Signal();
  EXPECT_TRUE(host.RunUntil([&] { return device->served > 0; }, sim::kSecond)) << "served before the limit";
  EXPECT_EQ(device->served, 1u);
  host.RunFor(2 * sim::kMillisecond);
  EXPECT_EQ(device->served, 1u) << "nothing more came";
  NdisMSleep(1000);
  device->Signal();
  NdisMSleep(5000);
  EXPECT_EQ(device->served, 2u) << "a sleep serves device events too";
}

}  // namespace
}  // namespace hostndis_test
