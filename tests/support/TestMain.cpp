// Every test process runs in a private, throw-away environment: its own HOME and
// XDG folders (mode 0700) and the offscreen platform, so no test can touch the
// real user's files, desktop or session.
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#ifdef QT_WIDGETS_LIB // as QTEST_MAIN decides
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#define VANDREL_SUPP(name) "suppressions=" VANDREL_SOURCE_DIR "/tests/" name
extern "C" const char* __asan_default_options() { return "detect_leaks=1:" VANDREL_SUPP("asan.supp"); }
extern "C" const char* __lsan_default_options() { return VANDREL_SUPP("lsan.supp") ":print_suppressions=0"; }
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
extern "C" const char* __tsan_default_options()
{
    return "halt_on_error=1:second_deadlock_stack=1:" VANDREL_SUPP("tsan.supp");
}

int main(int argc, char** argv)
{
    TestEnvironment environment;
    testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
