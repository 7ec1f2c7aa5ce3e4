#include "wintest/host_files.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace wintest {

std::wstring HostFolder(const wchar_t* hostPath)
{
  std::wstring folder = std::wstring(L"Z:") + hostPath;
  for (wchar_t& c : folder)
    if (c == L'/') c = L'\\';
  CreateDirectoryW(folder.substr(0, folder.rfind(L'\\')).c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void WriteHostFile(const std::wstring& path, const std::string& bytes)
{
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const bool done = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
  const DWORD error = GetLastError();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  EXPECT_TRUE(done) << "could not write " << std::string(path.begin(), path.end()) << ": error " << error;
}

}  // namespace wintest
