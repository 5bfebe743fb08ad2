#include "support/kcoinst_ini.h"

#include <windows.h>

namespace {

void FlushProfileCache() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, KcoinstIni::Path().c_str());
}

}  // namespace

std::string KcoinstIni::Path() { return SystemFile("kcoinst.ini"); }

KcoinstIni::KcoinstIni(const std::string &text) : SetAside(Path()) {
  FlushProfileCache();
  WriteBytes(Path(), text);
}

KcoinstIni::~KcoinstIni() { FlushProfileCache(); }

std::string IniSectionText(const std::string &name, const std::vector<std::string> &lines) {
  std::string text = "[" + name + "]\r\n";
  for (const std::string &line : lines) text += line + "\r\n";
  return text;
}
