#include "win32_library_binding.h"

namespace tarvex::win32 {

bool Win32LibraryBinding::Load(const char *fileName) {
  if (libraryModule == nullptr) libraryModule = LoadLibraryA(fileName);
  return libraryModule != nullptr;
}

ExportAddress Win32LibraryBinding::Lookup(const char *exportName) {
  if (libraryModule == nullptr) return nullptr;
  return reinterpret_cast<ExportAddress>(GetProcAddress(libraryModule, exportName));
}

}  // namespace tarvex::win32
