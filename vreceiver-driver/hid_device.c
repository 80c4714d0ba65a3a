/* The HID minidriver side: what hidclass.sys asks of each child (its
 * descriptors and attributes, input reads, feature reports). Feature
 * reports are answered here at once from the state the receiver process
 * set: hidclass waits for them on the thread that also dispatches the
 * control device's requests, so the receiver process cannot be asked. */
#include "vr_driver.h"

static struct vr_child *child_of(DEVICE_OBJECT *fdo) {
  HID_DEVICE_EXTENSION *ext = fdo->DeviceExtension;
  return *(struct vr_child **)ext->MiniDeviceExtension;
}

NTSTATUS vr_hid_add_device(DRIVER_OBJECT *driver, DEVICE_OBJECT *fdo) {
  HID_DEVICE_EXTENSION *ext = fdo->DeviceExtension;
  struct vr_child *child = vr_child_of_pdo(ext->PhysicalDeviceObject);
  (void)driver;
  if (!child) return STATUS_NO_SUCH_DEVICE;
  *(struct vr_child **)ext->MiniDeviceExtension = child;
  fdo->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

void vr_fail_reads(struct vr_child *child) {
  LIST_ENTRY failed;
  KIRQL irql;
  InitializeListHead(&failed);
  KeAcquireSpinLock(&vr.lock, &irql);
  while (!IsListEmpty(&child->reads)) InsertTailList(&failed, RemoveHeadList(&child->reads));
  KeReleaseSpinLock(&vr.lock, irql);
  while (!IsListEmpty(&failed)) {
    IRP *irp = CONTAINING_RECORD(RemoveHeadList(&failed), IRP, Tail.Overlay.ListEntry);
    vr_complete(irp, STATUS_DELETE_PENDING, 0);
  }
}

NTSTATUS WINAPI vr_hid_pnp(DEVICE_OBJECT *device, IRP *irp) {
  HID_DEVICE_EXTENSION *ext = device->DeviceExtension;
  struct vr_child *child = child_of(device);
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
      child->started = TRUE;
      irp->IoStatus.Status = STATUS_SUCCESS;
      break;
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_REMOVE_DEVICE:
      child->started = FALSE;
      vr_fail_reads(child);
      vr_forget_opens(child);
      if (child->info.flags & TARVEXVR_FLAG_PENDANT_INPUT) {
        vr_fail_input_sends(STATUS_DEVICE_NOT_CONNECTED);
      }
      irp->IoStatus.Status = STATUS_SUCCESS;
      break;
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
      irp->IoStatus.Status = STATUS_SUCCESS;
      break;
    default:
      break;
  }
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(ext->NextDeviceObject, irp);
}

NTSTATUS WINAPI vr_hid_power(DEVICE_OBJECT *device, IRP *irp) {
  HID_DEVICE_EXTENSION *ext = device->DeviceExtension;
  PoStartNextPowerIrp(irp);
  IoSkipCurrentIrpStackLocation(irp);
  return PoCallDriver(ext->NextDeviceObject, irp);
}

/* Hands the next report of the oldest waiting send to the oldest waiting
 * read of the pendant's interface, when both exist, and returns that read
 * (*length: the bytes it got). The report is copied under the lock: a
 * cancel completes the send only once it holds the lock. *sent is the
 * send when that was its last report. */
static IRP *hand_report_locked(IRP **sent, ULONG *length) {
  int i;
  if (IsListEmpty(&vr.input_sends)) return NULL;
  for (i = 0; i < VR_MAX_CHILDREN; i++) {
    struct vr_child *child = &vr.children[i];
    IRP *send = CONTAINING_RECORD(vr.input_sends.Flink, IRP, Tail.Overlay.ListEntry);
    const struct tarvexvr_input_batch *batch = send->AssociatedIrp.SystemBuffer;
    ULONG_PTR next = (ULONG_PTR)send->Tail.Overlay.DriverContext[0];
    BOOLEAN last = next + 1 >= batch->count;
    ULONG room;
    IRP *read;
    if (!child->used || !child->listed || !child->started) continue;
    if (!(child->info.flags & TARVEXVR_FLAG_PENDANT_INPUT) || IsListEmpty(&child->reads)) continue;
    /* A send whose cancel is under way belongs to its cancel routine. */
    if (last && !IoSetCancelRoutine(send, NULL)) return NULL;
    read = CONTAINING_RECORD(RemoveHeadList(&child->reads), IRP, Tail.Overlay.ListEntry);
    room = IoGetCurrentIrpStackLocation(read)->Parameters.DeviceIoControl.OutputBufferLength;
    *length = batch->length < room ? batch->length : room;
    RtlCopyMemory(read->UserBuffer, (const UCHAR *)(batch + 1) + next * batch->length, *length);
    if (last) {
      RemoveEntryList(&send->Tail.Overlay.ListEntry);
      InitializeListHead(&send->Tail.Overlay.ListEntry);
      *sent = send;
    } else {
      send->Tail.Overlay.DriverContext[0] = (PVOID)(next + 1);
    }
    return read;
  }
  return NULL;
}

void vr_pump_input(void) {
  for (;;) {
    IRP *sent = NULL, *read;
    ULONG length = 0;
    KIRQL irql;
    KeAcquireSpinLock(&vr.lock, &irql);
    read = hand_report_locked(&sent, &length);
    KeReleaseSpinLock(&vr.lock, irql);
    if (!read) return;
    vr_complete(read, STATUS_SUCCESS, length);
    if (sent) vr_complete(sent, STATUS_SUCCESS, 0);
  }
}

static NTSTATUS queue_read(struct vr_child *child, IRP *irp) {
  KIRQL irql;
  KeAcquireSpinLock(&vr.lock, &irql);
  if (!child->started) {
    KeReleaseSpinLock(&vr.lock, irql);
    vr_complete(irp, STATUS_DELETE_PENDING, 0);
    return STATUS_DELETE_PENDING;
  }
  IoMarkIrpPending(irp);
  InsertTailList(&child->reads, &irp->Tail.Overlay.ListEntry);
  KeReleaseSpinLock(&vr.lock, irql);
  vr_pump_input();
  return STATUS_PENDING;
}

static void feature_event(struct vr_child *child, unsigned int kind, BOOLEAN accepted,
                          const HID_XFER_PACKET *packet) {
  struct tarvexvr_event event;
  ULONG length = 0;
  KIRQL irql;
  RtlZeroMemory(&event, sizeof(event));
  event.kind = kind;
  event.accepted = accepted;
  vr_copy_id(event.id, child->info.id);
  if (kind == TARVEXVR_EVENT_FEATURE_WRITE) {
    length = packet->reportBufferLen < TARVEXVR_MAX_REPORT ? packet->reportBufferLen
                                                           : TARVEXVR_MAX_REPORT;
    RtlCopyMemory(event.data, packet->reportBuffer, length);
  }
  event.length = length;
  KeAcquireSpinLock(&vr.lock, &irql);
  vr_queue_event_locked(&event);
  KeReleaseSpinLock(&vr.lock, irql);
  vr_deliver_events();
}

static NTSTATUS set_feature(struct vr_child *child, IRP *irp) {
  HID_XFER_PACKET *packet = irp->UserBuffer;
  BOOLEAN accepted;
  KIRQL irql;
  if (!child->info.feature_length) return STATUS_INVALID_PARAMETER;
  KeAcquireSpinLock(&vr.lock, &irql);
  accepted = vr_take_write(&vr.rules) != 0;
  KeReleaseSpinLock(&vr.lock, irql);
  feature_event(child, TARVEXVR_EVENT_FEATURE_WRITE, accepted, packet);
  if (!accepted) return STATUS_UNSUCCESSFUL;
  irp->IoStatus.Information = packet->reportBufferLen;
  return STATUS_SUCCESS;
}

static NTSTATUS get_feature(struct vr_child *child, IRP *irp) {
  HID_XFER_PACKET *packet = irp->UserBuffer;
  int answered;
  KIRQL irql;
  if (!child->info.feature_length) return STATUS_INVALID_PARAMETER;
  KeAcquireSpinLock(&vr.lock, &irql);
  answered = vr_answer_request(&vr.rules, packet->reportBuffer, packet->reportBufferLen);
  KeReleaseSpinLock(&vr.lock, irql);
  feature_event(child, TARVEXVR_EVENT_FEATURE_READ, answered >= 0, packet);
  if (answered < 0) return STATUS_UNSUCCESSFUL;
  irp->IoStatus.Information = (ULONG)answered;
  return STATUS_SUCCESS;
}

static NTSTATUS hid_descriptor(struct vr_child *child, IRP *irp, ULONG out_size) {
  HID_DESCRIPTOR *descriptor = irp->UserBuffer;
  if (out_size < sizeof(*descriptor)) return STATUS_BUFFER_TOO_SMALL;
  RtlZeroMemory(descriptor, sizeof(*descriptor));
  descriptor->bLength = sizeof(*descriptor);
  descriptor->bDescriptorType = HID_HID_DESCRIPTOR_TYPE;
  descriptor->bcdHID = 0x0111;
  descriptor->bNumDescriptors = 1;
  descriptor->DescriptorList[0].bReportType = HID_REPORT_DESCRIPTOR_TYPE;
  descriptor->DescriptorList[0].wReportLength = (USHORT)child->descriptor_length;
  irp->IoStatus.Information = sizeof(*descriptor);
  return STATUS_SUCCESS;
}

static NTSTATUS attributes(struct vr_child *child, IRP *irp, ULONG out_size) {
  HID_DEVICE_ATTRIBUTES *attributes = irp->UserBuffer;
  if (out_size < sizeof(*attributes)) return STATUS_BUFFER_TOO_SMALL;
  RtlZeroMemory(attributes, sizeof(*attributes));
  attributes->Size = sizeof(*attributes);
  attributes->VendorID = child->info.vendor_id;
  attributes->ProductID = child->info.product_id;
  attributes->VersionNumber = 0x0100;
  irp->IoStatus.Information = sizeof(*attributes);
  return STATUS_SUCCESS;
}

static NTSTATUS string(IRP *irp, ULONG string_id, ULONG out_size) {
  const WCHAR *text = string_id == HID_STRING_ID_IMANUFACTURER ? L"Tarvex"
                      : string_id == HID_STRING_ID_IPRODUCT    ? L"Tarvex virtual receiver"
                      : string_id == HID_STRING_ID_ISERIALNUMBER ? L"0001"
                                                                 : NULL;
  ULONG size;
  if (!text) return STATUS_INVALID_PARAMETER;
  size = (ULONG)(wcslen(text) + 1) * sizeof(WCHAR);
  if (out_size < size) return STATUS_BUFFER_TOO_SMALL;
  RtlCopyMemory(irp->UserBuffer, text, size);
  irp->IoStatus.Information = size;
  return STATUS_SUCCESS;
}

NTSTATUS WINAPI vr_hid_internal_ioctl(DEVICE_OBJECT *device, IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  ULONG out_size = stack->Parameters.DeviceIoControl.OutputBufferLength;
  struct vr_child *child = child_of(device);
  NTSTATUS status;

  irp->IoStatus.Information = 0;
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_HID_READ_REPORT:
      return queue_read(child, irp);
    case IOCTL_HID_GET_DEVICE_DESCRIPTOR:
      status = hid_descriptor(child, irp, out_size);
      break;
    case IOCTL_HID_GET_REPORT_DESCRIPTOR:
      if (out_size < child->descriptor_length) {
        status = STATUS_BUFFER_TOO_SMALL;
        break;
      }
      RtlCopyMemory(irp->UserBuffer, child->descriptor, child->descriptor_length);
      irp->IoStatus.Information = child->descriptor_length;
      status = STATUS_SUCCESS;
      break;
    case IOCTL_HID_GET_DEVICE_ATTRIBUTES:
      status = attributes(child, irp, out_size);
      break;
    case IOCTL_HID_SET_FEATURE:
      status = set_feature(child, irp);
      break;
    case IOCTL_HID_GET_FEATURE:
      status = get_feature(child, irp);
      break;
    case IOCTL_HID_GET_STRING:
      status = string(irp, (ULONG)(ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xFFFF,
                      out_size);
      break;
    case IOCTL_HID_ACTIVATE_DEVICE:
    case IOCTL_HID_DEACTIVATE_DEVICE:
      status = STATUS_SUCCESS;
      break;
    default:
      status = STATUS_NOT_SUPPORTED; /* output reports and the rest: no such endpoint */
      break;
  }
  irp->IoStatus.Status = status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}
