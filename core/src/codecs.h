// The codecs behind varnel/format.h, one set per format, each a row of kFormats
// (format_table.cpp): a decoder (throws FormatError), an encoder and, where the format has
// one, a signature test of a file's first bytes as they are (see FormatInfo).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "varnel/format.h"
#include "varnel/text.h"

namespace varnel {

// JASC-PAL through JascPalDecoder, in constant memory: the table, its count line and, where
// there are more, the colour lines; refused when no line gives a colour. LooksLikeJascPal: a
// first line "JASC-PAL", which announces the format but never chooses it.
bool LooksLikeJascPal(std::string_view bytes) noexcept;
std::unique_ptr<StreamDecoder> JascPalStream();
std::string EncodeJascPalFile(const PaletteData& palette, const WriteOptions& options);

// ACT: the table as DecodeAct reads it; a file of exactly 772 bytes adds its trailer, the
// colour count and the transparent index (big-endian; 0xFFFF for none), and `ownCount`
// writes one.
PaletteData DecodeActFile(std::string_view bytes) noexcept;
std::string EncodeActFile(const PaletteData& palette, const WriteOptions& options);

bool LooksLikeGpl(std::string_view bytes) noexcept;
PaletteData DecodeGpl(std::string_view text);
std::string EncodeGpl(const PaletteData& palette);

PaletteData DecodeHex(std::string_view text);
std::string EncodeHex(const PaletteData& palette);

bool LooksLikePaintNet(std::string_view bytes) noexcept;
PaletteData DecodePaintNet(std::string_view text);
std::string EncodePaintNet(const PaletteData& palette);

bool LooksLikeRiff(std::string_view bytes) noexcept;
PaletteData DecodeRiff(std::string_view bytes);
std::string EncodeRiff(const PaletteData& palette);

// Photoshop swatches. HasAcoVersion: the first version word, which says only that the file
// may be one; LooksLikeAco: `bytes` are sections of them, end to end.
bool HasAcoVersion(std::string_view bytes) noexcept;
bool LooksLikeAco(std::string_view bytes) noexcept;
PaletteData DecodeAco(std::string_view bytes);
std::string EncodeAco(const PaletteData& palette);

bool LooksLikeAse(std::string_view bytes) noexcept;
PaletteData DecodeAse(std::string_view bytes);
std::string EncodeAse(const PaletteData& palette);

PaletteData DecodeRaw(std::string_view bytes);
std::string EncodeRaw(const PaletteData& palette);

// Pictures, each read through a StreamDecoder (XStream), piece by piece with their pixels
// looked at as they come; LooksLikeX is true when `bytes` start as such a picture does. The
// palette has PaletteData::picture filled; pictures wider or taller than 16,384 pixels are
// refused before anything is taken for their pixels.
// PNG (png_codec.cpp, through libpng): an indexed picture's PLTE in order, every entry of it
// (more than its bit depth reaches included), its one fully transparent entry (if only one)
// the transparent index, other tRNS values alpha. Any other PNG, BMP of 16, 24 or 32 bits
// and PCX of 24: the distinct colours of the pixels in reading order (rows top to bottom,
// each left to right), fully transparent ones skipped, alpha kept; more than 256 are refused.
bool LooksLikePng(std::string_view bytes) noexcept;
std::unique_ptr<StreamDecoder> PngStream();
// An indexed PNG: PLTE the palette's own count of colours, tRNS its transparent index and
// alpha, the pixels one row of swatches, `swatch` × `swatch` pixels each (1 to 64), in
// order, so that reading the pixels gives the palette too, as long as no colour repeats.
// Throws std::out_of_range for another `swatch`.
std::string EncodePng(const PaletteData& palette, int swatch);
// GIF 87a and 89a: the first image's local colour table, which its pixels index, else the
// global one; the transparent index of the first graphic control extension before it.
bool LooksLikeGif(std::string_view bytes) noexcept;
std::unique_ptr<StreamDecoder> GifStream();
// BMP of 1, 4 or 8 bits: the colour table (its used count, else 2^bits entries).
bool LooksLikeBmp(std::string_view bytes) noexcept;
std::unique_ptr<StreamDecoder> BmpStream();
// PCX of 8 bits: the 256 colours after the 0x0C at its end; of 4 bits in one plane or 1 bit
// in 2 to 4 planes: the 16, 4 or 8 first colours of its header; of 3 planes of 8 bits: the
// distinct colours of its pixels.
bool LooksLikePcx(std::string_view bytes) noexcept;
std::unique_ptr<StreamDecoder> PcxStream();

// The palette of the whole of `bytes`, through a format's StreamDecoder.
template <std::unique_ptr<StreamDecoder> (*make)()>
PaletteData DecodeWhole(std::string_view bytes) {
  const std::unique_ptr<StreamDecoder> decoder = make();
  decoder->Feed(bytes);
  return decoder->Finish();
}

// Shared by the codecs: colours from a list longer or shorter than the table.
class ColorList {
 public:
  // Adds a colour, or counts it as extra beyond the 256th; `name` and `alpha` only where
  // the format holds them. A name is kept as well-formed UTF-8 (see ValidUtf8).
  void Add(COLORREF color, std::string_view name = {}, std::uint8_t alpha = 255);
  // Adds a colour that a swatch file gives as `source` (see PaletteData::sources).
  void Add(COLORREF color, std::string_view name, const SourceColor& source);
  // The palette; throws FormatError when no colour came.
  PaletteData Finish();
  PaletteData& data() noexcept { return data_; }
  // The colours added so far, the extra ones included.
  std::size_t size() const noexcept { return count_ + data_.extra; }

 private:
  PaletteData data_;
  std::size_t count_ = 0;
};

}  // namespace varnel
