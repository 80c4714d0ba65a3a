// Run-time binding of a library: load by file name, look an export up by name.
#pragma once

namespace tarvex {

// Generic function address; cast to the export's own type before calling.
using ExportAddress = void (*)();

class LibraryBinding {
 public:
  virtual ~LibraryBinding() = default;
  virtual bool IsLoaded() const = 0;
  // Loads the file (while not loaded); true when the library is loaded.
  virtual bool Load(const char *fileName) = 0;
  // Null when not loaded or when the export is missing.
  virtual ExportAddress Lookup(const char *exportName) = 0;
};

}  // namespace tarvex
