// libpng and zlib as this build compiled them (Debian's sources with our compiler, flags and
// sanitizers): the headers match the library, and an indexed picture with a transparent
// entry survives writing and reading in memory, through deflate and inflate.
#include <png.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace varnel::test {
namespace {

TEST(PngLibrary, WritesAndReadsBackAnIndexedPictureInMemory) {
  EXPECT_EQ(png_access_version_number(), static_cast<png_uint_32>(PNG_LIBPNG_VER));

  const std::array<std::uint8_t, 8> colours = {0x12, 0x34, 0x56, 0xFF, 0xAB, 0xCD, 0xEF, 0x00};
  const std::array<std::uint8_t, 3> pixels = {1, 0, 1};
  png_image out{};
  out.version = PNG_IMAGE_VERSION;
  out.width = 3;
  out.height = 1;
  out.format = PNG_FORMAT_RGBA_COLORMAP;
  out.colormap_entries = 2;
  png_alloc_size_t size = 0;
  ASSERT_TRUE(png_image_write_get_memory_size(out, size, 0, pixels.data(), 0, colours.data()))
      << out.message;
  std::vector<std::uint8_t> file(size);
  ASSERT_TRUE(png_image_write_to_memory(&out, file.data(), &size, 0, pixels.data(), 0,
                                        colours.data()))
      << out.message;
  ASSERT_EQ(png_sig_cmp(file.data(), 0, 8), 0);

  png_image in{};
  in.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&in, file.data(), size)) << in.message;
  EXPECT_EQ(in.width, 3u);
  EXPECT_NE(in.format & PNG_FORMAT_FLAG_COLORMAP, 0u);
  in.format = PNG_FORMAT_RGBA;
  std::array<std::uint8_t, 12> read{};
  ASSERT_TRUE(png_image_finish_read(&in, nullptr, read.data(), 0, nullptr)) << in.message;
  EXPECT_EQ(read, (std::array<std::uint8_t, 12>{0xAB, 0xCD, 0xEF, 0x00, 0x12, 0x34, 0x56, 0xFF,
                                                0xAB, 0xCD, 0xEF, 0x00}));
}

}  // namespace
}  // namespace varnel::test
