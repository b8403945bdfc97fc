#include "ui/image/NKLoadGate.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Enters `count` loads that keep their passes in `passes`, in the order they start. The gate
// is made after `passes` and `started`, so that it goes first: a pass that goes after it starts
// nothing, where one going before it would start the next load into vectors already gone.
void enterLoads(NKLoadGate& gate, int count, std::vector<std::shared_ptr<NKLoadGate::Pass>>& passes,
                std::vector<int>& started) {
    for (int i = 0; i < count; ++i) {
        gate.enter([&passes, &started, i](const std::shared_ptr<NKLoadGate::Pass>& pass) {
            passes.push_back(pass);
            started.push_back(i);
        });
    }
}

TEST(NKLoadGateTest, LoadsPastTheWidthWaitAndStartInTheirOrderAsPlacesAreLeft) {
    std::vector<std::shared_ptr<NKLoadGate::Pass>> passes;
    std::vector<int> started;
    auto gate = std::make_shared<NKLoadGate>(2);
    enterLoads(*gate, 5, passes, started);
    EXPECT_EQ(started, (std::vector<int>{0, 1}));
    EXPECT_EQ(gate->running(), 2);
    EXPECT_EQ(gate->waiting(), 3u);

    // Leaving twice gives one place, to the first in line.
    passes[1]->leave();
    passes[1]->leave();
    EXPECT_EQ(started, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(gate->running(), 2);

    // A pass that goes without being left gives its place back all the same.
    passes[0].reset();
    EXPECT_EQ(started, (std::vector<int>{0, 1, 2, 3}));
    passes[2].reset();
    EXPECT_EQ(started, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(gate->waiting(), 0u);
}

TEST(NKLoadGateTest, APlaceLeftWithNobodyWaitingIsFreeForTheNextLoad) {
    std::vector<std::shared_ptr<NKLoadGate::Pass>> passes;
    std::vector<int> started;
    auto gate = std::make_shared<NKLoadGate>(1);
    enterLoads(*gate, 1, passes, started);
    passes.front()->leave();
    EXPECT_EQ(gate->running(), 0);
    enterLoads(*gate, 1, passes, started);
    EXPECT_EQ(started.size(), 2u);
    EXPECT_EQ(gate->running(), 1);
}

TEST(NKLoadGateTest, AStartThatLeavesAtOnceLetsTheNextOnesStart) {
    // Loads cancelled while they waited give their place on as they get it.
    std::vector<std::shared_ptr<NKLoadGate::Pass>> passes;
    std::vector<int> started;
    auto gate = std::make_shared<NKLoadGate>(1);
    enterLoads(*gate, 1, passes, started);
    int skipped = 0;
    for (int i = 0; i < 3; ++i) {
        gate->enter([&skipped](const std::shared_ptr<NKLoadGate::Pass>&) { ++skipped; });
    }
    enterLoads(*gate, 1, passes, started);
    passes.front()->leave();
    EXPECT_EQ(skipped, 3);
    EXPECT_EQ(started.size(), 2u);
    EXPECT_EQ(gate->running(), 1);
    EXPECT_EQ(gate->waiting(), 0u);
}

TEST(NKLoadGateTest, AWidthBelowOneStillLetsOneLoadRun) {
    std::vector<std::shared_ptr<NKLoadGate::Pass>> passes;
    std::vector<int> started;
    auto gate = std::make_shared<NKLoadGate>(0);
    enterLoads(*gate, 2, passes, started);
    EXPECT_EQ(started.size(), 1u);
}

TEST(NKLoadGateTest, APassOutlivingItsGateLeavesNothing) {
    std::vector<std::shared_ptr<NKLoadGate::Pass>> passes;
    std::vector<int> started;
    auto gate = std::make_shared<NKLoadGate>(1);
    enterLoads(*gate, 2, passes, started);
    gate.reset();
    passes.front()->leave();
    EXPECT_EQ(started.size(), 1u);
}

}  // namespace
