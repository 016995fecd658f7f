#include <gtest/gtest.h>

#include "SysUtils.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  Initialization_SysUtils();
  int result = RUN_ALL_TESTS();
  Finalization_SysUtils();
  return result;
}
