// A window for the view where there is none (replays, benchmarks, fuzzing): repaints and timers come
// to nothing, the client size is what the owner sets, and the last message is kept for the owner to
// report. Fixes are handed to the view by the owner itself.
#pragma once

#include "view/ViewWindow.h"

namespace kivu {

class HeadlessWindow : public ViewWindow {
 public:
  explicit HeadlessWindow(Size client = {}) : client(client) {}
  void Invalidate(bool) override {}
  uint32_t SetTimer(uint32_t, uint32_t) override { return 0; }
  void KillTimer(uint32_t) override {}
  Size ClientSize() const override { return client; }
  double PixelsPerMillimetre() const override { return pixelsPerMillimetre; }
  void ShowMessageBox(const std::string& text, const std::string&) override { lastMessage = text; }
  void ShowMainFrame(bool) override {}
  void BringMainFrameToForeground() override {}
  void CreateButton(int, const std::string&, const Rect&, int, int) override {}
  void MoveButton(int, const Rect&) override {}
  GpsFixOwner& FixOwner() override { return fixOwner; }
  bool RunSettingsDialog(SettingsValues&) override { return false; }

  Size client;
  double pixelsPerMillimetre = 0;  // no screen, so no size of one unless the owner sets it
  std::string lastMessage;
  DirectFixOwner fixOwner{[](const GpsFix&) {}};
};

}  // namespace kivu
