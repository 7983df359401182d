// The window tests' program. Run with "--child <scenario> --messages <file> ..." it is the child
// that a test starts for what ends a program; otherwise it runs the tests, with the runtime's
// toolkit made first (not for listing them, where no display may be at hand).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "process_support.h"
#include "wizard/ui/ui.h"

int main(int argc, char** argv)
{
    if (argc >= 5 && std::string(argv[1]) == "--child" && std::string(argv[3]) == "--messages") {
        window_test::RecordMessageBoxesTo(argv[4]);
        return window_test::RunChildScenario(argv[2], std::vector<std::string>(argv + 5, argv + argc));
    }
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    ui::Application application(argc, argv);
    return RUN_ALL_TESTS();
}
