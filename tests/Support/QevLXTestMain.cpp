#include <gtest/gtest.h>

#include "CheckWinInetAndAdo.h"
#include "QevLXUtils.h"
#include "QevSysUtils.h"
#include "QevSystem.h"
#include "QevWindows.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  Initialization_SysUtils();
  Initialization_QevSysUtils();
  Initialization_QevSystem();
  Initialization_QevWindows();
  Initialization_QevLXUtils();
  Initialization_CheckWinInetAndAdo();
  int result = RUN_ALL_TESTS();
  Finalization_CheckWinInetAndAdo();
  Finalization_QevLXUtils();
  Finalization_QevWindows();
  Finalization_QevSystem();
  Finalization_QevSysUtils();
  Finalization_SysUtils();
  return result;
}
