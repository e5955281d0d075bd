#include <gtest/gtest.h>

#include "engine/prepare_run.h"

namespace vorn {
namespace {

TEST(PrepareRun, Placeholder) {
    SUCCEED();
}

}  // namespace
}  // namespace vorn
