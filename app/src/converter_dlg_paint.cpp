// The main dialog's drawing: the stretched background, the swatches, the selection
// frame, and the icon while minimised.
#include "resource.h"
#include "varnel/app/converter_dlg.h"

using namespace varnel::window;

bool CConverterDlg::OnEraseBkgnd(DC& dc) {
  const Rect rect = GetClientRect();
  Bitmap background(IDB_BACKGROUND);
  const int width = background.Width();
  const int height = background.Height();
  MemoryDC memory(dc);
  memory.SelectBitmap(background);
  dc.StretchBlt(0, 0, rect.Width(), rect.Height(), memory, 0, 0, width, height, kSrcCopy);
  return true;
}

void CConverterDlg::OnPaint() {
  if (IsIconic()) {
    PaintDC dc(*this);
    SendMessage(kWmIconEraseBkgnd, reinterpret_cast<WParam>(dc.GetSafeHdc()), 0);
    const int cxIcon = GetSystemMetrics(kSmCxIcon);
    const int cyIcon = GetSystemMetrics(kSmCyIcon);
    const Rect rect = GetClientRect();
    const int x = (rect.Width() - cxIcon + 1) / 2;
    const int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
    return;
  }

  PaintDC dc(*this);
  // The frame first, the swatch on top: 1 px black outside, 2 px white inside.
  if (m_selected != 0) {
    Rect frame = m_swatch[static_cast<std::size_t>(m_selected)];
    frame.InflateRect(kFrameWidth);
    dc.Rectangle(frame);
  }
  // Swatch 0 is never painted.
  for (std::size_t i = 1; i < m_swatch.size(); ++i) {
    const Brush brush(m_palette[i]);
    dc.FillRect(m_swatch[i], brush);
  }
  Default();
}
