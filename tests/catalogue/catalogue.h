// The hostile-input catalogue: every input with what reading it must give and why.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "varnel/palette.h"

namespace varnel::hostile {

// What reading an input must give: a table (worked out from the input's path when it
// depends on the bytes) or a FileError with this exact reason.
struct Outcome {
  std::function<Palette(const std::filesystem::path&)> table;  // empty when an error is due
  std::string reason;                                          // the error's reason
};

struct Input {
  std::string label;           // test name
  std::filesystem::path path;  // what is read
  Outcome outcome;
  std::string why;
  bool unprivileged = false;   // read without root's privileges, so permission bits apply
  std::function<void()> make;  // makes the input on disk; empty for committed files
  std::shared_ptr<std::once_flag> made = std::make_shared<std::once_flag>();
};

// Test output names an input by its label.
inline void PrintTo(const Input& input, std::ostream* out) { *out << input.label; }

// The committed files under tests/catalogue/files/ and the inputs made at run time
// (big files, folders, links, paths) in a scratch folder that lasts as long as the process.
const std::vector<Input>& Catalogue();

// The catalogue's folder of committed files.
std::filesystem::path CatalogueFiles();

// Makes the input on disk if it is made at run time; once per process.
void Prepare(const Input& input);

// What reading `input` gave, the way the programs read: the format chosen by the
// extension. Runs without privileges when the input asks for it.
struct ReadResult {
  std::optional<Palette> table;
  std::string error_path;  // FileError's path and reason when reading failed
  std::string reason;
};
ReadResult ReadAsThePrograms(const Input& input);

// Entry i is (i, 255 - i, 3i cut to 8 bits): the palette most catalogue files hold.
Palette Pattern();

}  // namespace varnel::hostile
