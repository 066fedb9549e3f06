// The installer run silently (as a script or a deployment tool runs it): what it leaves in
// the registry and on disk, Varnel.exe started as its "Open with" entry starts it, and the
// uninstaller taking every trace away again.
#include <set>
#include <tuple>

#include "journey.h"
#include "varnel/format.h"

namespace varnel::e2e {
namespace {

using Trace = std::set<std::wstring>;

// Every value under HKCU\`path` as "key|name=data", every key without values or subkeys as
// "key"; Wine's own settings, which change as programs run, aside.
void AddRegistry(const std::wstring& path, Trace& trace) {
  HKEY key = nullptr;
  if (path == L"Software\\Wine" ||
      RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return;
  }
  const std::size_t before = trace.size();
  wchar_t name[256];
  std::vector<BYTE> data(1 << 16);
  for (DWORD i = 0;; ++i) {
    DWORD length = 256, size = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueW(key, i, name, &length, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
      break;
    const auto* text = reinterpret_cast<const wchar_t*>(data.data());
    trace.insert(
        path + L"|" + name + L"=" +
        (type == REG_SZ ? std::wstring(text, wcsnlen(text, size / 2))
         : type == REG_DWORD
             ? L"dword:" + std::to_wstring(*reinterpret_cast<const DWORD*>(data.data()))
             : L"type " + std::to_wstring(type) + L", " + std::to_wstring(size) + L" bytes"));
  }
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    AddRegistry(path + L"\\" + name, trace);
  }
  RegCloseKey(key);
  if (trace.size() == before) trace.insert(path);
}

// Every file and empty folder under `folder`, temporary files aside. Never throws: the
// uninstaller may be deleting what is being looked at.
void AddFiles(const fs::path& folder, Trace& trace) {
  std::error_code error;
  for (fs::recursive_directory_iterator i(folder, error), end; i != end; i.increment(error)) {
    if (i->path().filename() == L"Temp") {
      i.disable_recursion_pending();
    } else if (!i->is_directory(error) || fs::is_empty(i->path(), error)) {
      trace.insert(i->path().wstring());
    }
  }
}

fs::path StartMenu() {
  return FromEnvironment(L"APPDATA") / L"Microsoft\\Windows\\Start Menu\\Programs";
}
fs::path Folder() { return FromEnvironment(L"LOCALAPPDATA") / L"Programs\\Varnel"; }

Trace Snapshot() {
  Trace trace;
  AddRegistry(L"Software", trace);
  AddFiles(FromEnvironment(L"LOCALAPPDATA"), trace);
  AddFiles(StartMenu(), trace);
  return trace;
}

// What `now` has that `then` had not ("+ line"), and what it lost ("- line").
std::vector<std::wstring> Changes(const Trace& then, const Trace& now) {
  std::vector<std::wstring> changes;
  for (const auto& [from, to, sign] : {std::tuple{&then, &now, L"+ "}, {&now, &then, L"- "}}) {
    for (const std::wstring& line : *to) {
      if (!from->contains(line)) changes.push_back(sign + line);
    }
  }
  return changes;
}

class InstallJourney : public Journey {
 protected:
  // Installs before Journey::SetUp starts the installed Varnel.exe on an example palette.
  InstallJourney() {
    // Another program's default for .pal, which the installer must leave alone.
    HKEY pal = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\.pal", 0, nullptr, 0, KEY_WRITE,
                    nullptr, &pal, nullptr);
    RegSetValueExW(pal, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"Other.Palette"),
                   sizeof L"Other.Palette");
    RegCloseKey(pal);
    before_ = Snapshot();
    const fs::path installer = FromEnvironment(L"VARNEL_INSTALLER");
    EXPECT_TRUE(fs::exists(installer))
        << installer.string() << " is missing: make test-e2e makes it";
    const UniqueHandle setup = StartProcess(installer, L"/S", {});
    DWORD status = 1;
    EXPECT_TRUE(setup && WaitForSingleObject(setup.get(), 60000) == WAIT_OBJECT_0 &&
                GetExitCodeProcess(setup.get(), &status) && status == 0)
        << "setup /S failed: " << status;
    installed_ = Snapshot();
    program_ = Folder() / L"Varnel.exe";
    arguments_ = L"\"" + (Folder() / L"examples\\ocean.act").wstring() + L"\"";  // "%1"
  }

  Trace before_, installed_;
};

TEST_F(InstallJourney, InstallsOffersOpenWithStartsAndUninstallsWithoutTrace) {
  const std::wstring exe = program_.wstring(), open = L"\"" + exe + L"\" \"%1\"";
  const std::wstring classes = L"Software\\Classes\\";
  const std::wstring entry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnel|";
  const std::wstring uninstaller = (Folder() / L"Uninstall.exe").wstring();
  Trace expected = {
      classes + L"Varnel.Palette|=Palette",
      classes + L"Varnel.Palette\\DefaultIcon|=" + exe + L",0",
      classes + L"Varnel.Palette\\shell\\open\\command|=" + open,
      classes + L"Applications\\Varnel.exe|FriendlyAppName=Varnel Pallete Converter",
      classes + L"Applications\\Varnel.exe\\shell\\open\\command|=" + open,
      entry + L"DisplayName=Varnel Pallete Converter",
      entry + L"DisplayVersion=1.0.0.1",
      entry + L"DisplayIcon=" + exe + L",0",
      entry + L"Publisher=The Varnel Pallete Converter authors",
      entry + L"InstallLocation=" + Folder().wstring(),
      entry + L"UninstallString=\"" + uninstaller + L"\"",
      entry + L"QuietUninstallString=\"" + uninstaller + L"\" /S",
      entry + L"NoModify=dword:1",
      entry + L"NoRepair=dword:1",
      (StartMenu() / L"Varnel.lnk").wstring(),
      uninstaller,
  };
  for (const FormatInfo& info : kFormats) {
    if (!info.openWith) continue;
    for (const std::string_view ext : info.extensions) {
      if (ext.empty()) continue;  // a format read from any name
      const std::wstring type = L"." + std::wstring(ext.begin(), ext.end());
      expected.insert(classes + type + L"\\OpenWithProgids|Varnel.Palette=type 0, 0 bytes");
      expected.insert(classes + L"Applications\\Varnel.exe\\SupportedTypes|" + type + L"=");
    }
  }
  std::uintmax_t kilobytes = 0;  // of what the installer unpacks, each file rounded up
  for (const wchar_t* file :
       {L"Varnel.exe", L"palconv.exe", L"README.md", L"LICENSE", L"LittleCMS-LICENSE.txt",
        L"libjpeg-turbo-LICENSE.txt", L"expat-LICENSE.txt", L"nlohmann-json-LICENSE.txt",
        L"examples\\README.md", L"examples\\forest.act", L"examples\\ocean.act",
        L"examples\\pastel16.pal", L"examples\\sunset.pal"}) {
    expected.insert((Folder() / file).wstring());
    kilobytes += (fs::file_size(Folder() / file) + 1023) / 1024;
  }
  expected.insert(entry + L"EstimatedSize=dword:" + std::to_wstring(kilobytes));
  expected.insert(before_.begin(), before_.end());
  EXPECT_EQ(Changes(expected, installed_), std::vector<std::wstring>{})
      << "+ not expected, - missing";
  EXPECT_EQ(ReadBytes(program_), ReadBytes(FromEnvironment(L"VARNEL_EXE")));

  // Started as "Open with" starts it, the program shows the palette.
  ExpectShown(PaletteOf(Folder() / L"examples\\ocean.act"));
  PostMessageW(main_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitForExit());

  // The uninstaller hands over to a copy of itself in the temporary folder and ends at once.
  // Its own registry entry goes last of all it removes: wait for that alone, since looking
  // through the folders meanwhile holds them open and keeps it from removing them.
  ASSERT_TRUE(StartProcess(uninstaller, L"/S", {}));
  EXPECT_TRUE(WaitUntil([] {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnel", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
      return true;
    RegCloseKey(key);
    return false;
  })) << "the uninstaller did not finish";
  EXPECT_EQ(Changes(before_, Snapshot()), std::vector<std::wstring>{}) << "+ left behind, - lost";
}

}  // namespace
}  // namespace varnel::e2e
