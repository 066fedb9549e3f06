// The dialog base on real USER32 windows: modal runs, results through the dialog
// procedure, default handling, caught errors, texts, menus, ownership, repaint requests.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../text.h"
#include "probe.h"

namespace varnel::window {
namespace {

using win32::Narrow;
using win32::Native;
using win32::Widen;
using win32::testing::ItemText;
using win32::testing::kMessageBoxText;
using win32::testing::Press;
using win32::testing::Probe;
using win32::testing::Watch;

TEST(Win32Dialog, DoModalReturnsHowTheDialogEnded) {
  const struct {
    const char* why;
    std::function<void(Probe&)> onInit;
    bool defaultSysCommand;
    int result;
  } cases[] = {
      {"EndDialog's value", [](Probe& p) { p.EndDialog(7); }, true, 7},
      {"OK button of the base map", [](Probe& p) { p.Post(IDOK); }, true, kIdOk},
      {"Escape / Cancel of the base map", [](Probe& p) { p.Post(IDCANCEL); }, true, kIdCancel},
      {"close box: the handler asks for the default, which cancels",
       [](Probe& p) { p.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0); }, true, kIdCancel},
      {"close box: a handler without Default() keeps the dialog open",
       [](Probe& p) {
         p.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
         p.Post(IDC_SAVEAS);  // queued behind the Cancel a default close would post
       },
       false, 9},
  };
  for (const auto& c : cases) {
    Probe probe;
    probe.onInit = c.onInit;
    probe.onSaveAs = [](Probe& p) { p.EndDialog(9); };
    probe.defaultSysCommand = c.defaultSysCommand;
    EXPECT_EQ(probe.DoModal(), c.result) << c.why;
    EXPECT_EQ(probe.GetSafeHwnd(), nullptr) << c.why << ": detached from the destroyed window";
  }
  Probe missing(4242);
  EXPECT_EQ(missing.DoModal(), -1) << "no such template";
}

TEST(Win32Dialog, HandlerResultsReachTheSender) {
  const IconHandle icon = LoadIcon(IDR_MAINFRAME);
  ASSERT_NE(icon, nullptr);
  for (const bool erased : {true, false}) {
    Probe probe;
    probe.eraseResult = erased;
    probe.dragIcon = icon;
    LResult eraseAnswer = -1;
    LResult dragAnswer = 0;
    probe.onInit = [&](Probe& p) {
      HDC dc = ::GetDC(p.Hwnd());
      eraseAnswer = p.SendMessage(WM_ERASEBKGND, reinterpret_cast<WParam>(dc), 0);
      ::ReleaseDC(p.Hwnd(), dc);
      dragAnswer = p.SendMessage(WM_QUERYDRAGICON, 0, 0);
      p.EndDialog(kIdOk);
    };
    probe.DoModal();
    // Through DWLP_MSGRESULT: a handler that did not erase must not get the default erase.
    EXPECT_EQ(eraseAnswer, erased ? 1 : 0) << "erase handler returned " << erased;
    // Returned straight from the dialog procedure, not as TRUE.
    EXPECT_EQ(dragAnswer, reinterpret_cast<LResult>(icon));
  }
}

TEST(Win32Dialog, ErrorsEscapingAHandlerAreShownAndTheDialogGoesOn) {
  const struct {
    const char* why;
    int button;
    std::string text;
  } cases[] = {
      {"file error: the generic file error box", IDC_LOAD,
       "Cannot read \"C:\\pal\\gone.pal\".\n\nFile not found"},
      {"any other error", IDC_CONVERT,
       AppName() + " could not finish this command.\n\nout of luck"},
  };
  for (const auto& c : cases) {
    Watch watch;
    std::wstring text;
    HWND owner = nullptr;
    watch.On(Widen(AppName()), [&](HWND box) {
      text = ItemText(box, kMessageBoxText);
      owner = ::GetWindow(box, GW_OWNER);
      Press(box, IDOK);
    });
    Probe probe;
    HWND dialog = nullptr;
    probe.onInit = [&](Probe& p) {
      dialog = p.Hwnd();
      p.Post(c.button);
      p.Post(IDOK);  // served once the box is gone, if the dialog is still there
    };
    EXPECT_EQ(probe.DoModal(), kIdOk) << c.why;
    EXPECT_TRUE(watch.Done()) << c.why << ": no box";
    EXPECT_EQ(Narrow(text), c.text) << c.why;
    EXPECT_EQ(owner, dialog) << c.why;
  }
}

TEST(Win32Dialog, MessageBoxCaptionDefaultsToTheApplicationName) {
  EXPECT_EQ(AppName(), "varnel_win32_test") << "the executable's name without extension";
  const struct {
    const char* caption;
    std::string shown;
  } cases[] = {{nullptr, AppName()}, {"Pallete \xE6\x97\xA5", "Pallete \xE6\x97\xA5"}};
  for (const auto& c : cases) {
    Watch watch;
    std::wstring text;
    watch.On(Widen(c.shown), [&](HWND box) {
      text = ItemText(box, kMessageBoxText);
      Press(box, IDOK);
    });
    Probe probe;
    int answer = 0;
    probe.onSaveAs = [&](Probe& p) {
      answer = p.MessageBox("Pallete saved as C:\\\xD0\x9F.act", c.caption, kMbOk);
      p.EndDialog(kIdOk);
    };
    probe.onInit = [](Probe& p) { p.Post(IDC_SAVEAS); };
    probe.DoModal();
    EXPECT_TRUE(watch.Done()) << "no box captioned " << c.shown;
    EXPECT_EQ(Narrow(text), "Pallete saved as C:\\\xD0\x9F.act");
    EXPECT_EQ(answer, kIdOk);
  }
}

TEST(Win32Dialog, ControlTextRoundTripsInAnyScript) {
  const char* texts[] = {
      "",
      "Index: 17, Red 0, Green 17, Blue 0",
      "\xD0\x9F\xD0\xB0\xD0\xBB\xD0\xB8\xD1\x82\xD1\x80\xD0\xB0 \xE6\x97\xA5\xE6\x9C\xAC",
      "outside the BMP: \xF0\x9F\x8E\xA8",
  };
  for (const char* text : texts) {
    Probe probe;
    std::string read = "unread";
    std::wstring shown;
    probe.onInit = [&](Probe& p) {
      p.SetDlgItemText(IDC_INFO, text);
      read = p.GetDlgItemText(IDC_INFO);
      shown = ItemText(p.Hwnd(), IDC_INFO);
      p.EndDialog(kIdOk);
    };
    probe.DoModal();
    EXPECT_EQ(read, text);
    EXPECT_EQ(shown, Widen(text)) << "what the control itself holds";
  }
  Probe probe;
  std::string missing = "unread";
  probe.onInit = [&](Probe& p) {
    missing = p.GetDlgItemText(4242);
    p.EndDialog(kIdOk);
  };
  probe.DoModal();
  EXPECT_EQ(missing, "") << "no such control";
}

TEST(Win32Dialog, SystemMenuTakesASeparatorAndAnItem) {
  Probe probe;
  int before = -1;
  int after = -1;
  UINT separatorState = 0;
  std::wstring item;
  UINT itemId = 0;
  probe.onInit = [&](Probe& p) {
    Menu menu = p.GetSystemMenu(false);
    HMENU native = Native(menu.Handle());
    before = ::GetMenuItemCount(native);
    EXPECT_TRUE(menu.AppendMenu(kMfSeparator));
    EXPECT_TRUE(menu.AppendMenu(kMfString, 0x0010, "&About \xD0\x9F..."));
    after = ::GetMenuItemCount(native);
    separatorState = ::GetMenuState(native, static_cast<UINT>(after - 2), MF_BYPOSITION);
    wchar_t text[64] = {};
    ::GetMenuStringW(native, static_cast<UINT>(after - 1), text, 64, MF_BYPOSITION);
    item = text;
    itemId = ::GetMenuItemID(native, after - 1);
    p.EndDialog(kIdOk);
  };
  probe.DoModal();
  EXPECT_EQ(after, before + 2);
  EXPECT_NE(separatorState & MF_SEPARATOR, 0u);
  EXPECT_EQ(item, L"&About \u041F...");
  EXPECT_EQ(itemId, 0x0010u);
}

TEST(Win32Dialog, DialogWithoutParentIsOwnedByTheRunningOne) {
  Probe outer;
  HWND outerWindow = nullptr;
  HWND innerOwner = nullptr;
  BOOL outerEnabled = TRUE;
  int innerResult = 0;
  outer.onInit = [&](Probe& p) {
    outerWindow = p.Hwnd();
    p.Post(IDC_SAVEAS);  // once the dialog shows
  };
  outer.onSaveAs = [&](Probe& p) {
    Probe inner(IDD_ABOUTBOX);
    inner.onInit = [](Probe& q) { q.Post(IDC_SAVEAS); };
    inner.onSaveAs = [&](Probe& q) {
      innerOwner = ::GetWindow(q.Hwnd(), GW_OWNER);
      outerEnabled = ::IsWindowEnabled(outerWindow);
      q.EndDialog(3);
    };
    innerResult = inner.DoModal();
    p.EndDialog(kIdOk);
  };
  outer.DoModal();
  EXPECT_EQ(innerResult, 3);
  EXPECT_EQ(innerOwner, outerWindow);
  EXPECT_FALSE(outerEnabled) << "the owner waits while the inner dialog runs";
}

TEST(Win32Dialog, InvalidateRectErasesOnlyWhenAsked) {
  for (const bool erase : {true, false}) {
    Probe probe;
    int erasesSeen = -1;
    RECT update{};
    probe.onSaveAs = [&](Probe& p) {
      ::UpdateWindow(p.Hwnd());  // paint what showing the window left to paint
      p.erases = 0;
      const Rect swatch{7, 7, 22, 22};
      p.InvalidateRect(&swatch, erase);
      ::GetUpdateRect(p.Hwnd(), &update, FALSE);
      ::UpdateWindow(p.Hwnd());
      erasesSeen = p.erases;
      p.EndDialog(kIdOk);
    };
    probe.onInit = [](Probe& p) { p.Post(IDC_SAVEAS); };
    probe.DoModal();
    EXPECT_EQ(erasesSeen, erase ? 1 : 0) << "erase " << erase;
    EXPECT_EQ(update.left, 7);
    EXPECT_EQ(update.top, 7);
    EXPECT_EQ(update.right, 22);
    EXPECT_EQ(update.bottom, 22);
  }
}

TEST(Win32Dialog, PaintDcDrawsOnlyWhereTheWindowWasInvalid) {
  Probe probe;
  RECT left{};
  ::COLORREF inside = 0, outside = 0;
  probe.onSaveAs = [&](Probe& p) {
    ::UpdateWindow(p.Hwnd());
    p.onPaint = [&](DC& dc) { dc.FillRect(p.GetClientRect(), Brush(RGB(255, 0, 0))); };
    const Rect swatch{7, 7, 22, 22};
    p.InvalidateRect(&swatch, false);
    ::UpdateWindow(p.Hwnd());
    ::GetUpdateRect(p.Hwnd(), &left, FALSE);
    HDC screen = ::GetDC(p.Hwnd());
    inside = ::GetPixel(screen, 21, 21);
    outside = ::GetPixel(screen, 22, 14);
    ::ReleaseDC(p.Hwnd(), screen);
    p.EndDialog(kIdOk);
  };
  probe.onInit = [](Probe& p) { p.Post(IDC_SAVEAS); };
  probe.DoModal();
  EXPECT_EQ(inside, RGB(255, 0, 0)) << "drawn in the invalid rectangle";
  EXPECT_NE(outside, RGB(255, 0, 0)) << "clipped outside it";
  EXPECT_TRUE(::IsRectEmpty(&left)) << "painting validated the region";
}

TEST(Win32Dialog, ResourcesByNumber) {
  EXPECT_EQ(LoadString(IDS_ABOUTBOX), "&About Varnel...");
  EXPECT_EQ(LoadString(4242), "") << "no such string";
  EXPECT_NE(LoadIcon(IDR_MAINFRAME), nullptr);
  EXPECT_EQ(LoadIcon(4242), nullptr) << "no such icon";
}

}  // namespace
}  // namespace varnel::window
