// The main dialog: the palette, its swatches, the selection and the current file.
#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "varnel/palette.h"
#include "varnel/palette_file.h"
#include "varnel/ui/swatch_grid.h"
#include "varnel/window/dialog.h"

class CConverterDlg : public varnel::window::DialogImpl<CConverterDlg> {
 public:
  explicit CConverterDlg(varnel::window::Dialog* pParent = nullptr);

  // A file to load as soon as the window shows, as Load would (the program's argument).
  void OpenAtStart(std::filesystem::path path) { m_pathAtStart = std::move(path); }

 protected:
  std::span<const varnel::window::MessageEntry<CConverterDlg>> GetMessageMap() const override;
  void DoDataExchange(varnel::window::DataExchange& dx) override;
  BOOL OnInitDialog() override;

 private:
  // How far the selection frame reaches beyond its swatch on every side.
  static constexpr int kFrameWidth = 3;

  void InitSwatches();

  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnLButtonDown(UINT nFlags, POINT point);
  void OnLButtonDblClk(UINT nFlags, POINT point);
  void OnConvert();
  void OnSaveAs();
  void OnLoadPalette();
  BOOL OnEraseBkgnd(HDC hDC);

  // Loading a file named on the command line or dropped on the window.
  void LoadFile(const std::filesystem::path& path, const varnel::NativeString& ext);
  void OnOpenAtStart();
  void OnDropFiles(std::filesystem::path path);
  // Copying a colour's value as text.
  void OnContextMenu(POINT screen);
  bool OnDialogKey(UINT key, bool control);

  varnel::NativeString m_strExt;        // extension of the current file, as the dialog gave it
  std::filesystem::path m_strPath;      // the file last loaded or saved with Save as
  int m_selected = 0;                   // selected swatch; 0 draws no frame
  varnel::Palette m_palette{};          // set by InitSwatches
  // All the last Load read beside the colours (count, names, alpha, transparent index, each
  // colour as its file gave it), which Save as writes where the format holds it.
  varnel::PaletteData m_loaded;
  varnel::ui::Swatches m_swatch{};      // set by InitSwatches
  std::string m_strInfo;                // the information line
  HICON m_hIcon;                        // the application's icon
  std::filesystem::path m_pathAtStart;  // see OpenAtStart
};
