// A stand-in for the maker's AutoPlay COM server: an in-process server of one class whose
// interface has six methods after IUnknown. A call of the sixth (slot 8) writes
// "RIDORA|slot 8|<argument>" to the record file; the others write their slot.
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "record_line.h"

namespace {

const CLSID kClass = {0x5C3E8A10, 0x6F2B, 0x4D97, {0xB1, 0xA4, 0x2E, 0x90, 0xC7, 0xD5, 0xF3, 0x68}};
const IID kInterface = {
    0x5C3E8A11, 0x6F2B, 0x4D97, {0xB1, 0xA4, 0x2E, 0x90, 0xC7, 0xD5, 0xF3, 0x68}};

LONG objects;

void RecordSlot(int slot, LONG argument) {
  char line[64];
  snprintf(line, sizeof(line), "RIDORA|slot %d|%ld", slot, static_cast<long>(argument));
  AppendRecordLine(line);
}

struct AutoPlayServer : IUnknown {
  LONG references = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
    if (iid != IID_IUnknown && iid != kInterface) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references);
    if (left == 0) {
      delete this;
      InterlockedDecrement(&objects);
    }
    return left;
  }
  virtual HRESULT STDMETHODCALLTYPE Slot3(LONG a) { return RecordSlot(3, a), S_OK; }
  virtual HRESULT STDMETHODCALLTYPE Slot4(LONG a) { return RecordSlot(4, a), S_OK; }
  virtual HRESULT STDMETHODCALLTYPE Slot5(LONG a) { return RecordSlot(5, a), S_OK; }
  virtual HRESULT STDMETHODCALLTYPE Slot6(LONG a) { return RecordSlot(6, a), S_OK; }
  virtual HRESULT STDMETHODCALLTYPE Slot7(LONG a) { return RecordSlot(7, a), S_OK; }
  virtual HRESULT STDMETHODCALLTYPE Slot8(LONG a) { return RecordSlot(8, a), S_OK; }
  virtual ~AutoPlayServer() = default;
};

struct Factory : IClassFactory {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override {
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto *server = new AutoPlayServer;
    InterlockedIncrement(&objects);
    const HRESULT result = server->QueryInterface(iid, out);
    server->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID *out) {
  if (clsid != kClass) {
    *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return objects == 0 ? S_OK : S_FALSE; }
