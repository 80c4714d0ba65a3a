/* tarvexvr.sys: the virtual receiver as a device of Wine's own HID stack.
 * Entry point and the routing of every IRP to its part: the channel, the root bus and its children,
 * or hidclass (which owns the HID devices it makes on top of the children). */
#include "vr_driver.h"

struct vr_state vr;

static PDRIVER_DISPATCH hidclass_major[IRP_MJ_MAXIMUM_FUNCTION + 1];
static PDRIVER_ADD_DEVICE hidclass_add_device;

void vr_complete(IRP *irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
}

void vr_copy_id(char *to, const char *from) {
  ULONG i;
  for (i = 0; i + 1 < TARVEXVR_ID_CHARS && from[i]; i++) to[i] = from[i];
  to[i] = 0;
}

BOOLEAN vr_same_id(const char *a, const char *b) {
  ULONG i;
  for (i = 0; i < TARVEXVR_ID_CHARS; i++) {
    if (a[i] != b[i]) return FALSE;
    if (!a[i]) return TRUE;
  }
  return TRUE;
}

static BOOLEAN has_hardware_id(DEVICE_OBJECT *pdo, const WCHAR *wanted) {
  WCHAR ids[512];
  ULONG length = 0;
  const WCHAR *id;
  RtlZeroMemory(ids, sizeof(ids));
  if (IoGetDeviceProperty(pdo, DevicePropertyHardwareID, sizeof(ids) - 2 * sizeof(WCHAR), ids,
                          &length)) {
    return FALSE;
  }
  for (id = ids; *id; id += wcslen(id) + 1) {
    if (!wcscmp(id, wanted)) return TRUE;
  }
  return FALSE;
}

/* The root device gets the bus; the bus's children go to hidclass, which
 * calls vr_hid_add_device for its own device on top. */
static NTSTATUS WINAPI add_device(DRIVER_OBJECT *driver, DEVICE_OBJECT *pdo) {
  if (has_hardware_id(pdo, TARVEXVR_BUS_HARDWARE_ID)) return vr_bus_add_device(driver, pdo);
  return hidclass_add_device(driver, pdo);
}

static NTSTATUS pass_to_hidclass(DEVICE_OBJECT *device, IRP *irp, UCHAR major) {
  if (!hidclass_major[major]) {
    vr_complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    return STATUS_INVALID_DEVICE_REQUEST;
  }
  if (major == IRP_MJ_CREATE) return vr_track_open(device, irp, hidclass_major[major]);
  if (major == IRP_MJ_CLOSE) return vr_track_close(device, irp, hidclass_major[major]);
  if (major == IRP_MJ_DEVICE_CONTROL && vr_fails_attributes(device, irp)) {
    vr_complete(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
    return STATUS_DEVICE_NOT_CONNECTED;
  }
  if (major == IRP_MJ_DEVICE_CONTROL) return vr_class_ioctl(device, irp, hidclass_major[major]);
  return hidclass_major[major](device, irp);
}

/* A child PDO answers power and other IRPs itself: nothing lies below it. */
static NTSTATUS child_dispatch(DEVICE_OBJECT *device, IRP *irp, struct vr_child *child) {
  UCHAR major = IoGetCurrentIrpStackLocation(irp)->MajorFunction;
  NTSTATUS status = irp->IoStatus.Status;
  if (major == IRP_MJ_PNP) return vr_child_pnp(device, irp, child);
  if (major == IRP_MJ_POWER) {
    PoStartNextPowerIrp(irp);
    status = STATUS_SUCCESS;
  }
  irp->IoStatus.Status = status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS bus_dispatch(DEVICE_OBJECT *device, IRP *irp) {
  UCHAR major = IoGetCurrentIrpStackLocation(irp)->MajorFunction;
  if (major == IRP_MJ_PNP) return vr_bus_pnp(device, irp);
  IoSkipCurrentIrpStackLocation(irp);
  if (major == IRP_MJ_POWER) {
    PoStartNextPowerIrp(irp);
    return PoCallDriver(vr.bus_lower, irp);
  }
  return IoCallDriver(vr.bus_lower, irp);
}

static NTSTATUS WINAPI dispatch(DEVICE_OBJECT *device, IRP *irp) {
  UCHAR major = IoGetCurrentIrpStackLocation(irp)->MajorFunction;
  struct vr_child *child;
  if (device == vr.channel) return vr_channel_dispatch(device, irp);
  if (vr.bus_fdo && device == vr.bus_fdo) return bus_dispatch(device, irp);
  if ((child = vr_child_of_pdo(device))) return child_dispatch(device, irp, child);
  return pass_to_hidclass(device, irp, major);
}

static void WINAPI unload(DRIVER_OBJECT *driver) {
  UNICODE_STRING link;
  (void)driver;
  RtlInitUnicodeString(&link, TARVEXVR_CHANNEL_LINK);
  IoDeleteSymbolicLink(&link);
  if (vr.channel) IoDeleteDevice(vr.channel);
  vr.channel = NULL;
}

static NTSTATUS create_channel(DRIVER_OBJECT *driver) {
  UNICODE_STRING name, link;
  NTSTATUS status;
  RtlInitUnicodeString(&name, TARVEXVR_CHANNEL_NAME);
  RtlInitUnicodeString(&link, TARVEXVR_CHANNEL_LINK);
  status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &vr.channel);
  if (status) {
    vr.channel = NULL;
    return status;
  }
  IoCreateSymbolicLink(&link, &name);
  vr.channel->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

NTSTATUS WINAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registry) {
  HID_MINIDRIVER_REGISTRATION registration;
  NTSTATUS status;
  int i;

  KeInitializeSpinLock(&vr.lock);
  KeInitializeEvent(&vr.relations_mutex, SynchronizationEvent, TRUE);
  InitializeListHead(&vr.event_waiters);
  InitializeListHead(&vr.input_sends);
  vr.driver = driver;

  driver->DriverExtension->AddDevice = vr_hid_add_device;
  driver->DriverUnload = unload;
  driver->MajorFunction[IRP_MJ_PNP] = vr_hid_pnp;
  driver->MajorFunction[IRP_MJ_POWER] = vr_hid_power;
  driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = vr_hid_internal_ioctl;

  RtlZeroMemory(&registration, sizeof(registration));
  registration.Revision = HID_REVISION;
  registration.DriverObject = driver;
  registration.RegistryPath = registry;
  registration.DeviceExtensionSize = sizeof(struct vr_child *);
  registration.DevicesArePolled = FALSE;
  if ((status = HidRegisterMinidriver(&registration))) return status;

  /* hidclass now owns the dispatch table and AddDevice: route through our
   * own first, so the bus, its children and the channel are ours. */
  for (i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; i++) {
    hidclass_major[i] = driver->MajorFunction[i];
    driver->MajorFunction[i] = dispatch;
  }
  hidclass_add_device = driver->DriverExtension->AddDevice;
  driver->DriverExtension->AddDevice = add_device;
  return create_channel(driver);
}
