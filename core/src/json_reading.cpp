#include "json_reading.h"

#include "varnel/format.h"
#include "varnel/text.h"
#include "varnel/utf.h"

namespace varnel::json {
namespace {

struct TooDeep {};

// Builds the value as nlohmann's own parser does, refusing to nest deeper than kMaxDepth
// (cheaper than a parser callback, which the library calls for every value).
class DepthLimited {
 public:
  explicit DepthLimited(Value& root) : dom_(root) {}
  bool null() { return dom_.null(); }
  bool boolean(bool value) { return dom_.boolean(value); }
  bool number_integer(Value::number_integer_t value) { return dom_.number_integer(value); }
  bool number_unsigned(Value::number_unsigned_t value) { return dom_.number_unsigned(value); }
  bool number_float(Value::number_float_t value, const std::string& text) {
    return dom_.number_float(value, text);
  }
  bool string(std::string& value) { return dom_.string(value); }
  bool binary(Value::binary_t& value) { return dom_.binary(value); }
  bool start_object(std::size_t size) { return Deeper() && dom_.start_object(size); }
  bool key(std::string& value) { return dom_.key(value); }
  bool end_object() { return --depth_, dom_.end_object(); }
  bool start_array(std::size_t size) { return Deeper() && dom_.start_array(size); }
  bool end_array() { return --depth_, dom_.end_array(); }
  template <class Exception>
  bool parse_error(std::size_t at, const std::string& token, const Exception& error) {
    return dom_.parse_error(at, token, error);  // throws it
  }

 private:
  bool Deeper() {
    if (++depth_ > kMaxDepth) throw TooDeep{};
    return true;
  }
  nlohmann::detail::json_sax_dom_parser<Value> dom_;
  int depth_ = 0;
};

Value ParseOrThrow(std::string_view text) {
  text = WithoutBom(text);
  Value root;
  DepthLimited sax(root);
  Value::sax_parse(text.begin(), text.end(), &sax);
  return root;
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

std::string Dump(const Ordered& value, int indent) {
  return value.dump(indent, ' ', false, Ordered::error_handler_t::replace);
}

At At::operator[](std::string_view key) const noexcept {
  if (value_ == nullptr || !value_->is_object()) return At(nullptr, this, key, 0);
  const auto found = value_->find(key);
  return At(found == value_->end() ? nullptr : &*found, this, key, 0);
}

At At::operator[](std::size_t index) const {
  return At(&value().at(index), this, {}, index);
}

std::string At::path() const {
  if (parent_ == nullptr) return {};
  std::string path = parent_->path();
  if (key_.empty()) return path + "[" + std::to_string(index_) + "]";
  return path.empty() ? std::string(key_) : path + "." + std::string(key_);
}

const Value& At::value() const {
  if (value_ == nullptr) Fail("is missing");
  return *value_;
}

void At::Fail(std::string_view what) const {
  const std::string place = path();
  throw FormatError((place.empty() ? std::string("its top level") : place) + " " + std::string(what));
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
