// The library binding over LoadLibraryA/GetProcAddress. The module, once
// loaded, is kept until the process ends.
#pragma once

#include <windows.h>

#include "library_binding.h"

namespace tarvex::win32 {

class Win32LibraryBinding : public LibraryBinding {
 public:
  bool IsLoaded() const override { return libraryModule != nullptr; }
  bool Load(const char *fileName) override;
  ExportAddress Lookup(const char *exportName) override;

 private:
  HMODULE libraryModule = nullptr;  // never released
};

}  // namespace tarvex::win32
