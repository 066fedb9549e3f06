// What the built executables are without their windows: Varnel.exe's version record, and
// palconv.exe taking file names in any script through its UTF-16 command line.
#include "journey.h"

namespace varnel::e2e {
namespace {

TEST(Executables, VarnelCarriesItsVersionRecord) {
  const std::wstring exe = FromEnvironment(L"VARNEL_EXE").wstring();
  DWORD ignored = 0;
  std::vector<unsigned char> data(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_FALSE(data.empty()) << "no version record";
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
  auto query = [&](const std::wstring& key) -> const void* {
    void* value = nullptr;
    UINT length = 0;
    return VerQueryValueW(data.data(), key.c_str(), &value, &length) && length > 0 ? value : nullptr;
  };

  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query(L"\\"));
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u) << "file version 1.0.x.x";
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u) << "file version x.x.0.1";
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  const struct {
    const wchar_t* key;
    const wchar_t* value;
  } rows[] = {
      {L"FileDescription", L"VARNEL MFC Application"}, {L"FileVersion", L"1, 0, 0, 1"},
      {L"ProductVersion", L"1, 0, 0, 1"},              {L"InternalName", L"VARNEL"},
      {L"ProductName", L"VARNEL Application"},         {L"CompanyName", L""},
      {L"LegalTrademarks", L""},
  };
  for (const auto& row : rows) {
    const auto* text = static_cast<const wchar_t*>(query(L"\\StringFileInfo\\040904B0\\" + std::wstring(row.key)));
    EXPECT_EQ(text != nullptr ? std::wstring(text) : L"", row.value) << fs::path(row.key).string();
  }
}

// palconv.exe's exit status, or -1 if it did not run or end.
int RunPalconv(const std::wstring& arguments) {
  const UniqueHandle process = StartProcess(FromEnvironment(L"VARNEL_PALCONV_EXE"), arguments, {});
  DWORD status = 0;
  if (!process || WaitForSingleObject(process.get(), static_cast<DWORD>(kPatience.count())) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.get(), &status)) {
    return -1;
  }
  return static_cast<int>(status);
}

TEST(Executables, PalconvConvertsFilesNamedInAnyScript) {
  const fs::path folder = FromEnvironment(L"VARNEL_E2E_FILES") / L"palconv \u041F\u0430\u043B \u65E5\u672C";
  fs::create_directories(folder);
  const fs::path pal = folder / L"\u5915\u713C\u3051.pal";
  WriteBytes(pal, JascPalFile(Sunset()));
  ASSERT_EQ(RunPalconv(L"\"" + pal.wstring() + L"\""), 0) << "converting beside";
  EXPECT_EQ(ReadBytes(fs::path(pal).replace_extension(".act")), ActFile(Sunset()));
  const fs::path named = folder / L"\u043A\u043E\u043F\u0438\u044F.pal";
  ASSERT_EQ(RunPalconv(L"-o \"" + named.wstring() + L"\" \"" + fs::path(pal).replace_extension(".act").wstring() + L"\""), 0)
      << "converting to a named output";
  EXPECT_EQ(ReadBytes(named), JascPalFile(Sunset()));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace varnel::e2e
