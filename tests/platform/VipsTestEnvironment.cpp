// libvips started once for the whole test executable that links this file.

#include "VipsPictureLoader.h"

#include <gtest/gtest.h>

namespace {

class VipsEnvironment final : public testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(tessaline::startVips("tessaline-tests")); }
};

const testing::Environment* const vips = testing::AddGlobalTestEnvironment(new VipsEnvironment);

} // namespace
