#include <gtest/gtest.h>
#include "MyGame.h"
TEST(Smoke, Links) { SUCCEED(); }
