// The window layer itself: message routing, default handling, the file error box, and
// the memory window system's painting rules that the dialog tests rely on.
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "varnel/window/gdi.h"
#include "varnel/window/memory.h"
#include "varnel/window/message_map.h"

namespace varnel::window {
namespace {

constexpr unsigned kProbeTemplate = 102;
constexpr COLORREF kErased = MakeColor(10, 20, 30);
constexpr COLORREF kPainted = MakeColor(200, 100, 50);

// A dialog that records which handler ran, and can be told to fail.
class Probe : public Dialog {
 public:
  Probe() : Dialog(kProbeTemplate) {}

  std::vector<std::string> calls;
  bool throwFileError = false;
  bool throwOther = false;
  bool paintWholeClient = true;

 protected:
  const MessageMap& GetMessageMap() const override {
    using M = MapOf<Probe>;
    static constexpr MessageEntry kEntries[] = {
        M::Command<1002, &Probe::OnConvert>(),
        M::Paint<&Probe::OnPaint>(),
        M::Paint<&Probe::OnSecondPaint>(),
        M::EraseBkgnd<&Probe::OnEraseBkgnd>(),
        M::LButtonDown<&Probe::OnLButtonDown>(),
        M::SysCommand<&Probe::OnSysCommand>(),
    };
    static constexpr MessageMap kMap{&Dialog::kMessageMap, kEntries};
    return kMap;
  }

 private:
  void OnConvert() {
    calls.push_back("convert");
    if (throwFileError) {
      throw FileError("/palettes/sky.act", "Permission denied", FileOperation::Write);
    }
    if (throwOther) throw std::runtime_error("not a file error");
  }
  void OnPaint() {
    calls.push_back("paint");
    PaintDC dc(*this);
    if (paintWholeClient) dc.FillRect(GetClientRect(), Brush(kPainted));
  }
  void OnSecondPaint() { calls.push_back("second paint"); }
  bool OnEraseBkgnd(DC& dc) {
    calls.push_back("erase");
    dc.FillRect(GetClientRect(), Brush(kErased));
    return true;
  }
  // Sends a message whose handler asks for default handling; this one does not.
  void OnLButtonDown(unsigned, Point point) {
    calls.push_back("down " + std::to_string(point.x) + "," + std::to_string(point.y));
    SendMessage(kWmSysCommand, kScMove, 0);
  }
  void OnSysCommand(unsigned, LParam) {
    calls.push_back("syscommand");
    Default();
  }
};

class WindowLayer : public ::testing::Test {
 protected:
  WindowLayer() { desktop.Open(probe); }
  NativeWindow& window() { return desktop.WindowOf(probe); }

  memory::Desktop desktop;
  Probe probe;
};

TEST_F(WindowLayer, RoutesOnlyWhatTheMapTakes) {
  const struct {
    unsigned message;
    WParam wParam;
    const char* handler;  // null: default handling
    const char* why;
  } cases[] = {
      {kWmCommand, MakeWParam(1002, kBnClicked), "convert", "a click of button 1002"},
      {kWmCommand, MakeWParam(1002, 5), nullptr, "another notification of the same button"},
      {kWmCommand, MakeWParam(1003, kBnClicked), nullptr, "a button the map does not name"},
      {0x0200, 0, nullptr, "a message the map does not name (mouse move)"},
  };
  for (const auto& c : cases) {
    probe.calls.clear();
    window().defaults.clear();
    desktop.Send(probe, c.message, c.wParam, 0);
    if (c.handler != nullptr) {
      EXPECT_EQ(probe.calls, std::vector<std::string>{c.handler}) << c.why;
      EXPECT_TRUE(window().defaults.empty()) << c.why;
    } else {
      EXPECT_TRUE(probe.calls.empty()) << c.why;
      ASSERT_EQ(window().defaults.size(), 1u) << c.why;
      EXPECT_EQ(window().defaults[0].id, c.message) << c.why;
    }
  }
}

TEST_F(WindowLayer, TheFirstRowForAMessageWins) {
  probe.calls.clear();
  probe.InvalidateRect(nullptr, false);
  desktop.UpdateWindow(probe);
  EXPECT_EQ(probe.calls, std::vector<std::string>{"paint"});
}

TEST_F(WindowLayer, BaseMapEndsTheDialogOnOkAndCancel) {
  const struct {
    int button;
    int result;
  } cases[] = {{kIdOk, kIdOk}, {kIdCancel, kIdCancel}};
  for (const auto& c : cases) {
    window().endResult.reset();
    desktop.Send(probe, kWmCommand, MakeWParam(static_cast<unsigned>(c.button), kBnClicked), 0);
    EXPECT_EQ(window().endResult, c.result);
  }
}

TEST_F(WindowLayer, CloseBoxEndsTheDialogAsCancel) {
  desktop.Send(probe, kWmSysCommand, kScClose, 0);
  EXPECT_EQ(window().endResult, kIdCancel);
}

TEST_F(WindowLayer, ShowsAFileErrorThatEscapesAHandler) {
  probe.throwFileError = true;
  EXPECT_NO_THROW(desktop.Send(probe, kWmCommand, MakeWParam(1002, kBnClicked), 0));
  ASSERT_EQ(desktop.messageBoxes.size(), 1u);
  const memory::MessageBoxCall& box = desktop.messageBoxes[0];
  EXPECT_EQ(box.text, "Cannot write \"/palettes/sky.act\".\n\nPermission denied");
  EXPECT_EQ(box.shownCaption, "Varnel");
  EXPECT_EQ(box.type, kMbOk | kMbIconExclamation);
  EXPECT_EQ(box.owner, &probe);
  EXPECT_TRUE(window().defaults.empty());
}

TEST(FileErrorText, NamesTheOperationTheFileAndTheReason) {
  const struct {
    FileOperation operation;
    const char* expected;
  } cases[] = {
      {FileOperation::Read, "Cannot read \"/pal/sky.pal\".\n\nNo such file or directory"},
      {FileOperation::Write, "Cannot write \"/pal/sky.pal\".\n\nNo such file or directory"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileErrorText(FileError("/pal/sky.pal", "No such file or directory", c.operation)),
              c.expected);
  }
}

TEST_F(WindowLayer, OtherExceptionsAreNotSwallowed) {
  probe.throwOther = true;
  EXPECT_THROW(desktop.Send(probe, kWmCommand, MakeWParam(1002, kBnClicked), 0),
               std::runtime_error);
  EXPECT_TRUE(desktop.messageBoxes.empty());
}

TEST_F(WindowLayer, DefaultAskedForByAnInnerMessageStaysWithIt) {
  probe.calls.clear();
  desktop.Send(probe, kWmLButtonDown, 0, MakePointLParam({12, -3}));
  EXPECT_EQ(probe.calls, (std::vector<std::string>{"down 12,-3", "syscommand"}));
  ASSERT_EQ(window().defaults.size(), 1u);
  EXPECT_EQ(window().defaults[0].id, kWmSysCommand);
}

// The rules of the system's painting that the dialog's drawing depends on.
TEST_F(WindowLayer, EraseCoversTheWholeUpdateRegionAndPaintIsClipped) {
  probe.paintWholeClient = false;
  probe.InvalidateRect(nullptr, true);
  desktop.UpdateWindow(probe);  // everything kErased now

  probe.paintWholeClient = true;
  const Rect noErase{10, 10, 20, 20};
  const Rect withErase{50, 50, 60, 60};
  probe.InvalidateRect(&noErase, false);
  probe.InvalidateRect(&withErase, true);
  probe.calls.clear();
  desktop.UpdateWindow(probe);

  EXPECT_EQ(probe.calls, (std::vector<std::string>{"paint", "erase"}));
  EXPECT_EQ(window().Pixel(10, 10), kPainted) << "inside the region";
  EXPECT_EQ(window().Pixel(59, 59), kPainted) << "inside the region";
  EXPECT_EQ(window().Pixel(20, 20), kErased) << "outside: the paint is clipped";
  EXPECT_EQ(window().Pixel(9, 10), kErased) << "outside: the paint is clipped";
  EXPECT_TRUE(window().UpdateRegionEmpty());
}

}  // namespace
}  // namespace varnel::window
