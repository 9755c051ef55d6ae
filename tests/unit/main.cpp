// Test runner: the program's own texts and resources are linked into this executable.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <cstdio>
#include <cstdlib>

#include "base/state.h"
#include "base/texts.h"
#include "support.h"

namespace {

// Counts the test cases a run's filters let through. A run that names a suite which is gone
// would otherwise pass without testing anything.
int casesRun = -1;

struct CaseCounter : doctest::IReporter {
    explicit CaseCounter(const doctest::ContextOptions&) {}
    void report_query(const doctest::QueryData&) override {}
    void test_run_start() override {}
    void test_run_end(const doctest::TestRunStats& stats) override
    {
        casesRun = static_cast<int>(stats.numTestCasesPassingFilters);
    }
    void test_case_start(const doctest::TestCaseData&) override {}
    void test_case_reenter(const doctest::TestCaseData&) override {}
    void test_case_end(const doctest::CurrentTestCaseStats&) override {}
    void test_case_exception(const doctest::TestCaseException&) override {}
    void subcase_start(const doctest::SubcaseSignature&) override {}
    void subcase_end() override {}
    void log_assert(const doctest::AssertData&) override {}
    void log_message(const doctest::MessageData&) override {}
    void test_case_skipped(const doctest::TestCaseData&) override {}
};
REGISTER_LISTENER("case_counter", 1, CaseCounter);

}  // namespace

int main(int argc, char** argv)
{
    Setup.Process.Instance = GetModuleHandleA(nullptr);
    LoadTexts();
    // A run that a test kills, in a process of its own (see InstallKilled).
    if (const char* at = std::getenv("MARVOLEN_KILL_AT")) return RunUntilKilled(at);
    doctest::Context context(argc, argv);
    const int result = context.run();
    if (casesRun == 0) {   // -1: a listing or a count, which runs nothing by design
        std::fprintf(stderr, "no test case matches the filters\n");
        return 1;
    }
    return result;
}
