// Colours that files give in other models, to the 8-bit sRGB the palette table holds, through
// LittleCMS: CMYK through a print profile, CIE Lab through LittleCMS's own Lab and sRGB
// profiles. Each call makes one transform for all the colours it is given.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "varnel/palette.h"

namespace varnel {

// Why a profile was refused, in words for people: "not an ICC profile".
class ProfileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A CMYK print profile: an ICC output profile of the CMYK colour space, ready to convert.
// Copies share the one profile; it can be used from several threads at once.
class CmykProfile {
 public:
  // The largest profile FromBytes reads. Press profiles run to a few MiB at most.
  static constexpr std::size_t kMaxBytes = std::size_t{16} << 20;

  // The profile used when none is named: FOGRA39L Coated, the characterisation of offset
  // printing on coated paper (ISO 12647-2), built into the program.
  static const CmykProfile& Default();

  // The profile `bytes` hold. Throws ProfileError saying what they are instead: "larger than
  // 16 MiB", "not an ICC profile", "not a CMYK printer profile (it is an RGB display
  // profile)", "a damaged CMYK printer profile" (one whose tables LittleCMS cannot use).
  static CmykProfile FromBytes(std::string_view bytes);

  // Its name for messages: the profile's description ("FOGRA39L Coated"), printable UTF-8,
  // or "an unnamed CMYK printer profile" where it has none.
  const std::string& name() const noexcept;

  class Transform;  // the conversion to sRGB, made once with the profile

 private:
  explicit CmykProfile(std::shared_ptr<const Transform> transform) noexcept;
  friend std::vector<COLORREF> CmykToSrgb(std::span<const std::array<double, 4>>,
                                          const CmykProfile&);
  std::shared_ptr<const Transform> transform_;
};

// CMYK colours (each component ink coverage from 0 to 1) to 8-bit sRGB through `profile`'s
// relative colorimetric rendering, in order. A component outside 0..1 is held at the nearer
// end; NaN counts as 0.
std::vector<COLORREF> CmykToSrgb(std::span<const std::array<double, 4>> cmyk,
                                 const CmykProfile& profile);

// CIE Lab relative to D50, as Adobe swatch files store it (L 0..100, a and b -128..127), to
// 8-bit sRGB, relative colorimetric, in order. A component outside its range is held at the
// nearer end; NaN counts as 0. `clipped`, if given, receives how many of the colours lay
// outside sRGB and were held at its edge (by more than half a step of 8 bits).
std::vector<COLORREF> LabToSrgb(std::span<const std::array<double, 3>> lab,
                                std::size_t* clipped = nullptr);

}  // namespace varnel
