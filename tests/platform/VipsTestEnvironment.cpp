// libvips started once for the whole platform_tests executable.

#include "VipsPictureLoader.h"

#include <gtest/gtest.h>

namespace {

class VipsEnvironment final : public testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(tessaline::startVips("platform_tests")); }
};

const testing::Environment* const vips = testing::AddGlobalTestEnvironment(new VipsEnvironment);

} // namespace
