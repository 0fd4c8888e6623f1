// Writes Kivu's demo drive: about fifteen minutes of one-second NMEA bursts (RMC, GGA, GSA and three
// GSV sentences, CR LF, correct checksums) of a car drive through a town, up and down a hill, along a
// motorway with a short tunnel (no fix), and back into town.
//
//   kivu-make-demo-drive > res/demo/drive.nmea
//
// The drive is a table of legs; the car follows each leg's speed, turn rate and grade with the limits
// of an ordinary car. Everything is deterministic, so the file only changes when this program does.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Leg {
  int seconds;
  double speedKmh;  // speed the driver aims for
  double turnRate;  // degrees per second, positive to the right
  double grade;     // rise per metre driven
  bool noFix;       // in the tunnel
};

// clang-format off
const std::vector<Leg> kLegs = {
  {20,   0,   0,    0,     false},  // parked, engine running
  {45,  40,   0,    0,     false},  // out of the car park, east along the high street
  {8,   20,  -11,   0,     false},  // left into a side street
  {30,  35,   0,    0,     false},
  {14,   0,   0,    0,     false},  // red light
  {25,  45,   0,    0,     false},
  {10,  25,   9,    0,     false},  // right turn, through north
  {40,  50,   0,    0,     false},
  {12,   0,   0,    0,     false},  // stop sign and give way
  {30,  50,   0,    0.02,  false},
  {110, 70,   0.3,  0.07,  false},  // the hill road up
  {16,  45,  -7.5,  0.03,  false},  // the hairpin at the top
  {100, 75,   0.2, -0.06,  false},  // and down the other side
  {30,  90,   0,    0,     false},  // slip road onto the motorway
  {150, 122,  0.05, 0.005, false},  // motorway
  {18,  118,  0,    0,     true},   // tunnel: the receiver loses its fix
  {140, 125, -0.08,-0.004, false},
  {25,  60,   3.0,  0,     false},  // the exit ramp curves round
  {40,  50,   0,    0,     false},
  {9,   20,   10,   0,     false},  // right into town
  {50,  40,   0,    0,     false},
  {10,   0,   0,    0,     false},  // zebra crossing
  {35,  30,   0,    0,     false},
  {8,   10,  -10,   0,     false},  // into the car park
  {26,   0,   0,    0,     false},  // parked
};
// clang-format on

int Checksum(const std::string& body) {
  int sum = 0;
  for (char c : body)
    sum ^= static_cast<unsigned char>(c);
  return sum;
}

void Emit(const std::string& body) {
  std::printf("$%s*%02X\r\n", body.c_str(), Checksum(body));
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

std::string Angle(double degrees, int degreeDigits, char positive, char negative) {
  double a = std::fabs(degrees);
  int whole = static_cast<int>(a);
  double minutes = (a - whole) * 60.0;
  return Format("%0*d%07.4f,%c", degreeDigits, whole, minutes, degrees < 0 ? negative : positive);
}

struct Satellite {
  int prn, elevation, azimuth, snr;
};

}  // namespace

int main() {
  const double kPi = 3.14159265358979323846;
  double lat = 47.36652, lon = 8.53914, alt = 412.0, heading = 82.0, speed = 0.0;  // m/s
  long t = 7 * 3600 + 42 * 60;                                                     // 07:42:00 UTC
  const char* date = "140626";                                                     // 14 June 2026

  std::vector<Satellite> sats = {{2, 62, 48, 44},  {5, 18, 301, 33},  {7, 41, 112, 40},  {9, 77, 210, 46},
                                 {13, 25, 66, 35}, {16, 9, 180, 24},  {20, 53, 262, 42}, {23, 33, 145, 38},
                                 {26, 12, 20, 29}, {29, 47, 338, 41}, {30, 5, 240, 18}};
  int step = 0;
  for (const Leg& leg : kLegs) {
    for (int s = 0; s < leg.seconds; ++s, ++t, ++step) {
      // The car: speed towards the leg's aim within a car's acceleration, then turn and climb.
      double aim = leg.speedKmh / 3.6;
      double change = aim - speed;
      speed += change > 0 ? std::fmin(change, 2.2) : std::fmax(change, -3.0);
      if (speed > 0.5) heading = std::fmod(heading + leg.turnRate + 360.0, 360.0);
      double h = heading * kPi / 180.0;
      lat += speed * std::cos(h) / 111320.0;
      lon += speed * std::sin(h) / (111320.0 * std::cos(lat * kPi / 180.0));
      alt += speed * leg.grade;

      std::string hms = Format("%02ld%02ld%02ld.00", (t / 3600) % 24, (t / 60) % 60, t % 60);
      // A slow wobble in the sky: signal strengths and the count of satellites in use.
      int used = 7 + (step / 97) % 3;
      for (size_t i = 0; i < sats.size(); ++i)
        sats[i].snr = 20 + static_cast<int>((i * 7 + static_cast<size_t>(step) / 13) % 27);
      if (leg.noFix) {
        Emit(Format("GPRMC,%s,V,,,,,,,%s,,,N", hms.c_str(), date));
        Emit(Format("GPGGA,%s,,,,,0,00,99.9,,,,,,", hms.c_str()));
        Emit("GPGSA,A,1,,,,,,,,,,,,,99.9,99.9,99.9");
      } else {
        double knots = speed * 3600.0 / 1852.0;
        std::string position = Angle(lat, 2, 'N', 'S') + "," + Angle(lon, 3, 'E', 'W');
        Emit(Format("GPRMC,%s,A,%s,%.1f,%.1f,%s,,,A", hms.c_str(), position.c_str(), knots, heading, date));
        Emit(Format("GPGGA,%s,%s,1,%02d,%.1f,%.1f,M,47.4,M,,", hms.c_str(), position.c_str(), used,
                    0.8 + 0.1 * (used == 7), alt));
        std::string prns;
        for (int i = 0; i < 12; ++i)
          prns += i < used ? Format("%02d,", sats[static_cast<size_t>(i)].prn) : ",";
        Emit(Format("GPGSA,A,3,%s%.1f,%.1f,%.1f", prns.c_str(), 1.6 - 0.1 * (used - 7),
                    0.9 - 0.05 * (used - 7), 1.3 - 0.1 * (used - 7)));
      }
      int inView = static_cast<int>(sats.size());
      for (int msg = 0; msg < 3; ++msg) {
        std::string body = Format("GPGSV,3,%d,%02d", msg + 1, inView);
        for (int i = msg * 4; i < msg * 4 + 4 && i < inView; ++i) {
          const Satellite& sat = sats[static_cast<size_t>(i)];
          int snr = leg.noFix ? 0 : sat.snr;
          body += Format(",%02d,%02d,%03d,", sat.prn, sat.elevation, sat.azimuth);
          if (snr > 0) body += Format("%02d", snr);
        }
        Emit(body);
      }
    }
  }
  return 0;
}
