/* The channel (a device object of its own, \\.\TarvexVReceiver): the
 * receiver process sets the layout and behaviour, sends the pendant's input
 * reports and takes the events (opens, closes, feature reports) in order.
 * Programs' opens of the HID interfaces are seen here too, as they pass
 * through this driver object to hidclass. */
#include "vr_driver.h"

static const struct tarvexvr_layout empty_layout;

void vr_queue_event_locked(const struct tarvexvr_event *event) {
  if (!vr.owner) return;
  if (vr.event_count == VR_EVENT_QUEUE) {
    vr.events_lost++;
    return;
  }
  vr.events[(vr.event_head + vr.event_count) % VR_EVENT_QUEUE] = *event;
  vr.event_count++;
}

/* Takes the first of `list` unless its cancel is under way; lock held. */
static IRP *take_waiting_locked(LIST_ENTRY *list) {
  IRP *irp;
  if (IsListEmpty(list)) return NULL;
  irp = CONTAINING_RECORD(list->Flink, IRP, Tail.Overlay.ListEntry);
  if (!IoSetCancelRoutine(irp, NULL)) return NULL;
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  InitializeListHead(&irp->Tail.Overlay.ListEntry);
  return irp;
}

void vr_deliver_events(void) {
  for (;;) {
    struct tarvexvr_event event;
    IRP *irp = NULL;
    KIRQL irql;
    KeAcquireSpinLock(&vr.lock, &irql);
    if (vr.events_lost && vr.event_count < VR_EVENT_QUEUE) {
      RtlZeroMemory(&event, sizeof(event));
      event.kind = TARVEXVR_EVENT_LOST;
      event.length = vr.events_lost;
      vr.events_lost = 0;
      vr_queue_event_locked(&event);
    }
    if (vr.event_count && (irp = take_waiting_locked(&vr.event_waiters))) {
      event = vr.events[vr.event_head];
      vr.event_head = (vr.event_head + 1) % VR_EVENT_QUEUE;
      vr.event_count--;
    }
    KeReleaseSpinLock(&vr.lock, irql);
    if (!irp) return;
    RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, &event, sizeof(event));
    vr_complete(irp, STATUS_SUCCESS, sizeof(event));
  }
}

void vr_fail_input_sends(NTSTATUS status) {
  LIST_ENTRY failed;
  IRP *irp;
  KIRQL irql;
  int i;
  BOOLEAN pendant_there = FALSE;
  InitializeListHead(&failed);
  KeAcquireSpinLock(&vr.lock, &irql);
  for (i = 0; i < VR_MAX_CHILDREN; i++) {
    const struct vr_child *child = &vr.children[i];
    if (child->used && child->listed && child->started &&
        (child->info.flags & TARVEXVR_FLAG_PENDANT_INPUT)) {
      pendant_there = TRUE;
    }
  }
  while (!pendant_there && (irp = take_waiting_locked(&vr.input_sends))) {
    InsertTailList(&failed, &irp->Tail.Overlay.ListEntry);
  }
  KeReleaseSpinLock(&vr.lock, irql);
  while (!IsListEmpty(&failed)) {
    irp = CONTAINING_RECORD(RemoveHeadList(&failed), IRP, Tail.Overlay.ListEntry);
    vr_complete(irp, status, 0);
  }
}

static VOID WINAPI cancel_waiting(DEVICE_OBJECT *device, IRP *irp) {
  KIRQL irql;
  (void)device;
  IoReleaseCancelSpinLock(irp->CancelIrql);
  KeAcquireSpinLock(&vr.lock, &irql);
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  KeReleaseSpinLock(&vr.lock, irql);
  vr_complete(irp, STATUS_CANCELLED, 0);
}

/* Parks an IRP on `list` until it is served or cancelled. */
static NTSTATUS park(LIST_ENTRY *list, IRP *irp) {
  KIRQL irql;
  KeAcquireSpinLock(&vr.lock, &irql);
  IoSetCancelRoutine(irp, cancel_waiting);
  if (irp->Cancel && IoSetCancelRoutine(irp, NULL)) {
    KeReleaseSpinLock(&vr.lock, irql);
    vr_complete(irp, STATUS_CANCELLED, 0);
    return STATUS_CANCELLED;
  }
  IoMarkIrpPending(irp);
  InsertTailList(list, &irp->Tail.Overlay.ListEntry);
  KeReleaseSpinLock(&vr.lock, irql);
  return STATUS_PENDING;
}

static BOOLEAN pendant_input_listed_locked(void) {
  int i;
  for (i = 0; i < VR_MAX_CHILDREN; i++) {
    const struct vr_child *child = &vr.children[i];
    if (child->used && child->listed && (child->info.flags & TARVEXVR_FLAG_PENDANT_INPUT)) {
      return TRUE;
    }
  }
  return FALSE;
}

static NTSTATUS send_input(IRP *irp, ULONG in_size) {
  const struct tarvexvr_input_batch *batch = irp->AssociatedIrp.SystemBuffer;
  NTSTATUS status;
  BOOLEAN listed;
  KIRQL irql;
  if (in_size < sizeof(*batch) || !batch->count || batch->count > TARVEXVR_MAX_INPUT_BATCH ||
      !batch->length || batch->length > TARVEXVR_MAX_REPORT ||
      in_size < sizeof(*batch) + batch->count * batch->length) {
    return STATUS_INVALID_PARAMETER;
  }
  irp->Tail.Overlay.DriverContext[0] = 0; /* the reports handed so far */
  KeAcquireSpinLock(&vr.lock, &irql);
  listed = pendant_input_listed_locked();
  KeReleaseSpinLock(&vr.lock, irql);
  if (!listed) return STATUS_DEVICE_NOT_CONNECTED;
  status = park(&vr.input_sends, irp);
  if (status == STATUS_PENDING) vr_pump_input();
  return status;
}

static NTSTATUS set_behaviour(const struct tarvexvr_behaviour *in, ULONG in_size) {
  KIRQL irql;
  if (in_size < sizeof(*in)) return STATUS_INVALID_PARAMETER;
  KeAcquireSpinLock(&vr.lock, &irql);
  if (in->mask & TARVEXVR_SET_WRITE_RULES) {
    vr.rules.refuse_writes = in->rules.refuse_writes;
    vr.rules.accept_first = in->rules.accept_first;
  }
  if (in->mask & TARVEXVR_SET_READ_RULES) vr.rules.refuse_reads = in->rules.refuse_reads;
  if (in->mask & TARVEXVR_SET_INFO_REPORT) {
    RtlCopyMemory(vr.rules.info_report, in->rules.info_report, sizeof(vr.rules.info_report));
  }
  if (in->mask & TARVEXVR_SET_STATE_REPORT) {
    vr.state_length =
        in->state_length < TARVEXVR_MAX_REPORT ? in->state_length : TARVEXVR_MAX_REPORT;
    RtlCopyMemory(vr.state_report, in->state_report, vr.state_length);
  }
  KeReleaseSpinLock(&vr.lock, irql);
  return STATUS_SUCCESS;
}

/* The first handle to send a request owns the device until it closes. */
static BOOLEAN claim(FILE_OBJECT *file) {
  BOOLEAN mine;
  KIRQL irql;
  KeAcquireSpinLock(&vr.lock, &irql);
  if (!vr.owner) {
    vr.owner = file;
    vr.event_head = vr.event_count = vr.events_lost = 0;
    RtlZeroMemory(&vr.rules, sizeof(vr.rules));
    vr.state_length = 0;
  }
  mine = vr.owner == file;
  KeReleaseSpinLock(&vr.lock, irql);
  return mine;
}

/* The receiver process has gone: no receiver and no other interface. */
static void release(FILE_OBJECT *file) {
  BOOLEAN was_owner;
  KIRQL irql;
  KeAcquireSpinLock(&vr.lock, &irql);
  was_owner = vr.owner == file;
  if (was_owner) vr.owner = NULL;
  KeReleaseSpinLock(&vr.lock, irql);
  if (was_owner) vr_bus_set_layout(&empty_layout);
}

NTSTATUS vr_channel_dispatch(DEVICE_OBJECT *device, IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  void *buffer = irp->AssociatedIrp.SystemBuffer;
  ULONG in_size = stack->Parameters.DeviceIoControl.InputBufferLength;
  ULONG out_size = stack->Parameters.DeviceIoControl.OutputBufferLength;
  NTSTATUS status;
  (void)device;

  if (stack->MajorFunction == IRP_MJ_CLEANUP || stack->MajorFunction == IRP_MJ_CLOSE) {
    release(stack->FileObject);
  }
  if (stack->MajorFunction != IRP_MJ_DEVICE_CONTROL) {
    vr_complete(irp, STATUS_SUCCESS, 0);
    return STATUS_SUCCESS;
  }
  if (!claim(stack->FileObject)) {
    vr_complete(irp, STATUS_DEVICE_BUSY, 0);
    return STATUS_DEVICE_BUSY;
  }
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_TARVEXVR_SET_LAYOUT: {
      const struct tarvexvr_layout *layout = buffer;
      if (in_size < sizeof(*layout) || layout->count > TARVEXVR_MAX_INTERFACES) {
        status = STATUS_INVALID_PARAMETER;
        break;
      }
      status = vr_bus_set_layout(layout);
      break;
    }
    case IOCTL_TARVEXVR_SET_BEHAVIOUR:
      status = set_behaviour(buffer, in_size);
      break;
    case IOCTL_TARVEXVR_SEND_INPUT:
      status = send_input(irp, in_size);
      if (status == STATUS_PENDING || status == STATUS_CANCELLED) return status;
      break;
    case IOCTL_TARVEXVR_NEXT_EVENT:
      if (out_size < sizeof(struct tarvexvr_event)) {
        status = STATUS_BUFFER_TOO_SMALL;
        break;
      }
      status = park(&vr.event_waiters, irp);
      vr_deliver_events();
      return status;
    default:
      status = STATUS_INVALID_DEVICE_REQUEST;
      break;
  }
  vr_complete(irp, status, 0);
  return status;
}

/* The child whose HID device this is: hidclass names it HID\<id>\... */
BOOLEAN vr_interface_id(DEVICE_OBJECT *device, char *id) {
  WCHAR ids[256];
  ULONG length = 0, i;
  const WCHAR *start;
  RtlZeroMemory(ids, sizeof(ids));
  if (IoGetDeviceProperty(device, DevicePropertyHardwareID, sizeof(ids) - 4, ids, &length)) {
    return FALSE;
  }
  if (wcsncmp(ids, L"HID\\", 4)) return FALSE;
  start = ids + 4;
  for (i = 0; i + 1 < TARVEXVR_ID_CHARS && start[i] && start[i] != L'\\'; i++) {
    id[i] = (char)start[i];
  }
  id[i] = 0;
  return TRUE;
}

/* The flags of the listed child with this id; 0 when none. */
static unsigned short listed_flags(const char *id) {
  unsigned short flags = 0;
  const struct vr_child *child;
  KIRQL irql;
  KeAcquireSpinLock(&vr.lock, &irql);
  if ((child = vr_listed_child_locked(id))) flags = child->info.flags;
  KeReleaseSpinLock(&vr.lock, irql);
  return flags;
}

/* A refused open is reported too: the receiver process counts every open
 * of another vendor's interface. */
static NTSTATUS refuse_open(IRP *irp, struct tarvexvr_event *event) {
  KIRQL irql;
  event->kind = TARVEXVR_EVENT_OPENED;
  event->process = (unsigned int)(ULONG_PTR)PsGetCurrentProcessId();
  KeAcquireSpinLock(&vr.lock, &irql);
  vr_queue_event_locked(event);
  KeReleaseSpinLock(&vr.lock, irql);
  vr_deliver_events();
  vr_complete(irp, STATUS_ACCESS_DENIED, 0);
  return STATUS_ACCESS_DENIED;
}

BOOLEAN vr_fails_attributes(DEVICE_OBJECT *device, IRP *irp) {
  char id[TARVEXVR_ID_CHARS];
  const IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  if (stack->Parameters.DeviceIoControl.IoControlCode != IOCTL_HID_GET_COLLECTION_INFORMATION) {
    return FALSE;
  }
  return vr_interface_id(device, id) && (listed_flags(id) & TARVEXVR_FLAG_FAIL_ATTRIBUTES);
}

NTSTATUS vr_track_open(DEVICE_OBJECT *device, IRP *irp, PDRIVER_DISPATCH hidclass) {
  FILE_OBJECT *file = IoGetCurrentIrpStackLocation(irp)->FileObject;
  struct tarvexvr_event event;
  NTSTATUS status;
  KIRQL irql;
  int i;

  RtlZeroMemory(&event, sizeof(event));
  if (!vr_interface_id(device, event.id)) return hidclass(device, irp);
  if (listed_flags(event.id) & TARVEXVR_FLAG_REFUSE_OPEN) return refuse_open(irp, &event);
  status = hidclass(device, irp);
  if (status) return status;
  event.kind = TARVEXVR_EVENT_OPENED;
  event.accepted = 1;
  event.process = (unsigned int)(ULONG_PTR)PsGetCurrentProcessId();
  KeAcquireSpinLock(&vr.lock, &irql);
  for (i = 0; i < VR_MAX_OPEN_FILES && vr.open_files[i].file; i++) {
  }
  if (i < VR_MAX_OPEN_FILES) {
    vr.open_files[i].file = file;
    vr.open_files[i].number = event.file = ++vr.next_file_number;
    const struct vr_child *child = vr_listed_child_locked(event.id);
    vr.open_files[i].child_generation = child ? child->generation : 0;
    vr_copy_id(vr.open_files[i].id, event.id);
    vr_queue_event_locked(&event);
  }
  KeReleaseSpinLock(&vr.lock, irql);
  vr_deliver_events();
  return status;
}

static void close_open_locked(struct vr_open_file *open) {
  struct tarvexvr_event event;
  RtlZeroMemory(&event, sizeof(event));
  event.kind = TARVEXVR_EVENT_CLOSED;
  event.file = open->number;
  vr_copy_id(event.id, open->id);
  open->file = NULL;
  vr_queue_event_locked(&event);
}

NTSTATUS vr_track_close(DEVICE_OBJECT *device, IRP *irp, PDRIVER_DISPATCH hidclass) {
  FILE_OBJECT *file = IoGetCurrentIrpStackLocation(irp)->FileObject;
  KIRQL irql;
  int i;
  KeAcquireSpinLock(&vr.lock, &irql);
  for (i = 0; file && i < VR_MAX_OPEN_FILES; i++) {
    if (vr.open_files[i].file == file) close_open_locked(&vr.open_files[i]);
  }
  KeReleaseSpinLock(&vr.lock, irql);
  vr_deliver_events();
  return hidclass(device, irp);
}

/* Wine drops the close of a handle whose device was removed, so the
 * device cannot see those closes: a removed interface's opens end with it. */
void vr_forget_opens(const struct vr_child *child) {
  KIRQL irql;
  int i;
  KeAcquireSpinLock(&vr.lock, &irql);
  for (i = 0; i < VR_MAX_OPEN_FILES; i++) {
    struct vr_open_file *open = &vr.open_files[i];
    if (open->file && open->child_generation == child->generation) close_open_locked(open);
  }
  KeReleaseSpinLock(&vr.lock, irql);
  vr_deliver_events();
}
