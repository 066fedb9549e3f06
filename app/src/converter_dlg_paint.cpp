// The main dialog's drawing: the stretched background, the swatches, the selection
// frame, and the icon while minimised.
#include "resource.h"
#include "varnel/app/converter_dlg.h"
#include "varnel/window/scoped.h"

using namespace varnel::window;

BOOL CConverterDlg::OnEraseBkgnd(HDC hDC) {
  RECT rect{};
  ::GetClientRect(m_hWnd, &rect);
  const ScopedBitmap background(
      ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BACKGROUND)));
  BITMAP bitmap{};
  ::GetObjectW(background.get(), sizeof bitmap, &bitmap);
  const ScopedDC memory(::CreateCompatibleDC(hDC));
  const ScopedSelect selected(memory.get(), background.get());
  ::StretchBlt(hDC, 0, 0, rect.right, rect.bottom, memory.get(), 0, 0, bitmap.bmWidth,
               bitmap.bmHeight, SRCCOPY);
  return TRUE;
}

void CConverterDlg::OnPaint() {
  // The icon in the client area of a minimised window, for systems that paint one there
  // (Windows before 95 and NT 4). Windows since, and Wine, show a minimised window as its
  // caption alone, with an empty client area, and send no WM_ICONERASEBKGND: here this
  // draws nothing.
  if (::IsIconic(m_hWnd)) {
    PaintDC dc(m_hWnd);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect{};
    ::GetClientRect(m_hWnd, &rect);
    ::DrawIcon(dc, (rect.right - cxIcon + 1) / 2, (rect.bottom - cyIcon + 1) / 2, m_hIcon);
    return;
  }

  PaintDC dc(m_hWnd);
  // The frame first, the swatch on top: 1 px black outside, 2 px white inside.
  if (m_selected != 0) {
    RECT frame = m_swatch[static_cast<std::size_t>(m_selected)];
    ::InflateRect(&frame, kFrameWidth, kFrameWidth);
    ::Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
  }
  // Swatch 0 is never painted.
  for (std::size_t i = 1; i < m_swatch.size(); ++i) {
    const ScopedBrush brush(::CreateSolidBrush(m_palette[i]));
    ::FillRect(dc, &m_swatch[i], brush.get());
  }
  Default();
}
