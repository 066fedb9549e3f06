// Selection by click, colour editing by double click.
#include <optional>
#include <string>

#include "varnel/app/converter_dlg.h"
#include "varnel/window/common_dialogs.h"

using namespace varnel::window;

namespace {

std::string InfoLine(int index, varnel::COLORREF color) {
  return "Index: " + std::to_string(index) + ", Red " + std::to_string(varnel::RedOf(color)) +
         ", Green " + std::to_string(varnel::GreenOf(color)) + ", Blue " +
         std::to_string(varnel::BlueOf(color));
}

}  // namespace

void CConverterDlg::OnLButtonDown(unsigned, Point point) {
  // The area the last frame covered, so that it can be wiped when the selection moves.
  static std::optional<Rect> s_frameRect;

  if (const auto hit = varnel::ui::HitTest(m_swatch, point)) {
    const int i = *hit;
    if (i == m_selected) return;
    if (!s_frameRect) s_frameRect = m_swatch[static_cast<std::size_t>(m_selected)];
    m_selected = i;
    InvalidateRect(&*s_frameRect, true);
    s_frameRect = m_swatch[static_cast<std::size_t>(i)];
    s_frameRect->InflateRect(kFrameWidth);
    InvalidateRect(&*s_frameRect, false);
    m_strInfo = InfoLine(i, m_palette[static_cast<std::size_t>(i)]);
    UpdateData(false);
  }
  Default();
}

void CConverterDlg::OnLButtonDblClk(unsigned, Point point) {
  if (const auto hit = varnel::ui::HitTest(m_swatch, point)) {
    const auto i = static_cast<std::size_t>(*hit);
    ColorDialog dlg(0, 0, nullptr);
    if (dlg.DoModal() == kIdOk) {
      m_palette[i] = dlg.GetColor();
      InvalidateRect(&m_swatch[i], false);
    }
  }
  Default();
}
