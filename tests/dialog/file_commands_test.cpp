// Load, Save as and Convert through their buttons, with scripted file dialogs and real
// files in a folder of the test's own.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "varnel/act.h"
#include "varnel/jasc_pal.h"

namespace varnel::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFilter =
    "Jasc Psp Pallete (*.Pal)|*.pal|Adobe Photoshop Pallete (*.Act)|*.act||";

std::string Encode(PaletteFormat format, const Palette& palette) {
  return format == PaletteFormat::Act ? EncodeAct(palette) : EncodeJascPal(palette);
}

NativeString Native(const char* text) { return fs::path(text).native(); }

using FileCommands = DialogTest;

TEST_F(FileCommands, FileDialogsGetTheirArguments) {
  const struct {
    int button;
    bool open;
  } cases[] = {{IDC_LOAD, true}, {IDC_SAVEAS, false}};
  for (const auto& c : cases) {
    desktop.fileDialogs.clear();
    desktop.fileAnswers.push_back({vw::kIdCancel, {}});
    Press(c.button);
    ASSERT_EQ(desktop.fileDialogs.size(), 1u);
    const vw::memory::FileDialogCall& call = desktop.fileDialogs[0];
    EXPECT_EQ(call.open, c.open);
    EXPECT_EQ(call.defaultExt, Native("Act"));
    EXPECT_EQ(call.fileName, fs::path()) << "no current file yet";
    EXPECT_EQ(call.flags, 0u);
    EXPECT_EQ(call.filter, kFilter);
    EXPECT_EQ(call.parent, nullptr);
  }
}

TEST_F(FileCommands, FileDialogsStartAtTheCurrentFile) {
  WriteBytes(folder / "sky.pal", EncodeJascPal(SamplePalette()));
  Load(folder / "sky.pal");
  desktop.fileAnswers.push_back({vw::kIdCancel, {}});
  Press(IDC_SAVEAS);
  SaveAs(folder / "copy.act");
  desktop.fileAnswers.push_back({vw::kIdCancel, {}});
  Press(IDC_LOAD);
  ASSERT_EQ(desktop.fileDialogs.size(), 4u);
  EXPECT_EQ(desktop.fileDialogs[1].fileName, folder / "sky.pal");
  EXPECT_EQ(desktop.fileDialogs[3].fileName, folder / "copy.act");
}

struct FormatCase {
  const char* name;
  PaletteFormat format;
};

class FormatByExtension : public DialogTest, public ::testing::WithParamInterface<FormatCase> {};

// A file in the other format would decode to a different palette, so reading it back
// shows which format was chosen.
TEST_P(FormatByExtension, LoadReadsIt) {
  const fs::path path = folder / GetParam().name;
  WriteBytes(path, Encode(GetParam().format, SamplePalette()));
  Load(path);
  EXPECT_EQ(dlg->GetPalette(), SamplePalette());
}

TEST_P(FormatByExtension, SaveAsWritesIt) {
  const fs::path path = folder / GetParam().name;
  SaveAs(path);
  EXPECT_EQ(ReadBytes(path), Encode(GetParam().format, GreenRamp()));
}

INSTANTIATE_TEST_SUITE_P(Extensions, FormatByExtension,
                         ::testing::Values(FormatCase{"sky.act", PaletteFormat::Act},
                                           FormatCase{"sky.Act", PaletteFormat::Act},
                                           FormatCase{"sky.ACT", PaletteFormat::Act},
                                           FormatCase{"sky.pal", PaletteFormat::JascPal},
                                           FormatCase{"sky.txt", PaletteFormat::JascPal},
                                           FormatCase{"sky", PaletteFormat::JascPal},
                                           FormatCase{"sky.act.pal", PaletteFormat::JascPal}));

TEST_F(FileCommands, LoadRecordsTheFileAndRepaintsEverything) {
  WriteBytes(folder / "sky.Act", EncodeAct(SamplePalette()));
  Click(Centre(17));
  const std::string info = InfoLine();
  window().invalidations.clear();

  Load(folder / "sky.Act");

  EXPECT_EQ(dlg->GetCurrentPath(), folder / "sky.Act");
  EXPECT_EQ(dlg->GetCurrentExt(), Native("Act")) << "the letter case the dialog gave";
  ASSERT_EQ(window().invalidations.size(), 1u);
  EXPECT_EQ(window().invalidations[0].rect, std::nullopt);
  EXPECT_TRUE(window().invalidations[0].erase);
  for (int i : {1, 17, 128, 255}) {
    EXPECT_EQ(Pixel(Centre(i).x, Centre(i).y), SamplePalette()[static_cast<std::size_t>(i)]) << i;
  }
  EXPECT_EQ(Pixel(Swatch(17).left - 3, Swatch(17).top - 3), 0x000000u) << "the frame stays on 17";
  EXPECT_EQ(InfoLine(), info) << "the line keeps the old values until the next click";
  EXPECT_EQ(dlg->GetSelected(), 17);
}

TEST_F(FileCommands, InformationLineShowsValuesAboveOneHundred) {
  Palette palette = GreenRamp();
  palette[200] = MakeColor(255, 128, 7);
  WriteBytes(folder / "bright.act", EncodeAct(palette));
  Load(folder / "bright.act");
  Click(Centre(200));
  EXPECT_EQ(InfoLine(), "Index: 200, Red 255, Green 128, Blue 7");
}

TEST_F(FileCommands, CancelledDialogsChangeNothing) {
  WriteBytes(folder / "sky.pal", EncodeJascPal(SamplePalette()));
  Load(folder / "sky.pal");
  window().invalidations.clear();
  for (int button : {IDC_LOAD, IDC_SAVEAS}) {
    desktop.fileAnswers.push_back({vw::kIdCancel, folder / "other.act"});
    Press(button);
  }
  EXPECT_EQ(dlg->GetCurrentPath(), folder / "sky.pal");
  EXPECT_EQ(dlg->GetCurrentExt(), Native("pal"));
  EXPECT_EQ(dlg->GetPalette(), SamplePalette());
  EXPECT_TRUE(window().invalidations.empty());
  EXPECT_FALSE(fs::exists(folder / "other.act"));
}

TEST_F(FileCommands, SaveAsRecordsTheFileWithoutMessageOrRepaint) {
  window().invalidations.clear();
  SaveAs(folder / "out.TXT");
  EXPECT_EQ(dlg->GetCurrentPath(), folder / "out.TXT");
  EXPECT_EQ(dlg->GetCurrentExt(), Native("TXT"));
  EXPECT_TRUE(desktop.messageBoxes.empty());
  EXPECT_TRUE(window().invalidations.empty());
}

struct ReadFailureCase {
  const char* why;
  const char* name;
  bool makeFolder;
  const char* reason;  // null: whatever the system says
};

class LoadFailure : public DialogTest, public ::testing::WithParamInterface<ReadFailureCase> {};

TEST_P(LoadFailure, ShowsTheErrorAndChangesNothing) {
  WriteBytes(folder / "sky.pal", EncodeJascPal(SamplePalette()));
  Load(folder / "sky.pal");
  const fs::path bad = folder / GetParam().name;
  if (GetParam().makeFolder) fs::create_directory(bad);
  window().invalidations.clear();

  Load(bad);

  ASSERT_EQ(desktop.messageBoxes.size(), 1u) << GetParam().why;
  const vw::memory::MessageBoxCall& box = desktop.messageBoxes[0];
  const std::string prefix = "Cannot read \"" + PathText(bad) + "\".\n\n";
  EXPECT_EQ(box.text.substr(0, prefix.size()), prefix);
  EXPECT_GT(box.text.size(), prefix.size()) << "the reason follows";
  if (GetParam().reason != nullptr) {
    EXPECT_EQ(box.text, prefix + GetParam().reason);
  }
  EXPECT_EQ(box.shownCaption, "Varnel");
  EXPECT_EQ(dlg->GetPalette(), SamplePalette());
  EXPECT_EQ(dlg->GetCurrentPath(), folder / "sky.pal");
  EXPECT_EQ(dlg->GetCurrentExt(), Native("pal"));
  EXPECT_TRUE(window().invalidations.empty()) << "no repaint";
}

INSTANTIATE_TEST_SUITE_P(Reads, LoadFailure,
                         ::testing::Values(ReadFailureCase{"missing ACT file", "gone.act", false,
                                                           "No such file or directory"},
                                           ReadFailureCase{"missing text file", "gone.pal", false,
                                                           "No such file or directory"},
                                           ReadFailureCase{"a folder", "folder.act", true, nullptr}));

TEST_F(FileCommands, FailedSaveAsKeepsTheCurrentFile) {
  SaveAs(folder / "keep.act");
  const fs::path bad = folder / "missing folder" / "new.act";
  SaveAs(bad);
  ASSERT_EQ(desktop.messageBoxes.size(), 1u);
  const std::string prefix = "Cannot write \"" + PathText(bad) + "\".\n\n";
  EXPECT_EQ(desktop.messageBoxes[0].text.substr(0, prefix.size()), prefix);
  EXPECT_EQ(dlg->GetCurrentPath(), folder / "keep.act");
  EXPECT_EQ(dlg->GetCurrentExt(), Native("act"));
}

struct ConvertCase {
  const char* why;
  const char* current;  // loaded, or saved when `saved`
  bool saved;
  const char* target;
  PaletteFormat format;
};

class Convert : public DialogTest, public ::testing::WithParamInterface<ConvertCase> {};

TEST_P(Convert, WritesTheOtherFormatBesideTheCurrentFile) {
  const ConvertCase& c = GetParam();
  const fs::path current = folder / c.current;
  if (c.saved) {
    SaveAs(current);
  } else {
    WriteBytes(current, Encode(FormatForExtension(ExtensionOf(current)), SamplePalette()));
    Load(current);
  }
  const Palette shown = dlg->GetPalette();

  Press(IDC_CONVERT);

  const fs::path target = folder / c.target;
  EXPECT_EQ(ReadBytes(target), Encode(c.format, shown)) << c.why;
  ASSERT_EQ(desktop.messageBoxes.size(), 1u) << c.why;
  const vw::memory::MessageBoxCall& box = desktop.messageBoxes[0];
  EXPECT_EQ(box.text, "Pallete saved as " + PathText(target)) << c.why;
  EXPECT_EQ(box.caption, std::nullopt) << "no caption of its own";
  EXPECT_EQ(box.shownCaption, "Varnel");
  EXPECT_EQ(box.type, 0u);
  EXPECT_EQ(box.owner, &*dlg);
  EXPECT_EQ(dlg->GetCurrentPath(), current) << "Convert keeps the current file";
}

INSTANTIATE_TEST_SUITE_P(
    Targets, Convert,
    ::testing::Values(
        ConvertCase{"text palette gets an ACT file", "sky.pal", false, "sky.act", PaletteFormat::Act},
        ConvertCase{"PAL in any case", "sky.Pal", false, "sky.act", PaletteFormat::Act},
        ConvertCase{"ACT gets a text palette", "SKY.ACT", false, "SKY.pal", PaletteFormat::JascPal},
        ConvertCase{"other extensions get a text palette", "out.TXT", true, "out.pal",
                    PaletteFormat::JascPal},
        ConvertCase{"a name without extension gains a dot", "sky", false, "sky.pal",
                    PaletteFormat::JascPal}));

TEST_F(FileCommands, ConvertWritesEditedColoursAndOverwritesItsTarget) {
  WriteBytes(folder / "sky.pal", EncodeJascPal(GreenRamp()));
  Load(folder / "sky.pal");
  Press(IDC_CONVERT);
  desktop.colorAnswers.push_back({vw::kIdOk, MakeColor(255, 0, 0)});
  DoubleClick(Centre(9));
  Press(IDC_CONVERT);

  const std::string act = ReadBytes(folder / "sky.act");
  ASSERT_EQ(act.size(), 768u);
  EXPECT_EQ(act.substr(27, 3), std::string("\xFF\x00\x00", 3));
  EXPECT_EQ(ReadBytes(folder / "sky.pal"), EncodeJascPal(GreenRamp())) << "the source stays";
  EXPECT_EQ(desktop.messageBoxes.size(), 2u);
}

TEST_F(FileCommands, ConvertWithoutCurrentFileWritesNothing) {
  const fs::path before = fs::current_path();
  fs::current_path(folder.path());
  Press(IDC_CONVERT);
  fs::current_path(before);

  ASSERT_EQ(desktop.messageBoxes.size(), 1u);
  EXPECT_EQ(desktop.messageBoxes[0].text,
            "There is no palette file to convert. Load or save one first.");
  EXPECT_EQ(desktop.messageBoxes[0].caption, std::nullopt);
  EXPECT_EQ(desktop.messageBoxes[0].type, 0u);
  EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST_F(FileCommands, FailedConvertShowsTheErrorAndNoConfirmation) {
  WriteBytes(folder / "sky.pal", EncodeJascPal(GreenRamp()));
  Load(folder / "sky.pal");
  fs::create_directory(folder / "sky.act");

  Press(IDC_CONVERT);

  ASSERT_EQ(desktop.messageBoxes.size(), 1u);
  const std::string prefix = "Cannot write \"" + PathText(folder / "sky.act") + "\".\n\n";
  EXPECT_EQ(desktop.messageBoxes[0].text.substr(0, prefix.size()), prefix);
  EXPECT_EQ(desktop.messageBoxes[0].type, vw::kMbOk | vw::kMbIconExclamation);
  EXPECT_TRUE(fs::is_directory(folder / "sky.act"));
  EXPECT_EQ(dlg->GetCurrentPath(), folder / "sky.pal");
}

}  // namespace
}  // namespace varnel::testing
