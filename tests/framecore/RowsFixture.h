#pragma once

#include "TestRows.h"

#include <gtest/gtest.h>

#include <QString>

// A widget-free test's world: a fresh settings file with the live settings at
// their defaults, an empty data folder, and the rows of a list.
class RowsFixture : public testing::Test
{
protected:
    RowsFixture();

    static QString DataFolder();

    TestRows rows;
};
