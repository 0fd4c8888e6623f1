#include "tools/DriveReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/Clock.h"
#include "trip/FixClock.h"
#include "trip/GpxWriter.h"
#include "trip/UnitNames.h"
#include "view/DashboardColours.h"
#include "view/DashboardPaint.h"

namespace kivu {

namespace {

// "#rrggbb" of a dashboard colour.
std::string Css(Color c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.red, c.green, c.blue);
  return text;
}

// The page's look: the dashboard's day colours on its black panel, figures large. On paper: dark on
// white, the drawings shrunk so that the whole page fits one A4 sheet.
std::string Style() {
  const DashboardColours& c = ColoursOf(Palette::kDay);
  std::string css = ":root{--panel:" + Css(c.panel) + ";--ground:" + Css(c.subPanel) +
                    ";--label:" + Css(c.label) + ";--figure:" + Css(c.figure) +
                    ";--readout:" + Css(c.readout) + ";--symbol:" + Css(c.symbol) +
                    ";--warning:" + Css(c.warning) + ";--dim:" + Css(c.dimmedLabel) + ";--grid:#4a524a}\n";
  css +=
      "@page{size:A4;margin:12mm}\n"
      "*{box-sizing:border-box}\n"
      "html{background:var(--panel)}\n"
      "body{margin:0 auto;max-width:1200px;padding:20px 24px;background:var(--panel);color:var(--label);"
      "font:17px/1.35 'DejaVu Sans',Verdana,sans-serif}\n"
      "h1{font-size:30px;margin:0 0 4px}\n"
      "h2{font-size:15px;font-weight:normal;text-transform:uppercase;letter-spacing:.08em;margin:0 0 6px}\n"
      ".sub{margin:0 0 18px;color:var(--label);opacity:.8}\n"
      ".figures{display:grid;grid-template-columns:repeat(6,1fr);gap:10px;margin-bottom:18px}\n"
      ".panel{border:2px solid var(--symbol);border-radius:6px;padding:8px 10px;text-align:center;"
      "display:flex;flex-direction:column}\n"
      ".panel table{margin:0 auto;border-collapse:collapse}\n"
      ".panel th{font-weight:normal;text-align:left;padding:0 8px 0 0;font-size:14px}\n"
      ".panel td{text-align:right;white-space:nowrap}\n"
      ".panel b,.big b{color:var(--figure);font-size:26px}\n"
      ".big{margin:auto 0;white-space:nowrap}\n"
      ".u{font-size:14px;opacity:.85}\n"
      ".deg{color:var(--figure);font-size:24px;font-weight:bold}\n"
      ".nofix{font-size:28px;color:var(--warning);border:2px solid var(--warning);border-radius:6px;"
      "padding:24px;text-align:center}\n"
      "svg{display:block;width:100%;height:auto;margin:0 0 12px;border-radius:6px}\n"
      ".ground{fill:var(--ground)}\n"
      "svg path{fill:none;stroke-linejoin:round;stroke-linecap:round}\n"
      ".line{stroke:var(--readout);stroke-width:4}\n"
      ".speed{stroke:var(--readout);stroke-width:2.5}\n"
      ".altitude{stroke:var(--figure);stroke-width:2.5}\n"
      ".vertical{stroke:var(--symbol);stroke-width:2}\n"
      ".grid{stroke:var(--grid);stroke-width:1}\n"
      ".zero{stroke:var(--label);stroke-width:1;stroke-dasharray:6 4}\n"
      ".axis{stroke:var(--label);stroke-width:2}\n"
      ".scale{fill:none;stroke:var(--label);stroke-width:2}\n"
      "svg path.arrow{fill:var(--label);stroke:none}\n"
      ".start{fill:var(--symbol);stroke:var(--panel);stroke-width:3}\n"
      ".end{fill:var(--warning);stroke:var(--panel);stroke-width:3}\n"
      "svg text{fill:var(--label);font-family:'DejaVu Sans',Verdana,sans-serif}\n"
      ".tick{font-size:15px}\n"
      ".title,.north,.mark{font-size:20px;font-weight:bold}\n"
      ".mark{paint-order:stroke;stroke:var(--ground);stroke-width:5px}\n"
      ".unit{font-size:16px}\n"
      "footer{color:var(--dim);font-size:13px;margin-top:6px}\n"
      "@media (max-width:900px){.figures{grid-template-columns:repeat(3,1fr)}}\n"
      "@media print{:root{--panel:#fff;--ground:#fff;--label:#000;--figure:#005a70;--readout:#006400;"
      "--symbol:#8a6d00;--warning:#b00000;--dim:#555;--grid:#c8c8c8}\n"
      "body{max-width:none;padding:0;font-size:11pt}h1{font-size:18pt}.sub{margin-bottom:4mm}\n"
      ".figures{grid-template-columns:repeat(6,1fr);gap:2mm;margin-bottom:4mm}"
      ".panel{padding:1.5mm;border-width:1px}\n"
      ".panel b,.big b{font-size:15pt}.panel th,.u{font-size:9pt}\n"
      "svg{margin:0 auto 2mm;border:1px solid #999;break-inside:avoid}"
      "svg.track{max-height:80mm;width:auto;max-width:100%}svg.plot{height:36mm;width:100%}\n"
      ".line{stroke-width:3}}\n";
  return css;
}

void AppendInt(std::string& out, long long value) {
  out += std::to_string(value);  // integers carry no locale's marks
}

// A figure as the dashboard shows it, under an id the page's readers may look for.
void AppendFigure(std::string& out, const char* id, long long value, const char* unit) {
  out += "<b id=\"";
  out += id;
  out += "\">";
  AppendInt(out, value);
  // Degrees sit on the figure, as they are written; other units follow a space, smaller.
  const bool degrees = std::string_view(unit) == "\u00b0";
  out += degrees ? "</b><span class=\"deg\">" : "</b> <span class=\"u\">";
  AppendXmlEscaped(out, unit);
  out += "</span>";
}

// A panel of rows, each a legend and a figure, as the dashboard's panels with MIN and MAX.
struct Row {
  const char* legend;
  const char* id;
  long long value;
};
void AppendPanel(std::string& out, const char* title, std::initializer_list<Row> rows, const char* unit) {
  out += "<div class=\"panel\"><h2>";
  out += title;
  out += "</h2><table>";
  for (const Row& row : rows) {
    out += "<tr><th>";
    out += row.legend;
    out += "</th><td>";
    AppendFigure(out, row.id, row.value, unit);
    out += "</td></tr>";
  }
  out += "</table></div>";
}

// "YYYY-MM-DD HH:MM" of the local time at t; "HH:MM" alone when withDate is false.
std::string LocalText(double t, bool withDate) {
  LocalTime local;
  if (!ToLocalTime(static_cast<int64_t>(std::floor(t)), local)) return "?";
  char text[40];
  if (withDate)
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", local.year, local.month, local.day,
                  local.hour, local.minute);
  else
    std::snprintf(text, sizeof text, "%02d:%02d", local.hour, local.minute);
  return text;
}

}  // namespace

void DriveReport::AddFix(const GpsFix& fix, bool newSegment, const TripStats& after) {
  const double seconds =
      static_cast<double>(FixUtcSeconds(fix)) + static_cast<double>(fix.utcTime.milliseconds) / 1000.0;
  if (track_.empty()) firstSeconds_ = lastSeconds_ = seconds;
  firstSeconds_ = std::min(firstSeconds_, seconds);
  lastSeconds_ = std::max(lastSeconds_, seconds);
  track_.push_back(TrackPoint{fix.latitude, fix.longitude, newSegment});
  // The dashboard shows figures from the trip's second fix on.
  if (after.startAltitude == kNoAltitude) {
    figuresShown_ = false;
    return;
  }
  const bool starts = newSegment || !figuresShown_;
  figuresShown_ = true;
  speed_.push_back(TimedValue{seconds, after.speedInt, starts});
  altitude_.push_back(TimedValue{seconds, after.altitudeInt, starts});
  verticalSpeed_.push_back(TimedValue{seconds, after.verticalSpeedInt, starts});
}

void DriveReport::AppendFigures(std::string& out, const TripStats& t) const {
  const UnitNames units = UnitNamesOf(unitSelection_);
  const auto [hours, minutes] = ShownDuration(t);
  char duration[32];
  std::snprintf(duration, sizeof duration, "%.2d:%.2d", hours, minutes);
  out += "<section class=\"figures\"><div class=\"panel\"><h2>Distance</h2><p class=\"big\">";
  AppendFigure(out, "distance", t.distanceInt, units.distance);
  out += "</p></div><div class=\"panel\"><h2>Duration</h2><p class=\"big\"><b id=\"duration\">";
  out += duration;
  out += "</b> <span class=\"u\">h:min</span></p></div>";
  AppendPanel(out, "Speed", {{"MAX", "maxSpeed", t.maxSpeedInt}, {"AVG", "avgSpeed", t.avgSpeedInt}},
              units.speed);
  AppendPanel(out, "Altitude",
              {{"MIN", "minAltitude", t.minAltitudeInt},
               {"MAX", "maxAltitude", t.maxAltitudeInt},
               {"GAP", "altitudeGap", t.altitudeGapInt}},
              units.altitude);
  AppendPanel(out, "Pitch", {{"MIN", "pitchMin", t.pitchMin}, {"MAX", "pitchMax", t.pitchMax}}, "\u00b0");
  AppendPanel(out, "Roll", {{"MIN", "rollMin", t.rollMin}, {"MAX", "rollMax", t.rollMax}}, "\u00b0");
  out += "</section>\n";
}

std::string DriveReport::Page(std::string_view captureName, const TripStats& stats) const {
  const UnitNames units = UnitNamesOf(unitSelection_);
  std::string out;
  out.reserve(size_t{256} * 1024);
  out +=
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">\n<title>Drive report: ";
  AppendXmlEscaped(out, captureName);
  out += "</title>\n<style>\n" + Style() +
         "</style></head>\n<body>\n<header><h1>Drive report</h1><p class=\"sub\">";
  AppendXmlEscaped(out, captureName);
  if (!track_.empty()) {
    out += " &middot; " + LocalText(firstSeconds_, true) + " to " + LocalText(lastSeconds_, false) +
           " local time &middot; ";
    AppendInt(out, static_cast<long long>(track_.size()));
    out += track_.size() == 1 ? " fix" : " fixes";
  }
  out += "</p></header>\n";
  AppendFigures(out, stats);
  if (track_.empty()) {
    out += "<p class=\"nofix\">No fix in this capture: there is no track and no figure to draw.</p>\n";
  } else {
    out += "<section>" + TrackSvg(track_, unitSelection_ != 0) + "</section>\n<section>";
    out += TimePlotSvg(speed_, TimePlot{"Speed", units.speed, "speed"}, firstSeconds_, lastSeconds_);
    out +=
        TimePlotSvg(altitude_, TimePlot{"Altitude", units.altitude, "altitude"}, firstSeconds_, lastSeconds_);
    out += TimePlotSvg(verticalSpeed_, TimePlot{"Vertical speed", units.speed, "vertical"}, firstSeconds_,
                       lastSeconds_);
    out += "</section>\n";
  }
  out +=
      "<footer>The figures as the dashboard showed them at the end of the drive; gaps are stretches "
      "without a fix. Made by kivu-replay.</footer>\n</body></html>\n";
  return out;
}

}  // namespace kivu
