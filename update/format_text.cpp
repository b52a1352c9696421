#include "format_text.h"

#include <cstdarg>
#include <cstddef>

namespace {

// Writes into a buffer and remembers whether anything was cut off.
struct Writer {
  std::span<char> out;
  std::size_t length = 0;
  bool fits = true;

  void Put(char c) {
    if (length + 1 < out.size()) {
      out[length++] = c;
    } else {
      fits = false;
    }
  }
  void PutText(const char* text) {
    for (; *text != '\0' && fits; ++text) {
      Put(*text);
    }
  }
  void PutDecimal(int value) {
    // Digits are gathered from the unsigned magnitude so INT_MIN needs no
    // special case.
    unsigned magnitude = static_cast<unsigned>(value);
    if (value < 0) {
      Put('-');
      magnitude = 0U - magnitude;
    }
    char digits[10];
    std::size_t count = 0;
    do {
      digits[count++] = static_cast<char>('0' + magnitude % 10U);
      magnitude /= 10U;
    } while (magnitude != 0U);
    while (count > 0) {
      Put(digits[--count]);
    }
  }
};

}  // namespace

bool FormatText(std::span<char> out, const char* format, ...) {
  Writer writer{out};
  va_list args;
  va_start(args, format);
  const char* p = format;
  while (*p != '\0' && writer.fits) {
    const char c = *p++;
    if (c != '%') {
      writer.Put(c);
      continue;
    }
    const char directive = *p;
    if (directive != '\0') {
      ++p;
    }
    switch (directive) {
      case 'c':
        writer.Put(static_cast<char>(va_arg(args, int)));
        break;
      case 'd':
        writer.PutDecimal(va_arg(args, int));
        break;
      case 's':
        writer.PutText(va_arg(args, const char*));
        break;
      case '%':
        writer.Put('%');
        break;
      default:
        // A directive the formatter does not know: stop rather than guess
        // what the arguments are.
        writer.fits = false;
        break;
    }
  }
  va_end(args);
  out[writer.length] = '\0';
  return writer.fits;
}
