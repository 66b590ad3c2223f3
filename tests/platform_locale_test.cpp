#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <regex>
#include <string>

#include "platform/Locale.h"

namespace {

// Sets LC_ALL for the lifetime of the object and puts the old value back.
class TLcAll {
public:
    explicit TLcAll(const char* Value)
    {
        if (const char* Old = std::getenv("LC_ALL")) {
            Old_ = Old;
        }
        setenv("LC_ALL", Value, 1);
    }
    ~TLcAll()
    {
        if (Old_) {
            setenv("LC_ALL", Old_->c_str(), 1);
        } else {
            unsetenv("LC_ALL");
        }
    }
    TLcAll(const TLcAll&) = delete;
    TLcAll& operator=(const TLcAll&) = delete;

private:
    std::optional<std::string> Old_;
};

}  // namespace

TEST(PlatformLocale, CLocaleUsesAPeriod)
{
    TLcAll Env("C");
    EXPECT_EQ(LocaleDecimalSeparator(), '.');
}

TEST(PlatformLocale, UnknownLocaleFallsBackToAPeriod)
{
    TLcAll Env("xx_NOWHERE.UTF-8");
    EXPECT_EQ(LocaleDecimalSeparator(), '.');
    EXPECT_FALSE(LocalDateTimeText().empty());
}

TEST(PlatformLocale, DateAndTimeInTheCLocale)
{
    TLcAll Env("C");
    // The C locale's short date and long time: month/day/year and hours:minutes:seconds.
    const std::string Text = LocalDateTimeText();
    EXPECT_TRUE(std::regex_match(Text, std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d)"))) << Text;
}
