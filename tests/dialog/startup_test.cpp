// The application and the main dialog as they start, the system menu and the About box.
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "varnel/app/converter_app.h"

namespace varnel::testing {
namespace {

using StartUp = DialogTest;

TEST_F(StartUp, BlanksTheInformationLine) {
  EXPECT_EQ(InfoLine(), "") << "the first data exchange replaces the template's text";
}

TEST_F(StartUp, SystemMenuEndsWithASeparatorAndTheAboutEntry) {
  const auto& items = window().systemMenu.items;
  ASSERT_GE(items.size(), 2u);
  const auto& separator = items[items.size() - 2];
  const auto& about = items.back();
  EXPECT_EQ(separator.flags, vw::kMfSeparator);
  EXPECT_EQ(about.flags, vw::kMfString);
  EXPECT_EQ(about.id, 0x0010u);
  EXPECT_EQ(about.text, "&About Varnel...");
  EXPECT_EQ(items.size(), 7u) << "the five standard items, then ours";
}

TEST_F(StartUp, SetsTheApplicationIconBigAndSmall) {
  const vw::IconHandle icon = &desktop.icons.at(IDR_MAINFRAME);
  EXPECT_EQ(window().bigIcon, icon);
  EXPECT_EQ(window().smallIcon, icon);
  EXPECT_EQ(desktop.Send(*dlg, vw::kWmQueryDragIcon), reinterpret_cast<vw::LResult>(icon))
      << "the icon shown while dragging the minimised window";
}

struct SysCommandCase {
  unsigned id;
  bool opensAbout;
  const char* why;
};

class SysCommand : public DialogTest, public ::testing::WithParamInterface<SysCommandCase> {};

TEST_P(SysCommand, OpensAboutOnlyForOurEntry) {
  const SysCommandCase& c = GetParam();
  desktop.onModal = [](vw::Dialog& about) {
    about.SendMessage(vw::kWmCommand, vw::MakeWParam(vw::kIdOk, vw::kBnClicked));
  };
  desktop.Send(*dlg, vw::kWmSysCommand, c.id, 0);
  const bool wentDefault = !window().defaults.empty() && window().defaults.back().id == vw::kWmSysCommand;
  if (c.opensAbout) {
    ASSERT_EQ(desktop.modalRuns.size(), 1u) << c.why;
    EXPECT_EQ(desktop.modalRuns[0].templateId, static_cast<unsigned>(IDD_ABOUTBOX));
    EXPECT_EQ(desktop.modalRuns[0].parent, nullptr);
    EXPECT_FALSE(wentDefault) << c.why;
  } else {
    EXPECT_TRUE(desktop.modalRuns.empty()) << c.why;
    EXPECT_TRUE(wentDefault) << c.why;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SysCommand,
    ::testing::Values(SysCommandCase{0x0010, true, "the About entry"},
                      SysCommandCase{0x0013, true, "the low four bits belong to the system"},
                      SysCommandCase{0x0020, false, "a command that is not ours"},
                      SysCommandCase{0xF010, false, "move"},
                      SysCommandCase{0xF012, false, "move by dragging the caption"},
                      SysCommandCase{0xF020, false, "minimise"}));

TEST_F(StartUp, AboutClosesWithOkOrEscapeAndLeavesTheWindowAsItWas) {
  const struct {
    int button;
    const char* why;
  } cases[] = {{vw::kIdOk, "OK"}, {vw::kIdCancel, "Escape"}};
  const std::vector<COLORREF> before = window().pixels;
  for (const auto& c : cases) {
    desktop.modalRuns.clear();
    desktop.onModal = [&c](vw::Dialog& about) {
      about.SendMessage(vw::kWmCommand, vw::MakeWParam(static_cast<unsigned>(c.button), vw::kBnClicked));
    };
    desktop.Send(*dlg, vw::kWmSysCommand, 0x0010, 0);
    desktop.UpdateWindow(*dlg);
    ASSERT_EQ(desktop.modalRuns.size(), 1u) << c.why;
    EXPECT_EQ(desktop.modalRuns[0].result, c.button) << c.why;
    EXPECT_FALSE(window().endResult.has_value()) << c.why << ": the main window stays";
    EXPECT_EQ(window().pixels, before) << c.why;
    EXPECT_EQ(InfoLine(), "") << c.why;
  }
}

TEST_F(StartUp, EscapeAndTheCloseBoxEndTheDialog) {
  const struct {
    unsigned message;
    vw::WParam wParam;
    const char* why;
  } cases[] = {
      {vw::kWmCommand, vw::MakeWParam(vw::kIdCancel, vw::kBnClicked), "Escape"},
      {vw::kWmSysCommand, vw::kScClose, "close box"},
  };
  for (const auto& c : cases) {
    window().endResult.reset();
    desktop.Send(*dlg, c.message, c.wParam, 0);
    EXPECT_EQ(window().endResult, vw::kIdCancel) << c.why;
  }
}

TEST(Application, RunsTheMainDialogModallyAndEndsWithIt) {
  vw::memory::Desktop desktop;
  bool wasMainDialog = false;
  vw::WinApp* application = nullptr;
  bool wasMainWindow = false;
  desktop.onModal = [&](vw::Dialog& dialog) {
    wasMainDialog = dynamic_cast<const CConverterDlg*>(&dialog) != nullptr;
    wasMainWindow = application->MainWindow() == &dialog;
    dialog.SendMessage(vw::kWmSysCommand, vw::kScClose);
  };
  CConverterApp app;
  application = &app;
  EXPECT_FALSE(app.InitInstance());
  ASSERT_EQ(desktop.modalRuns.size(), 1u);
  EXPECT_EQ(desktop.modalRuns[0].templateId, static_cast<unsigned>(IDD_CONVERTER));
  EXPECT_EQ(desktop.modalRuns[0].parent, nullptr);
  EXPECT_EQ(desktop.modalRuns[0].result, vw::kIdCancel);
  EXPECT_TRUE(wasMainDialog);
  EXPECT_TRUE(wasMainWindow);
}

}  // namespace
}  // namespace varnel::testing
