// What the dashboard view asks of the window that hosts it. The Qt window implements it; tests use a
// recording fake; kivu-replay runs the view without a window at all.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "config/SettingsCommand.h"
#include "gps/GpsFixOwner.h"
#include "platform/raster/Geometry.h"

namespace kivu {

class ViewWindow {
 public:
  virtual ~ViewWindow() = default;

  // Asks for a repaint of the whole client area; erase says the background is to be erased first.
  // The paint follows later from the event loop.
  virtual void Invalidate(bool erase) = 0;
  // Asks for a repaint that needs to show only these rectangles of the client area anew (the rest of it
  // would come out as it is shown now); a window that cannot tell repaints it all.
  virtual void InvalidateRects(std::span<const Rect> /*rects*/) { Invalidate(true); }
  // Starts a repeating timer that calls the view's timer handler with id; returns the id in use, or
  // 0 when no timer could be set.
  virtual uint32_t SetTimer(uint32_t id, uint32_t periodMs) = 0;
  virtual void KillTimer(uint32_t id) = 0;
  // The size of the client area in pixels.
  virtual Size ClientSize() const = 0;
  // Pixels per millimetre of the screen the window is on; 0 where the system does not say.
  virtual double PixelsPerMillimetre() const { return 0; }
  // A modal message box with this text and caption ("" for none) and an OK button.
  virtual void ShowMessageBox(const std::string& text, const std::string& caption) = 0;
  // Shows or hides the main frame (the program keeps running while hidden).
  virtual void ShowMainFrame(bool show) = 0;
  // Makes the main frame the foreground window, where the system knows of one.
  virtual void BringMainFrameToForeground() = 0;
  // One of the dashboard's picture buttons at rect, showing picture normalPicture and, while held
  // down, pressedPicture; pressing it sends the view command id.
  virtual void CreateButton(int id, const std::string& caption, const Rect& rect, int normalPicture,
                            int pressedPicture) = 0;
  // Moves the button made with id to rect.
  virtual void MoveButton(int id, const Rect& rect) = 0;
  // Where the GPS receiver hands its fixes: the synchronous hand-off to this window's thread, which
  // calls the view's OnGpsFix.
  virtual GpsFixOwner& FixOwner() = 0;
  // Runs the settings dialog on values; true when the user confirmed it with OK.
  virtual bool RunSettingsDialog(SettingsValues& values) = 0;
};

}  // namespace kivu
