#include "sdl/keys.h"

#include <gtest/gtest.h>

#include "core/frontend.h"

namespace {

TEST(KeyMapping, MainRowDigitsAreThePhysicalKeys) {
    SDL_Scancode codes[2];
    ASSERT_EQ(ScancodesForKey(kKeyDigit0, codes), 1);
    EXPECT_EQ(codes[0], SDL_SCANCODE_0) << "0 lies after 9 on the keyboard";
    ASSERT_EQ(ScancodesForKey(kKeyDigit0 + 1, codes), 1);
    EXPECT_EQ(codes[0], SDL_SCANCODE_1);
    ASSERT_EQ(ScancodesForKey(kKeyDigit0 + 9, codes), 1);
    EXPECT_EQ(codes[0], SDL_SCANCODE_9);
}

TEST(KeyMapping, KeypadDigitsAreThePhysicalKeys) {
    SDL_Scancode codes[2];
    ASSERT_EQ(ScancodesForKey(kKeyNumpad0, codes), 1);
    EXPECT_EQ(codes[0], SDL_SCANCODE_KP_0);
    ASSERT_EQ(ScancodesForKey(kKeyNumpad0 + 5, codes), 1);
    EXPECT_EQ(codes[0], SDL_SCANCODE_KP_5);
    ASSERT_EQ(ScancodesForKey(kKeyNumpad0 + 9, codes), 1);
    EXPECT_EQ(codes[0], SDL_SCANCODE_KP_9);
}

TEST(KeyMapping, ReturnIsEitherEnterKey) {
    SDL_Scancode codes[2];
    ASSERT_EQ(ScancodesForKey(kKeyReturn, codes), 2);
    EXPECT_EQ(codes[0], SDL_SCANCODE_RETURN);
    EXPECT_EQ(codes[1], SDL_SCANCODE_KP_ENTER);
}

TEST(KeyMapping, OtherCodesAreNoKeys) {
    SDL_Scancode codes[2];
    for (const int code : {0x00, 0x1B, 0x2F, 0x3A, 0x41, 0x5F, 0x6A, 0xFF}) {
        EXPECT_EQ(ScancodesForKey(static_cast<uint8_t>(code), codes), 0) << code;
    }
}

}  // namespace
