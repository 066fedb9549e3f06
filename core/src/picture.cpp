#include "picture.h"

#include <algorithm>
#include <utility>

namespace varnel {
namespace {

// Distinct colours counted for the message that refuses a picture of too many.
constexpr std::size_t kMaxCounted = std::size_t{1} << 22;

}  // namespace

std::string SizeText(std::uint64_t width, std::uint64_t height) {
  return Grouped(width) + " \u00D7 " + Grouped(height);
}

std::string Picture(std::string_view kind, std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0)
    throw FormatError("its size, " + SizeText(width, height) + " pixels, holds no pixels");
  if (width > kMaxSide || height > kMaxSide)
    throw FormatError("a picture of " + SizeText(width, height) + " pixels, larger than " +
                      SizeText(kMaxSide, kMaxSide));
  return std::string(kind) + ", " + SizeText(width, height);
}

ColorList ColorTable(const ByteReader& in, std::size_t at, std::size_t count, std::size_t size,
                     bool bgr) {
  in.Need(at + count * size, "its colour table");
  ColorList list;
  for (std::size_t i = 0; i < count; ++i, at += size) {
    const auto first = static_cast<int>(in.U8At(at)), second = static_cast<int>(in.U8At(at + 1)),
               third = static_cast<int>(in.U8At(at + 2));
    list.Add(bgr ? MakeColor(third, second, first) : MakeColor(first, second, third));
  }
  return list;
}

void DistinctColors::Add(COLORREF color, std::uint8_t alpha, std::uint64_t place) {
  if (alpha == 0) return;
  const std::uint32_t key = color | std::uint32_t{alpha} << 24;
  // The colour of the pixel before, further on: nothing new.
  const bool again = key == last_ && place > lastPlace_ && size_ > 0;
  last_ = key;
  lastPlace_ = place;
  if (again) return;
  if (Slot& slot = SlotOf(key); slot.used) {
    slot.place = std::min(slot.place, place);
  } else if (size_ < kPaletteSize) {
    slot = {key, true, place};
    ++size_;
  } else if (!capped_) {  // once capped, the message is known
    more_.push_back(key);
    if (more_.size() == 2 * kMaxCounted) Settle();
  }
}

PaletteData DistinctColors::Finish(std::string picture) {
  Settle();
  if (!more_.empty()) {
    throw FormatError("a picture of " + std::string(capped_ ? "over " : "") +
                      Grouped(kPaletteSize + more_.size()) + " colours, not a palette (at most " +
                      Grouped(kPaletteSize) + ")");
  }
  std::vector<std::pair<std::uint64_t, std::uint32_t>> order;
  order.reserve(size_);
  for (const Slot& slot : slots_)
    if (slot.used) order.emplace_back(slot.place, slot.key);
  std::sort(order.begin(), order.end());
  ColorList list;
  for (const auto& [place, key] : order)
    list.Add(key & 0xFFFFFFu, {}, static_cast<std::uint8_t>(key >> 24));
  PaletteData data = list.Finish();
  data.picture = std::move(picture);
  return data;
}

// Keeps each colour beyond the first 256 once, and no more of them than are counted.
void DistinctColors::Settle() {
  std::sort(more_.begin(), more_.end());
  more_.erase(std::unique(more_.begin(), more_.end()), more_.end());
  if (more_.size() > kMaxCounted) {
    more_.resize(kMaxCounted);
    capped_ = true;
  }
}

bool HeadAndBody::Feed(std::string_view piece) {
  if (!wants_) return false;
  if (piece.empty()) return true;
  if (inBody_) return wants_ = Pass(piece);
  head_.append(piece);
  return head_.size() < needed_ || ReadHead(false);
}

PaletteData HeadAndBody::Finish() {
  if (!inBody_ && !palette_) {
    if (head_.empty()) throw FormatError("it is empty");
    ReadHead(true);
  }
  if (palette_) return std::move(*palette_);
  return End();
}

// Reads the head again with what has come; true while more is wanted.
bool HeadAndBody::ReadHead(bool complete) {
  const ByteReader in(head_, Endian::Little, complete);
  try {
    palette_ = Head(in);
  } catch (const MoreBytes& more) {
    needed_ = more.end;
    if (needed_ > kMaxHead)
      throw FormatError("what comes before its pixels is larger than 16 MiB");
    return true;
  }
  if (palette_) return wants_ = false;
  inBody_ = true;
  const std::string head = std::exchange(head_, {});
  return wants_ = Pass(head);
}

// Hands on `piece`, which follows the bytes seen so far, as far as it lies in the body.
bool HeadAndBody::Pass(std::string_view piece) {
  const std::uint64_t at = seen_;
  seen_ += piece.size();
  if (seen_ <= bodyStart) return true;
  if (at < bodyStart) piece.remove_prefix(static_cast<std::size_t>(bodyStart - at));
  return Body(piece);
}

}  // namespace varnel
