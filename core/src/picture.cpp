#include "picture.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>

#include "quantize.h"

namespace varnel {
namespace {

// Distinct colours not opaque counted for the message that refuses a picture of too many.
constexpr std::size_t kMaxCounted = std::size_t{1} << 22;

// The cell of like colours a colour (and alpha) goes to: the top 6 bits of red, green, blue.
constexpr std::size_t CellOf(std::uint32_t key) noexcept {
  return (key >> 2 & 0x3F) << 12 | (key >> 10 & 0x3F) << 6 | (key >> 18 & 0x3F);
}

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
  // The colour of the pixel before, further on: no colour to look up.
  const bool again = key == last_ && place > lastPlace_ && size_ > 0;
  last_ = key;
  lastPlace_ = place;
  if (!again) lastCount_ = Locate(key, place);
  if (lastCount_ != nullptr) ++*lastCount_;
  if (!cells_.empty()) AddToCell(key);
}

// Where the pixels of the colour `key` are counted, or nullptr once they go to cells.
std::uint64_t* DistinctColors::Locate(std::uint32_t key, std::uint64_t place) {
  if (Slot& slot = SlotOf(key); slot.used) {
    slot.place = std::min(slot.place, place);
    return &slot.pixels;
  } else if (size_ < kPaletteSize) {
    slot = {key, true, place, 0};
    ++size_;
    return &slot.pixels;
  }
  std::uint64_t* count = nullptr;
  if (cells_.empty()) {
    const auto [entry, added] = exact_.try_emplace(key, 0);
    count = &entry->second;
    if (!added) return count;  // counted already
    if (exact_.size() > kMaxExact) {
      StartCells();
      count = nullptr;
    }
  }
  if (key >> 24 == 0xFF) {  // opaque: a bit of its own
    if (opaque_.empty()) opaque_.resize((std::size_t{1} << 24) / 64);
    std::uint64_t& word = opaque_[(key & 0xFFFFFF) >> 6];
    const std::uint64_t bit = std::uint64_t{1} << (key & 63);
    opaqueMore_ += (word & bit) == 0 ? 1 : 0;
    word |= bit;
  } else if (!capped_) {  // once capped, the count is known
    more_.push_back(key);
    if (more_.size() == 2 * kMaxCounted) Settle();
  }
  return count;
}

// The cells, with every pixel counted so far.
void DistinctColors::StartCells() {
  cells_.resize(std::size_t{1} << 18);
  auto pour = [this](std::uint32_t key, std::uint64_t pixels) {
    ColorCell& cell = cells_[CellOf(key)];
    cell.pixels += pixels;
    for (std::size_t c = 0; c < 4; ++c) cell.sums[c] += (key >> 8 * c & 0xFF) * pixels;
  };
  for (const Slot& slot : slots_)
    if (slot.used) pour(slot.key, slot.pixels);
  for (const auto& [key, pixels] : exact_) pour(key, pixels);  // sums: any order
  exact_ = {};
}

void DistinctColors::AddToCell(std::uint32_t key) noexcept {
  ColorCell& cell = cells_[CellOf(key)];
  ++cell.pixels;
  for (std::size_t c = 0; c < 4; ++c) cell.sums[c] += key >> 8 * c & 0xFF;
}

PaletteData DistinctColors::Finish(std::string picture) {
  Settle();
  auto pixels = std::make_shared<std::vector<ColorCell>>();
  ColorList list;
  if (more_.empty() && opaqueMore_ == 0) {
    std::vector<std::pair<std::uint64_t, const Slot*>> order;
    order.reserve(size_);
    for (const Slot& slot : slots_)
      if (slot.used) order.emplace_back(slot.place, &slot);
    std::ranges::sort(order, {}, [](const auto& entry) { return entry.first; });
    for (const auto& [place, slot] : order) {
      const std::uint32_t key = slot->key;
      list.Add(key & 0xFFFFFFu, {}, static_cast<std::uint8_t>(key >> 24));
      ColorCell& cell = pixels->emplace_back(ColorCell{slot->pixels, {}});
      for (std::size_t c = 0; c < 4; ++c) cell.sums[c] = (key >> 8 * c & 0xFF) * slot->pixels;
    }
  } else {
    if (cells_.empty()) {  // every colour's own pixels, in the order of their keys
      std::vector<std::pair<std::uint32_t, std::uint64_t>> colors(exact_.begin(), exact_.end());
      for (const Slot& slot : slots_)
        if (slot.used) colors.emplace_back(slot.key, slot.pixels);
      std::ranges::sort(colors);
      for (const auto& [key, count] : colors) {
        ColorCell& cell = pixels->emplace_back(ColorCell{count, {}});
        for (std::size_t c = 0; c < 4; ++c) cell.sums[c] = (key >> 8 * c & 0xFF) * count;
      }
    }
    std::ranges::copy_if(cells_, std::back_inserter(*pixels),
                         [](const ColorCell& cell) { return cell.pixels > 0; });
    for (const Representative& r : Quantize(*pixels, kPaletteSize)) list.Add(r.color, {}, r.alpha);
  }
  PaletteData data = list.Finish();
  data.picture = std::move(picture);
  data.pixels = std::move(pixels);
  data.pictureColors = size_ + opaqueMore_ + more_.size();
  data.pictureColorsCapped = capped_;
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
    if (needed_ > kMaxHead) throw FormatError("what comes before its pixels is larger than 16 MiB");
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
