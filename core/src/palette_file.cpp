#include "varnel/palette_file.h"

#include "varnel/file_io.h"

namespace varnel {

Palette ReadPaletteFile(const std::filesystem::path& path, PaletteFormat format) {
  PaletteDecoder decoder(format);
  ReadFileChunks(path, [&decoder](std::string_view chunk) { return decoder.Feed(chunk); });
  return decoder.Finish();
}

Palette ReadStandardInput(PaletteFormat format) {
  PaletteDecoder decoder(format);
  ReadStandardInputChunks([&decoder](std::string_view chunk) { return decoder.Feed(chunk); });
  return decoder.Finish();
}

void WritePaletteFile(const std::filesystem::path& path, const Palette& palette,
                      PaletteFormat format) {
  WriteFileAtomically(path, Encode(format, palette));
}

}  // namespace varnel
