// The main dialog's shell: construction, message map, initialisation, system menu.
#include "varnel/app/converter_dlg.h"

#include "resource.h"
#include "varnel/app/about_dlg.h"
#include "varnel/window/message_map.h"

using namespace varnel::window;

namespace {
constexpr unsigned kWmOpenAtStart = kWmApp + 1;
}  // namespace

// System commands keep their low four bits for the system; ours must stay below theirs.
static_assert((IDM_ABOUTBOX & 0xFFF0) == IDM_ABOUTBOX && IDM_ABOUTBOX < 0xF000);

CConverterDlg::CConverterDlg(Dialog* pParent)
    : Dialog(IDD_CONVERTER, pParent), m_hIcon(LoadIcon(IDR_MAINFRAME)) {}

CConverterDlg::~CConverterDlg() = default;

const MessageMap& CConverterDlg::GetMessageMap() const {
  using M = MapOf<CConverterDlg>;
  static constexpr MessageEntry kEntries[] = {
      M::SysCommand<&CConverterDlg::OnSysCommand>(),
      M::Paint<&CConverterDlg::OnPaint>(),
      M::QueryDragIcon<&CConverterDlg::OnQueryDragIcon>(),
      M::LButtonDown<&CConverterDlg::OnLButtonDown>(),
      M::LButtonDblClk<&CConverterDlg::OnLButtonDblClk>(),
      M::Command<IDC_CONVERT, &CConverterDlg::OnConvert>(),
      M::Command<IDC_SAVEAS, &CConverterDlg::OnSaveAs>(),
      M::Command<IDC_LOAD, &CConverterDlg::OnLoadPalette>(),
      M::EraseBkgnd<&CConverterDlg::OnEraseBkgnd>(),
      M::Own<kWmOpenAtStart, &CConverterDlg::OnOpenAtStart>(),
      M::DropFiles<&CConverterDlg::OnDropFiles>(),
      M::ContextMenu<&CConverterDlg::OnContextMenu>(),
      M::DialogKey<&CConverterDlg::OnDialogKey>(),
  };
  static constexpr MessageMap kMap{&Dialog::kMessageMap, kEntries};
  return kMap;
}

void CConverterDlg::DoDataExchange(DataExchange& dx) {
  Dialog::DoDataExchange(dx);
  DDX_Text(dx, IDC_INFO, m_strInfo);
}

bool CConverterDlg::OnInitDialog() {
  Dialog::OnInitDialog();

  if (Menu sysMenu = GetSystemMenu(false)) {
    const std::string strAboutMenu = LoadString(IDS_ABOUTBOX);
    if (!strAboutMenu.empty()) {
      sysMenu.AppendMenu(kMfSeparator);
      sysMenu.AppendMenu(kMfString, IDM_ABOUTBOX, strAboutMenu);
    }
  }

  SetIcon(m_hIcon, true);
  SetIcon(m_hIcon, false);

  InitSwatches();

  DragAcceptFiles();
  // Loaded once the window shows, so that an error box has a window to stand on.
  if (!m_pathAtStart.empty()) PostMessage(kWmOpenAtStart);
  return true;
}

void CConverterDlg::InitSwatches() { varnel::ui::InitSwatches(m_palette, m_swatch); }

void CConverterDlg::OnSysCommand(unsigned nID, LParam) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
  } else {
    Default();
  }
}

IconHandle CConverterDlg::OnQueryDragIcon() { return m_hIcon; }
