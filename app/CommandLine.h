// The command line of kivu.
#pragma once

#include <string>
#include <vector>

#include "gps/GpsdSource.h"

namespace kivu {

struct KivuOptions {
  std::vector<std::string> ports;  // --port PATH, repeatable: replaces the serial port table
  bool gpsd = false;               // --gpsd [HOST[:PORT]]: read the GPS through that gpsd
  GpsdAddress gpsdAddress;
  std::string home;         // --home DIR: the module folder, as KIVU_HOME
  std::string replay;       // --replay FILE: a capture fed through a pseudo-terminal
  bool demo = false;        // --demo: the bundled demo drive, as --replay
  bool fullscreen = false;  // --fullscreen
  int windowWidth = 0;      // --window WxH: a window of that client size; 0 when not given
  int windowHeight = 0;
  bool hud = false;  // --hud: the head-up display for this run, not stored
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. False with a one-line error when they are not valid.
bool ParseKivuOptions(const std::vector<std::string>& args, KivuOptions& options, std::string& error);

// How the dashboard takes the screen at start.
enum class WindowMode { FullScreen, Maximized, Window };

// A screen of a car's size: at most 1280 x 800, either way round.
bool IsCarSizedScreen(int width, int height);

// --fullscreen and --window choose; otherwise the whole screen where no window manager could give the
// window back or on a car-sized screen, and a maximised window on a desktop's screen.
WindowMode ChooseWindowMode(const KivuOptions& options, bool windowManager, int screenWidth,
                            int screenHeight);

// The text of --help.
std::string KivuUsage();

}  // namespace kivu
