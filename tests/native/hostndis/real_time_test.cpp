// A machine whose clock follows real time, as a real device needs: busy
// waits and sleeps take their time, and the run loop serves a device's
// event descriptor while it waits.
#include <gtest/gtest.h>
#include <poll.h>
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
  EXPECT_TRUE(host.RunUntil([&] { return fired > 0; }, sim::kSecond)) << "the event fell due";
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
    ASSERT_EQ(write(fd_, &one, sizeof(one)), ssize_t(sizeof(one))) << "the eventfd takes a count";
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
  EXPECT_EQ(device->served, 1u) << "the one event";
  host.RunFor(2 * sim::kMillisecond);
  EXPECT_EQ(device->served, 1u) << "nothing more came";
  NdisMSleep(1000);
  device->Signal();
  NdisMSleep(5000);
  EXPECT_EQ(device->served, 2u) << "a sleep serves device events too";
}

// A program with descriptors of its own (the lab's TAP interfaces) waits on
// them and on the devices together: a device event ends its wait, served.
TEST(RealTimeHost, WaitForEventsWatchesTheCallersDescriptorsAndServesDeviceEvents) {
  hostndis::Host host(RealTime());
  auto owned = std::make_unique<EventDevice>();
  EventDevice* device = owned.get();
  ASSERT_NE(host.AddDevice(std::move(owned)), nullptr);
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  pollfd mine[2] = {{pipe_fds[0], POLLIN, 0}, {eventfd(0, EFD_CLOEXEC), POLLIN, 0}};

  auto start = Clock::now();
  device->Signal();
  EXPECT_EQ(host.WaitForEvents(mine, 2, 10 * sim::kSecond), 0) << "none of the caller's descriptors is ready";
  EXPECT_EQ(device->served, 1u) << "the device's event was served";
  EXPECT_LT(Since(start), 5 * sim::kSecond) << "the device's event ended the wait";
  EXPECT_EQ(mine[0].revents, 0) << "revents of a descriptor that is not ready";

  ASSERT_EQ(write(pipe_fds[1], "x", 1), 1);
  EXPECT_EQ(host.WaitForEvents(mine, 2, 10 * sim::kSecond), 1) << "the pipe is ready";
  EXPECT_TRUE(mine[0].revents & POLLIN) << "its revents say so";
  EXPECT_EQ(mine[1].revents, 0) << "the other is not ready";
  EXPECT_EQ(device->served, 1u) << "no device event came";

  start = Clock::now();
  char byte;
  ASSERT_EQ(read(pipe_fds[0], &byte, 1), 1);
  EXPECT_EQ(host.WaitForEvents(mine, 2, 20 * sim::kMillisecond), 0) << "nothing came";
  EXPECT_GE(Since(start), 20 * sim::kMillisecond) << "the timeout passed";
  EXPECT_GE(host.clock().Now(), 20 * sim::kMillisecond) << "the clock followed";
  close(pipe_fds[0]);
  close(pipe_fds[1]);
  close(mine[1].fd);
}

TEST(VirtualTimeHost, WaitForEventsWatchesTheCallersDescriptorsAndLetsNoVirtualTimePass) {
  hostndis::Host host;
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  ASSERT_EQ(write(pipe_fds[1], "x", 1), 1);
  pollfd mine{pipe_fds[0], POLLIN, 0};
  sim::Nanoseconds before = host.clock().Now();
  EXPECT_EQ(host.WaitForEvents(&mine, 1, sim::kSecond), 1) << "the pipe is ready";
  EXPECT_EQ(host.WaitForEvents(nullptr, 0, 5 * sim::kMillisecond), 0) << "nothing to wait for but the timeout";
  EXPECT_EQ(host.clock().Now(), before) << "the virtual clock is the caller's to move";
  close(pipe_fds[0]);
  close(pipe_fds[1]);
}

}  // namespace
}  // namespace hostndis_test
