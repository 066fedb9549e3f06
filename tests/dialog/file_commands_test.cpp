// Load, Save as and Convert through their buttons, with scripted file dialogs and real
// files in a folder of the test's own.
#include <gtest/gtest.h>

#include <string>

#include "dialog_fixture.h"
#include "varnel/act.h"
#include "varnel/jasc_pal.h"

namespace varnel::testing {
namespace {

constexpr PaletteFormat kAct = PaletteFormat::Act, kPal = PaletteFormat::JascPal;

std::string Encode(PaletteFormat format, const Palette& palette) {
  return format == kAct ? EncodeAct(palette) : EncodeJascPal(palette);
}

// Unlike the green ramp in every entry, with red, green and blue all different.
Palette SamplePalette() {
  Palette palette{};
  for (int i = 0; i < 256; ++i) {
    palette[static_cast<std::size_t>(i)] = MakeColor(255 - i, (i * 7) % 256, 128 + i / 2);
  }
  return palette;
}

class FileCommands : public DialogTest {
 protected:
  void LoadSample(const char* name) {
    WriteBytes(folder / name, Encode(FormatForExtension(ExtensionOf(name)), SamplePalette()));
    Choose(IDC_LOAD, folder / name);
  }
  void ExpectCurrentFile(const fs::path& path) {
    EXPECT_EQ(dlg->GetCurrentPath(), path);
    EXPECT_EQ(dlg->GetCurrentExt(), ExtensionOf(path)) << "the letter case the dialog gave";
  }
};

struct JourneyCase {
  const char* why;
  const char* current;  // loaded, or written with Save as when `saved`
  bool saved;
  PaletteFormat format;  // of the current file
  const char* target;
  PaletteFormat targetFormat;
};

class LoadOrSaveThenConvert : public FileCommands,
                              public ::testing::WithParamInterface<JourneyCase> {};

// A file in the other format would decode to a different palette or hold other bytes, so
// each step shows which format it chose. Cancelled file dialogs start at the current file
// and change nothing. Convert writes the palette as edited, over whatever the target held,
// and keeps the current file.
TEST_P(LoadOrSaveThenConvert, UseTheFormatsOfTheExtensions) {
  const JourneyCase& c = GetParam();
  SCOPED_TRACE(c.why);
  const fs::path current = folder / c.current, target = folder / c.target;
  if (c.saved) {
    Choose(IDC_SAVEAS, current);
    EXPECT_EQ(ReadBytes(current), Encode(c.format, GreenRamp()));
  } else {
    WriteBytes(current, Encode(c.format, SamplePalette()));
    Choose(IDC_LOAD, current);
    EXPECT_EQ(dlg->GetPalette(), SamplePalette());
  }
  ExpectCurrentFile(current);

  const Palette before = dlg->GetPalette();
  for (int button : {IDC_LOAD, IDC_SAVEAS}) Choose(button, folder / "other.act", vw::kIdCancel);
  ASSERT_EQ(desktop.fileDialogs.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const vw::memory::FileDialogCall& call = desktop.fileDialogs[i];
    EXPECT_EQ(call.open, i == 0 ? !c.saved : i == 1) << i;
    EXPECT_EQ(call.fileName, i == 0 ? fs::path() : current) << i;
    EXPECT_EQ(call.defaultExt, fs::path("Act").native()) << i;
    EXPECT_EQ(call.flags, 0u) << i;
    EXPECT_EQ(call.filter,
              "Jasc Psp Pallete (*.Pal)|*.pal|Adobe Photoshop Pallete (*.Act)|*.act||");
    EXPECT_EQ(call.parent, nullptr) << i;
  }
  EXPECT_EQ(dlg->GetPalette(), before);
  ExpectCurrentFile(current);
  EXPECT_FALSE(fs::exists(folder / "other.act"));
  EXPECT_TRUE(desktop.messageBoxes.empty());

  desktop.colorAnswers.push_back({vw::kIdOk, MakeColor(1, 2, 3)});
  DoubleClick(Centre(9));
  ASSERT_EQ(dlg->GetPalette()[9], MakeColor(1, 2, 3));
  WriteBytes(target, "old contents");
  Press(IDC_CONVERT);

  EXPECT_EQ(ReadBytes(target), Encode(c.targetFormat, dlg->GetPalette()));
  ASSERT_EQ(desktop.messageBoxes.size(), 1u);
  const vw::memory::MessageBoxCall& box = desktop.messageBoxes[0];
  EXPECT_EQ(box.text, "Pallete saved as " + PathText(target));
  EXPECT_EQ(box.caption, std::nullopt) << "no caption of its own";
  EXPECT_EQ(box.type, 0u);
  EXPECT_EQ(box.owner, &*dlg);
  ExpectCurrentFile(current);
}

const JourneyCase kJourneys[] = {
    {"a text palette gets an ACT file", "sky.pal", false, kPal, "sky.act", kAct},
    {"ACT in any case gets a text palette", "SKY.ACT", false, kAct, "SKY.pal", kPal},
    {"a name without extension gains a dot", "sky", false, kPal, "sky.pal", kPal},
    {"the file saved last counts", "out.Act", true, kAct, "out.pal", kPal},
    {"other extensions save as text", "out.TXT", true, kPal, "out.pal", kPal},
};
INSTANTIATE_TEST_SUITE_P(Journeys, LoadOrSaveThenConvert, ::testing::ValuesIn(kJourneys));

TEST_F(FileCommands, LoadShowsTheNewColoursAndKeepsTheSelection) {
  Click(Centre(17));
  const std::string info = InfoLine();
  LoadSample("sky.act");
  for (int i : {1, 17, 200, 255})
    EXPECT_EQ(Pixel(Centre(i)), SamplePalette()[static_cast<std::size_t>(i)]) << i;
  EXPECT_EQ(Pixel({Swatch(17).left - 3, Swatch(17).top - 3}), 0x000000u) << "the frame stays on 17";
  EXPECT_EQ(InfoLine(), info) << "the line keeps the old values until the next click";
  Click(Centre(200));
  EXPECT_EQ(InfoLine(), "Index: 200, Red 55, Green 120, Blue 228");
}

// One failure after the other on the same dialog: none of them changes anything.
TEST_F(FileCommands, FailuresShowTheErrorAndChangeNothing) {
  const struct {
    int button;
    const char* name;
    const char* verb;
    const char* reason;
  } cases[] = {
      {IDC_LOAD, "gone.act", "read", "No such file or directory"},
      {IDC_LOAD, "a folder.pal", "read", "Is a folder, not a file"},
      {IDC_SAVEAS, "missing folder/new.act", "write", "No such file or directory"},
      {IDC_CONVERT, "sky.act", "write", "Is a folder, not a file"},  // where Convert would write
  };
  fs::create_directory(folder / "a folder.pal");
  fs::create_directory(folder / "sky.act");
  LoadSample("sky.pal");
  for (const auto& c : cases) {
    desktop.messageBoxes.clear();
    window().invalidations.clear();
    if (c.button == IDC_CONVERT) {
      Press(c.button);
    } else {
      Choose(c.button, folder / c.name);
    }
    ASSERT_EQ(desktop.messageBoxes.size(), 1u) << c.name;
    EXPECT_EQ(desktop.messageBoxes[0].text, std::string("Cannot ") + c.verb + " \"" +
                                                PathText(folder / c.name) + "\".\n\n" + c.reason);
    EXPECT_EQ(desktop.messageBoxes[0].type, vw::kMbOk | vw::kMbIconExclamation) << c.name;
    EXPECT_EQ(desktop.messageBoxes[0].owner, &*dlg) << c.name;
    EXPECT_EQ(dlg->GetPalette(), SamplePalette()) << c.name;
    ExpectCurrentFile(folder / "sky.pal");
    EXPECT_TRUE(window().invalidations.empty()) << c.name << ": no repaint";
  }
  EXPECT_TRUE(fs::is_directory(folder / "sky.act"));
}

TEST_F(FileCommands, ConvertWithoutCurrentFileWritesNothing) {
  const fs::path before = fs::current_path();
  fs::current_path(folder);
  Press(IDC_CONVERT);
  fs::current_path(before);

  ASSERT_EQ(desktop.messageBoxes.size(), 1u);
  EXPECT_EQ(desktop.messageBoxes[0].text,
            "There is no palette file to convert. Load or save one first.");
  EXPECT_EQ(desktop.messageBoxes[0].caption, std::nullopt);
  EXPECT_EQ(desktop.messageBoxes[0].type, 0u);
  EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
}  // namespace varnel::testing
