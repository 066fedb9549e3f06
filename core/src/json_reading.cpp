#include "json_reading.h"

#include "varnel/format.h"
#include "varnel/text.h"
#include "varnel/utf.h"

namespace varnel::json {
namespace {

struct TooDeep {};

Value ParseOrThrow(std::string_view text) {
  text = WithoutBom(text);
  const Value::parser_callback_t depth = [](int level, Value::parse_event_t event, Value&) {
    if ((event == Value::parse_event_t::object_start || event == Value::parse_event_t::array_start) &&
        level >= kMaxDepth)
      throw TooDeep{};
    return true;
  };
  return Value::parse(text.begin(), text.end(), depth);
}

std::string_view TypeName(const Value& value) noexcept {
  switch (value.type()) {
    case Value::value_t::object: return "an object";
    case Value::value_t::array: return "an array";
    case Value::value_t::string: return "a string";
    case Value::value_t::boolean: return value.get<bool>() ? "true" : "false";
    case Value::value_t::null: return "null";
    default: return "a number";
  }
}

// A bound as people write it: 255, not 255.0.
std::string Shown(double bound) {
  const auto whole = static_cast<long long>(bound);
  return static_cast<double>(whole) == bound ? std::to_string(whole) : Value(bound).dump();
}

}  // namespace

Value Parse(std::string_view text) {
  try {
    return ParseOrThrow(text);
  } catch (const TooDeep&) {
    throw FormatError("its values nest deeper than " + std::to_string(kMaxDepth));
  } catch (const Value::exception& error) {
    // "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error while
    // parsing value - invalid literal; last read: 'x'": the reason and the place, without
    // the library's code and the bytes it read, which may be anything.
    std::string reason = error.what();
    reason.erase(0, reason.find(']') == std::string::npos ? 0 : reason.find(']') + 2);
    reason.erase(std::min(reason.find("; last read"), reason.size()));
    throw FormatError("it is not JSON: " + ValidUtf8(reason));
  }
}

std::optional<Value> TryParse(std::string_view text) noexcept {
  try {
    return ParseOrThrow(text);
  } catch (...) {
    return std::nullopt;
  }
}

At At::operator[](std::string_view key) const {
  std::string path = path_.empty() ? std::string(key) : path_ + "." + std::string(key);
  if (value_ == nullptr || !value_->is_object()) return At(nullptr, std::move(path));
  const auto found = value_->find(key);
  return At(found == value_->end() ? nullptr : &*found, std::move(path));
}

At At::operator[](std::size_t index) const {
  return At(&value().at(index), path_ + "[" + std::to_string(index) + "]");
}

const Value& At::value() const {
  if (value_ == nullptr) Fail("is missing");
  return *value_;
}

void At::Fail(std::string_view what) const {
  throw FormatError((path_.empty() ? std::string("its top level") : path_) + " " + std::string(what));
}

void At::Expect(Value::value_t type, std::string_view name) const {
  const Value& v = value();
  const bool number = type == Value::value_t::number_float && v.is_number();
  if (!number && v.type() != type) Fail("is " + std::string(TypeName(v)) + ", not " + std::string(name));
}

double At::Number(double min, double max) const {
  Expect(Value::value_t::number_float, "a number");
  const double number = value_->get<double>();
  if (!(number >= min && number <= max))
    Fail("is " + value_->dump() + ", not within " + Shown(min) + " to " + Shown(max));
  return number;
}

std::string At::String() const {
  Expect(Value::value_t::string, "a string");
  return value_->get<std::string>();
}

const Value& At::Object() const {
  Expect(Value::value_t::object, "an object");
  return *value_;
}

std::size_t At::Array() const {
  Expect(Value::value_t::array, "an array");
  return value_->size();
}

}  // namespace varnel::json
