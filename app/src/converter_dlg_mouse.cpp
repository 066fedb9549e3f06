// Selection by click, colour editing by double click, copying a colour.
#include <cstdio>
#include <optional>
#include <string>

#include "varnel/app/converter_dlg.h"
#include "varnel/window/dialog.h"

using namespace varnel::window;

namespace {

// "#00FF7F" and "0, 255, 127": a colour as people paste it elsewhere.
std::string HexText(varnel::COLORREF color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", varnel::RedOf(color), varnel::GreenOf(color),
                varnel::BlueOf(color));
  return text;
}

std::string RgbText(varnel::COLORREF color) {
  return std::to_string(varnel::RedOf(color)) + ", " + std::to_string(varnel::GreenOf(color)) +
         ", " + std::to_string(varnel::BlueOf(color));
}

std::string InfoLine(int index, varnel::COLORREF color) {
  return "Index: " + std::to_string(index) + ", Red " + std::to_string(varnel::RedOf(color)) +
         ", Green " + std::to_string(varnel::GreenOf(color)) + ", Blue " +
         std::to_string(varnel::BlueOf(color));
}

}  // namespace

void CConverterDlg::OnLButtonDown(UINT, POINT point) {
  // The area the last frame covered, so that it can be wiped when the selection moves.
  static std::optional<RECT> s_frameRect;

  if (const auto hit = varnel::ui::HitTest(m_swatch, point)) {
    const int i = *hit;
    if (i == m_selected) return;
    if (!s_frameRect) s_frameRect = m_swatch[static_cast<std::size_t>(m_selected)];
    m_selected = i;
    InvalidateRect(&*s_frameRect, true);
    s_frameRect = m_swatch[static_cast<std::size_t>(i)];
    ::InflateRect(&*s_frameRect, kFrameWidth, kFrameWidth);
    InvalidateRect(&*s_frameRect, false);
    m_strInfo = InfoLine(i, m_palette[static_cast<std::size_t>(i)]);
    UpdateData(false);
  }
  Default();
}

// A right click on a swatch (or the menu key, for the selected one) offers its colour as
// text; nothing else changes.
void CConverterDlg::OnContextMenu(POINT screen) {
  const bool byKey = screen.x == -1 && screen.y == -1;
  POINT client = screen;
  ::ScreenToClient(m_hWnd, &client);
  std::optional<int> hit =
      byKey ? std::optional(m_selected) : varnel::ui::HitTest(m_swatch, client);
  if (!hit || *hit == 0) {  // swatch 0 is never shown
    Default();
    return;
  }
  const auto i = static_cast<std::size_t>(*hit);
  if (byKey) {
    screen = {m_swatch[i].left, m_swatch[i].bottom};
    ::ClientToScreen(m_hWnd, &screen);
  }
  const std::string items[] = {"Copy " + HexText(m_palette[i]), "Copy " + RgbText(m_palette[i])};
  if (const auto chosen = ChooseFromMenu(m_hWnd, items, screen))
    CopyText(m_hWnd, items[*chosen].substr(5));
}

// Ctrl+C copies the selected colour as #RRGGBB.
bool CConverterDlg::OnDialogKey(UINT key, bool control) {
  if (!control || key != 'C' || m_selected == 0) return false;
  CopyText(m_hWnd, HexText(m_palette[static_cast<std::size_t>(m_selected)]));
  return true;
}

void CConverterDlg::OnLButtonDblClk(UINT, POINT point) {
  if (const auto hit = varnel::ui::HitTest(m_swatch, point)) {
    const auto i = static_cast<std::size_t>(*hit);
    ColorDialog dlg(0, 0, nullptr);
    if (dlg.DoModal() == IDOK) {
      m_palette[i] = dlg.GetColor();
      InvalidateRect(&m_swatch[i], false);
    }
  }
  Default();
}
