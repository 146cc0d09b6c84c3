#pragma once

#include <QString>

// Creates a private temporary root holding HOME, XDG_CONFIG_HOME, XDG_DATA_HOME
// and XDG_RUNTIME_DIR for this process, and removes it again on destruction.
class TestEnvironment
{
public:
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
