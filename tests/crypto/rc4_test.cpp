#include <gtest/gtest.h>

#include "crypto/rc4.h"

TEST(Rc4, SizeOfState) { EXPECT_EQ(sizeof(Rc4State), 258u); }
