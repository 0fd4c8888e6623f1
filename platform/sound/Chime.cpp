#include "platform/sound/Chime.h"

#include <alsa/asoundlib.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "platform/Diagnostics.h"

namespace kivu {

std::vector<int16_t> ChimeSamples() {
  constexpr int kToneSamples = kChimeRate * kChimeToneMs / 1000;
  constexpr int kRise = kChimeRate * 5 / 1000;  // 5 ms
  std::vector<int16_t> samples;
  samples.reserve(size_t{2} * kToneSamples);
  for (double hz : {kChimeHighHz, kChimeLowHz}) {
    for (int i = 0; i < kToneSamples; ++i) {
      const double t = static_cast<double>(i) / kChimeRate;
      // Up in 5 ms, then an exponential fade to about 5% at the tone's end, as a struck bell does.
      const double envelope =
          std::min(1.0, static_cast<double>(i) / kRise) * std::exp(-3.0 * i / kToneSamples);
      const double value = 0.45 * envelope * std::sin(2.0 * std::numbers::pi * hz * t);
      samples.push_back(static_cast<int16_t>(std::lround(value * 32767.0)));
    }
  }
  return samples;
}

std::string Chime::DeviceFromEnvironment() {
  const char* named = std::getenv("KIVU_SOUND_DEVICE");
  return named && *named ? named : "default";
}

Chime::Chime(std::string device) : device_(std::move(device)), samples_(ChimeSamples()) {
  thread_ = std::thread([this] { Run(); });
}

Chime::~Chime() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void Chime::Play() {
  {
    std::lock_guard lock(mutex_);
    if (playing_ || due_) return;
    due_ = true;
  }
  changed_.notify_all();
}

bool Chime::WaitUntilQuiet(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return !due_ && !playing_; });
}

int Chime::Played() const {
  std::lock_guard lock(mutex_);
  return played_;
}

void Chime::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return due_ || stopping_; });
    if (!due_) return;  // stopping, nothing due
    due_ = false;
    playing_ = true;
    lock.unlock();
    const bool played = PlayOnce();
    lock.lock();
    playing_ = false;
    if (played) ++played_;
    changed_.notify_all();
    if (stopping_) return;
  }
}

bool Chime::PlayOnce() {
  // The device is opened for each chime and let go after it: between warnings it is free for
  // the navigator's voice and the music.
  snd_pcm_t* pcm = nullptr;
  int error = snd_pcm_open(&pcm, device_.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
  if (error >= 0)
    error = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kChimeRate, 1,
                               100000);
  const int16_t* next = samples_.data();
  snd_pcm_uframes_t left = samples_.size();
  while (error >= 0 && left > 0) {
    snd_pcm_sframes_t written = snd_pcm_writei(pcm, next, left);
    if (written < 0) {
      // An underrun or a suspend is recovered from once; anything else ends the chime.
      error = snd_pcm_recover(pcm, static_cast<int>(written), 1);
      if (error < 0) break;
      continue;
    }
    next += written;
    left -= static_cast<snd_pcm_uframes_t>(written);
  }
  if (error >= 0) snd_pcm_drain(pcm);
  if (pcm) snd_pcm_close(pcm);
  if (error < 0) {
    ReportOnce("chime:" + device_, DiagnosticLevel::Warning,
               "no sound on '" + device_ + "' (" + snd_strerror(error) +
                   "): the speed warning is shown without its chime");
    return false;
  }
  return true;
}

}  // namespace kivu
