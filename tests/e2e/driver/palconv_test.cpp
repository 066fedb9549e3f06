// palconv.exe, the command-line converter of the same build, under Wine: its arguments arrive
// as UTF-16, so file names in any script reach it whole.
#include <gtest/gtest.h>

#include <string>

#include "journey.h"

namespace varnel::e2e {
namespace {

fs::path PalconvPath() {
  const wchar_t* value = _wgetenv(L"VARNEL_PALCONV_EXE");
  return value != nullptr ? fs::path(value) : fs::path();
}

// Runs palconv.exe with `arguments` and returns its exit status (-1 if it did not run or end).
int RunPalconv(const std::wstring& arguments) {
  const fs::path exe = PalconvPath();
  std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start palconv.exe: error " << GetLastError();
    return -1;
  }
  CloseHandle(info.hThread);
  UniqueHandle process(info.hProcess);
  if (WaitForSingleObject(process.get(), static_cast<DWORD>(kPatience.count())) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    ADD_FAILURE() << "palconv.exe did not finish";
    return -1;
  }
  DWORD status = 0;
  GetExitCodeProcess(process.get(), &status);
  return static_cast<int>(status);
}

std::wstring Quoted(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

TEST(PalconvExe, ConvertsFilesNamedInAnyScript) {
  ASSERT_FALSE(PalconvPath().empty()) << "VARNEL_PALCONV_EXE is not set: the build has no palconv.exe";
  const fs::path folder = ScratchFolder() / L"palconv Палитры 日本";
  fs::create_directories(folder);
  WriteBytes(folder / L"夕焼け.pal", JascPalFile(Sunset()));

  ASSERT_EQ(RunPalconv(Quoted(folder / L"夕焼け.pal")), 0) << "convert beside";
  EXPECT_EQ(ReadBytes(folder / L"夕焼け.act"), ActFile(Sunset()));

  ASSERT_EQ(RunPalconv(L"-o " + Quoted(folder / L"копия.pal") + L" " + Quoted(folder / L"夕焼け.act")), 0)
      << "convert to a named output";
  EXPECT_EQ(ReadBytes(folder / L"копия.pal"), JascPalFile(Sunset()));
}

}  // namespace
}  // namespace varnel::e2e
