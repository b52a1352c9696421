// A bounded printf for the few templates the program forms: %c, %d, %s, %%.
// The program's own formatter keeps the C runtime's large printf out of the
// image and never writes past the buffer or leaves it unterminated.
#pragma once

#include <span>

// Formats into out and always terminates it (out must not be empty).
// Returns false, with the text cut short, when it did not fit.
bool FormatText(std::span<char> out, const char* format, ...) __attribute__((format(printf, 2, 3)));
