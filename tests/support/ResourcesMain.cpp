// The main function of the test programs above the window system: the embedded bitmaps and cursors are
// registered first, as the program registers them before a library starts up.
#include <gtest/gtest.h>

namespace resources {
// Generated at build time from resources/bitmaps and resources/cursors.
void RegisterResources();
} // namespace resources

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    resources::RegisterResources();
    return RUN_ALL_TESTS();
}
