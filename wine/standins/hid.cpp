// Stand-in hid.dll: the HID class functions the device library uses, served
// by the receiver process over the link pipe. Device handles are pipe client
// handles opened by the caller with CreateFileA.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <hidsdi.h>
// after hidsdi.h, which brings the usage types
#include <hidpi.h>
}

#include "hid_guid.h"
#include "link.h"
#include "pipe_handle.h"

namespace {

constexpr uint32_t kPreparsedMagic = 0x56524844;  // "DHRV"

struct Preparsed {
  uint32_t magic;
  USHORT inputLength;
  USHORT featureLength;
};

struct Attributes {
  USHORT vendorId = 0;
  USHORT productId = 0;
  USHORT inputLength = 0;
  USHORT featureLength = 0;
};

bool QueryAttributes(HANDLE handle, Attributes *attributes) {
  std::string name = standins::InterfaceNameOf(handle);
  if (name.empty() || !standins::StillConnected(handle)) return false;
  std::string reply;
  if (!vrlink::Transact("attr " + name, &reply)) return false;
  std::vector<std::string> words = vrlink::SplitWords(reply);
  if (words.size() != 5 || words[0] != "ok") return false;
  attributes->vendorId = static_cast<USHORT>(std::strtoul(words[1].c_str(), nullptr, 10));
  attributes->productId = static_cast<USHORT>(std::strtoul(words[2].c_str(), nullptr, 10));
  attributes->inputLength = static_cast<USHORT>(std::strtoul(words[3].c_str(), nullptr, 10));
  attributes->featureLength = static_cast<USHORT>(std::strtoul(words[4].c_str(), nullptr, 10));
  return true;
}

// "<client> <pipe>" for a feature request, or "" when the handle is unusable.
std::string FeatureTarget(HANDLE handle) {
  std::string name = standins::InterfaceNameOf(handle);
  if (name.empty() || !standins::StillConnected(handle)) return "";
  return std::to_string(GetCurrentProcessId()) + " " + name;
}

}  // namespace

extern "C" {

void __stdcall HidD_GetHidGuid(LPGUID guid) { *guid = standins::kHidClassGuid; }

BOOLEAN __stdcall HidD_GetAttributes(HANDLE handle, PHIDD_ATTRIBUTES out) {
  Attributes attributes;
  if (!out || !QueryAttributes(handle, &attributes)) return FALSE;
  out->Size = sizeof(HIDD_ATTRIBUTES);
  out->VendorID = attributes.vendorId;
  out->ProductID = attributes.productId;
  out->VersionNumber = 0x0100;
  return TRUE;
}

BOOLEAN __stdcall HidD_GetPreparsedData(HANDLE handle, PHIDP_PREPARSED_DATA *out) {
  Attributes attributes;
  if (!out || !QueryAttributes(handle, &attributes)) return FALSE;
  auto *data = static_cast<Preparsed *>(std::malloc(sizeof(Preparsed)));
  if (!data) return FALSE;
  *data = {kPreparsedMagic, attributes.inputLength, attributes.featureLength};
  *out = reinterpret_cast<PHIDP_PREPARSED_DATA>(data);
  return TRUE;
}

BOOLEAN __stdcall HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsed) {
  auto *data = reinterpret_cast<Preparsed *>(preparsed);
  if (!data || data->magic != kPreparsedMagic) return FALSE;
  data->magic = 0;
  std::free(data);
  return TRUE;
}

NTSTATUS __stdcall HidP_GetCaps(PHIDP_PREPARSED_DATA preparsed, PHIDP_CAPS caps) {
  auto *data = reinterpret_cast<Preparsed *>(preparsed);
  if (!data || !caps || data->magic != kPreparsedMagic) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  std::memset(caps, 0, sizeof *caps);
  caps->UsagePage = 0xFF00;
  caps->Usage = 1;
  caps->InputReportByteLength = data->inputLength;
  caps->FeatureReportByteLength = data->featureLength;
  return HIDP_STATUS_SUCCESS;
}

BOOLEAN __stdcall HidD_SetFeature(HANDLE handle, PVOID report, ULONG length) {
  std::string target = FeatureTarget(handle);
  if (target.empty() || !report || length == 0) return FALSE;
  std::string reply;
  std::string hex = vrlink::ToHex(static_cast<const uint8_t *>(report), length);
  return vrlink::Transact("setf " + target + " " + hex, &reply) && reply == "ok";
}

BOOLEAN __stdcall HidD_GetFeature(HANDLE handle, PVOID report, ULONG length) {
  std::string target = FeatureTarget(handle);
  if (target.empty() || !report || length == 0) return FALSE;
  // The request carries the caller's buffer, report ID first.
  std::string hex = vrlink::ToHex(static_cast<const uint8_t *>(report), length);
  std::string reply;
  if (!vrlink::Transact("getf " + target + " " + hex, &reply)) return FALSE;
  std::vector<std::string> words = vrlink::SplitWords(reply);
  std::vector<uint8_t> bytes;
  if (words.size() != 2 || words[0] != "ok" || !vrlink::FromHex(words[1], &bytes)) return FALSE;
  if (bytes.size() > length) bytes.resize(length);
  std::memcpy(report, bytes.data(), bytes.size());
  return TRUE;
}

BOOLEAN __stdcall HidD_GetInputReport(HANDLE, PVOID, ULONG) { return FALSE; }
BOOLEAN __stdcall HidD_SetOutputReport(HANDLE, PVOID, ULONG) { return FALSE; }
BOOLEAN __stdcall HidD_FlushQueue(HANDLE) { return TRUE; }
BOOLEAN __stdcall HidD_GetNumInputBuffers(HANDLE, PULONG count) {
  if (count) *count = 32;
  return TRUE;
}
BOOLEAN __stdcall HidD_SetNumInputBuffers(HANDLE, ULONG) { return TRUE; }
BOOLEAN __stdcall HidD_GetManufacturerString(HANDLE, PVOID, ULONG) { return FALSE; }
BOOLEAN __stdcall HidD_GetProductString(HANDLE, PVOID, ULONG) { return FALSE; }
BOOLEAN __stdcall HidD_GetSerialNumberString(HANDLE, PVOID, ULONG) { return FALSE; }

}  // extern "C"
