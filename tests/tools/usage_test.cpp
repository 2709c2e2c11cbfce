// Every tool answers --help with its usage on standard output and success, and a wrong command
// line with the same usage on standard error and failure.
#include "toolstest.h"

#include <gtest/gtest.h>

namespace {

TEST(ToolUsage, HelpOnStandardOutputWrongUsageOnStandardError)
{
    for (const char *program :
         {LEVELC_PROGRAM, MAPINSPECT_PROGRAM, MAPRENDER_PROGRAM, MAPEXPORT_PROGRAM}) {
        SCOPED_TRACE(program);
        const toolstest::run_result help = toolstest::run_program(std::string(program) + " --help");
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.standard_output.rfind("usage: ", 0), 0u) << help.standard_output;
        EXPECT_EQ(help.standard_error, "");
        const toolstest::run_result wrong = toolstest::run_program(program);
        EXPECT_NE(wrong.status, 0);
        EXPECT_EQ(wrong.standard_output, "");
        EXPECT_EQ(wrong.standard_error, help.standard_output);
    }
}

} // namespace
