#include "palconv.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

#include "options.h"
#include "report.h"
#include "varnel/file_error.h"
#include "varnel/losses.h"
#include "varnel/palette_file.h"
#include "varnel/text.h"
#include "varnel/utf.h"
#include "work.h"

namespace palconv {
namespace {

using varnel::Palette;
using varnel::PaletteData;
using varnel::PaletteDecoder;
using varnel::PaletteFormat;

constexpr std::string_view kSavedAs = "Pallete saved as ";
constexpr std::string_view kStdoutName = "standard output";

// Why a file was read in the format it was, and the words --info says it with.
enum class Choice { From, Signature, Extension, Default };
constexpr std::string_view kChoiceWords[] = {"as --from asks", "by its signature",
                                             "by its extension", "by default"};

class Session {
 public:
  Session(const Request& request, const Console& console) : request_(request), console_(console) {}

  int Run() {
    switch (request_.mode) {
      case Mode::ConvertBeside:
        for (const std::string& name : request_.files) Attempt(name, [&] { ConvertBeside(name); });
        break;
      case Mode::ConvertTo:
        Attempt(request_.files.front(), [&] { ConvertTo(); });
        break;
      case Mode::Show:
        Attempt(request_.files.front(), [&] {
          PaletteDecoder decoder = DecoderFor(request_.files.front());
          PaletteData palette = ReadInput(request_.files.front(), decoder);
          WarnOfReading(request_.files.front(), decoder, palette, false);
          RefuseManyColours(palette, request_);
          Show(Work({std::move(palette)}, request_.files.front()));
        });
        break;
      case Mode::Info:
        for (const std::string& name : request_.files) Attempt(name, [&] { Info(name); });
        break;
    }
    SayGatheredWarnings();
    FinishOutput();
    return failed_ ? kExitFileFailed : kExitOk;
  }

 private:
  // Does one file's work; a failure is reported and the run goes on with the next file.
  template <class Work>
  void Attempt(std::string_view name, Work&& work) {
    try {
      std::forward<Work>(work)();
    } catch (const varnel::FileError& error) {
      Report(varnel::PathText(error.path()), error.reason());
    } catch (const OutputError& error) {
      Report(kStdoutName, error.reason);
      outReported_ = true;
    } catch (const std::exception& error) {
      Report(name, error.what());
    }
  }

  void Report(std::string_view where, std::string_view reason) {
    failed_ = true;
    const std::string shown = Shown(where);
    std::fprintf(console_.err, "palconv: %s: %.*s\n", shown.c_str(),
                 static_cast<int>(reason.size()), reason.data());
  }

  // --from, or the one rule of the window program's Load (PaletteDecoder::ForExtension).
  PaletteDecoder DecoderFor(const std::string& name) const {
    const varnel::NativeString ext =
        name == kStdStream ? varnel::NativeString() : varnel::ExtensionOf(PathFromUtf8(name));
    PaletteDecoder decoder =
        request_.from ? PaletteDecoder(*request_.from) : PaletteDecoder::ForExtension(ext);
    decoder.UsePrintProfile(request_.cmykProfile);
    return decoder;
  }

  PaletteData ReadInput(const std::string& name, PaletteDecoder& decoder) const {
    try {
      if (name == kStdStream) return varnel::ReadStandardInput(decoder);
      return varnel::ReadPaletteFile(PathFromUtf8(name), decoder);
    } catch (const varnel::FileError& error) {
      if (decoder.foreign().empty()) throw;
      throw varnel::FileError(error.path(),
                              std::string(decoder.foreign()) + ", not a palette palconv reads",
                              varnel::FileOperation::Read);
    }
  }

  // Why the file was read in the format it was.
  Choice Why(const std::string& name, const PaletteDecoder& decoder) const {
    if (request_.from) return Choice::From;
    if (decoder.bySignature()) return Choice::Signature;
    const std::string ext = varnel::PathText(varnel::ExtensionOf(PathFromUtf8(name)));
    return name != kStdStream && (decoder.format() != PaletteFormat::JascPal ||
                                  varnel::FormatNamed(ext) == PaletteFormat::JascPal)
               ? Choice::Extension
               : Choice::Default;
  }

  // Reads a file to convert, with a warning where its bytes say it may be another format.
  PaletteData ReadToConvert(const std::string& name) {
    PaletteDecoder decoder = DecoderFor(name);
    PaletteData palette = ReadInput(name, decoder);
    WarnOfReading(name, decoder, palette, true);
    RefuseManyColours(palette, request_);
    return palette;
  }

  // What the colour options make of `read`, each saying what it did about `name`.
  PaletteData Work(std::vector<PaletteData> read, const std::string& name) {
    return Worked(
        std::move(read), request_, [&](const std::string& what, const std::string& batch) {
          Warn(name, what, request_.merge ? std::string() : batch);  // a merge is one palette
        });
  }

  // Converts CMYK and Lab colours through palconv's print profile and says so, then what else
  // reading `name` met: the reader's warnings, unless --from chose the format one its bytes
  // announce instead, and converting, text read as JASC-PAL without its header.
  void WarnOfReading(const std::string& name, const PaletteDecoder& decoder, PaletteData& palette,
                     bool converting) {
    const varnel::CmykProfile& profile =
        request_.cmykProfile ? *request_.cmykProfile : varnel::CmykProfile::Default();
    for (const varnel::Loss& note :
         varnel::ConversionNotes(varnel::ConvertSources(palette, profile), profile.name(),
                                 request_.cmykProfile == nullptr))
      Warn(name, note.what, note.batch);
    for (const std::string& warning : palette.warnings) Warn(name, warning);
    const auto announced = decoder.announced();
    if (request_.from) return;
    if (decoder.format() == PaletteFormat::JascPal && announced != PaletteFormat::JascPal &&
        Why(name, decoder) == Choice::Default) {
      if (!converting) return;
      Warn(name, "no JASC-PAL header; read as JASC-PAL text by default",
           "no JASC-PAL header in {}; read as JASC-PAL text by default");
    } else if (announced && *announced != decoder.format()) {
      const std::string as = varnel::UpperAscii(varnel::InfoOf(decoder.format()).name);
      Warn({}, Shown(name) + " looks like " + WithArticle(varnel::InfoOf(*announced).title) +
                   "; read as " + as + " by its name (--from " +
                   std::string(varnel::InfoOf(*announced).name) + " reads it as one)");
    }
  }

  // One FILE, or with --merge every FILE, to OUT.
  void ConvertTo() {
    const std::string& out = request_.output;
    std::vector<PaletteData> read;
    for (const std::string& file : request_.files) read.push_back(ReadToConvert(file));
    const std::string name = request_.merge ? out == kStdStream ? std::string(kStdoutName) : out
                                            : request_.files.front();
    const PaletteData palette = Work(std::move(read), name);
    const std::filesystem::path path = PathFromUtf8(out);
    const PaletteFormat format = request_.OutputFormat();
    if (out == kStdStream) {
      Print(varnel::Encode(format, palette, request_.writing()));
      if (std::fflush(console_.out) != 0) throw OutputError{SystemReason(errno)};
    } else {
      varnel::WritePaletteFile(path, palette, format, request_.writing());
      SaySaved(path);
    }
    WarnOfLosses(name, palette, format);
  }

  // Convert's rule: a "pal" file becomes an ACT table beside it, any other a JASC-PAL
  // text; or each becomes --to.
  void ConvertBeside(const std::string& name) {
    const std::filesystem::path path = PathFromUtf8(name);
    const varnel::NativeString ext = varnel::ExtensionOf(path);
    const PaletteData palette = Work({ReadToConvert(name)}, name);
    const PaletteFormat format = request_.to.value_or(varnel::ConvertFormat(ext));
    // Names are never empty here, so there always is a target.
    const std::filesystem::path target = varnel::ConvertTarget(path, ext, format).value();
    // A file named to convert is never replaced by another's conversion, nor by its own
    // through a link, and a target is written once in a run. Only a target that exists is
    // looked at, so a batch of new targets resolves no paths.
    bool existed = false;
    std::filesystem::path resolved = target;
    varnel::WritePaletteFile(target, palette, format, request_.writing(), [&] {
      existed = true;
      resolved = Resolved(target);
      const std::string shownTarget = Shown(varnel::PathText(target));
      if (Sources().contains(resolved))
        throw std::runtime_error(
            "not converted: its target " + shownTarget +
            (resolved == Resolved(path) ? " leads to the file itself" : " is a file to convert"));
      if (const std::string* source = WrittenFrom(resolved))
        throw std::runtime_error("not converted: its target " + shownTarget +
                                 " was just written from " + Shown(*source));
    });
    (existed ? written_[resolved] : unresolved_[target]) = name;
    SaySaved(target);
    WarnOfLosses(name, palette, format);
  }

  // What a conversion of `name` to `format` could not keep, on standard error.
  void WarnOfLosses(const std::string& name, const PaletteData& palette, PaletteFormat format) {
    for (const varnel::Loss& loss : varnel::LossesOf(palette, format, request_.keepCount))
      Warn(name, loss.what, loss.batch);
  }

  // A warning about the file `name` ("" when `what` names it itself): said at once when
  // palconv was given one FILE; for a batch, gathered by kind and said at the end, once per
  // kind, `batch` with "{}" standing for the number of files (a kind met once keeps `what`).
  void Warn(std::string_view name, const std::string& what, const std::string& batch = {}) {
    const std::string line = name.empty() ? what : Shown(name) + ": " + what;
    if (request_.files.size() == 1 || batch.empty()) {
      std::fprintf(console_.err, "palconv: warning: %s\n", line.c_str());
      return;
    }
    const auto kind = std::ranges::find(gathered_, batch, &Gathered::batch);
    if (kind == gathered_.end())
      gathered_.push_back({batch, line, 1});
    else
      ++kind->files;
  }

  void SayGatheredWarnings() {
    for (const Gathered& kind : gathered_) {
      std::string line = kind.first;
      if (kind.files > 1) {
        line = kind.batch;
        line.replace(line.find("{}"), 2, varnel::Counted(kind.files, "file"));
      }
      std::fprintf(console_.err, "palconv: warning: %s\n", line.c_str());
    }
  }

  // One line: the format and why it was chosen, a picture's kind and size, the count, the
  // transparent index, names.
  void Info(const std::string& name) {
    PaletteDecoder decoder = DecoderFor(name);
    PaletteData palette = ReadInput(name, decoder);
    WarnOfReading(name, decoder, palette, false);
    const varnel::FormatInfo& format = varnel::InfoOf(decoder.format());
    const bool named = !palette.names.empty();
    std::string line =
        Shown(name) + ": " + std::string(format.name) + " (" + std::string(format.title) + ") " +
        std::string(kChoiceWords[static_cast<int>(Why(name, decoder))]) + "; " +
        (palette.picture.empty() ? "" : palette.picture + "; ") +
        (palette.pictureColors > palette.count
             ? varnel::PictureColors(palette) +
                   ", more than a palette holds (--colours N takes N of them)"
             : std::to_string(palette.count) + (palette.count == 1 ? " colour" : " colours"));
    if (const std::string models = varnel::ModelsOf(palette); !models.empty())
      line += ": " + models;
    if (palette.extra > 0) line += " and " + std::to_string(palette.extra) + " more not read";
    line += "; transparent index " +
            (palette.transparent ? std::to_string(*palette.transparent) : std::string("none"));
    line += named ? "; colour names" : "; no colour names";
    if (!palette.title.empty()) line += "; named " + Shown(palette.title);
    if (!palette.alpha.empty()) line += "; alpha";
    Print(line + "\n");
  }

  void Show(const PaletteData& palette) {
    Print(Listing(palette));
    if (console_.outIsTerminal) Print(Grid(palette.colors));
  }

  void SaySaved(const std::filesystem::path& path) {
    std::string line(kSavedAs);
    line += Shown(varnel::PathText(path));
    line += '\n';
    Print(line);
  }

  void Print(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), console_.out) != text.size() && outErrno_ == 0)
      outErrno_ = errno;
  }

  // Everything printed must have arrived: a full disk or closed pipe on standard output
  // is a failure like any other.
  void FinishOutput() {
    // A write that failed on the way has the better reason: the last flush may find no
    // bytes left to fail on.
    if (const std::string reason = OutputFailure(console_.out); !reason.empty() && !outReported_)
      Report(kStdoutName, outErrno_ != 0 ? SystemReason(outErrno_) : reason);
  }

  // Every FILE, resolved; worked out only once a target exists, so that a batch of new
  // targets costs nothing.
  const std::set<std::filesystem::path>& Sources() {
    if (!sources_) {
      sources_.emplace();
      for (const std::string& name : request_.files) sources_->insert(Resolved(PathFromUtf8(name)));
    }
    return *sources_;
  }

  // The FILE whose conversion wrote the target `resolved` in this run, or nullptr.
  const std::string* WrittenFrom(const std::filesystem::path& resolved) {
    for (auto& [target, source] : unresolved_) written_.emplace(Resolved(target), source);
    unresolved_.clear();
    const auto found = written_.find(resolved);
    return found == written_.end() ? nullptr : &found->second;
  }

  // A path with every link on it followed, as far as it exists.
  static std::filesystem::path Resolved(const std::filesystem::path& path) {
    std::error_code ignored;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ignored);
    return resolved.empty() ? path : resolved;
  }

  const Request& request_;
  const Console& console_;
  std::optional<std::set<std::filesystem::path>> sources_;  // see Sources()
  // The targets written so far and the FILE each came from: resolved, and those that were
  // new, resolved only once a target that exists is met (see WrittenFrom).
  std::map<std::filesystem::path, std::string> written_, unresolved_;
  struct Gathered {  // see Warn
    std::string batch, first;
    std::size_t files;
  };
  std::vector<Gathered> gathered_;
  bool failed_ = false;
  bool outReported_ = false;
  int outErrno_ = 0;  // why printing first failed
};

}  // namespace

int Run(const std::vector<std::string>& args, const Console& console) {
  const Parsed parsed = ParseCommandLine(args, console);
  if (const int* status = std::get_if<int>(&parsed)) {
    // --help and --version fail like any other output.
    const std::string reason = OutputFailure(console.out);
    if (*status != kExitOk || reason.empty()) return *status;
    std::fprintf(console.err, "palconv: %s: %s\n", kStdoutName.data(), reason.c_str());
    return kExitFileFailed;
  }
  return Session(std::get<Request>(parsed), console).Run();
}

}  // namespace palconv
