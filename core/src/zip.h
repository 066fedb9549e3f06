// ZIP archives in memory, through minizip: the entries of an archive a palette file is made
// of, read under limits that no palette file comes near, and an archive written byte for byte
// the same every time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

// The entries of a ZIP archive held in memory. Opening checks the whole central directory;
// Read inflates one entry. Both throw FormatError saying what is wrong with the archive.
class ZipReader {
 public:
  // What one archive may hold. A palette archive holds two or three small entries.
  static constexpr std::size_t kMaxEntries = 64;
  static constexpr std::uint64_t kMaxEntrySize = std::uint64_t{16} << 20;  // as a palette file
  static constexpr std::uint64_t kMaxRatio = 1000;  // deflate reaches 1032:1 on one byte repeated

  struct Entry {
    std::string name;
    std::uint64_t size = 0;        // as declared, inflated
    std::uint64_t compressed = 0;  // as declared
    bool stored = false;           // not compressed
  };

  // Reads the central directory of `bytes`, which must outlive the reader. Refuses an
  // archive minizip cannot read, more than kMaxEntries entries, an encrypted entry, one
  // compressed other than stored or deflated, larger than kMaxEntrySize or more than
  // kMaxRatio times its compressed size as declared, and a name that is absolute or climbs
  // out of the archive with "..".
  explicit ZipReader(std::string_view bytes);
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // The entries in the central directory's order.
  const std::vector<Entry>& entries() const noexcept { return entries_; }
  // The entry named `name` exactly, or nullptr.
  const Entry* Find(std::string_view name) const noexcept;
  // The contents of `entry`, one of entries(): never more bytes than it declares, and
  // refused where its data is damaged (its checksum differs).
  std::string Read(const Entry& entry);

  struct Memory;  // the bytes minizip's callbacks read

 private:
  struct Closer {
    void operator()(void* file) const noexcept;
  };
  std::unique_ptr<Memory> memory_;
  std::unique_ptr<void, Closer> file_;  // minizip's unzFile, closed even when reading it fails
  std::vector<Entry> entries_;
  std::vector<std::uint64_t> positions_;  // each entry's place in the central directory
};

// One entry to write: its name, its contents, and whether it is stored as it is (a mimetype
// that readers look for at a fixed offset) or deflated.
struct ZipEntry {
  std::string_view name;
  std::string_view data;
  bool stored = false;
};

// An archive of `entries` in order, each dated 1 January 1980, so the same entries give the
// same bytes every time.
std::string WriteZip(std::span<const ZipEntry> entries);

}  // namespace varnel
