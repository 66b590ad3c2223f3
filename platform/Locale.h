#pragma once
#include <string>

// The user's locale, as the environment gives it (LC_ALL, LC_NUMERIC / LC_TIME, LANG). The core's
// text builders never read the locale themselves: the front ends pass these texts in.

// The decimal separator of numbers; '.' for the C locale, English locales and any locale the
// system does not know.
char LocaleDecimalSeparator();

// The current local date in the locale's short form, one blank, and the local time in its long
// form (for example "12/07/26 22:48:22").
std::string LocalDateTimeText();
