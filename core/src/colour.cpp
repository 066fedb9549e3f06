// Colour conversion through LittleCMS. Profiles are read from memory, after their size is
// checked; LittleCMS's transforms work in floating point for Lab (so that colours outside
// sRGB show as values outside 0..1 and can be counted) and in 16 bits for CMYK.
#include "varnel/colour.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>

#include "default_profile.h"
#include "varnel/utf.h"

namespace varnel {
namespace {

struct ProfileCloser {
  void operator()(void* profile) const noexcept { cmsCloseProfile(profile); }
};
using ProfileHandle = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
  void operator()(void* transform) const noexcept { cmsDeleteTransform(transform); }
};
using TransformHandle = std::unique_ptr<void, TransformDeleter>;

// `value` held within low..high; NaN is 0 (then held too).
double Held(double value, double low, double high) noexcept {
  if (std::isnan(value)) value = 0;
  return std::clamp(value, low, high);
}

// What a profile's header says it is, for the message that refuses it.
std::string Kind(cmsHPROFILE profile) {
  struct Word {
    std::uint32_t signature;
    const char* words;
  };
  static constexpr Word kSpaces[] = {
      {cmsSigRgbData, "an RGB"},    {cmsSigGrayData, "a grey"}, {cmsSigLabData, "a Lab"},
      {cmsSigXYZData, "an XYZ"},    {cmsSigCmyData, "a CMY"},   {cmsSigCmykData, "a CMYK"},
      {cmsSigYCbCrData, "a YCbCr"}, {cmsSigLuvData, "a Luv"},   {cmsSigYxyData, "a Yxy"},
      {cmsSigHsvData, "an HSV"},    {cmsSigHlsData, "an HLS"}};
  static constexpr Word kClasses[] = {
      {cmsSigInputClass, "input device"},     {cmsSigDisplayClass, "display"},
      {cmsSigOutputClass, "printer"},         {cmsSigLinkClass, "device link"},
      {cmsSigAbstractClass, "abstract"},      {cmsSigColorSpaceClass, "colour space"},
      {cmsSigNamedColorClass, "named colour"}};
  auto find = [](const auto& table, std::uint32_t signature, const char* otherwise) {
    for (const Word& word : table)
      if (word.signature == signature) return word.words;
    return otherwise;
  };
  return std::string(find(kSpaces, cmsGetColorSpace(profile), "a many-colour")) + " " +
         find(kClasses, cmsGetDeviceClass(profile), "unknown") + " profile";
}

// The profile's description as printable UTF-8: controls become spaces, the ends are
// trimmed, and it is cut to a length a message can carry.
std::string Description(cmsHPROFILE profile) {
  constexpr std::size_t kMaxUnits = 120;
  const cmsUInt32Number size =
      cmsGetProfileInfo(profile, cmsInfoDescription, "en", "US", nullptr, 0);
  if (size < sizeof(wchar_t)) return "";
  std::wstring wide(size / sizeof(wchar_t), L'\0');
  cmsGetProfileInfo(profile, cmsInfoDescription, "en", "US", wide.data(), size);
  std::u16string units;
  for (const wchar_t unit : wide) {
    auto code = static_cast<std::uint32_t>(unit);
    if (code == 0) break;
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) code = ' ';
    if (code > 0xFFFF && code <= 0x10FFFF) {  // wchar_t of 32 bits: a surrogate pair
      code -= 0x10000;
      units += static_cast<char16_t>(0xD800 + (code >> 10));
      units += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      units += static_cast<char16_t>(code > 0x10FFFF ? 0xFFFD : code);
    }
  }
  const std::string text = Utf8FromUtf16(units);
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  const std::string_view trimmed =
      std::string_view(text).substr(first, text.find_last_not_of(' ') + 1 - first);
  return std::string(Utf8Prefix(trimmed, kMaxUnits));
}

}  // namespace

class CmykProfile::Transform {
 public:
  TransformHandle handle;  // CMYK as doubles (0..100) to 8-bit RGB
  std::string name;
};

CmykProfile::CmykProfile(std::shared_ptr<const Transform> transform) noexcept
    : transform_(std::move(transform)) {}

const CmykProfile& CmykProfile::Default() {
  static const CmykProfile profile = FromBytes(DefaultCmykProfileBytes());
  return profile;
}

CmykProfile CmykProfile::FromBytes(std::string_view bytes) {
  if (bytes.size() > kMaxBytes) throw ProfileError("larger than 16 MiB");
  ProfileHandle profile(
      cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
  if (!profile) throw ProfileError("not an ICC profile");
  if (cmsGetColorSpace(profile.get()) != cmsSigCmykData ||
      cmsGetDeviceClass(profile.get()) != cmsSigOutputClass)
    throw ProfileError("not a CMYK printer profile (it is " + Kind(profile.get()) + ")");
  std::string name = Description(profile.get());
  if (name.empty()) name = "an unnamed CMYK printer profile";

  ProfileHandle srgb(cmsCreate_sRGBProfile());
  // LittleCMS reads a profile's tables only here: a damaged one fails now, not per colour.
  TransformHandle transform(cmsCreateTransform(profile.get(), TYPE_CMYK_DBL, srgb.get(), TYPE_RGB_8,
                                               INTENT_RELATIVE_COLORIMETRIC, 0));
  if (!srgb || !transform) throw ProfileError("a damaged CMYK printer profile");
  return CmykProfile(
      std::make_shared<const Transform>(Transform{std::move(transform), std::move(name)}));
}

const std::string& CmykProfile::name() const noexcept { return transform_->name; }

std::vector<COLORREF> CmykToSrgb(std::span<const std::array<double, 4>> cmyk,
                                 const CmykProfile& profile) {
  std::vector<double> in;
  in.reserve(cmyk.size() * 4);
  for (const auto& colour : cmyk)
    for (const double ink : colour) in.push_back(Held(ink, 0, 1) * 100);  // LittleCMS: percent
  std::vector<std::uint8_t> out(cmyk.size() * 3);
  if (!cmyk.empty())
    cmsDoTransform(profile.transform_->handle.get(), in.data(), out.data(),
                   static_cast<cmsUInt32Number>(cmyk.size()));
  std::vector<COLORREF> colours;
  colours.reserve(cmyk.size());
  for (std::size_t i = 0; i < out.size(); i += 3)
    colours.push_back(MakeColor(out[i], out[i + 1], out[i + 2]));
  return colours;
}

std::vector<COLORREF> LabToSrgb(std::span<const std::array<double, 3>> lab, std::size_t* clipped) {
  std::vector<cmsCIELab> in;
  in.reserve(lab.size());
  for (const auto& colour : lab)
    in.push_back({Held(colour[0], 0, 100), Held(colour[1], -128, 127), Held(colour[2], -128, 127)});
  std::vector<double> out(lab.size() * 3);
  if (!lab.empty()) {
    ProfileHandle lab_profile(cmsCreateLab4Profile(nullptr));  // D50
    ProfileHandle srgb(cmsCreate_sRGBProfile());
    // Floating point on both sides: LittleCMS leaves what lies outside sRGB outside 0..1.
    TransformHandle transform(cmsCreateTransform(lab_profile.get(), TYPE_Lab_DBL, srgb.get(),
                                                 TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC, 0));
    if (!transform) throw std::runtime_error("LittleCMS cannot convert Lab to sRGB");
    cmsDoTransform(transform.get(), in.data(), out.data(),
                   static_cast<cmsUInt32Number>(lab.size()));
  }
  std::vector<COLORREF> colours;
  colours.reserve(lab.size());
  std::size_t outside = 0;
  for (std::size_t i = 0; i < out.size(); i += 3) {
    int rgb[3];
    bool held = false;
    for (std::size_t c = 0; c < 3; ++c) {
      const double level = Held(out[i + c], -1e6, 1e6) * 255;
      held = held || level < -0.5 || level > 255.5;
      rgb[c] = static_cast<int>(std::lround(std::clamp(level, 0.0, 255.0)));
    }
    outside += held ? 1 : 0;
    colours.push_back(MakeColor(rgb[0], rgb[1], rgb[2]));
  }
  if (clipped) *clipped = outside;
  return colours;
}

}  // namespace varnel
