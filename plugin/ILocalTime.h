#pragma once

#include <ctime>

// Thread-safe conversion of t to local time; false when the system cannot convert it.
bool ILocalTime(std::time_t t, std::tm* out);
