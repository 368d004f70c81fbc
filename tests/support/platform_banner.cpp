// Every test program names the platform it runs on first, so that a failure's
// output says which Wine (or Windows) it happened under.
#include "common/system_procedure.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct platform_banner : testing::Environment {
    void SetUp() override {
        const auto wine_version =
            orvane::system_procedure<const char*(__cdecl*)()>(L"ntdll.dll", "wine_get_version");
        std::printf("platform: %s%s\n", wine_version ? "Wine " : "Windows",
                    wine_version ? wine_version() : "");
    }
};

[[maybe_unused]] testing::Environment* const registered =
    testing::AddGlobalTestEnvironment(new platform_banner);

} // namespace
