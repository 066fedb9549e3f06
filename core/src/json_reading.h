// What the JSON formats share: parsing through nlohmann-json with a ceiling on nesting, and
// values asked for by their place in the file, so that a message says which one is wrong
// ("colors[3].red is a string, not a number").
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace varnel::json {

using Value = nlohmann::json;
// What the writers build, members in the order given.
using Ordered = nlohmann::ordered_json;

// Nesting deeper than this is refused: palettes need three levels, and a file that nests
// thousands deep is made to exhaust a reader.
inline constexpr int kMaxDepth = 64;

// The value of JSON `text` (a UTF-8 byte-order mark before it is skipped). Throws
// FormatError: "it is not JSON: REASON at line L, column C", "its values nest deeper than 64".
Value Parse(std::string_view text);
// `value` as text, `indent` spaces a level (-1 for one line), bad UTF-8 replaced by U+FFFD.
std::string Dump(const Ordered& value, int indent = 2);

// A value found at a place of the file, or nothing there; its accessors throw FormatError
// naming the place. The place is spelled only for a message: an At refers to the At it was
// found in, which must outlive it (as a variable or within one expression).
class At {
 public:
  explicit At(const Value& root) noexcept : value_(&root) {}

  At operator[](std::string_view key) const noexcept;  // a member, or nothing (also of a non-object)
  At operator[](std::size_t index) const;              // an element, which must be there

  bool Has() const noexcept { return value_ != nullptr; }
  const Value& value() const;  // throws "PATH is missing"
  // The value as a number within `min` to `max`, as a string, an object, or an array (its
  // size): else "PATH is a string, not a number", "PATH is 300, not within 0 to 255".
  double Number(double min, double max) const;
  std::string String() const;
  const Value& Object() const;
  std::size_t Array() const;
  [[noreturn]] void Fail(std::string_view what) const;  // "PATH " + what
  std::string path() const;  // "colors[3].red"; "" for the top level

 private:
  At(const Value* value, const At* parent, std::string_view key, std::size_t index) noexcept
      : value_(value), parent_(parent), key_(key), index_(index) {}
  void Expect(Value::value_t type, std::string_view name) const;

  const Value* value_;
  const At* parent_ = nullptr;  // none for the top level
  std::string_view key_;        // a member's name, or "" for an element
  std::size_t index_ = 0;       // an element's
};

}  // namespace varnel::json
