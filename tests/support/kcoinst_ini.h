// kcoinst.ini in the system directory for the length of a scope: any file there before is
// set aside and put back afterwards. Wine's cache of INI files is flushed both times.
#pragma once

#include <string>
#include <vector>

#include "support/wine_files.h"

class KcoinstIni : public SetAside {
 public:
  // The file's text as written ("\r\n" line ends are the test's choice).
  explicit KcoinstIni(const std::string &text);
  ~KcoinstIni();
  static std::string Path();
};

// "[name]\r\n" and the lines, each ended with "\r\n".
std::string IniSectionText(const std::string &name, const std::vector<std::string> &lines);
