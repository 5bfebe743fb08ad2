// The test AutoPlay server (ridora_server.dll, built beside the tests) registered in the
// prefix as the maker's COM class for the length of a scope. It writes
// "RIDORA|slot 8|<argument>" to the record file of a ProgramRecord.
#pragma once

#include "support/registry.h"

extern const char kRidoraClassKey[];

class RegisteredRidora {
 public:
  RegisteredRidora();
  bool Registered() const { return registered_; }

 private:
  RegistrySnapshot classKey_;
  bool registered_ = false;
};
