/* The root bus: one child PDO per HID interface of the current layout.
 * A layout change drops the children that left from the bus relations (Plug
 * and Play then surprise-removes them, as when a USB device is pulled out)
 * and reports the new ones (arrival). */
#include "vr_driver.h"

LONG vr_child_generation;

struct vr_child *vr_child_of_pdo(DEVICE_OBJECT *pdo) {
  int i;
  if (!pdo) return NULL;
  for (i = 0; i < VR_MAX_CHILDREN; i++) {
    if (vr.children[i].used && vr.children[i].pdo == pdo) return &vr.children[i];
  }
  return NULL;
}

static BOOLEAN same_interface(const struct tarvexvr_interface *a,
                              const struct tarvexvr_interface *b) {
  return vr_same_id(a->id, b->id) && a->vendor_id == b->vendor_id &&
         a->product_id == b->product_id && a->input_length == b->input_length &&
         a->feature_length == b->feature_length && a->input_report_id == b->input_report_id &&
         a->feature_report_id == b->feature_report_id && a->flags == b->flags &&
         RtlCompareMemory(&a->identity, &b->identity, sizeof(a->identity)) == sizeof(a->identity);
}

static void add_bytes(struct vr_child *child, const UCHAR *bytes, ULONG count) {
  ULONG i;
  for (i = 0; i < count && child->descriptor_length < VR_MAX_DESCRIPTOR; i++) {
    child->descriptor[child->descriptor_length++] = bytes[i];
  }
}

/* One vendor-defined report of (length - 1) bytes after its ID byte; `main`
 * is 0x81 for input, 0xB1 for feature. */
static void add_report(struct vr_child *child, UCHAR report_id, USHORT length, UCHAR usage,
                       UCHAR main) {
  const UCHAR count = (UCHAR)(length - 1);
  const UCHAR id[] = {0x85, report_id};
  const UCHAR fields[] = {0x09, usage, 0x15, 0x00,  0x26, 0xFF, 0x00,
                          0x75, 0x08,  0x95, count, main, 0x02};
  if (report_id) add_bytes(child, id, sizeof(id));
  add_bytes(child, fields, sizeof(fields));
}

/* A vendor-page application collection with the interface's reports. */
static void build_descriptor(struct vr_child *child) {
  const UCHAR head[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
  const UCHAR tail[] = {0xC0};
  const struct tarvexvr_interface *info = &child->info;
  child->descriptor_length = 0;
  add_bytes(child, head, sizeof(head));
  if (info->input_length > 1) add_report(child, info->input_report_id, info->input_length, 2, 0x81);
  if (info->feature_length > 1) {
    add_report(child, info->feature_report_id, info->feature_length, 3, 0xB1);
  }
  add_bytes(child, tail, sizeof(tail));
}

/* Makes the PDO of a new child in a free slot; call without the lock. */
static NTSTATUS create_child(const struct tarvexvr_interface *info) {
  WCHAR name_buffer[64];
  UNICODE_STRING name;
  DEVICE_OBJECT *pdo;
  NTSTATUS status;
  KIRQL irql;
  int i;

  LONG generation = InterlockedIncrement(&vr_child_generation);
  ULONG number = (ULONG)generation, length, digit;
  wcscpy(name_buffer, L"\\Device\\TarvexVReceiverChild");
  length = (ULONG)wcslen(name_buffer);
  for (digit = 100000; digit; digit /= 10)
    name_buffer[length++] = (WCHAR)(L'0' + number / digit % 10);
  name_buffer[length] = 0;
  RtlInitUnicodeString(&name, name_buffer);
  if ((status = IoCreateDevice(vr.driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &pdo))) {
    return status;
  }
  pdo->Flags &= ~DO_DEVICE_INITIALIZING;
  KeAcquireSpinLock(&vr.lock, &irql);
  for (i = 0; i < VR_MAX_CHILDREN && vr.children[i].used; i++) {
  }
  if (i < VR_MAX_CHILDREN) {
    struct vr_child *child = &vr.children[i];
    RtlZeroMemory(child, sizeof(*child));
    child->used = TRUE;
    child->listed = TRUE;
    child->pdo = pdo;
    child->generation = generation;
    child->info = *info;
    InitializeListHead(&child->reads);
    build_descriptor(child);
  }
  KeReleaseSpinLock(&vr.lock, irql);
  if (i == VR_MAX_CHILDREN) {
    IoDeleteDevice(pdo);
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  return STATUS_SUCCESS;
}

/* Plug and Play asks the bus for its children again. On a thread of its
 * own: the caller may be the thread that dispatches the IRPs this causes. */
static VOID NTAPI invalidate_thread(PVOID delay_ms) {
  LARGE_INTEGER delay;
  delay.QuadPart = -10000LL * (LONG_PTR)delay_ms;
  if (delay_ms) KeDelayExecutionThread(KernelMode, FALSE, &delay);
  KeWaitForSingleObject(&vr.relations_mutex, Executive, KernelMode, FALSE, NULL);
  if (vr.bus_pdo) IoInvalidateDeviceRelations(vr.bus_pdo, BusRelations);
  KeSetEvent(&vr.relations_mutex, IO_NO_INCREMENT, FALSE);
}

static void invalidate_relations(ULONG delay_ms) {
  HANDLE thread;
  if (!PsCreateSystemThread(&thread, 0, NULL, NULL, NULL, invalidate_thread,
                            (PVOID)(ULONG_PTR)delay_ms)) {
    ZwClose(thread);
  }
}

/* Finds the listed child with this id, or the unlisted one still waiting
 * for its REMOVE_DEVICE. */
static struct vr_child *find_child_locked(const char *id, BOOLEAN listed) {
  int i;
  for (i = 0; i < VR_MAX_CHILDREN; i++) {
    struct vr_child *child = &vr.children[i];
    if (child->used && child->listed == listed && vr_same_id(child->info.id, id)) return child;
  }
  return NULL;
}

struct vr_child *vr_listed_child_locked(const char *id) {
  return find_child_locked(id, TRUE);
}

static BOOLEAN in_layout(const struct tarvexvr_layout *layout, const struct vr_child *child) {
  unsigned int i;
  for (i = 0; i < layout->count; i++) {
    if (same_interface(&layout->interfaces[i], &child->info)) return TRUE;
  }
  return FALSE;
}

NTSTATUS vr_bus_set_layout(const struct tarvexvr_layout *layout) {
  unsigned int to_create[TARVEXVR_MAX_INTERFACES]; /* indexes into the layout */
  unsigned int creations = 0, i;
  NTSTATUS status = STATUS_SUCCESS;
  KIRQL irql;
  int c;

  KeAcquireSpinLock(&vr.lock, &irql);
  for (c = 0; c < VR_MAX_CHILDREN; c++) {
    struct vr_child *child = &vr.children[c];
    if (!child->used) continue;
    if (child->listed && !in_layout(layout, child)) child->listed = FALSE;
    if (!child->listed) child->return_pending = FALSE;
  }
  for (i = 0; i < layout->count; i++) {
    const struct tarvexvr_interface *info = &layout->interfaces[i];
    struct vr_child *waiting;
    if (find_child_locked(info->id, TRUE)) continue;
    /* Same device ID as a child not yet removed: made after its removal. */
    if ((waiting = find_child_locked(info->id, FALSE))) {
      waiting->return_pending = TRUE;
      waiting->return_info = *info;
      continue;
    }
    to_create[creations++] = i;
  }
  KeReleaseSpinLock(&vr.lock, irql);

  vr_fail_input_sends(STATUS_DEVICE_NOT_CONNECTED);
  for (i = 0; i < creations && !status; i++)
    status = create_child(&layout->interfaces[to_create[i]]);
  /* Without the bus yet, the children wait for its start, which asks. */
  if (vr.bus_pdo) invalidate_relations(0);
  return status;
}

static WCHAR *pool_copy(const WCHAR *text, ULONG chars) {
  WCHAR *copy = ExAllocatePool(PagedPool, chars * sizeof(WCHAR));
  if (copy) RtlCopyMemory(copy, text, chars * sizeof(WCHAR));
  return copy;
}

/* A multi-string of IDs being built; `length` counts the characters so far,
 * every ID's terminator included. */
struct id_list {
  WCHAR text[384];
  ULONG length;
};

static void add_text(struct id_list *list, const char *text, ULONG count) {
  ULONG i;
  for (i = 0; i < count && text[i] && list->length + 2 < ARRAYSIZE(list->text); i++) {
    list->text[list->length++] = (WCHAR)text[i];
  }
}

static void add_hex4(struct id_list *list, USHORT value) {
  static const char digits[] = "0123456789ABCDEF";
  char hex[4];
  int i;
  for (i = 0; i < 4; i++) hex[i] = digits[(value >> (12 - 4 * i)) & 0xF];
  add_text(list, hex, 4);
}

static void end_id(struct id_list *list) { list->text[list->length++] = 0; }

static void add_id(struct id_list *list, const char *text) {
  add_text(list, text, TARVEXVR_ID_CHARS);
  end_id(list);
}

/* The IDs of a USB device's HID interface, as a composite device's child
 * (USB\VID_v&PID_p&MI_nn) or a device of one interface (USB\VID_v&PID_p):
 * the hardware IDs with and without the release, the class IDs, and last
 * the generic child ID that picks the INF section. hidclass names its HID
 * device HID\<id>\<instance>, so programs find the same paths as before. */
static void build_ids(const struct vr_child *child, BUS_QUERY_ID_TYPE type, struct id_list *list) {
  const char *id = child->info.id;
  ULONG base = 0, full = 0;
  while (id[full]) full++;
  while (base < full && !(id[base] == '&' && id[base + 1] == 'M' && id[base + 2] == 'I')) base++;
  switch (type) {
    case BusQueryDeviceID:
      add_text(list, "USB\\", 4);
      add_text(list, id, full);
      end_id(list);
      break;
    case BusQueryHardwareIDs:
      add_text(list, "USB\\", 4);
      add_text(list, id, base);
      add_text(list, "&REV_", 5);
      add_hex4(list, child->info.identity.release);
      add_text(list, id + base, full - base);
      end_id(list);
      add_text(list, "USB\\", 4);
      add_text(list, id, full);
      end_id(list);
      break;
    case BusQueryCompatibleIDs:
      add_id(list, "USB\\Class_03&SubClass_00&Prot_00");
      add_id(list, "USB\\Class_03&SubClass_00");
      add_id(list, "USB\\Class_03");
      add_id(list, TARVEXVR_CHILD_COMPATIBLE_ID);
      break;
    case BusQueryInstanceID:
      add_id(list, child->info.identity.instance[0] ? child->info.identity.instance : "0000");
      return; /* one ID, not a list */
    default:
      return;
  }
  if (type != BusQueryDeviceID) end_id(list); /* a list ends with an empty ID */
}

static WCHAR *child_id(const struct vr_child *child, BUS_QUERY_ID_TYPE type) {
  struct id_list list;
  list.length = 0;
  build_ids(child, type, &list);
  return list.length ? pool_copy(list.text, list.length) : NULL;
}

static void remove_child(DEVICE_OBJECT *device, struct vr_child *child) {
  struct tarvexvr_interface again;
  BOOLEAN make_again;
  KIRQL irql;
  KeAcquireSpinLock(&vr.lock, &irql);
  make_again = child->return_pending && vr.bus_pdo;
  again = child->return_info;
  child->used = FALSE;
  child->pdo = NULL;
  KeReleaseSpinLock(&vr.lock, irql);
  IoDeleteDevice(device);
  if (make_again && !create_child(&again)) invalidate_relations(0);
}

NTSTATUS vr_child_pnp(DEVICE_OBJECT *device, IRP *irp, struct vr_child *child) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  NTSTATUS status = irp->IoStatus.Status;
  switch (stack->MinorFunction) {
    case IRP_MN_QUERY_ID: {
      WCHAR *id = child_id(child, stack->Parameters.QueryId.IdType);
      if (id) {
        irp->IoStatus.Information = (ULONG_PTR)id;
        status = STATUS_SUCCESS;
      }
      break;
    }
    case IRP_MN_QUERY_CAPABILITIES: {
      DEVICE_CAPABILITIES *caps = stack->Parameters.DeviceCapabilities.Capabilities;
      caps->Removable = 1;
      caps->SurpriseRemovalOK = 1;
      status = STATUS_SUCCESS;
      break;
    }
    case IRP_MN_START_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL:
      status = STATUS_SUCCESS;
      break;
    case IRP_MN_REMOVE_DEVICE:
      vr_complete(irp, STATUS_SUCCESS, 0);
      remove_child(device, child);
      return STATUS_SUCCESS;
    default:
      break;
  }
  irp->IoStatus.Status = status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS bus_relations(IRP *irp) {
  DEVICE_RELATIONS *relations =
      ExAllocatePool(PagedPool, offsetof(DEVICE_RELATIONS, Objects[VR_MAX_CHILDREN]));
  KIRQL irql;
  int i;
  if (!relations) return STATUS_NO_MEMORY;
  relations->Count = 0;
  KeAcquireSpinLock(&vr.lock, &irql);
  for (i = 0; i < VR_MAX_CHILDREN; i++) {
    struct vr_child *child = &vr.children[i];
    if (!child->used || !child->listed) continue;
    ObReferenceObject(child->pdo);
    relations->Objects[relations->Count++] = child->pdo;
  }
  KeReleaseSpinLock(&vr.lock, irql);
  irp->IoStatus.Information = (ULONG_PTR)relations;
  return STATUS_SUCCESS;
}

static NTSTATUS remove_bus(DEVICE_OBJECT *device, IRP *irp) {
  DEVICE_OBJECT *lower = vr.bus_lower;
  NTSTATUS status;
  KIRQL irql;
  int i;
  KeAcquireSpinLock(&vr.lock, &irql);
  vr.bus_fdo = NULL;
  vr.bus_pdo = NULL;
  KeReleaseSpinLock(&vr.lock, irql);
  for (i = 0; i < VR_MAX_CHILDREN; i++) {
    struct vr_child *child = &vr.children[i];
    if (!child->used) continue;
    child->used = FALSE;
    IoDeleteDevice(child->pdo);
  }
  irp->IoStatus.Status = STATUS_SUCCESS;
  IoSkipCurrentIrpStackLocation(irp);
  status = IoCallDriver(lower, irp);
  IoDetachDevice(lower);
  IoDeleteDevice(device);
  vr.bus_lower = NULL;
  return status;
}

NTSTATUS vr_bus_pnp(DEVICE_OBJECT *device, IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  NTSTATUS status;
  switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
      irp->IoStatus.Status = STATUS_SUCCESS;
      /* Wine asks for the children only when told to; let the start end first. */
      invalidate_relations(50);
      break;
    case IRP_MN_QUERY_DEVICE_RELATIONS:
      if (stack->Parameters.QueryDeviceRelations.Type != BusRelations) break;
      if ((status = bus_relations(irp))) {
        vr_complete(irp, status, 0);
        return status;
      }
      irp->IoStatus.Status = STATUS_SUCCESS;
      break;
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_STOP_DEVICE:
      irp->IoStatus.Status = STATUS_SUCCESS;
      break;
    case IRP_MN_REMOVE_DEVICE:
      return remove_bus(device, irp);
    default:
      break;
  }
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(vr.bus_lower, irp);
}

NTSTATUS vr_bus_add_device(DRIVER_OBJECT *driver, DEVICE_OBJECT *pdo) {
  DEVICE_OBJECT *fdo;
  NTSTATUS status;
  if (vr.bus_fdo) return STATUS_DEVICE_BUSY; /* one bus per machine */
  if ((status = IoCreateDevice(driver, 0, NULL, FILE_DEVICE_BUS_EXTENDER, 0, FALSE, &fdo))) {
    return status;
  }
  vr.bus_lower = IoAttachDeviceToDeviceStack(fdo, pdo);
  vr.bus_pdo = pdo;
  vr.bus_fdo = fdo;
  fdo->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}
