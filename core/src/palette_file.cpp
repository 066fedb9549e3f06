#include "varnel/palette_file.h"

#include "varnel/file_io.h"

namespace varnel {
namespace {

// Ends the decoding; a file that is not what its format must be fails like one that
// cannot be read.
PaletteData Finish(PaletteDecoder& decoder, const std::filesystem::path& path) {
  try {
    return decoder.Finish();
  } catch (const NotAPaletteError& error) {
    throw FileError(path, error.what(), FileOperation::Read);
  } catch (const FormatError& error) {
    throw FileError(path,
                    error.what() + std::string(" (read as ") +
                        std::string(InfoOf(decoder.format()).title) + ")",
                    FileOperation::Read);
  }
}

}  // namespace

PaletteData ReadPaletteFile(const std::filesystem::path& path, PaletteDecoder& decoder) {
  ReadFileChunks(path, [&decoder](std::string_view chunk) { return decoder.Feed(chunk); });
  return Finish(decoder, path);
}

PaletteData ReadPaletteFile(const std::filesystem::path& path, PaletteFormat format) {
  PaletteDecoder decoder(format);
  return ReadPaletteFile(path, decoder);
}

PaletteData ReadStandardInput(PaletteDecoder& decoder) {
  ReadStandardInputChunks([&decoder](std::string_view chunk) { return decoder.Feed(chunk); });
  return Finish(decoder, kStandardInput);
}

void WritePaletteFile(const std::filesystem::path& path, const PaletteData& palette,
                      PaletteFormat format, const WriteOptions& options,
                      const std::function<void()>& beforeReplacing) {
  const FormatInfo& info = InfoOf(format);
  if (!info.encode)
    throw FileError(path,
                    std::string("a ") + std::string(info.title) + " is only read, never written",
                    FileOperation::Write);
  if (info.nameFromFile && palette.title.empty()) {
    PaletteData named = palette;
    named.title = PathText(path.stem());
    return WritePaletteFile(path, named, format, options, beforeReplacing);
  }
  WriteFileAtomically(path, Encode(format, palette, options), beforeReplacing);
}

}  // namespace varnel
