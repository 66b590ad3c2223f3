#include "platform/Locale.h"

#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>
#include <stdexcept>

namespace {

std::locale UserLocale()
{
    try {
        return std::locale("");
    } catch (const std::runtime_error&) {
        return std::locale::classic();
    }
}

}  // namespace

char LocaleDecimalSeparator()
{
    const char Sep = std::use_facet<std::numpunct<char>>(UserLocale()).decimal_point();
    return Sep == '\0' ? '.' : Sep;
}

std::string LocalDateTimeText()
{
    const std::time_t Now = std::time(nullptr);
    std::tm Local{};
    localtime_r(&Now, &Local);
    std::ostringstream Out;
    Out.imbue(UserLocale());
    Out << std::put_time(&Local, "%x %X");
    return Out.str();
}
