// GIF 87a and 89a: the header, the logical screen, colour tables and blocks up to the first
// image; nothing is decompressed.
#include "picture.h"

namespace varnel {
namespace {

class GifDecoder final : public HeadAndBody {
  std::optional<PaletteData> Head(const ByteReader& in) override {
    const std::string_view start = in.rest().substr(0, 6);
    if (!std::string_view("GIF87a").starts_with(start) && !std::string_view("GIF89a").starts_with(start))
      throw FormatError("it does not start with \"GIF87a\" or \"GIF89a\"");
    in.Need(13, "its header");
    const std::string picture = Picture("indexed", in.U16At(6), in.U16At(8));
    auto tableSize = [&in](std::size_t at) { return std::size_t{2} << (in.U8At(at) & 7); };
    std::optional<ColorList> global;
    std::size_t at = 13;
    if (in.U8At(10) & 0x80) {
      global = ColorTable(in, at, tableSize(10), 3);
      at += tableSize(10) * 3;
    }
    std::optional<std::uint8_t> transparent;
    bool control = false;  // a graphic control extension seen
    std::optional<ColorList> table;
    for (;;) {
      const std::uint32_t block = in.U8At(at);
      if (block == 0x2C) {  // the first image: its local table, which its pixels index
        if (in.U8At(at + 9) & 0x80) table = ColorTable(in, at + 10, tableSize(at + 9), 3);
        break;
      }
      if (block == 0x3B) break;  // the end, before any image
      if (block != 0x21)
        throw FormatError("its byte " + Grouped(at) + " begins no GIF block (0x21, 0x2C or 0x3B)");
      const bool first = in.U8At(at + 1) == 0xF9 && !control;
      control = control || in.U8At(at + 1) == 0xF9;
      at += 2;
      for (bool head = true;; head = false) {  // sub-blocks, each after its size, up to size 0
        const std::size_t size = in.U8At(at);
        if (size == 0) break;
        in.Need(at + 1 + size);
        if (first && head && size >= 4 && (in.U8At(at + 1) & 1)) transparent = in.U8At(at + 4);
        at += 1 + size;
      }
      ++at;
    }
    if (!table) table = std::move(global);
    if (!table) throw FormatError("it has no colour table");
    PaletteData data = table->Finish();
    if (transparent && *transparent < data.count) data.transparent = transparent;
    data.picture = picture;
    return data;
  }
};

}  // namespace

bool LooksLikeGif(std::string_view bytes) noexcept {
  return bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a");
}

std::unique_ptr<StreamDecoder> GifStream() { return std::make_unique<GifDecoder>(); }

}  // namespace varnel
