// PCX: a 128-byte header with a 16-colour palette, run-length coded lines of pixels, and
// for 8 bits a 256-colour palette at the end.
#include <algorithm>

#include "picture.h"

namespace varnel {
namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kTrailerSize = 769;  // 0x0C and 256 colours

class PcxDecoder final : public HeadAndBody {
  std::optional<PaletteData> Head(const ByteReader& in) override {
    if (in.U8At(0) != 0x0A) throw FormatError("it does not start with 0x0A");
    in.Need(kHeaderSize, "its header");
    const std::uint32_t left = in.U16At(4), top = in.U16At(6), right = in.U16At(8),
                        bottom = in.U16At(10);
    if (right < left || bottom < top)
      throw FormatError("its window ends before it starts (" + std::to_string(left) + "," +
                        std::to_string(top) + " to " + std::to_string(right) + "," +
                        std::to_string(bottom) + ")");
    const std::uint32_t bits = in.U8At(3), planes = in.U8At(65);
    width_ = right - left + 1;
    height_ = bottom - top + 1;
    lineBytes_ = in.U16At(66);
    const bool pixels = bits == 8 && planes == 3;
    picture_ = Picture(pixels ? "true colour" : "indexed", width_, height_);
    bodyStart = kHeaderSize;
    if ((bits == 4 && planes == 1) || (bits == 1 && planes >= 2 && planes <= 4)) {
      PaletteData data = ColorTable(in, 16, std::size_t{1} << (bits * planes), 3).Finish();
      data.picture = picture_;
      return data;
    }
    if (bits == 8 && planes == 1) {
      // Run-length coding at most doubles a line: a longer file is no PCX of its size.
      most_ = 2 * std::uint64_t{std::max(lineBytes_, width_)} * height_ + kTrailerSize;
      return std::nullopt;
    }
    if (pixels) {
      if (lineBytes_ < width_)
        throw FormatError("its lines of " + Counted(lineBytes_, "byte") + " per plane are shorter than its width, " +
                          Grouped(width_) + " pixels");
      pixels_ = true;
      line_.reserve(3 * std::size_t{lineBytes_});
      return std::nullopt;
    }
    throw FormatError("its " + Counted(planes, "plane") + " of " + Counted(bits, "bit") +
                      (planes == 1 ? " holds" : " hold") + " no palette (one of 4 bits or 2 to 4 of 1 bit: in the header; one of "
                      "8 bits: at the end; 3 of 8 bits: the colours of its pixels)");
  }

  bool Body(std::string_view piece) override {
    if (!pixels_) {  // 8 bits: only the last bytes matter
      length_ += piece.size();
      if (length_ > most_)
        throw FormatError("it is longer than a PCX picture of " + SizeText(width_, height_) +
                          " pixels can be");
      trailer_.append(piece.substr(piece.size() - std::min(piece.size(), kTrailerSize)));
      if (trailer_.size() > kTrailerSize) trailer_.erase(0, trailer_.size() - kTrailerSize);
      return true;
    }
    // 3 planes of 8 bits: each line holds its red, green and blue bytes one plane after the
    // other; a byte of the two top bits set repeats the next byte its low 6 bits times.
    const std::size_t lineSize = 3 * std::size_t{lineBytes_};
    for (const char c : piece) {
      const auto byte = static_cast<std::uint8_t>(c);
      std::size_t times = 1;
      if (run_) {
        times = repeat_;
        run_ = false;
      } else if ((byte & 0xC0) == 0xC0) {
        run_ = true;
        repeat_ = byte & 0x3F;
        continue;
      }
      while (times-- > 0) {
        line_.push_back(static_cast<char>(byte));
        if (line_.size() < lineSize) continue;
        for (std::size_t x = 0; x < width_; ++x)
          colors_.Add(MakeColor(static_cast<std::uint8_t>(line_[x]),
                                static_cast<std::uint8_t>(line_[lineBytes_ + x]),
                                static_cast<std::uint8_t>(line_[2 * std::size_t{lineBytes_} + x])),
                      255, std::uint64_t{lines_} * width_ + x);
        line_.clear();
        if (++lines_ == height_) return false;
      }
    }
    return true;
  }

  PaletteData End() override {
    if (pixels_) {
      if (lines_ < height_) throw FormatError("its pixels end too early");
      return colors_.Finish(picture_);
    }
    if (trailer_.size() < kTrailerSize || length_ < kTrailerSize || trailer_[0] != 0x0C)
      throw FormatError("it has no 256-colour table at its end (0x0C and 768 bytes)");
    PaletteData data = ColorTable(ByteReader(trailer_), 1, 256, 3).Finish();
    data.picture = picture_;
    return data;
  }

  std::uint32_t width_ = 0, height_ = 0, lineBytes_ = 0, lines_ = 0;
  std::string picture_;
  std::uint64_t most_ = 0, length_ = 0;
  std::string trailer_, line_;
  bool pixels_ = false;  // 3 planes of 8 bits
  bool run_ = false;     // the next byte repeats `repeat_` times
  std::size_t repeat_ = 0;
  DistinctColors colors_;
};

}  // namespace

bool LooksLikePcx(std::string_view bytes) noexcept {
  const ByteReader in(bytes, Endian::Little);
  if (bytes.size() < kHeaderSize || in.U8At(0) != 0x0A) return false;
  const std::uint32_t version = in.U8At(1), bits = in.U8At(3);
  return (version == 0 || (version >= 2 && version <= 5)) && in.U8At(2) <= 1 &&
         (bits == 1 || bits == 2 || bits == 4 || bits == 8) && in.U16At(4) <= in.U16At(8) &&
         in.U16At(6) <= in.U16At(10);
}

std::unique_ptr<StreamDecoder> PcxStream() { return std::make_unique<PcxDecoder>(); }

}  // namespace varnel
