// The application and the main dialog as they start, the system menu and the About box.
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "varnel/app/converter_app.h"

namespace varnel::testing {
namespace {

using StartUp = DialogTest;

TEST_F(StartUp, BlanksTheLineAndAddsTheAboutEntryAndTheIcon) {
  EXPECT_EQ(InfoLine(), "") << "the first data exchange replaces the template's text";

  const auto& items = window().systemMenu.items;
  ASSERT_EQ(items.size(), 7u) << "the five standard items, then ours";
  EXPECT_EQ(items[5].flags, vw::kMfSeparator);
  EXPECT_EQ(items[6].flags, vw::kMfString);
  EXPECT_EQ(items[6].id, 0x0010u);
  EXPECT_EQ(items[6].text, "&About Varnel...");

  const vw::IconHandle icon = &desktop.icons.at(IDR_MAINFRAME);
  EXPECT_EQ(window().bigIcon, icon);
  EXPECT_EQ(window().smallIcon, icon);
  EXPECT_EQ(desktop.Send(*dlg, vw::kWmQueryDragIcon), reinterpret_cast<vw::LResult>(icon))
      << "the icon shown while dragging the minimised window";
}

TEST_F(StartUp, SystemCommandsOpenAboutOnlyForOurEntry) {
  const struct {
    unsigned id;
    bool opensAbout;
    const char* why;
  } cases[] = {{0x0010, true, "the About entry"},
               {0x0013, true, "the low four bits belong to the system"},
               {0x0020, false, "a command that is not ours"},
               {vw::kScMove, false, "move"}};
  for (const auto& c : cases) {
    desktop.modalRuns.clear();
    window().defaults.clear();
    desktop.Send(*dlg, vw::kWmSysCommand, c.id, 0);
    EXPECT_EQ(window().defaults.size(), c.opensAbout ? 0u : 1u) << c.why;
    ASSERT_EQ(desktop.modalRuns.size(), c.opensAbout ? 1u : 0u) << c.why;
    EXPECT_TRUE(!c.opensAbout || desktop.modalRuns[0].templateId == IDD_ABOUTBOX) << c.why;
  }
  EXPECT_FALSE(window().endResult.has_value()) << "the main window stays";
}

TEST(Application, RunsTheMainDialogModallyAndEndsWithIt) {
  vw::memory::Desktop desktop;
  desktop.onModal = [](vw::Dialog& dialog) {
    EXPECT_NE(dynamic_cast<CConverterDlg*>(&dialog), nullptr);
    dialog.SendMessage(vw::kWmCommand, vw::MakeWParam(vw::kIdOk, vw::kBnClicked));
  };
  EXPECT_FALSE(CConverterApp().InitInstance()) << "the program ends with the dialog";
  ASSERT_EQ(desktop.modalRuns.size(), 1u);
  EXPECT_EQ(desktop.modalRuns[0].templateId, unsigned{IDD_CONVERTER});
  EXPECT_EQ(desktop.modalRuns[0].result, vw::kIdOk) << "it ran until it ended";
}

}  // namespace
}  // namespace varnel::testing
