// JPEG through libjpeg-turbo's suspending reader: the file comes in pieces, which a source
// manager of our own hands over as they arrive; where libjpeg needs more than has come, it
// returns to us (JPEG_SUSPENDED) and takes up where it left off with the next piece. Rows are
// decoded one at a time into the picture's colour histogram, so memory stays flat for baseline
// pictures; a progressive one holds its coefficients, within kMaxMemory.
//
// libjpeg reports an error through error_exit, which must not return: OnError longjmps back
// into Step, where nothing with a destructor lives between setjmp and the libjpeg calls, and
// the callbacks throw nothing. The size is checked after the header, before anything is taken
// for the pixels.
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>

#include "picture.h"
#include "varnel/colour.h"

namespace varnel {
namespace {

constexpr std::string_view kJpegSignature{"\xFF\xD8\xFF", 3};
// What a progressive picture's coefficients may take (a 16,384 × 16,384 colour photograph
// needs about 1.5 GiB); libjpeg refuses a picture that needs more before taking it.
constexpr long kMaxMemory = 512L << 20;
constexpr JOCTET kEndOfImage[] = {0xFF, JPEG_EOI};

class JpegDecoder final : public StreamDecoder {
 public:
  JpegDecoder();
  ~JpegDecoder() override { jpeg_destroy_decompress(&info_); }
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;

  void UsePrintProfile(const std::shared_ptr<const CmykProfile>& profile) override {
    profile_ = profile;
  }
  bool Feed(std::string_view piece) override;
  PaletteData Finish() override;

 private:
  const CmykProfile& Profile() const noexcept {
    return profile_ ? *profile_ : CmykProfile::Default();
  }

  enum class Stage { Header, Start, Rows, Done };

  // libjpeg's managers, each with the way back to us.
  struct Source {
    jpeg_source_mgr manager;
    JpegDecoder* self;
  };
  struct Errors {
    jpeg_error_mgr manager;
    JpegDecoder* self;
  };

  static JpegDecoder& Of(j_common_ptr info) { return *reinterpret_cast<Errors*>(info->err)->self; }
  static void OnError(j_common_ptr info);
  static void OnMessage(j_common_ptr) {}  // nothing is printed
  static void OnEmit(j_common_ptr info, int level);
  static void Skip(j_decompress_ptr info, long count);
  static boolean Fill(j_decompress_ptr info);

  bool Call(int& result) noexcept;
  void Advance();
  void CheckHeader();
  void TakeRow();

  jpeg_decompress_struct info_{};
  Errors errors_{};
  Source source_{};
  std::jmp_buf jump_{};
  Stage stage_ = Stage::Header;
  std::string buffer_;          // what has come, from what libjpeg has not taken yet
  std::uint64_t skipping_ = 0;  // bytes libjpeg skips beyond what has come
  bool begun_ = false;          // its signature has come
  bool ended_ = false;          // the file has ended
  bool padded_ = false;         // an end of image stood in for what the file lacks
  bool cmyk_ = false, inverted_ = false;
  std::string picture_;
  std::vector<JSAMPLE> row_;
  std::vector<std::array<double, 4>> inks_;
  std::shared_ptr<const CmykProfile> profile_;  // nullptr: the default
  DistinctColors colors_;
  std::size_t warnings_ = 0;
  char error_[JMSG_LENGTH_MAX] = {};
  char warning_[JMSG_LENGTH_MAX] = {};  // the first thing libjpeg warned of
};

JpegDecoder::JpegDecoder() {
  info_.err = jpeg_std_error(&errors_.manager);
  errors_.self = this;
  errors_.manager.error_exit = OnError;
  errors_.manager.output_message = OnMessage;
  errors_.manager.emit_message = OnEmit;
  if (setjmp(jump_)) throw std::bad_alloc();  // what jpeg_create_decompress can meet
  jpeg_create_decompress(&info_);
  info_.mem->max_memory_to_use = kMaxMemory;
  source_.self = this;
  source_.manager.init_source = [](j_decompress_ptr) {};
  source_.manager.fill_input_buffer = Fill;
  source_.manager.skip_input_data = Skip;
  source_.manager.resync_to_restart = jpeg_resync_to_restart;
  source_.manager.term_source = [](j_decompress_ptr) {};
  info_.src = &source_.manager;
}

void JpegDecoder::OnError(j_common_ptr info) {
  JpegDecoder& self = Of(info);
  (*info->err->format_message)(info, self.error_);
  std::longjmp(self.jump_, 1);
}

// Warnings (level -1) are counted and the first kept; trace messages play no role.
void JpegDecoder::OnEmit(j_common_ptr info, int level) {
  if (level >= 0) return;
  JpegDecoder& self = Of(info);
  if (self.warnings_++ == 0) (*info->err->format_message)(info, self.warning_);
}

// libjpeg wants more than has come: it waits for the next piece, unless the file has ended,
// where an end of image stands in for the rest (and the picture is refused as cut short).
boolean JpegDecoder::Fill(j_decompress_ptr info) {
  JpegDecoder& self = Of(reinterpret_cast<j_common_ptr>(info));
  if (!self.ended_) return FALSE;
  self.padded_ = true;
  info->src->next_input_byte = kEndOfImage;
  info->src->bytes_in_buffer = sizeof kEndOfImage;
  return TRUE;
}

void JpegDecoder::Skip(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  jpeg_source_mgr& source = *info->src;
  const auto wanted = static_cast<std::size_t>(count);
  const std::size_t now = std::min(wanted, source.bytes_in_buffer);
  source.next_input_byte += now;
  source.bytes_in_buffer -= now;
  Of(reinterpret_cast<j_common_ptr>(info)).skipping_ += wanted - now;
}

// One call into libjpeg for the stage reached; false where it failed (error_ says why).
// Nothing here has a destructor (see above).
bool JpegDecoder::Call(int& result) noexcept {
  if (setjmp(jump_)) return false;
  JSAMPROW row = row_.data();
  switch (stage_) {
    case Stage::Header:
      result = jpeg_read_header(&info_, TRUE);
      break;
    case Stage::Start:
      result = jpeg_start_decompress(&info_);
      break;
    case Stage::Rows:
      result = static_cast<int>(jpeg_read_scanlines(&info_, &row, 1));
      break;
    case Stage::Done:
      break;
  }
  return true;
}

// Goes on as far as what has come allows.
void JpegDecoder::Advance() {
  while (stage_ != Stage::Done) {
    int result = 0;
    if (!Call(result)) {
      stage_ = Stage::Done;
      throw FormatError(padded_ ? std::string("it ends too early")
                                : std::string("libjpeg cannot read it: ") + error_);
    }
    switch (stage_) {
      case Stage::Header:
        if (result == JPEG_SUSPENDED) return;
        CheckHeader();
        stage_ = Stage::Start;
        break;
      case Stage::Start:
        if (result == 0) return;
        stage_ = Stage::Rows;
        break;
      case Stage::Rows:
        if (result != 1) return;
        TakeRow();
        if (info_.output_scanline == info_.output_height) stage_ = Stage::Done;
        break;
      case Stage::Done:
        break;
    }
  }
}

// The size before anything is taken for the pixels, and how the pixels come out.
void JpegDecoder::CheckHeader() {
  const J_COLOR_SPACE space = info_.jpeg_color_space;
  cmyk_ = space == JCS_CMYK || space == JCS_YCCK;
  picture_ = Picture(cmyk_                    ? "CMYK"
                     : space == JCS_GRAYSCALE ? "grey"
                                              : "true colour",
                     info_.image_width, info_.image_height);
  // Adobe's programs, which write nearly every CMYK JPEG, store the inks inverted.
  inverted_ = cmyk_ && info_.saw_Adobe_marker;
  info_.out_color_space = cmyk_ ? JCS_CMYK : JCS_RGB;
  row_.resize(std::size_t{info_.image_width} * (cmyk_ ? 4 : 3));
}

void JpegDecoder::TakeRow() {
  const std::uint64_t y = info_.output_scanline - 1;
  const std::size_t width = info_.output_width;
  if (!cmyk_) {
    for (std::size_t x = 0; x < width; ++x) {
      const JSAMPLE* p = &row_[3 * x];
      colors_.Add(MakeColor(p[0], p[1], p[2]), 255, y * width + x);
    }
    return;
  }
  inks_.clear();
  for (std::size_t x = 0; x < width; ++x) {
    std::array<double, 4>& ink = inks_.emplace_back();
    for (std::size_t c = 0; c < 4; ++c) {
      const JSAMPLE v = row_[4 * x + c];
      ink[c] = (inverted_ ? 255 - v : v) / 255.0;
    }
  }
  const std::vector<COLORREF> colours = CmykToSrgb(inks_, Profile());
  for (std::size_t x = 0; x < width; ++x) colors_.Add(colours[x], 255, y * width + x);
}

bool JpegDecoder::Feed(std::string_view piece) {
  if (stage_ == Stage::Done) return false;
  if (!begun_ && !piece.empty()) {
    if (!kJpegSignature.starts_with(piece.substr(0, kJpegSignature.size())))
      throw FormatError("it does not start with the JPEG signature");
    begun_ = piece.size() >= kJpegSignature.size();
  }
  const std::size_t skipped =
      static_cast<std::size_t>(std::min<std::uint64_t>(skipping_, piece.size()));
  skipping_ -= skipped;
  piece.remove_prefix(skipped);
  buffer_.erase(0, buffer_.size() - source_.manager.bytes_in_buffer);
  buffer_.append(piece);
  source_.manager.next_input_byte = reinterpret_cast<const JOCTET*>(buffer_.data());
  source_.manager.bytes_in_buffer = buffer_.size();
  Advance();
  return stage_ != Stage::Done;
}

PaletteData JpegDecoder::Finish() {
  if (!begun_ && buffer_.empty()) throw FormatError("it is empty");
  ended_ = true;
  Advance();
  if (padded_) throw FormatError("it ends too early");
  PaletteData data = colors_.Finish(picture_);
  if (cmyk_)
    data.warnings.push_back("its CMYK pixels converted to RGB through " +
                            Profile().name());
  if (warnings_ > 0)
    data.warnings.push_back(std::string("libjpeg met damaged data (") + warning_ +
                            (warnings_ > 1 ? "; " + Counted(warnings_ - 1, "more warning") : "") +
                            "), so some of its colours may be wrong");
  return data;
}

}  // namespace

bool LooksLikeJpeg(std::string_view bytes) noexcept { return bytes.starts_with(kJpegSignature); }

std::unique_ptr<StreamDecoder> JpegStream() { return std::make_unique<JpegDecoder>(); }

}  // namespace varnel
