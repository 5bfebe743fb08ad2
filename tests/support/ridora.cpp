#include "support/ridora.h"

#include "support/recorder.h"

const char kRidoraClassKey[] = "SOFTWARE\\Classes\\CLSID\\{5C3E8A10-6F2B-4D97-B1A4-2E90C7D5F368}";

RegisteredRidora::RegisteredRidora() : classKey_(HKEY_LOCAL_MACHINE, kRidoraClassKey) {
  const std::string server = std::string(kRidoraClassKey) + "\\InprocServer32";
  const std::string path = BuiltProgramPath("ridora_server.dll");
  registered_ = CreateRegistryKey(HKEY_LOCAL_MACHINE, server) &&
                WriteRegistryValue(HKEY_LOCAL_MACHINE, server, "", REG_SZ, path + '\0') &&
                WriteRegistryValue(HKEY_LOCAL_MACHINE, server, "ThreadingModel", REG_SZ,
                                   std::string("Both") + '\0');
}
