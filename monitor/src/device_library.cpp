#include "device_library.h"

namespace tarvex {

CallResult DeviceLibrary::Xinit() { return Call<MQD7RA_XINIT_FN>("Xinit"); }

CallResult DeviceLibrary::XOpen(void *window) { return Call<MQD7RA_XOPEN_FN>("XOpen", window); }

CallResult DeviceLibrary::XClose() { return Call<MQD7RA_XCLOSE_FN>("XClose"); }

CallResult DeviceLibrary::XGetInput(uint32_t *values, uint8_t *status) {
  return Call<MQD7RA_XGETINPUT_FN>("XGetInput", values, status);
}

CallResult DeviceLibrary::XSendOutput(const uint8_t *payload, uint8_t *length) {
  return Call<MQD7RA_XSENDOUTPUT_FN>("XSendOutput", payload, length);
}

CallResult DeviceLibrary::XWritDev(const uint8_t *bytes, const uint8_t *count) {
  return Call<MQD7RA_XWRITDEV_FN>("XWritDev", bytes, count);
}

CallResult DeviceLibrary::GetDeviceData(uint8_t *buffer, uint8_t kind) {
  return Call<MQD7RA_GETDEVICEDATA_FN>("GetDeviceData", buffer, kind);
}

}  // namespace tarvex
