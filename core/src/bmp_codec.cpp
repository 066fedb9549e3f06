// BMP: the file header, the information header, then the colour table, or pixels of 16 to
// 32 bits uncompressed, read row by row as they come.
#include <bit>
#include <cstdlib>

#include "picture.h"

namespace varnel {
namespace {

constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3;

bool KnownBmpHeader(std::uint32_t size) noexcept {
  return size == 12 || size == 16 || size == 40 || size == 52 || size == 56 || size == 64 ||
         size == 108 || size == 124;
}

// A channel of a 16- or 32-bit pixel by its mask, widened to 8 bits; `missing` where the
// mask is empty.
struct Channel {
  Channel() = default;
  Channel(std::uint32_t mask, std::uint8_t none) noexcept
      : shift(mask == 0 ? 0 : std::countr_zero(mask)), top(mask >> shift), missing(none) {}
  std::uint8_t Of(std::uint32_t pixel) const noexcept {
    if (top == 0) return missing;
    const std::uint64_t value = (pixel >> shift) & top;
    return static_cast<std::uint8_t>((value * 255 + top / 2) / top);
  }
  int shift = 0;
  std::uint32_t top = 0;
  std::uint8_t missing = 0;
};

class BmpDecoder final : public HeadAndBody {
  std::optional<PaletteData> Head(const ByteReader& in) override {
    const std::string_view start = in.rest().substr(0, 2);
    if (!std::string_view("BM").starts_with(start))
      throw FormatError("it does not start with \"BM\"");
    const std::uint32_t header = in.U32At(14);
    if (!KnownBmpHeader(header))
      throw FormatError("its information header of " + std::to_string(header) +
                        " bytes is of no known kind");
    in.Need(14 + std::uint64_t{header}, "its information header");
    const bool core = header == 12;
    const auto width = core ? std::int64_t{in.U16At(18)}
                            : std::int64_t{static_cast<std::int32_t>(in.U32At(18))};
    const auto height = core ? std::int64_t{in.U16At(20)}
                             : std::int64_t{static_cast<std::int32_t>(in.U32At(22))};
    bits_ = in.U16At(core ? 24 : 28);
    const std::uint32_t compression = header >= 20 ? in.U32At(30) : kBiRgb;
    const std::uint32_t used = header >= 36 ? in.U32At(46) : 0;
    const bool indexed = bits_ == 1 || bits_ == 4 || bits_ == 8;
    if (!indexed && bits_ != 16 && bits_ != 24 && bits_ != 32)
      throw FormatError("its " + std::to_string(bits_) +
                        " bits per pixel are not 1, 4, 8, 16, 24 or 32");
    if (width < 0) throw FormatError("its width " + std::to_string(width) + " is negative");
    picture_ = Picture(indexed ? "indexed" : "true colour", static_cast<std::uint64_t>(width),
                       static_cast<std::uint64_t>(std::abs(height)));
    if (indexed) {
      if (used > (1u << bits_))
        throw FormatError("it claims a colour table of " + Grouped(used) + " entries, more than " +
                          Counted(bits_, "bit") + " per pixel can index (" +
                          Grouped(1u << bits_) + ")");
      PaletteData data =
          ColorTable(in, 14 + header, used != 0 ? used : 1u << bits_, core ? 3 : 4, true).Finish();
      data.picture = picture_;
      return data;
    }

    std::array<std::uint32_t, 4> masks{0x7C00, 0x3E0, 0x1F, 0};  // 16 bits: 5 each, no alpha
    if (bits_ == 32) masks = {0xFF0000, 0xFF00, 0xFF, 0};
    if (compression == kBiBitfields && bits_ != 24) {
      // The masks follow a 40-byte header, or lie in a larger one; from 56 bytes on, alpha too.
      in.Need(14 + 40 + 12, "its colour masks");
      for (std::size_t i = 0; i < (header >= 56 ? 4u : 3u); ++i) masks[i] = in.U32At(54 + 4 * i);
    } else if (compression != kBiRgb) {
      throw FormatError("its compression " + std::to_string(compression) + " is not one for " +
                        std::to_string(bits_) + "-bit pixels");
    }
    channels_ = {Channel(masks[0], 0), Channel(masks[1], 0), Channel(masks[2], 0),
                 Channel(masks[3], 255)};
    across_ = static_cast<std::size_t>(width);
    down_ = static_cast<std::size_t>(std::abs(height));
    topDown_ = height < 0;
    stride_ = (across_ * bits_ + 31) / 32 * 4;
    row_.reserve(stride_);
    bodyStart = in.U32At(10);
    return std::nullopt;
  }

  // Rows come bottom-up unless the height is negative; each is padded to 4 bytes.
  bool Body(std::string_view piece) override {
    while (!piece.empty() && rows_ < down_) {
      const std::size_t taken = std::min(stride_ - row_.size(), piece.size());
      row_.append(piece.substr(0, taken));
      piece.remove_prefix(taken);
      if (row_.size() < stride_) break;
      Row(topDown_ ? rows_ : down_ - 1 - rows_);
      row_.clear();
      ++rows_;
    }
    return rows_ < down_;
  }

  void Row(std::size_t y) {
    const ByteReader in(row_, Endian::Little);
    const std::size_t size = bits_ / 8;
    for (std::size_t x = 0; x < across_; ++x) {
      const std::uint64_t place = std::uint64_t{y} * across_ + x;
      if (bits_ == 24) {
        colors_.Add(MakeColor(int(in.U8At(3 * x + 2)), int(in.U8At(3 * x + 1)), int(in.U8At(3 * x))),
                    255, place);
      } else {
        const std::uint32_t pixel = size == 2 ? in.U16At(2 * x) : in.U32At(4 * x);
        colors_.Add(MakeColor(channels_[0].Of(pixel), channels_[1].Of(pixel), channels_[2].Of(pixel)),
                    channels_[3].Of(pixel), place);
      }
    }
  }

  PaletteData End() override {
    if (rows_ < down_) throw FormatError("its pixel data ends too early");
    return colors_.Finish(picture_);
  }

  std::uint32_t bits_ = 0;
  std::string picture_;
  std::array<Channel, 4> channels_;
  std::size_t across_ = 0, down_ = 0, rows_ = 0, stride_ = 0;
  bool topDown_ = false;
  std::string row_;
  DistinctColors colors_;
};

}  // namespace

bool LooksLikeBmp(std::string_view bytes) noexcept {
  const ByteReader in(bytes, Endian::Little);
  return bytes.size() >= 26 && bytes.starts_with("BM") && KnownBmpHeader(in.U32At(14)) &&
         14 + std::uint64_t{in.U32At(14)} <= bytes.size();
}

std::unique_ptr<StreamDecoder> BmpStream() { return std::make_unique<BmpDecoder>(); }

}  // namespace varnel
