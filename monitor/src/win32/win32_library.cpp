#include "win32_library.h"

namespace tarvex::win32 {

bool Win32Library::Load(const char *fileName) {
  if (module_ == nullptr) module_ = LoadLibraryA(fileName);
  return module_ != nullptr;
}

ExportAddress Win32Library::Lookup(const char *exportName) {
  if (module_ == nullptr) return nullptr;
  return reinterpret_cast<ExportAddress>(GetProcAddress(module_, exportName));
}

}  // namespace tarvex::win32
