#include "text/text.h"

#include <gtest/gtest.h>

using namespace xiuyun;

TEST(TextTest, placeholder) { EXPECT_EQ("a"_t, Text::fromGbk("a")); }
