#pragma once

#include <QString>

// Creates a private temporary root holding HOME, XDG_CONFIG_HOME, XDG_DATA_HOME
// and XDG_RUNTIME_DIR for this process, and removes it again on destruction.
class TestEnvironment
{
public:
    // Set by a test that runs this binary again on its private X server
    // (XSession): the display the run shows its windows on.
    static constexpr char kPrivateDisplayVariable[] = "VANDREL_TEST_PRIVATE_DISPLAY";

    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    static QString root();
    static QString home();
    static QString configHome();
    static QString dataHome();
    static QString runtimeDir();
};
