// What the built executables carry: the version record, and imports of system DLLs only.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "remote.h"

namespace varnel::e2e {
namespace {

std::vector<unsigned char> ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T>
std::optional<T> ReadAt(const std::vector<unsigned char>& bytes, std::size_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return std::nullopt;
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

// Names of the DLLs an executable imports, upper-cased; empty if the file is not a PE image.
std::set<std::string> ImportedDlls(const std::filesystem::path& exe) {
  const std::vector<unsigned char> bytes = ReadAll(exe);
  const auto dos = ReadAt<IMAGE_DOS_HEADER>(bytes, 0);
  if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return {};
  const auto nt = ReadAt<IMAGE_NT_HEADERS32>(bytes, static_cast<std::size_t>(dos->e_lfanew));
  if (!nt || nt->Signature != IMAGE_NT_SIGNATURE) return {};
  const std::size_t sections = static_cast<std::size_t>(dos->e_lfanew) + sizeof(DWORD) +
                               sizeof(IMAGE_FILE_HEADER) + nt->FileHeader.SizeOfOptionalHeader;
  auto fileOffset = [&](DWORD rva) -> std::optional<std::size_t> {
    for (std::size_t i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      const auto s = ReadAt<IMAGE_SECTION_HEADER>(bytes, sections + i * sizeof(IMAGE_SECTION_HEADER));
      if (s && rva >= s->VirtualAddress && rva < s->VirtualAddress + s->SizeOfRawData) {
        return rva - s->VirtualAddress + s->PointerToRawData;
      }
    }
    return std::nullopt;
  };
  std::set<std::string> names;
  const DWORD table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  const auto first = fileOffset(table);
  for (std::size_t at = first.value_or(bytes.size());; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const auto entry = ReadAt<IMAGE_IMPORT_DESCRIPTOR>(bytes, at);
    if (!entry || entry->Name == 0) break;
    const auto name = fileOffset(entry->Name);
    if (!name) break;
    std::string text(reinterpret_cast<const char*>(bytes.data() + *name),
                     strnlen(reinterpret_cast<const char*>(bytes.data() + *name), bytes.size() - *name));
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    names.insert(text);
  }
  return names;
}

TEST(Executable, ImportsOnlySystemDlls) {
  // The C and C++ runtimes and the thread library are linked in: a user copies the .exe
  // alone and it starts.
  const std::set<std::string> system = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL",
                                        "COMDLG32.DLL", "MSVCRT.DLL", "ADVAPI32.DLL",
                                        "SHELL32.DLL",  "COMCTL32.DLL", "VERSION.DLL",
                                        "OLE32.DLL",    "UCRTBASE.DLL"};
  std::vector<std::filesystem::path> programs = {ProgramPath()};
  if (const wchar_t* palconv = _wgetenv(L"VARNEL_PALCONV_EXE"); palconv != nullptr && *palconv != L'\0') {
    programs.emplace_back(palconv);
  }
  for (const std::filesystem::path& program : programs) {
    const std::set<std::string> imports = ImportedDlls(program);
    EXPECT_FALSE(imports.empty()) << program.string() << " has no import table";
    for (const std::string& dll : imports) {
      EXPECT_TRUE(system.count(dll) == 1) << program.filename().string() << " needs " << dll;
    }
  }
}

class VersionRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring path = ProgramPath().wstring();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version record";
    data_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data_.data()));
  }

  template <typename T>
  const T* Query(const std::wstring& key, UINT* length = nullptr) {
    void* value = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(data_.data(), key.c_str(), &value, &size)) return nullptr;
    if (length != nullptr) *length = size;
    return static_cast<const T*>(value);
  }

  std::vector<unsigned char> data_;
};

TEST_F(VersionRecord, FixedPartNamesVersionAndKind) {
  const auto* fixed = Query<VS_FIXEDFILEINFO>(L"\\");
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u) << "file version 1.0.x.x";
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u) << "file version x.x.0.1";
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

  UINT length = 0;
  const auto* translation = Query<WORD>(L"\\VarFileInfo\\Translation", &length);
  ASSERT_NE(translation, nullptr);
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0409) << "US English";
  EXPECT_EQ(translation[1], 0x04B0) << "Unicode code page";
}

TEST_F(VersionRecord, StringsNameTheProgram) {
  struct Row {
    const wchar_t* key;
    const wchar_t* value;
  };
  const Row rows[] = {
      {L"FileDescription", L"VARNEL MFC Application"},
      {L"FileVersion", L"1, 0, 0, 1"},
      {L"ProductVersion", L"1, 0, 0, 1"},
      {L"InternalName", L"VARNEL"},
      {L"ProductName", L"VARNEL Application"},
      {L"CompanyName", L""},
      {L"LegalTrademarks", L""},
  };
  for (const Row& row : rows) {
    UINT length = 0;
    const auto* text = Query<wchar_t>(std::wstring(L"\\StringFileInfo\\040904B0\\") + row.key, &length);
    const std::wstring seen = text != nullptr && length > 0 ? std::wstring(text) : std::wstring();
    EXPECT_EQ(seen, row.value) << std::filesystem::path(row.key).string();
    if (*row.value != L'\0') {
      EXPECT_NE(text, nullptr) << std::filesystem::path(row.key).string();
    }
  }
}

}  // namespace
}  // namespace varnel::e2e
