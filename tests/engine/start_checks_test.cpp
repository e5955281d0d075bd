#include <gtest/gtest.h>

#include "engine/start_checks.h"

namespace vorn {
namespace {

TEST(StartChecks, RefusalsInStartOrder) {
    StartState state;
    state.validation_loaded = true;
    auto refusal = check_start(state);
    ASSERT_TRUE(refusal);  // training comes first, validation loaded or not
    EXPECT_EQ(refusal->message, "You must load data set for training before GP run.");
    EXPECT_EQ(refusal->page, Page::problem_setting);

    state.training_loaded = true;
    state.validation_loaded = false;
    EXPECT_FALSE(check_start(state));  // training data serves for validation

    state.use_training_data = false;
    refusal = check_start(state);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->message, "You must load data set for validation before GP run.");

    state.validation_loaded = true;
    state.reproduction_label = "-0.1000";
    state.constant_label = "-0.2000";
    refusal = check_start(state);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->message, "The sum of operation rate must be 1.0");
    EXPECT_EQ(refusal->page, Page::population);
    EXPECT_EQ(refusal->reset, StartReset::operation_rates);

    state.reproduction_label = "0.1000";
    refusal = check_start(state);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->message, "The sum of initial node ratio must be 1.0");
    EXPECT_EQ(refusal->reset, StartReset::node_ratios);

    // A remainder that displays as zero passes, with or without a sign.
    state.constant_label = "-0.0000";
    EXPECT_FALSE(check_start(state));
}

TEST(StartChecks, RemainderLabels) {
    EXPECT_EQ(remainder_label("0.70", "0.20", "0.00"), "0.1000");
    EXPECT_EQ(remainder_label("0.65", "0.20", "0.00"), "0.1500");
    EXPECT_EQ(remainder_label("0.70", "0.20", "0.20"), "-0.1000");
    EXPECT_EQ(remainder_label("0.666", "0.20", "0.00"), "0.1300");
    EXPECT_EQ(remainder_label("1.5", "-0.5", "0.00"), "0.0000");
    EXPECT_EQ(remainder_label("0.50", "0.20"), "0.3000");
    EXPECT_EQ(remainder_label(" 0.5 ", "0.2"), "0.3000");
    EXPECT_FALSE(remainder_label("", "0.20"));
    EXPECT_FALSE(remainder_label("0.", "0.2", "0,1"));
    EXPECT_FALSE(remainder_label("0.7", "nan"));
}

}  // namespace
}  // namespace vorn
