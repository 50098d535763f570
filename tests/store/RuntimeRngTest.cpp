#include "store/RuntimeRng.h"

#include <gtest/gtest.h>

#include <array>

using orvelan::RuntimeRng;

namespace {
float exact(std::uint32_t state) {
    return static_cast<float>(state) / 16777216.0f;
}
} // namespace

TEST(RuntimeRng, PublishedSequenceFromAFreshState) {
    RuntimeRng rng;
    const std::array<std::uint32_t, 10> states = {0xB49EC3, 0x888E7A, 0x945B55, 0x4A20C4, 0x4D4C77,
                                                  0xC6555E, 0x0396A9, 0xC2BEC8, 0xD0826B, 0xB58382};
    for (std::uint32_t state : states) {
        EXPECT_EQ(rng.rnd(), exact(state));
        EXPECT_EQ(rng.state(), state);
    }
    EXPECT_NEAR(exact(0xB49EC3), 0.7055475, 1e-7);
}

TEST(RuntimeRng, ZeroRepeatsAndNegativeReseeds) {
    RuntimeRng fresh;
    EXPECT_EQ(fresh.rnd(0.0f), 0.01953125f);
    EXPECT_EQ(fresh.rnd(-0.0f), 0.01953125f);
    EXPECT_EQ(fresh.state(), RuntimeRng::StartState);

    RuntimeRng minusOne;
    minusOne.rnd(-1.0f);
    EXPECT_EQ(minusOne.state(), 0x395886u);

    // A negative draw depends on its argument alone, never on the earlier state.
    RuntimeRng used;
    used.rnd();
    used.rnd();
    used.rnd(-1.0f);
    EXPECT_EQ(used.state(), 0x395886u);

    const std::array<std::pair<float, double>, 4> cases = {{{-1.2345E38f, 0.03195423},
                                                            {-8E9f, 0.7537669},
                                                            {-79.4f, 0.8288893},
                                                            {-44.48306f, 0.5418172}}};
    for (const auto& [x, expected] : cases) {
        RuntimeRng rng;
        EXPECT_NEAR(rng.rnd(x), expected, 5e-8) << x;
    }
}

TEST(RuntimeRng, RandomizeKeepsTheLowByte) {
    RuntimeRng rng;
    EXPECT_NEAR(rng.rnd(-10.0f), 0.3276443, 5e-8);
    rng.randomize(10);
    EXPECT_EQ(rng.state(), 0x402480u);
    EXPECT_NEAR(rng.rnd(), 0.2077829, 5e-8);
    EXPECT_NEAR(rng.rnd(), 0.4407803, 5e-8);
    EXPECT_NEAR(rng.rnd(), 0.6152623, 5e-8);

    RuntimeRng zero;
    zero.randomize(0);
    EXPECT_NEAR(zero.rnd(), 0.7641413, 5e-8);
    EXPECT_NEAR(zero.rnd(), 0.3576428, 5e-8);

    RuntimeRng afterDraw;
    afterDraw.rnd();
    afterDraw.randomize(42);
    EXPECT_EQ(afterDraw.state(), 0x4045C3u);
    EXPECT_NEAR(afterDraw.rnd(0.0f), 0.2510645, 5e-8);
}
