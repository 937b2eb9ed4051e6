#include <gtest/gtest.h>

#include "crypto/sha1.h"

TEST(Sha1, Abc) {
    KeyDigest d;
    Sha1Buffer("abc", 3, d);
    char text[41];
    KeyDigestToText(d, text);
    EXPECT_STREQ(text, "a9993e364706816aba3e25717850c26c9cd0d89d");
}
