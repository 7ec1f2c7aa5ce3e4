// Files in the host's build tree, written by a test program under Wine, which
// sees the host's root as drive Z:.
#pragma once

#include <string>

namespace wintest {

// The Windows path of the host folder HOST_PATH ("/abs/path"), made with its
// parent when missing.
std::wstring HostFolder(const wchar_t* hostPath);

// Writes BYTES as the file PATH; fails the running test when it cannot.
void WriteHostFile(const std::wstring& path, const std::string& bytes);

}  // namespace wintest
