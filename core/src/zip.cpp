#include "zip.h"

#include <unzip.h>
#include <zip.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "varnel/format.h"
#include "varnel/utf.h"

namespace varnel {

// Where minizip's callbacks read or write: the archive's bytes and a position in them.
struct ZipReader::Memory {
  std::string_view in;
  std::string* out = nullptr;  // writing
  std::uint64_t at = 0;

  std::uint64_t size() const noexcept { return out ? out->size() : in.size(); }
};

namespace {

using Memory = ZipReader::Memory;

voidpf Open(voidpf opaque, const void*, int) { return opaque; }

uLong ReadBytes(voidpf, voidpf stream, void* buffer, uLong size) {
  auto& m = *static_cast<Memory*>(stream);
  const std::string_view from = m.out ? std::string_view(*m.out) : m.in;
  if (m.at >= from.size()) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, from.size() - m.at));
  std::memcpy(buffer, from.data() + m.at, n);
  m.at += n;
  return static_cast<uLong>(n);
}

uLong WriteBytes(voidpf, voidpf stream, const void* buffer, uLong size) {
  auto& m = *static_cast<Memory*>(stream);
  if (!m.out) return 0;
  const auto* bytes = static_cast<const char*>(buffer);
  const std::size_t at = static_cast<std::size_t>(m.at);
  if (m.out->size() < at + size) m.out->resize(at + size);
  m.out->replace(at, size, bytes, size);
  m.at += size;
  return size;
}

ZPOS64_T Tell(voidpf, voidpf stream) { return static_cast<Memory*>(stream)->at; }

long Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto& m = *static_cast<Memory*>(stream);
  std::uint64_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = m.at;
  if (origin == ZLIB_FILEFUNC_SEEK_END) base = m.size();
  if (offset > m.size() || base > m.size() - offset) return -1;
  m.at = base + offset;
  return 0;
}

int Close(voidpf, voidpf) { return 0; }
int Error(voidpf, voidpf) { return 0; }

zlib_filefunc64_def Callbacks(Memory& memory) {
  zlib_filefunc64_def def{};
  def.zopen64_file = Open;
  def.zread_file = ReadBytes;
  def.zwrite_file = WriteBytes;
  def.ztell64_file = Tell;
  def.zseek64_file = Seek;
  def.zclose_file = Close;
  def.zerror_file = Error;
  def.opaque = &memory;
  return def;
}

// Whether an entry name leaves the archive's own folder: absolute, a drive, or "..".
bool Escapes(std::string_view name) noexcept {
  if (name.starts_with('/') || name.starts_with('\\') || (name.size() >= 2 && name[1] == ':'))
    return true;
  for (std::size_t start = 0; start <= name.size();) {
    const std::size_t end = std::min(name.find_first_of("/\\", start), name.size());
    if (name.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

FormatError Damaged(std::string_view what) {
  return FormatError("it is a damaged ZIP archive (" + std::string(what) + ")");
}

std::string EntryName(const std::string& name) { return "its entry " + Quoted(name); }

}  // namespace

ZipReader::ZipReader(std::string_view bytes) : memory_(std::make_unique<Memory>()) {
  memory_->in = bytes;
  zlib_filefunc64_def def = Callbacks(*memory_);
  file_.reset(unzOpen2_64("", &def));
  if (!file_) throw Damaged("no central directory minizip can read");
  unz_global_info64 global{};
  if (unzGetGlobalInfo64(file_.get(), &global) != UNZ_OK) throw Damaged("its central directory");
  if (global.number_entry > kMaxEntries)
    throw FormatError("it holds " + std::to_string(global.number_entry) +
                      " entries, more than a palette archive's " + std::to_string(kMaxEntries));
  for (int status = unzGoToFirstFile(file_.get()); status != UNZ_END_OF_LIST_OF_FILE;
       status = unzGoToNextFile(file_.get())) {
    if (status != UNZ_OK) throw Damaged("its central directory");
    if (entries_.size() == kMaxEntries)
      throw FormatError("it holds more than a palette archive's " + std::to_string(kMaxEntries) +
                        " entries");
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(file_.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
      throw Damaged("an entry of its central directory");
    Entry entry;
    entry.name.resize(info.size_filename);
    if (unzGetCurrentFileInfo64(file_.get(), &info, entry.name.data(), info.size_filename + 1,
                                nullptr, 0, nullptr, 0) != UNZ_OK)
      throw Damaged("an entry of its central directory");
    entry.size = info.uncompressed_size;
    entry.compressed = info.compressed_size;
    entry.stored = info.compression_method == 0;
    const std::string what = EntryName(entry.name);
    if (Escapes(entry.name))
      throw FormatError(what + " is named outside the archive (an absolute path or \"..\")");
    if (info.flag & 1) throw FormatError(what + " is encrypted");
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
      throw FormatError(what + " is compressed by method " +
                        std::to_string(info.compression_method) + ", not stored or deflated");
    if (entry.size > kMaxEntrySize)
      throw FormatError(what + " holds " + std::to_string(entry.size) +
                        " bytes, more than the 16 MiB a palette file may");
    if (entry.size > std::max<std::uint64_t>(entry.compressed, 1) * kMaxRatio)
      throw FormatError(what + " inflates more than " + std::to_string(kMaxRatio) +
                        " times its compressed size");
    unz64_file_pos position{};
    unzGetFilePos64(file_.get(), &position);
    positions_.push_back(position.pos_in_zip_directory);
    entries_.push_back(std::move(entry));
  }
}

void ZipReader::Closer::operator()(void* file) const noexcept { unzClose(file); }

ZipReader::~ZipReader() = default;

const ZipReader::Entry* ZipReader::Find(std::string_view name) const noexcept {
  const auto found = std::ranges::find(entries_, name, &Entry::name);
  return found == entries_.end() ? nullptr : &*found;
}

std::string ZipReader::Read(const Entry& entry) {
  const auto index = static_cast<std::size_t>(&entry - entries_.data());
  unz64_file_pos position{positions_.at(index), index};
  const std::string what = EntryName(entry.name);
  if (unzGoToFilePos64(file_.get(), &position) != UNZ_OK ||
      unzOpenCurrentFile(file_.get()) != UNZ_OK)
    throw Damaged(what + "'s header");
  // minizip inflates no more than the central directory declares (checked above).
  std::string data(static_cast<std::size_t>(entry.size), '\0');
  std::size_t got = 0;
  while (got < data.size()) {
    const int n = unzReadCurrentFile(
        file_.get(), data.data() + got,
        static_cast<unsigned>(std::min<std::size_t>(data.size() - got, 1 << 20)));
    if (n < 0) {
      unzCloseCurrentFile(file_.get());
      throw Damaged(what + "'s compressed data");
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  const int closed = unzCloseCurrentFile(file_.get());
  if (got < data.size()) throw Damaged(what + " is shorter than it declares");
  if (closed == UNZ_CRCERROR) throw Damaged(what + "'s checksum differs");
  if (closed != UNZ_OK) throw Damaged(what);
  return data;
}

std::string WriteZip(std::span<const ZipEntry> entries) {
  std::string out;
  Memory memory;
  memory.out = &out;
  zlib_filefunc64_def def = Callbacks(memory);
  zipFile zip = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &def);
  if (!zip) throw std::runtime_error("minizip cannot start an archive");
  zip_fileinfo info{};
  info.tmz_date.tm_year = 1980;
  info.tmz_date.tm_mday = 1;
  bool written = true;
  for (const ZipEntry& entry : entries) {
    const std::string name(entry.name);
    written = written &&
              zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                    entry.stored ? 0 : Z_DEFLATED,
                                    entry.stored ? 0 : Z_DEFAULT_COMPRESSION, 0) == ZIP_OK &&
              zipWriteInFileInZip(zip, entry.data.data(),
                                  static_cast<unsigned>(entry.data.size())) == ZIP_OK &&
              zipCloseFileInZip(zip) == ZIP_OK;
  }
  if (zipClose(zip, nullptr) != ZIP_OK || !written)
    throw std::runtime_error("minizip could not write an archive");
  return out;
}

}  // namespace varnel
