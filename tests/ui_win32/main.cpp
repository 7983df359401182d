// The Win32 runtime's test program. Run with "--child <scenario> --messages <file> ..." it is
// the child that a test starts to run what ends a program (there is no fork on Windows).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui_test_support.h"

int main(int argc, char** argv)
{
    if (argc >= 5 && std::string(argv[1]) == "--child" && std::string(argv[3]) == "--messages") {
        uitest::RecordMessageBoxesTo(argv[4]);
        return uitest::RunChildScenario(argv[2], std::vector<std::string>(argv + 5, argv + argc));
    }
    ui::Application application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
