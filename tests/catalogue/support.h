// Scratch folders, whole files, child processes and program runs for the hostile-input and
// write-fault tests.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace varnel::hostile {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder that others may enter (mode 0755,
// so a process that dropped its privileges can still reach its files); removed with
// everything in it.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const fs::path& path() const noexcept { return path_; }
  fs::path operator/(std::string_view name) const { return path_ / name; }

 private:
  fs::path path_;
};

std::string ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, std::string_view bytes);

// Every name under `root` with its bytes, or "<folder>" for a folder, "-> target" for a
// symbolic link and "<special>" for a pipe or a device: a picture of a folder tree to
// compare before and after.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const fs::path& root);

// Names under `root` that look like a writer's temporary file (".varnel-*.tmp").
std::vector<std::string> TemporaryFilesUnder(const fs::path& root);

// Runs `body` in a forked child and returns what it returned; a child that dies or throws
// comes back as a sentence saying so. The child's changes to its process (limits, user,
// mounts in a namespace of its own) end with it.
std::string InChild(const std::function<std::string()>& body);

// Drops root's privileges for the rest of this process (to the user "nobody"), so that
// permission bits apply. Returns an empty string, or why it could not.
std::string DropPrivileges();

// A finished program run: its exit status (or 128 + signal) and what it printed.
struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs `argv` (argv[0] the program's path) with standard input empty and waits for it.
ProgramRun RunProgram(const std::vector<std::string>& argv);

}  // namespace varnel::hostile
