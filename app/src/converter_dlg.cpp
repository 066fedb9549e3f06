// The main dialog's shell: construction, message map, initialisation, system menu.
#include "varnel/app/converter_dlg.h"

#include "resource.h"
#include "varnel/app/about_dlg.h"

using namespace varnel::window;

namespace {
constexpr UINT kWmOpenAtStart = WM_APP + 1;
}  // namespace

// System commands keep their low four bits for the system; ours must stay below theirs.
static_assert((IDM_ABOUTBOX & 0xFFF0) == IDM_ABOUTBOX && IDM_ABOUTBOX < 0xF000);

CConverterDlg::CConverterDlg(Dialog* pParent)
    : DialogImpl(IDD_CONVERTER, pParent),
      m_hIcon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

std::span<const MessageEntry<CConverterDlg>> CConverterDlg::GetMessageMap() const {
  static constexpr MessageEntry<CConverterDlg> kMap[] = {
      {WM_SYSCOMMAND, 0, &CConverterDlg::OnSysCommand},
      {WM_PAINT, 0, &CConverterDlg::OnPaint},
      {WM_QUERYDRAGICON, 0, &CConverterDlg::OnQueryDragIcon},
      {WM_LBUTTONDOWN, 0, &CConverterDlg::OnLButtonDown},
      {WM_LBUTTONDBLCLK, 0, &CConverterDlg::OnLButtonDblClk},
      {WM_COMMAND, IDC_CONVERT, &CConverterDlg::OnConvert},
      {WM_COMMAND, IDC_SAVEAS, &CConverterDlg::OnSaveAs},
      {WM_COMMAND, IDC_LOAD, &CConverterDlg::OnLoadPalette},
      {WM_ERASEBKGND, 0, &CConverterDlg::OnEraseBkgnd},
      {kWmOpenAtStart, 0, &CConverterDlg::OnOpenAtStart},
      {WM_DROPFILES, 0, &CConverterDlg::OnDropFiles},
      {WM_CONTEXTMENU, 0, &CConverterDlg::OnContextMenu},
      {kWmDialogKey, 0, &CConverterDlg::OnDialogKey},
  };
  return kMap;
}

void CConverterDlg::DoDataExchange(DataExchange& dx) {
  Dialog::DoDataExchange(dx);
  DDX_Text(dx, IDC_INFO, m_strInfo);
}

BOOL CConverterDlg::OnInitDialog() {
  DialogImpl::OnInitDialog();

  if (const HMENU pSysMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
    wchar_t strAboutMenu[256];
    if (::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTBOX, strAboutMenu, 256) > 0) {
      ::AppendMenuW(pSysMenu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(pSysMenu, MF_STRING, IDM_ABOUTBOX, strAboutMenu);
    }
  }

  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  InitSwatches();

  ::DragAcceptFiles(m_hWnd, TRUE);
  // Loaded once the window shows, so that an error box has a window to stand on.
  if (!m_pathAtStart.empty()) ::PostMessageW(m_hWnd, kWmOpenAtStart, 0, 0);
  return TRUE;
}

void CConverterDlg::InitSwatches() { varnel::ui::InitSwatches(m_palette, m_swatch); }

void CConverterDlg::OnSysCommand(UINT nID, LPARAM) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
  } else {
    Default();
  }
}

// Asked only by systems that show a minimised window as its icon (see OnPaint).
HCURSOR CConverterDlg::OnQueryDragIcon() { return m_hIcon; }
