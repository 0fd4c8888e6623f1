// Kivu's fixes against gpsd's own reports of the same shared captures (NAME.log.chk): in every cycle
// both report, position, speed, course and altitude agree; every second gpsd has a fix in, Kivu shows;
// and Kivu shows no fix in a second that gpsd reports without one.
//
// A report file echoes each sentence gpsd took, each followed by the JSON reports it caused. gpsd
// merges the sentences of a second into one fix and reports whenever it believes a cycle ended (at
// first after every sentence), so a value in a TPV is that of the last sentence before it that carries
// such a value. Kivu takes each value from one sentence of its cycle: position and altitude from the
// first accepted GGA (the position from the RMC when there is none), speed and course from the first
// accepted RMC. So each of Kivu's values is compared with the last TPV of its time that followed
// Kivu's own sentence with no other sentence carrying the value in between: both then hold that one
// sentence's value and agree to gpsd's rounding. When no TPV followed it so (a receiver that sends GGA
// before RMC is reported after its RMC), the last TPV of the time is used if its value came from
// another sentence Kivu reads: two sentences of one second agree to the precision of the coarser one.
// A value gpsd took from a sentence Kivu does not read (GLL, VTG, GNS, PGRMZ, or a talker Kivu does
// not know) or from no sentence of that second is not compared.
#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <cctype>
#include <compare>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gps/CaptureReplay.h"
#include "gps/GpsParser.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

// ---- Where a capture's reference differs for reasons of its own -----------------------------------

// gpsd moves a date it believes a receiver rolled over (GPS weeks are counted modulo 1024) forward by
// whole 1024-week eras. It did so with neo-m8n.log: its RMCs say 18 March 2015, gpsd 1 November 2034.
int GpsdEras(const std::string& capture) {
  return capture == "neo-m8n.log" ? 1 : 0;
}

// How far apart (degrees) two sentences of one second may put the car. Elsewhere they agree to the
// fourth decimal of a minute; the B&G Zeus² chartplotter (bundg_zeus_9.log) composes its GGA and its
// RMC of one second at different moments, and from 09:48:55 on they differ by up to 0.0005' while the
// boat makes 3 m/s. gpsd reports that RMC's position (the later one), Kivu shows the GGA's.
double SiblingPositionTolerance(const std::string& capture) {
  return capture == "bundg_zeus_9.log" ? 1e-5 : 1e-6;
}

// Seconds gpsd shows and Kivu, by its design, does not: each must still happen (so that a change that
// mends or moves it is noticed), with the reason given here.
struct AwaitingFix {
  const char* capture;
  const char* second;  // "hh:mm:ss"
  const char* reason;
};
// The receiver sent no RMC in these seconds (GGA, GLL and VTG only). A fix is anchored on its cycle's
// RMC, which alone brings the date, the speed and the course; gpsd merges the GGA into the last RMC's.
constexpr const char* kNoRmc = "the receiver sent no RMC in this second, and Kivu shows only cycles with one";
constexpr AwaitingFix kAwaitingFix[] = {
    {"bundg_zeus_9.log", "09:48:34", kNoRmc},
    {"bundg_zeus_9.log", "09:49:36", kNoRmc},
};

const AwaitingFix* FindAwaitingFix(const std::string& capture, const std::string& second) {
  for (const AwaitingFix& entry : kAwaitingFix) {
    if (capture == entry.capture && second == entry.second) return &entry;
  }
  return nullptr;
}

// ---- Times -------------------------------------------------------------------------------------------

// A UTC time as Kivu keeps it: the two-digit year as the receiver sends it.
struct Utc {
  int year = 0, month = 0, day = 0;
  int milliseconds = 0;  // of the day
  auto operator<=>(const Utc&) const = default;
  Utc Second() const { return {year, month, day, milliseconds / 1000 * 1000}; }
};

std::string TimeText(int milliseconds, bool withFraction) {
  char text[16];
  int s = milliseconds / 1000;
  int n = std::snprintf(text, sizeof text, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
  if (withFraction) std::snprintf(text + n, sizeof text - n, ".%03d", milliseconds % 1000);
  return text;
}

// Milliseconds of a decimal fraction of a second ("." and its digits at p), 0 when there is none.
int Fraction(const char* p) {
  int milliseconds = 0;
  if (*p++ != '.') return 0;
  for (int scale = 100; std::isdigit(static_cast<unsigned char>(*p)) && scale > 0; ++p, scale /= 10)
    milliseconds += (*p - '0') * scale;
  return milliseconds;
}

// A time field "hhmmss[.f...]" as milliseconds of the day, or -1.
int FieldTime(const std::string& field) {
  if (field.size() < 6 || field.find_first_not_of("0123456789") < 6) return -1;
  int h = std::stoi(field.substr(0, 2)), m = std::stoi(field.substr(2, 2)), s = std::stoi(field.substr(4, 2));
  return ((h * 60 + m) * 60 + s) * 1000 + Fraction(field.c_str() + 6);
}

// ---- gpsd's report of a capture ----------------------------------------------------------------------

enum Value { kLatitude, kLongitude, kSpeed, kCourse, kAltitude, kValues };
constexpr const char* kValueNames[kValues] = {"latitude", "longitude", "speed", "course", "altitude"};

struct Echoed {
  std::string text;
  std::string talker;               // "GP", "GN", ...; "P" for proprietary sentences
  std::string type;                 // "RMC", ...; the whole name of a proprietary one
  std::vector<std::string> fields;  // after the name, up to the checksum
  size_t cycle = 0;

  const std::string& Field(size_t i) const {
    static const std::string none;
    return i < fields.size() ? fields[i] : none;
  }
};

struct Tpv {
  size_t after = 0;  // the echoed sentence it followed
  std::optional<Utc> time;
  int mode = 0;
  std::optional<double> values[kValues];  // degrees, m/s, degrees true, metres above mean sea level
};

struct Reference {
  std::vector<Echoed> sentences;
  std::vector<size_t> cycleStarts;  // the echo cut into the receiver's cycles
  std::vector<int> cycleTimes;      // milliseconds of the day, -1 for none
  std::vector<Tpv> reports;
};

Echoed ParseEchoed(const std::string& line) {
  Echoed e;
  e.text = line;
  std::string body = line.substr(1, line.find('*') - 1);
  std::istringstream in(body);
  std::string name, field;
  std::getline(in, name, ',');
  while (std::getline(in, field, ','))
    e.fields.push_back(field);
  if (!body.empty() && body.back() == ',') e.fields.emplace_back();  // getline drops an empty last one
  bool proprietary = name.rfind('P', 0) == 0 || name.size() < 2;
  e.talker = proprietary ? "P" : name.substr(0, 2);
  e.type = proprietary ? name : name.substr(2);
  return e;
}

// The UTC time a sentence carries (RMC, GGA, GNS, ZDA, GLL of any talker), or -1.
int EchoedTime(const Echoed& e) {
  if (e.type == "RMC" || e.type == "GGA" || e.type == "GNS" || e.type == "ZDA") return FieldTime(e.Field(0));
  if (e.type == "GLL") return FieldTime(e.Field(4));
  return -1;
}

std::optional<double> JsonNumber(const std::string& line, const char* key) {
  std::string needle = std::string("\"") + key + "\":";
  size_t at = line.find(needle);
  if (at == std::string::npos) return std::nullopt;
  return std::strtod(line.c_str() + at + needle.size(), nullptr);
}

// "time":"2014-12-31T03:07:19.000Z", taken back by the eras gpsd added.
std::optional<Utc> JsonTime(const std::string& line, int eras) {
  size_t at = line.find("\"time\":\"");
  struct tm t = {};
  int n = 0;
  if (at == std::string::npos ||
      std::sscanf(line.c_str() + at + 8, "%d-%d-%dT%d:%d:%d%n", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour,
                  &t.tm_min, &t.tm_sec, &n) != 6)
    return std::nullopt;
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  time_t moved = timegm(&t) - static_cast<time_t>(eras) * 1024 * 7 * 86400;
  gmtime_r(&moved, &t);
  return Utc{t.tm_year % 100, t.tm_mon + 1, t.tm_mday,
             ((t.tm_hour * 60 + t.tm_min) * 60 + t.tm_sec) * 1000 + Fraction(line.c_str() + at + 8 + n)};
}

Tpv ParseTpv(const std::string& line, const std::optional<Utc>& time, size_t after) {
  Tpv r;
  r.after = after;
  r.time = time;
  r.mode = static_cast<int>(JsonNumber(line, "mode").value_or(0));
  r.values[kLatitude] = JsonNumber(line, "lat");
  r.values[kLongitude] = JsonNumber(line, "lon");
  r.values[kSpeed] = JsonNumber(line, "speed");
  r.values[kCourse] = JsonNumber(line, "track");
  r.values[kAltitude] = JsonNumber(line, "altMSL");
  if (!r.values[kAltitude]) r.values[kAltitude] = JsonNumber(line, "alt");
  return r;
}

// The echo is cut into cycles as the receiver sent its seconds: a sentence that brings a time other
// than the cycle's begins the next one.
Reference ReadReference(const std::string& path, int eras) {
  Reference ref;
  std::istringstream in(test::ReadFile(path));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == '$' || line[0] == '!') {
      Echoed e = ParseEchoed(line);
      int time = EchoedTime(e);
      if (ref.cycleTimes.empty() || (time >= 0 && time != ref.cycleTimes.back())) {
        ref.cycleStarts.push_back(ref.sentences.size());
        ref.cycleTimes.push_back(time);
      }
      e.cycle = ref.cycleTimes.size() - 1;
      ref.sentences.push_back(std::move(e));
    } else if (line.rfind("{\"class\":\"TPV\"", 0) == 0 && !ref.sentences.empty()) {
      ref.reports.push_back(ParseTpv(line, JsonTime(line, eras), ref.sentences.size() - 1));
    }
  }
  return ref;
}

// ---- Which sentences carry what ----------------------------------------------------------------------

bool KivuTalker(const std::string& talker) {
  for (const char* t : {"GP", "GN", "GL", "GA", "GB", "BD", "GQ", "GI"})
    if (talker == t) return true;
  return false;
}

bool KivuReads(const Echoed& e) {
  return KivuTalker(e.talker) && (e.type == "RMC" || e.type == "GGA" || e.type == "GSA" || e.type == "GSV");
}

// Whether gpsd takes the value from sentences of this type.
bool Carries(const Echoed& e, Value v) {
  switch (v) {
    case kLatitude:
    case kLongitude:
      return e.type == "RMC" || e.type == "GGA" || e.type == "GLL" || e.type == "GNS";
    case kSpeed:
    case kCourse:
      return e.type == "RMC" || e.type == "VTG";
    default:
      return e.type == "GGA" || e.type == "GNS" || e.type == "PGRMZ";
  }
}

bool IsFixRmc(const Echoed& e) {
  return KivuTalker(e.talker) && e.type == "RMC" && e.Field(1) == "A" && !e.Field(2).empty();
}

bool IsFixGga(const Echoed& e) {
  return KivuTalker(e.talker) && e.type == "GGA" && !e.Field(5).empty() && e.Field(5) != "0" &&
         !e.Field(1).empty();
}

// The sentence of a cycle Kivu takes the value from, or -1.
long KivuSource(const Reference& ref, size_t cycle, Value v) {
  long rmc = -1, gga = -1;
  size_t end = cycle + 1 < ref.cycleStarts.size() ? ref.cycleStarts[cycle + 1] : ref.sentences.size();
  for (size_t i = ref.cycleStarts[cycle]; i < end; ++i) {
    if (rmc < 0 && IsFixRmc(ref.sentences[i])) rmc = static_cast<long>(i);
    if (gga < 0 && IsFixGga(ref.sentences[i])) gga = static_cast<long>(i);
  }
  if (v == kLatitude || v == kLongitude) return gga >= 0 ? gga : rmc;
  if (v == kAltitude) return gga >= 0 && !ref.sentences[gga].Field(8).empty() ? gga : -1;
  if (v == kCourse) return rmc >= 0 && !ref.sentences[rmc].Field(7).empty() ? rmc : -1;
  return rmc;
}

// The last sentence of its cycle, up to `at`, that carries the value, or -1.
long LastCarrier(const Reference& ref, size_t at, Value v) {
  for (long i = static_cast<long>(at); i >= 0 && ref.sentences[i].cycle == ref.sentences[at].cycle; --i)
    if (Carries(ref.sentences[i], v)) return i;
  return -1;
}

// ---- Kivu's side -------------------------------------------------------------------------------------

struct Replay {
  std::string capture;  // the file's name
  Reference ref;
  std::vector<GpsFix> fixes;
  int fixesCompared = 0, valuesCompared = 0;
};

Replay ReplayWithReference(const std::string& path) {
  Replay replay;
  replay.capture = path.substr(path.rfind('/') + 1);
  replay.ref = ReadReference(path + ".chk", GpsdEras(replay.capture));
  DirectFixOwner owner([&](const GpsFix& fix) { replay.fixes.push_back(fix); });
  CGpsParser receiver;
  receiver.SetOwner(&owner);
  ReplayCapture(receiver, test::ReadFile(path));
  return replay;
}

Utc FixTime(const GpsFix& fix) {
  const SystemTime& t = fix.utcTime;
  return {t.year, t.month, t.day, ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.milliseconds};
}

double KivuValue(const GpsFix& fix, Value v) {
  switch (v) {
    case kLatitude:
      return fix.latitude;
    case kLongitude:
      return fix.longitude;
    case kSpeed:
      return fix.speedKnots * (1852.0 / 3600.0);
    case kCourse:
      return fix.course;
    default:
      return fix.altitude;
  }
}

// One sentence: gpsd rounds degrees to 9 decimals, speed to 3, course and altitude to 4, and Kivu
// keeps speed, course and altitude as floats. Two sentences: positions to the fourth decimal of a
// minute, speeds and courses to their second decimal, altitudes to their first.
double Tolerance(const std::string& capture, Value v, bool oneSentence) {
  if (v == kLatitude || v == kLongitude) return oneSentence ? 1e-8 : SiblingPositionTolerance(capture);
  return oneSentence ? 1e-3 : 0.01;
}

// ---- Values ------------------------------------------------------------------------------------------

// The TPVs of a time that come from the cycle carrying that time (not those gpsd repeats with a stale
// time once the fix is gone).
std::vector<const Tpv*> ReportsOf(const Reference& ref, const Utc& time) {
  std::vector<const Tpv*> reports;
  for (const Tpv& r : ref.reports) {
    if (r.time == time && ref.cycleTimes[ref.sentences[r.after].cycle] == time.milliseconds)
      reports.push_back(&r);
  }
  return reports;
}

void CompareValue(Replay& s, const GpsFix& fix, const std::vector<const Tpv*>& reports, Value v) {
  const Reference& ref = s.ref;
  long source = KivuSource(ref, ref.sentences[reports.back()->after].cycle, v);
  if (source < 0) return;
  const Tpv* match = nullptr;
  for (const Tpv* r : reports) {
    if (r->values[v] && LastCarrier(ref, r->after, v) == source) match = r;
  }
  long from = source;
  if (!match) {
    for (const Tpv* r : reports)
      if (r->values[v]) match = r;
    if (!match) return;
    from = LastCarrier(ref, match->after, v);
    if (from < 0 || !KivuReads(ref.sentences[from])) return;
  }
  ++s.valuesCompared;
  EXPECT_NEAR(KivuValue(fix, v), *match->values[v], Tolerance(s.capture, v, from == source))
      << s.capture << " at " << TimeText(FixTime(fix).milliseconds, true) << ": " << kValueNames[v]
      << "\n  Kivu's from " << ref.sentences[source].text << "\n  gpsd's from " << ref.sentences[from].text;
}

TEST(ReferenceReports, KivuAgreesWithGpsdInEveryCycleBothReport) {
  KIVU_REQUIRE_SHARED_CAPTURES();
  std::vector<std::string> captures = test::SharedCapturesOfEveryReceiver();
  ASSERT_GE(captures.size(), 46u);
  int fixes = 0, values = 0;
  for (const std::string& path : captures) {
    Replay replay = ReplayWithReference(path);
    std::set<Utc> seen;
    for (const GpsFix& fix : replay.fixes) {
      std::vector<const Tpv*> reports = ReportsOf(replay.ref, FixTime(fix));
      if (reports.empty() || !seen.insert(FixTime(fix)).second) continue;
      ++replay.fixesCompared;
      for (int v = 0; v < kValues; ++v)
        CompareValue(replay, fix, reports, static_cast<Value>(v));
    }
    fixes += replay.fixesCompared;
    values += replay.valuesCompared;
  }
  // Counted when the comparison was written: 1,215 fixes, 4,378 values.
  EXPECT_GE(fixes, 1200);
  EXPECT_GE(values, 4300);
}

// ---- Seconds -----------------------------------------------------------------------------------------

// A second gpsd reports (from the cycle that carries its time): whether with a fix, and from which
// cycles of the echo.
struct GpsdSecond {
  bool fix = false;
  std::set<size_t> cycles;
};

std::map<Utc, GpsdSecond> GpsdSeconds(const Reference& ref) {
  std::map<Utc, GpsdSecond> seconds;
  for (const Tpv& r : ref.reports) {
    size_t cycle = ref.sentences[r.after].cycle;
    if (!r.time || ref.cycleTimes[cycle] != r.time->milliseconds) continue;
    GpsdSecond& second = seconds[r.time->Second()];
    second.fix = second.fix || r.mode >= 2;
    second.cycles.insert(cycle);
  }
  return seconds;
}

// The sentences Kivu reads of these cycles that bring a fix (an RMC with status A, a GGA with a
// quality), one a line.
std::string KivuFixSentences(const Reference& ref, const std::set<size_t>& cycles) {
  std::string found;
  for (const Echoed& e : ref.sentences) {
    if (cycles.count(e.cycle) && (IsFixRmc(e) || IsFixGga(e))) found += "\n  " + e.text;
  }
  return found;
}

// The highest mode gpsd reported from the cycles of the echo with this time of day, dated or not
// (gpsd leaves the time out of a report without a fix), or -1 when it reported nothing there.
int GpsdModeAt(const Reference& ref, int milliseconds) {
  int mode = -1;
  for (const Tpv& r : ref.reports) {
    if (ref.cycleTimes[ref.sentences[r.after].cycle] == milliseconds) mode = std::max(mode, r.mode);
  }
  return mode;
}

// Every second gpsd has a 2D or 3D fix in is shown, unless only sentences Kivu does not read brought
// it (a GLL, a GNS). Kivu may show a cycle gpsd did not report (its first, before gpsd knew the date,
// or its last, which gpsd never reports), but not one gpsd reported without a fix.
void CompareSeconds(const Replay& s, std::set<const AwaitingFix*>& met) {
  std::set<Utc> shown;
  for (const GpsFix& fix : s.fixes) {
    Utc time = FixTime(fix);
    int mode = GpsdModeAt(s.ref, time.milliseconds);
    EXPECT_TRUE(mode < 0 || mode >= 2) << s.capture << " at " << TimeText(time.milliseconds, true)
                                       << ": Kivu shows a fix, gpsd reports none";
    shown.insert(time.Second());
  }
  for (const auto& [second, gpsd] : GpsdSeconds(s.ref)) {
    std::string at = TimeText(second.milliseconds, false);
    std::string sentences = KivuFixSentences(s.ref, gpsd.cycles);
    if (!gpsd.fix || shown.count(second) || sentences.empty()) continue;
    if (const AwaitingFix* known = FindAwaitingFix(s.capture, at)) {
      met.insert(known);
      continue;
    }
    ADD_FAILURE() << s.capture << " at " << at << ": gpsd has a fix, Kivu shows none; gpsd took it from"
                  << sentences;
  }
}

TEST(ReferenceReports, KivuShowsEverySecondGpsdHasAFixIn) {
  KIVU_REQUIRE_SHARED_CAPTURES();
  std::set<const AwaitingFix*> met;
  for (const std::string& path : test::SharedCapturesOfEveryReceiver())
    CompareSeconds(ReplayWithReference(path), met);
  for (const AwaitingFix& entry : kAwaitingFix) {
    EXPECT_TRUE(met.count(&entry)) << entry.capture << " at " << entry.second
                                   << " is no longer a second Kivu leaves out: see kAwaitingFix";
  }
}

}  // namespace
}  // namespace kivu
