// PNG through libpng's progressive reader: the file comes in pieces, and the pixels row by
// row as they are decoded, so that memory stays flat whatever the picture's size.
//
// libpng reports an error by longjmp, so png_process_data runs in Process, where nothing
// with a destructor lives between setjmp and longjmp, and the callbacks throw nothing.
// The signature and IHDR are checked here first, so that what is wrong with them is said in
// our words and a picture too large is refused before libpng takes memory for it.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>

#include "picture.h"

namespace varnel {
namespace {

constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1A\n", 8};
constexpr std::size_t kHeadSize = 33;  // the signature and the IHDR chunk
constexpr png_uint_32 kTrns = 0x74524E53;  // "tRNS" as png_get_io_chunk_type gives it

// Adam7's passes by libpng's own macros, which compute in int.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-conversion"
std::uint32_t PassColumns(std::uint32_t width, unsigned pass) { return PNG_PASS_COLS(width, pass); }
std::uint32_t PassRows(std::uint32_t height, unsigned pass) { return PNG_PASS_ROWS(height, pass); }
std::uint32_t RowOf(std::uint32_t row, unsigned pass) { return PNG_ROW_FROM_PASS_ROW(row, pass); }
std::uint32_t ColumnOf(std::uint32_t column, unsigned pass) {
  return PNG_COL_FROM_PASS_COL(column, pass);
}
#pragma GCC diagnostic pop

// The colour types PNG has, and the bit depths each allows.
struct ColourType {
  int type;
  std::string_view pixels, depths;
  std::string_view kind;  // what PaletteData::picture says
};
constexpr ColourType kColourTypes[] = {
    {PNG_COLOR_TYPE_GRAY, "grey", "1, 2, 4, 8 or 16", "grey"},
    {PNG_COLOR_TYPE_RGB, "RGB", "8 or 16", "true colour"},
    {PNG_COLOR_TYPE_PALETTE, "indexed", "1, 2, 4 or 8", "indexed"},
    {PNG_COLOR_TYPE_GRAY_ALPHA, "grey and alpha", "8 or 16", "grey"},
    {PNG_COLOR_TYPE_RGB_ALPHA, "RGBA", "8 or 16", "true colour"},
};

class PngDecoder final : public StreamDecoder {
 public:
  PngDecoder();
  ~PngDecoder() override { png_destroy_read_struct(&png_, &info_, nullptr); }
  PngDecoder(const PngDecoder&) = delete;
  PngDecoder& operator=(const PngDecoder&) = delete;

  bool Feed(std::string_view piece) override;
  PaletteData Finish() override;

 private:
  static PngDecoder& Of(png_structp png) {
    return *static_cast<PngDecoder*>(png_get_progressive_ptr(png));
  }
  static void OnError(png_structp png, png_const_charp message);
  static void OnWarning(png_structp png, png_const_charp message);
  static void OnInfo(png_structp png, png_infop info);
  static void OnRow(png_structp png, png_bytep row, png_uint_32 number, int pass);
  static int OnChunk(png_structp png, png_unknown_chunkp chunk);

  void CheckHead();
  void Process(std::string_view bytes);
  // Nothing more is needed. libpng may be stopped only where it asks what to do with the
  // header's information; after a row it goes on with the piece it was given.
  void Stop(bool pause) noexcept {
    done_ = true;
    if (pause) png_process_data_pause(png_, 0);
  }
  PaletteData Indexed();

  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::string head_;  // the first kHeadSize bytes
  std::uint32_t width_ = 0, height_ = 0;
  int type_ = 0;
  bool interlaced_ = false;
  std::string picture_;
  bool infoSeen_ = false, done_ = false;
  std::uint64_t rowsLeft_ = 0;
  DistinctColors colors_;
  std::exception_ptr failure_;  // what a callback met that libpng cannot carry
  char error_[160] = {};        // what libpng, or a callback, last said went wrong

  // An indexed picture's PLTE and tRNS, read as they are (libpng would cut the PLTE to its
  // bit depth and drop a tRNS longer than it or before it).
  std::array<png_byte, 3 * kPaletteSize> plte_{};
  std::size_t plteSize_ = 0;
  std::array<png_byte, kPaletteSize> trns_{};
  std::size_t trnsSize_ = 0;
  bool trnsSeen_ = false;
  char trnsTrouble_[160] = {};  // what libpng said of the tRNS chunk, which it dropped
};

PngDecoder::PngDecoder() {
  png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
  if (png_ == nullptr) throw std::bad_alloc();
  info_ = png_create_info_struct(png_);
  if (info_ == nullptr) {
    png_destroy_read_struct(&png_, nullptr, nullptr);
    throw std::bad_alloc();
  }
  png_set_progressive_read_fn(png_, this, OnInfo, OnRow, nullptr);
  png_set_user_limits(png_, kMaxSide, kMaxSide);
  png_set_chunk_cache_max(png_, 128);
  png_set_chunk_malloc_max(png_, std::size_t{1} << 20);
  // Only IHDR, PLTE, tRNS and the pixels matter here: every other chunk is skipped unread.
  // libpng would allocate what a text chunk claims before reading it (a limit on a chunk's
  // size is only a warning there), so a file of 200 bytes could ask for gigabytes.
  static constexpr png_byte kSkipped[] =
      "bKGD\0cHRM\0cICP\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0"
      "sRGB\0sTER\0tEXt\0tIME\0zTXt";
  png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, kSkipped, sizeof kSkipped / 5);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  // A fuzzer's mutations rarely keep a chunk's CRC right: let them reach what follows.
  png_set_crc_action(png_, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
}

void PngDecoder::OnError(png_structp png, png_const_charp message) {
  auto& self = *static_cast<PngDecoder*>(png_get_error_ptr(png));
  if (self.error_[0] == '\0') std::snprintf(self.error_, sizeof self.error_, "%s", message);
  png_longjmp(png, 1);
}

// libpng goes on past what it warns of; only what it says of a tRNS chunk, which it then
// drops, changes the colours.
void PngDecoder::OnWarning(png_structp png, png_const_charp message) {
  auto& self = *static_cast<PngDecoder*>(png_get_error_ptr(png));
  if (png_get_io_chunk_type(png) == kTrns && self.trnsTrouble_[0] == '\0')
    std::snprintf(self.trnsTrouble_, sizeof self.trnsTrouble_, "%s", message);
}

// An indexed picture's PLTE and tRNS, handed over as unknown chunks (see CheckHead).
int PngDecoder::OnChunk(png_structp png, png_unknown_chunkp chunk) {
  auto& self = *static_cast<PngDecoder*>(png_get_user_chunk_ptr(png));
  const std::string_view name(reinterpret_cast<const char*>(chunk->name), 4);
  if (name == "PLTE") {
    if (self.plteSize_ > 0) {
      std::snprintf(self.error_, sizeof self.error_, "it has two PLTE chunks");
      return -1;
    }
    if (chunk->size == 0 || chunk->size % 3 != 0 || chunk->size > self.plte_.size()) {
      std::snprintf(self.error_, sizeof self.error_,
                    "its PLTE chunk of %zu bytes is not 1 to 256 colours of 3 bytes", chunk->size);
      return -1;
    }
    std::memcpy(self.plte_.data(), chunk->data, chunk->size);
    self.plteSize_ = chunk->size;
  } else if (name == "tRNS" && !self.trnsSeen_ && self.trnsTrouble_[0] == '\0') {
    self.trnsSeen_ = true;
    self.trnsSize_ = chunk->size;
    std::memcpy(self.trns_.data(), chunk->data, std::min(chunk->size, self.trns_.size()));
  }
  return 1;  // handled: libpng keeps nothing of it
}

void PngDecoder::OnInfo(png_structp png, png_infop info) {
  PngDecoder& self = Of(png);
  self.infoSeen_ = true;
  if (self.type_ == PNG_COLOR_TYPE_PALETTE) return self.Stop(true);  // the pixels play no role
  // Every other kind of pixel as 8-bit red, green, blue and alpha: the high byte of 16-bit
  // samples, as most readers take it. Interlaced rows come pass by pass, as they are.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  for (unsigned pass = 0; pass < (self.interlaced_ ? 7u : 1u); ++pass)
    if (!self.interlaced_ || PassColumns(self.width_, pass) > 0)
      self.rowsLeft_ += self.interlaced_ ? PassRows(self.height_, pass) : self.height_;
}

void PngDecoder::OnRow(png_structp png, png_bytep row, png_uint_32 number, int pass) {
  PngDecoder& self = Of(png);
  if (row == nullptr || self.done_) return;
  const bool interlaced = self.interlaced_;
  const auto at = static_cast<unsigned>(pass);
  const std::uint64_t y = interlaced ? RowOf(number, at) : number;
  const std::uint32_t across = interlaced ? PassColumns(self.width_, at) : self.width_;
  try {
    for (std::uint32_t c = 0; c < across; ++c) {
      const std::uint64_t x = interlaced ? ColumnOf(c, at) : c;
      const png_byte* p = row + 4 * std::size_t{c};
      self.colors_.Add(MakeColor(p[0], p[1], p[2]), p[3], y * self.width_ + x);
    }
  } catch (...) {
    self.failure_ = std::current_exception();
    return self.Stop(false);
  }
  if (--self.rowsLeft_ == 0) self.Stop(false);
}

// The signature and IHDR, before libpng sees them.
void PngDecoder::CheckHead() {
  const ByteReader in(head_);
  if (in.U32At(8) != 13 || head_.substr(12, 4) != "IHDR")
    throw FormatError("its first chunk is not IHDR of 13 bytes");
  width_ = in.U32At(16);
  height_ = in.U32At(20);
  Picture("", width_, height_);  // refuses a size too large
  const std::uint32_t depth = in.U8At(24);
  type_ = static_cast<int>(in.U8At(25));
  const auto* colour = std::ranges::find(kColourTypes, type_, &ColourType::type);
  if (colour == std::end(kColourTypes))
    throw FormatError("its colour type " + std::to_string(type_) +
                      " is not one PNG has (0 grey, 2 RGB, 3 indexed, 4 grey and alpha, 6 RGBA)");
  const std::string digits = std::to_string(depth);
  if (depth == 0 || depth > 16 || std::popcount(depth) != 1 ||
      colour->depths.find(digits) == std::string_view::npos)
    throw FormatError("its bit depth " + digits + " is not one PNG allows for " +
                      std::string(colour->pixels) + " pixels (" + std::string(colour->depths) +
                      ")");
  if (in.U8At(26) != 0 || in.U8At(27) != 0)
    throw FormatError("its compression or filter method is not PNG's (0)");
  if (in.U8At(28) > 1)
    throw FormatError("its interlace method " + std::to_string(in.U8At(28)) +
                      " is not one PNG has (0 none, 1 Adam7)");
  interlaced_ = in.U8At(28) == 1;
  picture_ = Picture(colour->kind, width_, height_);
  if (type_ == PNG_COLOR_TYPE_PALETTE) {
    static constexpr png_byte kOwn[] = "PLTE\0tRNS";
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_ALWAYS, kOwn, 2);
    png_set_read_user_chunk_fn(png_, this, OnChunk);
  }
}

void PngDecoder::Process(std::string_view bytes) {
  if (setjmp(png_jmpbuf(png_))) {
    if (done_) return;  // what follows the last row plays no role
    done_ = true;
    throw FormatError(std::string("libpng cannot read it: ") + error_);
  }
  png_process_data(png_, info_, reinterpret_cast<png_bytep>(const_cast<char*>(bytes.data())),
                   bytes.size());
}

bool PngDecoder::Feed(std::string_view piece) {
  if (done_) return false;
  if (head_.size() < kHeadSize) {
    const std::size_t taken = std::min(kHeadSize - head_.size(), piece.size());
    head_.append(piece.substr(0, taken));
    piece.remove_prefix(taken);
    if (!kPngSignature.starts_with(std::string_view(head_).substr(0, kPngSignature.size())))
      throw FormatError("it does not start with the PNG signature");
    if (head_.size() < kHeadSize) return true;
    CheckHead();
    Process(head_);
  }
  if (!done_ && !piece.empty()) Process(piece);
  if (failure_) std::rethrow_exception(failure_);
  return !done_;
}

PaletteData PngDecoder::Finish() {
  if (head_.empty()) throw FormatError("it is empty");
  if (!infoSeen_ || rowsLeft_ > 0) throw FormatError("it ends too early");
  if (type_ == PNG_COLOR_TYPE_PALETTE) return Indexed();
  PaletteData data = colors_.Finish(picture_);
  if (trnsTrouble_[0] != '\0')
    data.warnings.push_back(std::string("its tRNS chunk was not read (libpng: ") + trnsTrouble_ +
                            "), so its transparent colour counts as opaque");
  return data;
}

// The PLTE in order; its one fully transparent entry, if only one, is the transparent index,
// and other alpha values are kept as alpha.
PaletteData PngDecoder::Indexed() {
  if (plteSize_ == 0) throw FormatError("it has no PLTE chunk");
  const std::size_t entries = plteSize_ / 3;
  const std::span<const png_byte> alpha(trns_.data(), std::min(trnsSize_, entries));
  const bool single = std::ranges::count(alpha, 0) == 1;
  ColorList list;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::uint8_t a = i < alpha.size() ? alpha[i] : 255;
    // The transparent entry says nothing of alpha unless other entries do.
    list.Add(MakeColor(plte_[3 * i], plte_[3 * i + 1], plte_[3 * i + 2]), {},
             single && a == 0 ? 255 : a);
  }
  PaletteData data = list.Finish();
  if (single) {
    const auto index = static_cast<std::size_t>(std::ranges::find(alpha, 0) - alpha.begin());
    data.transparent = static_cast<std::uint8_t>(index);
    if (!data.alpha.empty()) data.alpha[index] = 0;
  }
  if (trnsSize_ > entries)
    data.warnings.push_back("its tRNS chunk holds " + Grouped(trnsSize_) + " alpha values for " +
                            Grouped(entries) + " colours; the " + Grouped(trnsSize_ - entries) +
                            " beyond them were skipped");
  if (trnsTrouble_[0] != '\0')
    data.warnings.push_back(std::string("its tRNS chunk was not read (libpng: ") + trnsTrouble_ +
                            "), so no colour is transparent");
  data.picture = picture_;
  return data;
}

}  // namespace

bool LooksLikePng(std::string_view bytes) noexcept { return bytes.starts_with(kPngSignature); }

std::unique_ptr<StreamDecoder> PngStream() { return std::make_unique<PngDecoder>(); }

std::string EncodePng(const PaletteData& palette, int swatch) {
  if (swatch < 1 || static_cast<std::uint64_t>(swatch) * kPaletteSize > kMaxSide)
    throw std::out_of_range("a swatch is 1 to 64 pixels wide");
  const std::size_t count = palette.count, side = static_cast<std::size_t>(swatch);
  const bool transparent = palette.transparent && *palette.transparent < count;
  const bool alpha = transparent || !palette.alpha.empty();
  std::vector<png_byte> colormap;
  for (std::size_t i = 0; i < count; ++i) {
    const COLORREF c = palette.colors[i];
    colormap.insert(colormap.end(), {RedOf(c), GreenOf(c), BlueOf(c)});
    if (alpha)
      colormap.push_back(transparent && i == *palette.transparent ? 0
                         : i < palette.alpha.size()               ? palette.alpha[i]
                                                                  : 255);
  }
  // One row of swatches, `swatch` pixels each, `swatch` rows down.
  std::vector<png_byte> row, pixels;
  for (std::size_t i = 0; i < count; ++i) row.insert(row.end(), side, static_cast<png_byte>(i));
  for (std::size_t y = 0; y < side; ++y) pixels.insert(pixels.end(), row.begin(), row.end());

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(count * side);
  image.height = static_cast<png_uint_32>(side);
  image.format = alpha ? PNG_FORMAT_RGBA_COLORMAP : PNG_FORMAT_RGB_COLORMAP;
  image.colormap_entries = static_cast<png_uint_32>(count);
  png_alloc_size_t size = 0;
  std::string out;
  if (png_image_write_get_memory_size(image, size, 0, pixels.data(), 0, colormap.data())) {
    out.resize(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, colormap.data()))
      size = 0;
  }
  if (size == 0 || (image.warning_or_error & PNG_IMAGE_ERROR) != 0)
    throw std::runtime_error("libpng cannot write the palette: " + std::string(image.message));
  out.resize(size);
  return out;
}

}  // namespace varnel
