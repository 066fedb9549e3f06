// Pictures: the palette a PNG, GIF, BMP or PCX picture holds in its colour table, or the
// distinct colours its pixels show; and a PNG that shows a palette's swatches.
//
// PNG goes through libpng. libpng reports an error by longjmp, so every libpng call that can
// fail runs inside Guarded, where nothing with a destructor lives between setjmp and longjmp;
// the C++ objects stay outside. GIF, BMP and PCX keep their palettes in headers and trailers,
// and BMP its pixels of 16 to 32 bits uncompressed: no decompression is needed for them.
#include <png.h>

#include <algorithm>
#include <array>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <span>

#include "codecs.h"
#include "varnel/utf.h"

namespace varnel {
namespace {

constexpr std::uint64_t kMaxSide = 16384;  // pixels, across and down
// Distinct colours counted for the message that refuses a picture of too many.
constexpr std::size_t kMaxCounted = std::size_t{1} << 22;

// "1,024 × 768".
std::string SizeText(std::uint64_t width, std::uint64_t height) {
  return Grouped(width) + " \u00D7 " + Grouped(height);
}

// What PaletteData::picture says: "indexed, 32 × 1". Refuses a picture without pixels or
// larger than kMaxSide either way, before anything is taken for its pixels.
std::string Picture(std::string_view kind, std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0)
    throw FormatError("its size, " + SizeText(width, height) + " pixels, holds no pixels");
  if (width > kMaxSide || height > kMaxSide)
    throw FormatError("a picture of " + SizeText(width, height) + " pixels, larger than " +
                      SizeText(kMaxSide, kMaxSide));
  return std::string(kind) + ", " + SizeText(width, height);
}

std::uint8_t Byte(std::string_view bytes, std::size_t at) noexcept {
  return static_cast<std::uint8_t>(bytes[at]);
}

// The number of `size` bytes at `at`, little-endian (big-endian where said); the caller has
// checked that they lie inside.
std::uint32_t Number(std::string_view bytes, std::size_t at, std::size_t size,
                     bool bigEndian = false) noexcept {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i)
    value |= std::uint32_t{Byte(bytes, at + i)} << 8 * (bigEndian ? size - 1 - i : i);
  return value;
}

void Need(std::string_view bytes, std::uint64_t end, std::string_view what = "it") {
  if (end > bytes.size()) throw FormatError(std::string(what) + " ends too early");
}

// `count` colours of `size` bytes each from `at`, red first (blue first where `bgr`).
ColorList ColorTable(std::string_view bytes, std::size_t at, std::size_t count, std::size_t size,
                     bool bgr = false) {
  Need(bytes, at + count * size, "its colour table");
  ColorList list;
  for (std::size_t i = 0; i < count; ++i, at += size) {
    const int first = Byte(bytes, at), second = Byte(bytes, at + 1), third = Byte(bytes, at + 2);
    list.Add(bgr ? MakeColor(third, second, first) : MakeColor(first, second, third));
  }
  return list;
}

// The distinct colours of a picture's pixels in reading order: rows top to bottom, each left
// to right. Pixels may come in any order, with their places; fully transparent ones are
// skipped.
class DistinctColors {
 public:
  void Add(COLORREF color, std::uint8_t alpha, std::uint64_t place) {
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

  // Throws FormatError for a picture of no colours or of more than 256.
  PaletteData Finish(std::string picture) {
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

 private:
  // Keeps each colour beyond the first 256 once, and no more of them than are counted.
  void Settle() {
    std::sort(more_.begin(), more_.end());
    more_.erase(std::unique(more_.begin(), more_.end()), more_.end());
    if (more_.size() > kMaxCounted) {
      more_.resize(kMaxCounted);
      capped_ = true;
    }
  }

  // The first 256 colours met (colour and alpha) and where each was first seen: open
  // addressing in a fixed table at most a quarter full, as each pixel looks its colour up.
  struct Slot {
    std::uint32_t key = 0;
    bool used = false;
    std::uint64_t place = 0;
  };
  static constexpr std::size_t kSlots = 1024;
  Slot& SlotOf(std::uint32_t key) noexcept {
    std::size_t at = (key * 0x9E3779B1u) >> 22;  // the top 10 bits of a Fibonacci hash
    while (slots_[at].used && slots_[at].key != key) at = (at + 1) & (kSlots - 1);
    return slots_[at];
  }

  std::array<Slot, kSlots> slots_{};
  std::size_t size_ = 0;
  std::vector<std::uint32_t> more_;
  bool capped_ = false;
  std::uint32_t last_ = 0;
  std::uint64_t lastPlace_ = 0;
};

// ---- PNG ----

constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1A\n", 8};

// Where libpng reads from and what it last said went wrong.
struct PngSource {
  std::string_view bytes;
  std::size_t at = 0;
  char error[160] = {};
};

void PngError(png_structp png, png_const_charp message) {
  auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
  std::snprintf(source->error, sizeof source->error, "%s", message);
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}  // nothing a palette needs

void PngRead(png_structp png, png_bytep out, png_size_t size) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (size > source->bytes.size() - source->at) png_error(png, "it ends too early");
  std::memcpy(out, source->bytes.data() + source->at, size);
  source->at += size;
}

// Runs libpng calls that may fail; false once libpng has reported an error. `call` holds
// nothing with a destructor, so that the longjmp skips none.
template <class Call>
bool Guarded(png_structp png, Call&& call) {
  if (setjmp(png_jmpbuf(png))) return false;
  call();
  return true;
}

// A libpng reader of bytes in memory, its limits set.
class PngReader {
 public:
  explicit PngReader(std::string_view bytes) {
    source_.bytes = bytes;
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source_, PngError, PngWarning);
    if (png_ == nullptr) throw std::bad_alloc();
    info_ = png_create_info_struct(png_);
    if (info_ == nullptr) {
      png_destroy_read_struct(&png_, nullptr, nullptr);
      throw std::bad_alloc();
    }
    png_set_read_fn(png_, &source_, PngRead);
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
  ~PngReader() { png_destroy_read_struct(&png_, &info_, nullptr); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  template <class Call>
  void Run(Call&& call) {
    if (!Guarded(png_, call))
      throw FormatError(source_.error == std::string_view("it ends too early")
                            ? std::string(source_.error)
                            : "libpng cannot read it: " + std::string(source_.error));
  }

  png_structp png() const noexcept { return png_; }
  png_infop info() const noexcept { return info_; }

 private:
  PngSource source_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

// An indexed PNG's PLTE in order; its one fully transparent entry, if only one, is the
// transparent index, and other alpha values are kept as alpha.
PaletteData PngPalette(const PngReader& reader, std::string picture) {
  png_colorp plte = nullptr;
  int entries = 0;
  if (png_get_PLTE(reader.png(), reader.info(), &plte, &entries) == 0 || entries < 1)
    throw FormatError("it has no PLTE chunk");
  png_bytep trns = nullptr;
  int alphas = 0;
  if (png_get_tRNS(reader.png(), reader.info(), &trns, &alphas, nullptr) == 0) alphas = 0;
  alphas = std::min(alphas, entries);
  const std::span<const png_byte> alpha(trns, static_cast<std::size_t>(alphas));
  const bool single = std::ranges::count(alpha, 0) == 1;
  ColorList list;
  for (std::size_t i = 0; i < static_cast<std::size_t>(entries); ++i) {
    const png_color& c = plte[i];
    const std::uint8_t a = i < alpha.size() ? alpha[i] : 255;
    // The transparent entry says nothing of alpha unless other entries do.
    list.Add(MakeColor(c.red, c.green, c.blue), {}, single && a == 0 ? 255 : a);
  }
  PaletteData data = list.Finish();
  if (single) {
    const auto index = static_cast<std::size_t>(std::ranges::find(alpha, 0) - alpha.begin());
    data.transparent = static_cast<std::uint8_t>(index);
    if (!data.alpha.empty()) data.alpha[index] = 0;
  }
  data.picture = std::move(picture);
  return data;
}

}  // namespace

bool LooksLikePng(std::string_view bytes) noexcept { return bytes.starts_with(kPngSignature); }

PaletteData DecodePng(std::string_view bytes) {
  if (!LooksLikePng(bytes)) throw FormatError("it does not start with the PNG signature");
  Need(bytes, 33);
  if (bytes.substr(12, 4) != "IHDR") throw FormatError("its first chunk is not IHDR");
  const std::uint32_t width = Number(bytes, 16, 4, true), height = Number(bytes, 20, 4, true);
  Picture("", width, height);  // refuses a size too large before libpng sees it

  PngReader reader(bytes);
  png_structp png = reader.png();
  png_infop info = reader.info();
  reader.Run([&] { png_read_info(png, info); });
  const int type = png_get_color_type(png, info);
  const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  if (type == PNG_COLOR_TYPE_PALETTE) return PngPalette(reader, Picture("indexed", width, height));

  // Every other kind of pixel as 8-bit red, green, blue and alpha: the high byte of 16-bit
  // samples, as most readers take it.
  reader.Run([&] {
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
  });
  if (png_get_rowbytes(png, info) != std::size_t{width} * 4)
    throw FormatError("libpng cannot read it as 8-bit RGBA");  // not met, but never overrun
  std::vector<png_byte> row(std::size_t{width} * 4);
  DistinctColors colors;
  // An interlaced picture comes in seven passes, each a smaller picture of its own: every
  // `step`th pixel across and down from `start`.
  struct Pass {
    std::uint32_t startX, stepX, startY, stepY;
  };
  static constexpr Pass kAdam7[] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                                    {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
  static constexpr Pass kWhole[] = {{0, 1, 0, 1}};
  for (const Pass& pass :
       interlaced ? std::span<const Pass>(kAdam7) : std::span<const Pass>(kWhole)) {
    if (pass.startX >= width || pass.startY >= height) continue;  // libpng skips it too
    for (std::uint64_t y = pass.startY; y < height; y += pass.stepY) {
      reader.Run([&] { png_read_row(png, row.data(), nullptr); });
      for (std::size_t x = pass.startX, c = 0; x < width; x += pass.stepX, ++c) {
        const png_byte* p = &row[4 * c];
        colors.Add(MakeColor(p[0], p[1], p[2]), p[3], y * width + x);
      }
    }
  }
  const bool grey = (type & PNG_COLOR_MASK_COLOR) == 0;
  return colors.Finish(Picture(grey ? "grey" : "true colour", width, height));
}

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

// ---- GIF: header, logical screen, colour tables, then blocks up to the first image ----

bool LooksLikeGif(std::string_view bytes) noexcept {
  return bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a");
}

PaletteData DecodeGif(std::string_view bytes) {
  if (!LooksLikeGif(bytes)) throw FormatError("it does not start with \"GIF87a\" or \"GIF89a\"");
  Need(bytes, 13);
  const std::string picture = Picture("indexed", Number(bytes, 6, 2), Number(bytes, 8, 2));
  auto tableSize = [&](std::size_t at) { return std::size_t{2} << (Byte(bytes, at) & 7); };
  std::optional<ColorList> table;
  std::size_t at = 13;
  if (Byte(bytes, 10) & 0x80) {
    table = ColorTable(bytes, at, tableSize(10), 3);
    at += tableSize(10) * 3;
  }
  std::optional<std::uint8_t> transparent;
  bool control = false;  // a graphic control extension seen
  for (;;) {
    Need(bytes, at + 1);
    const std::uint8_t block = Byte(bytes, at);
    if (block == 0x2C) {  // the first image: its local table where there is no global one
      Need(bytes, at + 10);
      if (!table && (Byte(bytes, at + 9) & 0x80))
        table = ColorTable(bytes, at + 10, tableSize(at + 9), 3);
      break;
    }
    if (block == 0x3B) break;  // the end, before any image
    if (block != 0x21) throw FormatError("its byte " + std::to_string(at) + " begins no GIF block");
    Need(bytes, at + 2);
    const bool first = Byte(bytes, at + 1) == 0xF9 && !control;
    control = control || Byte(bytes, at + 1) == 0xF9;
    at += 2;
    for (bool head = true;; head = false) {  // sub-blocks, each after its size, up to size 0
      Need(bytes, at + 1);
      const std::size_t size = Byte(bytes, at);
      if (size == 0) break;
      Need(bytes, at + 1 + size);
      if (first && head && size >= 4 && (Byte(bytes, at + 1) & 1))
        transparent = Byte(bytes, at + 4);
      at += 1 + size;
    }
    ++at;
  }
  if (!table) throw FormatError("it has no colour table");
  PaletteData data = table->Finish();
  if (transparent && *transparent < data.count) data.transparent = transparent;
  data.picture = picture;
  return data;
}

// ---- BMP: file header, information header, colour table or pixels ----

namespace {

constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3;

bool KnownBmpHeader(std::uint32_t size) noexcept {
  return size == 12 || size == 16 || size == 40 || size == 52 || size == 56 || size == 64 ||
         size == 108 || size == 124;
}

// A channel of a 16- or 32-bit pixel by its mask, widened to 8 bits; `missing` where the
// mask is empty.
struct Channel {
  Channel(std::uint32_t mask, std::uint8_t none) noexcept
      : shift(mask == 0 ? 0 : std::countr_zero(mask)), top(mask >> shift), missing(none) {}
  std::uint8_t Of(std::uint32_t pixel) const noexcept {
    if (top == 0) return missing;
    const std::uint64_t value = (pixel >> shift) & top;
    return static_cast<std::uint8_t>((value * 255 + top / 2) / top);
  }
  int shift;
  std::uint32_t top;
  std::uint8_t missing;
};

}  // namespace

bool LooksLikeBmp(std::string_view bytes) noexcept {
  return bytes.size() >= 26 && bytes.starts_with("BM") && KnownBmpHeader(Number(bytes, 14, 4)) &&
         14 + std::uint64_t{Number(bytes, 14, 4)} <= bytes.size();
}

PaletteData DecodeBmp(std::string_view bytes) {
  if (!bytes.starts_with("BM")) throw FormatError("it does not start with \"BM\"");
  Need(bytes, 18);
  const std::uint32_t header = Number(bytes, 14, 4);
  if (!KnownBmpHeader(header))
    throw FormatError("its information header of " + std::to_string(header) +
                      " bytes is of no known kind");
  Need(bytes, 14 + std::uint64_t{header}, "its information header");
  const bool core = header == 12;
  const auto width = core ? std::int64_t{Number(bytes, 18, 2)}
                          : std::int64_t{static_cast<std::int32_t>(Number(bytes, 18, 4))};
  const auto height = core ? std::int64_t{Number(bytes, 20, 2)}
                           : std::int64_t{static_cast<std::int32_t>(Number(bytes, 22, 4))};
  const std::uint32_t bits = Number(bytes, core ? 24 : 28, 2);
  const std::uint32_t compression = header >= 20 ? Number(bytes, 30, 4) : kBiRgb;
  const std::uint32_t used = header >= 36 ? Number(bytes, 46, 4) : 0;
  const bool indexed = bits == 1 || bits == 4 || bits == 8;
  if (!indexed && bits != 16 && bits != 24 && bits != 32)
    throw FormatError("its " + std::to_string(bits) +
                      " bits per pixel are not 1, 4, 8, 16, 24 or 32");
  if (width < 0) throw FormatError("its width " + std::to_string(width) + " is negative");
  const std::string picture =
      Picture(indexed ? "indexed" : "true colour", static_cast<std::uint64_t>(width),
              static_cast<std::uint64_t>(height < 0 ? -height : height));
  if (indexed) {
    if (used > (1u << bits))
      throw FormatError("its colour table of " + std::to_string(used) + " entries is more than " +
                        std::to_string(bits) + " bits per pixel reach");
    PaletteData data =
        ColorTable(bytes, 14 + header, used != 0 ? used : 1u << bits, core ? 3 : 4, true).Finish();
    data.picture = picture;
    return data;
  }

  std::array<std::uint32_t, 4> masks{0x7C00, 0x3E0, 0x1F, 0};  // 16 bits: 5 each, no alpha
  if (bits == 32) masks = {0xFF0000, 0xFF00, 0xFF, 0};
  if (compression == kBiBitfields && bits != 24) {
    // The masks follow a 40-byte header, or lie in a larger one; from 56 bytes on, alpha too.
    Need(bytes, 14 + 40 + 12, "its colour masks");
    for (std::size_t i = 0; i < (header >= 56 ? 4u : 3u); ++i)
      masks[i] = Number(bytes, 54 + 4 * i, 4);
  } else if (compression != kBiRgb) {
    throw FormatError("its compression " + std::to_string(compression) + " is not one for " +
                      std::to_string(bits) + "-bit pixels");
  }
  const Channel red(masks[0], 0), green(masks[1], 0), blue(masks[2], 0), alpha(masks[3], 255);
  const auto across = static_cast<std::size_t>(width),
             down = static_cast<std::size_t>(std::abs(height));
  const std::size_t stride = (across * bits + 31) / 32 * 4, bytesPerPixel = bits / 8;
  const std::size_t start = Number(bytes, 10, 4);
  Need(bytes, std::uint64_t{start} + stride * down, "its pixel data");
  DistinctColors colors;
  for (std::size_t y = 0; y < down; ++y) {
    const std::size_t row = start + stride * (height < 0 ? y : down - 1 - y);  // bottom-up
    for (std::size_t x = 0; x < across; ++x) {
      const std::uint32_t pixel = Number(bytes, row + x * bytesPerPixel, bytesPerPixel);
      if (bits == 24)
        colors.Add(MakeColor(int(pixel >> 16), int(pixel >> 8), int(pixel)), 255, y * across + x);
      else
        colors.Add(MakeColor(red.Of(pixel), green.Of(pixel), blue.Of(pixel)), alpha.Of(pixel),
                   y * across + x);
    }
  }
  return colors.Finish(picture);
}

// ---- PCX: a 128-byte header, its 16-colour palette, and a 256-colour one at the end ----

bool LooksLikePcx(std::string_view bytes) noexcept {
  if (bytes.size() < 128 || Byte(bytes, 0) != 0x0A) return false;
  const std::uint8_t version = Byte(bytes, 1), bits = Byte(bytes, 3);
  return (version == 0 || (version >= 2 && version <= 5)) && Byte(bytes, 2) <= 1 &&
         (bits == 1 || bits == 2 || bits == 4 || bits == 8) &&
         Number(bytes, 4, 2) <= Number(bytes, 8, 2) && Number(bytes, 6, 2) <= Number(bytes, 10, 2);
}

PaletteData DecodePcx(std::string_view bytes) {
  if (bytes.empty() || Byte(bytes, 0) != 0x0A) throw FormatError("it does not start with 0x0A");
  Need(bytes, 128, "its header");
  const std::uint32_t left = Number(bytes, 4, 2), top = Number(bytes, 6, 2),
                      right = Number(bytes, 8, 2), bottom = Number(bytes, 10, 2);
  if (right < left || bottom < top)
    throw FormatError("its window ends before it starts (" + std::to_string(left) + "," +
                      std::to_string(top) + " to " + std::to_string(right) + "," +
                      std::to_string(bottom) + ")");
  const std::string picture = Picture("indexed", right - left + 1, bottom - top + 1);
  const std::uint32_t bits = Byte(bytes, 3), planes = Byte(bytes, 65);
  PaletteData data;
  if (bits * planes == 4 && (bits == 1 || planes == 1)) {
    data = ColorTable(bytes, 16, 16, 3).Finish();
  } else if (bits == 8 && planes == 1) {
    if (bytes.size() < 128 + 769 || Byte(bytes, bytes.size() - 769) != 0x0C)
      throw FormatError("it has no 256-colour table at its end (0x0C and 768 bytes)");
    data = ColorTable(bytes, bytes.size() - 768, 256, 3).Finish();
  } else {
    throw FormatError("its " + std::to_string(planes) + " planes of " + std::to_string(bits) +
                      " bits hold no palette (4 bits: one in the header; 8 bits: one at the end)");
  }
  data.picture = picture;
  return data;
}

}  // namespace varnel
