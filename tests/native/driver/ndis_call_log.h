// The driver's teardown and timing calls into NDIS, recorded in order. The
// test program is linked with --wrap for each of them (see CMakeLists.txt),
// so the driver's calls pass through here on their way to the stand-in.
#pragma once

#include <string>
#include <vector>

namespace trx_test {

// Names of the recorded calls, oldest first; NdisMSleep and NdisMSetTimer
// carry their argument ("NdisMSleep(1500000)").
std::vector<std::string>& CallLog();
// Position of the first entry equal to `name` at or after `from`, or -1.
int CallIndex(const std::string& name, int from = 0);

// While set, NdisMPciAssignResources hands the driver a resource list whose
// register window is gone (no memory resource at all).
void HideMemoryResource(bool hide);

}  // namespace trx_test
