#include <gtest/gtest.h>
#include "number_text.h"
TEST(Smoke, Builds) { EXPECT_TRUE(quelvane::IsNumberText(u"12")); }
