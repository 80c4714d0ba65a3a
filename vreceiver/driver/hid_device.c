/* The HID minidriver side: what hidclass.sys asks of each child (its
 * descriptors and attributes, input reads, feature reports). Feature
 * reports are answered here at once from the state the receiver process
 * set: hidclass waits for them on the thread that also dispatches the
 * channel's requests, so the receiver process cannot be asked. */
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
  attributes->VersionNumber = child->info.identity.release;
  irp->IoStatus.Information = sizeof(*attributes);
  return STATUS_SUCCESS;
}

/* String descriptor `index` of the child's device (1 manufacturer, 2
 * product, 3 serial number, as its device descriptor names them); NULL
 * for any other, which a USB device stalls. */
static const unsigned short *string_descriptor(const struct vr_child *child, ULONG index) {
  const struct tarvexvr_identity *identity = &child->info.identity;
  switch (index) {
    case 1:
      return identity->manufacturer;
    case 2:
      return identity->product;
    case 3:
      return identity->serial;
    default:
      return NULL;
  }
}

/* Copies a string, terminator included, into the output buffer. */
static NTSTATUS answer_string(IRP *irp, const unsigned short *text, void *out, ULONG out_size) {
  ULONG chars = 0;
  if (!text || !out) return STATUS_INVALID_PARAMETER;
  while (chars + 1 < TARVEXVR_STRING_CHARS && text[chars]) chars++;
  if (out_size < (chars + 1) * sizeof(WCHAR)) return STATUS_BUFFER_TOO_SMALL;
  RtlCopyMemory(out, text, chars * sizeof(WCHAR));
  ((WCHAR *)out)[chars] = 0;
  irp->IoStatus.Information = (chars + 1) * sizeof(WCHAR);
  return STATUS_SUCCESS;
}

/* The buffer of a request's MdlAddress (its output under METHOD_OUT_DIRECT). */
static void *mdl_buffer(IRP *irp) {
  return irp->MdlAddress ? MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority) : NULL;
}

/* IOCTL_HID_GET_STRING: the low word of Type3InputBuffer names the string
 * (HID_STRING_ID_*, the descriptor indexes 1..3 of the device); the answer
 * goes to UserBuffer. */
static NTSTATUS string(struct vr_child *child, IRP *irp, ULONG out_size) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  const ULONG id = (ULONG)(ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xFFFF;
  const ULONG index = id == HID_STRING_ID_IMANUFACTURER   ? 1
                      : id == HID_STRING_ID_IPRODUCT      ? 2
                      : id == HID_STRING_ID_ISERIALNUMBER ? 3
                                                          : 0;
  return answer_string(irp, string_descriptor(child, index), irp->UserBuffer, out_size);
}

/* IOCTL_HID_GET_INDEXED_STRING: the low word of Type3InputBuffer is the
 * descriptor index (the high word the language, one here); the answer goes
 * to the buffer of MdlAddress. */
static NTSTATUS indexed_string(struct vr_child *child, IRP *irp, ULONG out_size) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  const ULONG index = (ULONG)(ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xFFFF;
  return answer_string(irp, string_descriptor(child, index), mdl_buffer(irp), out_size);
}

/* Wine 8.0's hidclass answers IOCTL_HID_GET_INDEXED_STRING (HidD_GetIndexedString)
 * "not supported" for every device without asking the minidriver, where
 * Windows' hidclass asks it; so the request is answered here, on its way
 * to hidclass, as the minidriver answers it (input: the index; output: the
 * buffer of MdlAddress). */
NTSTATUS vr_class_ioctl(DEVICE_OBJECT *device, IRP *irp, PDRIVER_DISPATCH hidclass) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  const ULONG in_size = stack->Parameters.DeviceIoControl.InputBufferLength;
  unsigned short text[TARVEXVR_STRING_CHARS];
  const unsigned short *found = NULL;
  const struct vr_child *child = NULL;
  char id[TARVEXVR_ID_CHARS];
  NTSTATUS status = STATUS_INVALID_PARAMETER;
  KIRQL irql;
  if (stack->Parameters.DeviceIoControl.IoControlCode != IOCTL_HID_GET_INDEXED_STRING ||
      !vr_interface_id(device, id)) {
    return hidclass(device, irp);
  }
  KeAcquireSpinLock(&vr.lock, &irql);
  if ((child = vr_listed_child_locked(id)) && in_size >= sizeof(ULONG) &&
      (found =
           string_descriptor(child, *(const ULONG *)irp->AssociatedIrp.SystemBuffer & 0xFFFF))) {
    RtlCopyMemory(text, found, sizeof(text));
    found = text;
  }
  KeReleaseSpinLock(&vr.lock, irql);
  /* A device that has gone: hidclass answers as for its other requests. */
  if (!child) return hidclass(device, irp);
  irp->IoStatus.Information = 0;
  if (found) {
    status = answer_string(irp, found, mdl_buffer(irp),
                           stack->Parameters.DeviceIoControl.OutputBufferLength);
  }
  irp->IoStatus.Status = status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

/* GET_REPORT(Input) on the control pipe: the pendant's interface answers
 * with the pendant's state as the receiver process last set it. */
static NTSTATUS input_report(struct vr_child *child, IRP *irp) {
  HID_XFER_PACKET *packet = irp->UserBuffer;
  ULONG length;
  KIRQL irql;
  if (!(child->info.flags & TARVEXVR_FLAG_PENDANT_INPUT) || !packet) return STATUS_NOT_SUPPORTED;
  if (packet->reportId != child->info.input_report_id) return STATUS_INVALID_PARAMETER;
  KeAcquireSpinLock(&vr.lock, &irql);
  length = vr.state_length < packet->reportBufferLen ? vr.state_length : packet->reportBufferLen;
  RtlCopyMemory(packet->reportBuffer, vr.state_report, length);
  KeReleaseSpinLock(&vr.lock, irql);
  if (!length) return STATUS_DEVICE_NOT_READY;
  irp->IoStatus.Information = length;
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
      status = string(child, irp, out_size);
      break;
    case IOCTL_HID_GET_INDEXED_STRING:
      status = indexed_string(child, irp, out_size);
      break;
    case IOCTL_HID_GET_INPUT_REPORT:
      status = input_report(child, irp);
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
