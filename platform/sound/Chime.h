// The speed warning's chime: a short two-tone sound, generated here, played through ALSA on a thread
// of its own so that the window never waits for the sound card. Under PipeWire or PulseAudio their
// ALSA plugin carries it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kivu {

// The chime's sample rate, tones and length.
inline constexpr int kChimeRate = 48000;
inline constexpr double kChimeHighHz = 988.0;  // the first tone
inline constexpr double kChimeLowHz = 784.0;   // the second
inline constexpr int kChimeToneMs = 250;       // each tone

// The chime's samples: 16-bit mono at kChimeRate, the high tone then the low, each with a soft start
// and a fading end so that neither clicks.
std::vector<int16_t> ChimeSamples();

class Chime {
 public:
  // The ALSA device named by KIVU_SOUND_DEVICE, else "default".
  static std::string DeviceFromEnvironment();

  explicit Chime(std::string device = DeviceFromEnvironment());
  // Waits for a chime that is playing to end.
  ~Chime();
  Chime(const Chime&) = delete;
  Chime& operator=(const Chime&) = delete;

  // Starts the chime and returns at once; a chime asked for while one plays is not played again.
  // Where the device cannot be opened, one line on standard error says so, once for this device.
  void Play();
  // Waits until no chime is due or playing (tests, the end of a run); false on the time-out.
  bool WaitUntilQuiet(std::chrono::milliseconds timeout);
  // How many chimes were played to the end.
  int Played() const;

 private:
  void Run();
  bool PlayOnce();

  const std::string device_;
  const std::vector<int16_t> samples_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool due_ = false;
  bool playing_ = false;
  bool stopping_ = false;
  int played_ = 0;
  std::thread thread_;
};

}  // namespace kivu
