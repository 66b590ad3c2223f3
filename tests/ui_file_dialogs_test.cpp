#include <gtest/gtest.h>

#include "ui/FileDialogs.h"

namespace {

TEST(UiFileDialogs, FilterPairsBecomeNameFiltersThatMatchOnThisSystem)
{
    EXPECT_EQ(NameFiltersOf(TextFileFilter), (std::vector<std::string>{"Text files (*.txt)", "All files (*)"}));
    EXPECT_EQ(NameFiltersOf("Models (*.txt;*.mdl)|*.txt; *.mdl|Unfinished"), (std::vector<std::string>{"Models (*.txt *.mdl)"}));
    EXPECT_TRUE(NameFiltersOf("").empty());
}

}  // namespace
