// The claim flags that keep one voltage window and one detection box at a
// time: of many threads that try at once, exactly one claims the flag, and
// a claim that was not taken never releases the one that was.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "plugin/claim_flag.h"

namespace {

TEST(ClaimFlagTest, OneClaimantAtATimeAndOnlyItReleases)
{
    ClaimFlag flag;
    for (int round = 0; round < 50; ++round) {
        std::atomic<int> ready{0};
        std::atomic<int> winners{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                ++ready;
                while (ready.load() < 4) {
                }
                winners += flag.TryClaim() ? 1 : 0;
            });
        for (std::thread& t : threads)
            t.join();
        EXPECT_EQ(winners.load(), 1);
        {
            FlagClaim late(flag);
            EXPECT_FALSE(late.Taken());
        }
        EXPECT_TRUE(flag.IsSet()) << "released by a claim that was not taken";
        flag.Release();
    }
}

}  // namespace
