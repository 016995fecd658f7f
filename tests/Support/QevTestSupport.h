// Fixture of the Unicode layer's tests: both roads of the platform switch.
#pragma once

#include <gtest/gtest.h>

#include "QevSysUtils.h"
#include "TestSupport.h"

// Runs a test on the wide road (param true) and on the ANSI road.
class RoadTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override { UnicodeApiAvailable = GetParam(); }
  void TearDown() override { UnicodeApiAvailable = Saved_; }

 private:
  bool Saved_ = UnicodeApiAvailable;
};

// Takes one road for the life of the object.
class TRoadSwitch {
 public:
  explicit TRoadSwitch(bool wide) { UnicodeApiAvailable = wide; }
  ~TRoadSwitch() { UnicodeApiAvailable = Saved_; }
  TRoadSwitch(const TRoadSwitch&) = delete;
  TRoadSwitch& operator=(const TRoadSwitch&) = delete;

 private:
  bool Saved_ = UnicodeApiAvailable;
};

inline std::string RoadName(const testing::TestParamInfo<bool>& info) {
  return info.param ? "Wide" : "Ansi";
}
