// Scratch folders, whole files and child processes, for every native test.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace varnel::test {

namespace fs = std::filesystem;

// A fresh folder under /tmp that "nobody" can enter, removed with all in it whatever its modes.
struct TempDir {
  TempDir();
  ~TempDir();
  fs::path operator/(const fs::path& name) const { return path / name; }
  fs::path path;
};

std::string ReadBytes(const fs::path& path);                    // throws if it cannot
void WriteBytes(const fs::path& path, std::string_view bytes);  // and its folders
fs::path TestFile(const fs::path& name);                        // a file under tests/

// Every name under `root`: its mode, and a file's Entry, a link's target, "folder" or "special".
std::map<std::string, std::string> Snapshot(const fs::path& root);
std::string Entry(fs::perms mode, std::string_view bytes);

struct Outcome {  // how a child ended (exit status, or 128 + signal) and what it wrote
  int status = -1;
  std::string out, err;
};
enum class Stdout { Collect, Terminal, Full };  // Terminal: a pseudo-terminal; Full: /dev/full

// Runs `body` in a child, `in` on its standard input and what it returns on its standard output.
Outcome Fork(const std::function<std::string()>& body, std::string_view in = {},
             Stdout out = Stdout::Collect);
Outcome Spawn(const std::vector<std::string>& argv, std::string_view in = {},
              Stdout out = Stdout::Collect, const fs::path& folder = {});

bool DropPrivileges();  // root becomes "nobody", for whom permission bits count; false if not
fs::path PalconvIn(const fs::path& folder);  // a copy "nobody" can run wherever the build lies

}  // namespace varnel::test
