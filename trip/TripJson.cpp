#include "trip/TripJson.h"

#include <cmath>
#include <cstdio>

namespace kivu {

namespace {

void AddInt(std::string& out, const char* name, int32_t value) {
  char text[48];
  std::snprintf(text, sizeof text, "\"%s\":%d,", name, value);
  out += text;
}

void AddFloat(std::string& out, const char* name, float value) {
  char text[64];
  if (std::isfinite(value))
    std::snprintf(text, sizeof text, "\"%s\":%.9g,", name, static_cast<double>(value));
  else
    std::snprintf(text, sizeof text, "\"%s\":null,", name);
  out += text;
}

}  // namespace

std::string FormatTripSummaryJson(const TripStats& s) {
  std::string out = "{";
  AddInt(out, "courseInt", s.courseInt);
  AddInt(out, "speedInt", s.speedInt);
  AddInt(out, "altitudeInt", s.altitudeInt);
  AddInt(out, "verticalSpeedInt", s.verticalSpeedInt);
  AddInt(out, "pitchInt", s.pitchInt);
  AddInt(out, "rollInt", s.rollInt);
  AddInt(out, "distanceInt", s.distanceInt);
  AddInt(out, "maxSpeedInt", s.maxSpeedInt);
  AddInt(out, "avgSpeedInt", s.avgSpeedInt);
  AddInt(out, "minAltitudeInt", s.minAltitudeInt);
  AddInt(out, "maxAltitudeInt", s.maxAltitudeInt);
  AddInt(out, "altitudeGapInt", s.altitudeGapInt);
  AddInt(out, "pitchMin", s.pitchMin);
  AddInt(out, "pitchMax", s.pitchMax);
  AddInt(out, "rollMin", s.rollMin);
  AddInt(out, "rollMax", s.rollMax);
  AddFloat(out, "durationHours", s.durationHours);
  AddFloat(out, "distance", s.distance);
  out.back() = '}';
  return out;
}

}  // namespace kivu
