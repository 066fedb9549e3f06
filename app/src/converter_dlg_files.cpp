// The three file commands, Load, Save as and Convert.
#include "varnel/app/converter_dlg.h"
#include "varnel/losses.h"
#include "varnel/palette_file.h"
#include "varnel/window/dialog.h"

using namespace varnel::window;

namespace {

constexpr const wchar_t* kDefaultExt = L"Act";
constexpr const char* kNoCurrentFile =
    "There is no palette file to convert. Load or save one first.";

}  // namespace

// A file that cannot be read or written raises varnel::FileError, which ends the command
// before the palette or the current file change; the window layer tells it in its box.
void CConverterDlg::OnLoadPalette() {
  FileDialog dlg(true, kDefaultExt, m_strPath, 0, varnel::FileDialogFilter(varnel::DialogUse::Load),
                 nullptr);
  if (dlg.DoModal() != IDOK) return;

  LoadFile(dlg.GetPathName(), dlg.GetFileExt());
}

// The format as palconv chooses it: by the extension, but a file it would read as JASC-PAL is
// read as the palette format its first bytes announce, and refused when they announce a file
// that holds no palette.
void CConverterDlg::LoadFile(const std::filesystem::path& path, const varnel::NativeString& ext) {
  varnel::PaletteDecoder decoder = varnel::PaletteDecoder::ForExtension(ext);
  m_loaded = varnel::ReadPaletteFile(path, decoder);
  m_palette = m_loaded.colors;
  m_strPath = path;
  m_strExt = ext;
  InvalidateRect(nullptr, true);
  // A photograph: its most representative colours, said once.
  if (const std::string note = varnel::ReductionNote(m_loaded, varnel::PathText(path.filename()));
      !note.empty())
    MessageBox(note, nullptr, MB_OK | MB_ICONINFORMATION);
}

// A file named on the command line or dropped on the window loads as if chosen in Load.
void CConverterDlg::OnOpenAtStart() { LoadFile(m_pathAtStart, varnel::ExtensionOf(m_pathAtStart)); }

void CConverterDlg::OnDropFiles(std::filesystem::path path) {
  if (!path.empty()) LoadFile(path, varnel::ExtensionOf(path));
}

void CConverterDlg::OnSaveAs() {
  FileDialog dlg(false, kDefaultExt, m_strPath, 0,
                 varnel::FileDialogFilter(varnel::DialogUse::SaveAs), nullptr);
  if (dlg.DoModal() != IDOK) return;

  const varnel::NativeString ext = dlg.GetFileExt();
  const varnel::PaletteFormat format = varnel::FormatForExtension(ext);
  const varnel::PaletteData loaded = varnel::Edited(m_loaded, m_palette);
  // JASC-PAL and ACT hold the 256 colours as they are; the other formats what Load read too.
  const bool table =
      format == varnel::PaletteFormat::JascPal || format == varnel::PaletteFormat::Act;
  varnel::WritePaletteFile(dlg.GetPathName(), table ? varnel::PaletteData(m_palette) : loaded,
                           format);
  m_strPath = dlg.GetPathName();
  m_strExt = ext;
  std::string lost;
  for (const varnel::Loss& loss : varnel::LossesOf(loaded, format, false)) lost += loss.what + "\n";
  if (!lost.empty())
    MessageBox(varnel::PathText(dlg.GetPathName()) + " cannot keep everything:\n" + lost, nullptr,
               MB_OK | MB_ICONWARNING);
}

// Writes the other format beside the current file: ACT beside a PAL file, JASC-PAL
// beside anything else.
void CConverterDlg::OnConvert() {
  const varnel::PaletteFormat written = varnel::ConvertFormat(m_strExt);
  const auto target = varnel::ConvertTarget(m_strPath, m_strExt, written);
  if (!target) {
    MessageBox(kNoCurrentFile);
    return;
  }
  varnel::WritePaletteFile(*target, varnel::PaletteData(m_palette), written);
  MessageBox("Pallete saved as " + varnel::PathText(*target));
}
