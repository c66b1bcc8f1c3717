#pragma once

#include <ctime>

// Trace hook called by framework operations with their qualified name and a format with
// arguments. It does nothing and has no side effects.
void ITrace(const char* qualifiedName, const char* format, ...);

// Builds the trace timestamp for time t: local time as "%Y%m%d %H:%M " followed by the
// capital letters of the local time-zone name. Always terminates out when size > 0.
void IBuildTraceTimestamp(std::time_t t, char* out, int size);
