#include "win32_library.h"

namespace tarvex::win32 {

bool Win32Library::Load(const char *fileName) {
  if (libraryModule == nullptr) libraryModule = LoadLibraryA(fileName);
  return libraryModule != nullptr;
}

ExportAddress Win32Library::Lookup(const char *exportName) {
  if (libraryModule == nullptr) return nullptr;
  return reinterpret_cast<ExportAddress>(GetProcAddress(libraryModule, exportName));
}

}  // namespace tarvex::win32
