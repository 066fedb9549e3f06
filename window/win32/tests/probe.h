// A dialog for the tests: one of the program's templates, with a message map row for
// each kind of handler, whose handlers do what the test says.
#pragma once

#include <functional>
#include <stdexcept>

#include "resource.h"
#include "varnel/window/dialog.h"
#include "varnel/window/gdi.h"
#include "varnel/window/message_map.h"
#include "watch.h"

namespace varnel::window::win32::testing {

// A dialog on one of the program's templates with a row for each kind of handler; the
// test says what the handlers do.
class Probe : public Dialog {
 public:
  explicit Probe(unsigned templateId = IDD_CONVERTER, Dialog* parent = nullptr)
      : Dialog(templateId, parent) {}

  std::function<void(Probe&)> onInit;    // at the end of OnInitDialog
  std::function<void(Probe&)> onSaveAs;  // on a click of IDC_SAVEAS
  std::function<void(DC&)> onPaint;      // draws in WM_PAINT; unset: default painting
  bool eraseResult = true;
  int erases = 0;
  bool defaultSysCommand = true;
  IconHandle dragIcon = nullptr;

  HWND Hwnd() const { return win32::Native(GetSafeHwnd()); }
  void Post(int id) const { Press(Hwnd(), id); }

  const MessageMap& GetMessageMap() const override {
    using M = MapOf<Probe>;
    static constexpr MessageEntry kEntries[] = {
        M::SysCommand<&Probe::OnSysCommand>(),        M::Paint<&Probe::OnPaint>(),
        M::QueryDragIcon<&Probe::OnQueryDragIcon>(),  M::Command<IDC_LOAD, &Probe::OnLoad>(),
        M::Command<IDC_CONVERT, &Probe::OnConvert>(), M::Command<IDC_SAVEAS, &Probe::OnSaveAs>(),
        M::EraseBkgnd<&Probe::OnEraseBkgnd>(),
    };
    static constexpr MessageMap kMap{&Dialog::kMessageMap, kEntries};
    return kMap;
  }

  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    if (onInit) onInit(*this);
    return true;
  }

 private:
  void OnSysCommand(unsigned, LParam) {
    if (defaultSysCommand) Default();
  }
  void OnPaint() {
    if (!onPaint) {
      Default();
      return;
    }
    PaintDC dc(*this);
    onPaint(dc);
  }
  IconHandle OnQueryDragIcon() { return dragIcon; }
  void OnLoad() { throw FileError("C:\\pal\\gone.pal", "File not found", FileOperation::Read); }
  void OnConvert() { throw std::runtime_error("out of luck"); }
  void OnSaveAs() {
    if (onSaveAs) onSaveAs(*this);
  }
  bool OnEraseBkgnd(DC&) {
    ++erases;
    return eraseResult;
  }
};

}  // namespace varnel::window::win32::testing
