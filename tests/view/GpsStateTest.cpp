// The dashboard's GPS state, on a clock the test sets: each state reached and left.
#include <gtest/gtest.h>

#include "trip/TripTestUtil.h"
#include "view/GpsState.h"

namespace kivu {
namespace {

using test::MakeFix;

TEST(GpsStates, EachStateIsReachedAndLeftAsTheReceiverSpeaksFallsSilentAndGoes) {
  GpsStateTracker gps;
  int64_t t = 1000;
  EXPECT_EQ(gps.StateAt(t), GpsState::NoReceiver);
  gps.Observe(true, 0, t);  // the port opens: it has said nothing yet
  EXPECT_EQ(gps.StateAt(t + 3), GpsState::NoFix);
  gps.Observe(true, 0, t + 4);
  EXPECT_EQ(gps.StateAt(t + 4), GpsState::NoData);  // a port with nothing behind it
  gps.Observe(true, 5, t + 5);                      // sentences, without a fix
  EXPECT_EQ(gps.StateAt(t + 5), GpsState::NoFix);
  EXPECT_FALSE(gps.FixWouldReturn(t + 5));

  for (int s = 6; s <= 8; ++s)
    gps.FixArrived(MakeFix({.second = s}), t + s);
  EXPECT_EQ(gps.StateAt(t + 8), GpsState::Fix);
  // The sky is gone but the receiver talks on: still a fix for three seconds, then lost.
  gps.Observe(true, 20, t + 11);
  EXPECT_EQ(gps.StateAt(t + 11), GpsState::Fix);
  gps.Observe(true, 25, t + 12);
  EXPECT_EQ(gps.StateAt(t + 12), GpsState::Lost);
  EXPECT_EQ(gps.FixAge(t + 12), 4);
  EXPECT_EQ(GpsStateFlag(gps.StateAt(t + 12), gps.FixAge(t + 12)), "GPS LOST 4 s");
  EXPECT_TRUE(gps.FixWouldReturn(t + 12));
  gps.FixArrived(MakeFix({.second = 13}), t + 13);
  EXPECT_EQ(gps.StateAt(t + 13), GpsState::Fix);
  EXPECT_FALSE(gps.FixWouldReturn(t + 14));

  // Pulled out: no receiver at once; plugged in again, the old fix is lost until a new one comes.
  gps.Observe(false, 25, t + 14);
  EXPECT_EQ(gps.StateAt(t + 14), GpsState::NoReceiver);
  EXPECT_TRUE(gps.FixWouldReturn(t + 14));
  gps.Observe(true, 25, t + 20);
  gps.Observe(true, 30, t + 21);
  EXPECT_EQ(gps.StateAt(t + 21), GpsState::Lost);
  EXPECT_EQ(GpsStateFlag(GpsState::NoReceiver, 0), "NO GPS");
  EXPECT_EQ(GpsStateFlag(GpsState::NoData, 0), "NO DATA");
  EXPECT_EQ(GpsStateFlag(GpsState::NoFix, 0), "NO FIX");
  EXPECT_EQ(GpsStateFlag(GpsState::Fix, 0), "");
}

TEST(GpsStates, ASlowReceiverIsLostAfterThreeOfItsCycles) {
  // A receiver with a fix every 2 s (RMC every other second, as some handhelds send it).
  GpsStateTracker gps;
  gps.Observe(true, 0, 0);
  gps.FixArrived(MakeFix({.second = 0}), 0);
  gps.FixArrived(MakeFix({.second = 2}), 2);
  gps.Observe(true, 9, 8);
  EXPECT_EQ(gps.StateAt(8), GpsState::Fix);
  EXPECT_EQ(gps.StateAt(9), GpsState::Lost);
  // A 10 Hz receiver is still lost after 3 s, not after 0.3.
  GpsStateTracker fast;
  fast.FixArrived(MakeFix({.second = 0}), 100);
  fast.FixArrived(MakeFix({.second = 0, .milliseconds = 100}), 100);
  fast.Observe(true, 9, 103);
  EXPECT_EQ(fast.StateAt(103), GpsState::Fix);
  EXPECT_EQ(fast.StateAt(104), GpsState::Lost);
}

}  // namespace
}  // namespace kivu
