// acutPrintf: module text onto the host's command line, formatted as the platform's wide
// printf formats it.
#include <cstdarg>

#include "acutads.h"
#include "arx/command_line.h"
#include "win/wide_format.h"

int acutPrintf(const ACHAR* format, ...) {
    if (format == nullptr) return RTNORM;
    va_list args;
    va_start(args, format);
    const std::wstring text = cadhost::vformatWide(format, args);
    va_end(args);
    cadhost::CommandLine::write(text);
    return RTNORM;
}
