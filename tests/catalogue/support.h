// Folder snapshots, child processes and program runs for the hostile-input and write-fault
// tests.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "files.h"

namespace varnel::hostile {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// Every name under `root` with its bytes ("<folder>", "-> target" or "<special>" for what
// is no plain file): a folder tree to compare before and after.
std::map<std::string, std::string> TakeSnapshot(const fs::path& root);

// Runs `body` in a forked child (whose limits, user and mounts end with it) and returns
// what it returned, or a sentence saying how the child died.
std::string InChild(const std::function<std::string()>& body);

// Gives up root's privileges (to "nobody") so that permission bits apply. Returns an empty
// string, or why it could not.
std::string DropPrivileges();

// Runs `argv` (argv[0] a path) with standard input empty; its status and what it printed.
struct ProgramRun {
  int status = -1;
  std::string out, err;
};
ProgramRun RunProgram(const std::vector<std::string>& argv);

}  // namespace varnel::hostile
