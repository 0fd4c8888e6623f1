#include "gps/FixJson.h"

#include <cmath>
#include <cstdio>

namespace kivu {

namespace {

void AppendFloat(std::string& out, const char* key, double value, const char* format) {
  char text[64];
  if (std::isfinite(value)) {
    std::snprintf(text, sizeof text, format, value);
  } else {
    std::snprintf(text, sizeof text, "null");
  }
  out += ",\"";
  out += key;
  out += "\":";
  out += text;
}

void AppendInt(std::string& out, const char* key, long value, bool first = false) {
  char text[64];
  std::snprintf(text, sizeof text, "%s\"%s\":%ld", first ? "" : ",", key, value);
  out += text;
}

}  // namespace

std::string FormatFixJson(const GpsFix& fix) {
  const SystemTime& t = fix.utcTime;
  std::string out = "{\"utcTime\":{";
  AppendInt(out, "year", t.year, true);
  AppendInt(out, "month", t.month);
  AppendInt(out, "dayOfWeek", t.dayOfWeek);
  AppendInt(out, "day", t.day);
  AppendInt(out, "hour", t.hour);
  AppendInt(out, "minute", t.minute);
  AppendInt(out, "second", t.second);
  AppendInt(out, "milliseconds", t.milliseconds);
  out += "}";
  AppendFloat(out, "latitude", fix.latitude, "%.17g");
  AppendFloat(out, "longitude", fix.longitude, "%.17g");
  AppendFloat(out, "speedKnots", fix.speedKnots, "%.9g");
  AppendFloat(out, "course", fix.course, "%.9g");
  AppendFloat(out, "magneticVariation", fix.magneticVariation, "%.17g");
  AppendFloat(out, "altitude", fix.altitude, "%.9g");
  AppendFloat(out, "geoidSeparation", fix.geoidSeparation, "%.9g");
  AppendInt(out, "fixType", fix.fixType);
  AppendInt(out, "selectionMode", fix.selectionMode);
  AppendFloat(out, "pdop", fix.pdop, "%.9g");
  AppendFloat(out, "hdop", fix.hdop, "%.9g");
  AppendFloat(out, "vdop", fix.vdop, "%.9g");
  AppendInt(out, "satellitesUsed", fix.satellitesUsed);
  AppendInt(out, "satellitesInView", fix.satellitesInView);
  AppendInt(out, "differential", fix.differential);
  out += "}";
  return out;
}

}  // namespace kivu
