#include <gtest/gtest.h>

#include "QevSysUtils.h"
#include "QevSystem.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  Initialization_SysUtils();
  Initialization_QevSysUtils();
  Initialization_QevSystem();
  int result = RUN_ALL_TESTS();
  Finalization_QevSystem();
  Finalization_QevSysUtils();
  Finalization_SysUtils();
  return result;
}
