// Lines of an INI section as GetPrivateProfileSectionA delivers them, and the action
// lines they hold. Win32-free: built natively too, for the sanitizers and the fuzzers.
#pragma once

#include <cstddef>
#include <cstdint>

// The next line of a section buffer of `count` characters, starting at *offset: a string
// whose terminating NUL lies before `count`. On success *line and *length describe it and
// *offset moves past its NUL; false when no whole line is left (a line cut by a short
// buffer is not one).
bool NextSectionLine(const char *buffer, size_t count, size_t *offset, const char **line,
                     size_t *length);

// One line taken apart: "code,argument", or a bare path when there is no comma.
struct ActionLine {
  bool HasComma;
  int32_t Code;          // the start of the line read as msvcrt's atoi reads it
  const char *Argument;  // everything after the first comma, untrimmed; none without one
};

ActionLine DecodeActionLine(const char *line);

// The C runtime's atoi in the C locale: blanks, a sign, digits; the value wraps at 32 bits
// as msvcrt's does.
int32_t ReadActionCode(const char *text);

// strncmp(argument, keyword, strlen(keyword)) == 0: the keyword as a case-sensitive prefix.
bool MatchesKeyword(const char *argument, const char *keyword);
