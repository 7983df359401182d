// The Win32 runtime's own tests, with the runtime's toolkit made first.
#include <gtest/gtest.h>

#include "wizard/ui/ui.h"

int main(int argc, char** argv)
{
    ui::Application application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
