#include "packet/PKControl.h"

#include <gtest/gtest.h>

TEST(Smoke, Builds) {
  PKControl control;
  EXPECT_EQ(control.GetPacket()[0], 0xA0);
}
