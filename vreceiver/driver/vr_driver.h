/* The virtual receiver driver's shared state. One driver object plays three
 * parts: the root bus (its children are the HID interfaces of the current
 * layout), the HID minidriver under hidclass.sys for those children, and the
 * channel the receiver process drives. One spin lock guards it all. */
#pragma once

#include "channel.h"
#include "hidport.h"

#define VR_MAX_CHILDREN (2 * TARVEXVR_MAX_INTERFACES)
#define VR_MAX_OPEN_FILES 256
#define VR_EVENT_QUEUE 512
#define VR_MAX_DESCRIPTOR 64

/* One interface child of the bus. A slot is in use from its PDO's creation
 * until its REMOVE_DEVICE; `listed` says whether the bus reports it. */
struct vr_child {
  BOOLEAN used;
  BOOLEAN listed;
  BOOLEAN started;        /* hidclass started it and no removal came yet */
  BOOLEAN return_pending; /* to be made again after its REMOVE_DEVICE */
  DEVICE_OBJECT *pdo;
  LONG generation; /* tells this child from an earlier one in the slot */
  struct tarvexvr_interface info;
  struct tarvexvr_interface return_info;
  UCHAR descriptor[VR_MAX_DESCRIPTOR];
  ULONG descriptor_length;
  LIST_ENTRY reads; /* IOCTL_HID_READ_REPORT waiting for a report */
};

/* A program's open handle on one of the children's HID interfaces. */
struct vr_open_file {
  FILE_OBJECT *file;
  unsigned int number;
  LONG child_generation;
  char id[TARVEXVR_ID_CHARS];
};

struct vr_state {
  KSPIN_LOCK lock;
  DRIVER_OBJECT *driver;
  DEVICE_OBJECT *channel;
  DEVICE_OBJECT *bus_fdo, *bus_pdo, *bus_lower;
  FILE_OBJECT *owner; /* the receiver process's channel handle */
  struct vr_child children[VR_MAX_CHILDREN];
  struct vr_open_file open_files[VR_MAX_OPEN_FILES];
  unsigned int next_file_number;
  struct tarvexvr_event events[VR_EVENT_QUEUE];
  ULONG event_head, event_count, events_lost;
  LIST_ENTRY event_waiters; /* IOCTL_TARVEXVR_NEXT_EVENT */
  LIST_ENTRY input_sends;   /* IOCTL_TARVEXVR_SEND_INPUT */
  struct vr_feature_rules rules;
  UCHAR state_report[TARVEXVR_MAX_REPORT]; /* answers GET_REPORT(Input) */
  ULONG state_length;
  KEVENT relations_mutex;
};

extern struct vr_state vr;

/* bus.c */
extern LONG vr_child_generation;
NTSTATUS vr_bus_add_device(DRIVER_OBJECT *driver, DEVICE_OBJECT *pdo);
NTSTATUS vr_bus_pnp(DEVICE_OBJECT *device, IRP *irp);
NTSTATUS vr_child_pnp(DEVICE_OBJECT *device, IRP *irp, struct vr_child *child);
struct vr_child *vr_child_of_pdo(DEVICE_OBJECT *pdo);
/* The listed child with this interface ID, or NULL; call with the lock held. */
struct vr_child *vr_listed_child_locked(const char *id);
/* Applies a layout (an empty one when the owner leaves). */
NTSTATUS vr_bus_set_layout(const struct tarvexvr_layout *layout);

/* hid_device.c */
NTSTATUS vr_hid_add_device(DRIVER_OBJECT *driver, DEVICE_OBJECT *fdo);
NTSTATUS WINAPI vr_hid_pnp(DEVICE_OBJECT *device, IRP *irp);
NTSTATUS WINAPI vr_hid_power(DEVICE_OBJECT *device, IRP *irp);
NTSTATUS WINAPI vr_hid_internal_ioctl(DEVICE_OBJECT *device, IRP *irp);
/* Hands waiting input reports to waiting reads; call without the lock. */
void vr_pump_input(void);
/* Fails the reads of a child that is going away; call without the lock. */
void vr_fail_reads(struct vr_child *child);
/* A program's request to hidclass's HID device for a child: answers what
 * hidclass leaves unanswered, passes the rest on. */
NTSTATUS vr_class_ioctl(DEVICE_OBJECT *device, IRP *irp, PDRIVER_DISPATCH hidclass);

/* channel.c */
NTSTATUS vr_channel_dispatch(DEVICE_OBJECT *device, IRP *irp);
/* Call with the lock held. */
void vr_queue_event_locked(const struct tarvexvr_event *event);
/* Completes what waits for events; call without the lock. */
void vr_deliver_events(void);
/* Fails the input sends waiting while the pendant's interface is gone. */
void vr_fail_input_sends(NTSTATUS status);
/* Tracks the programs' opens of the HID interfaces (hidclass's devices). */
NTSTATUS vr_track_open(DEVICE_OBJECT *device, IRP *irp, PDRIVER_DISPATCH hidclass);
NTSTATUS vr_track_close(DEVICE_OBJECT *device, IRP *irp, PDRIVER_DISPATCH hidclass);
/* The interface ID of one of hidclass's HID devices (it names them
 * HID\<id>\...); FALSE for another device. */
BOOLEAN vr_interface_id(DEVICE_OBJECT *device, char *id);
/* An attribute query (IOCTL_HID_GET_COLLECTION_INFORMATION) of an interface
 * set to fail it. */
BOOLEAN vr_fails_attributes(DEVICE_OBJECT *device, IRP *irp);
/* A child is going away: its opens count as closed from now on. */
void vr_forget_opens(const struct vr_child *child);

/* Small helpers (driver.c). */
void vr_complete(IRP *irp, NTSTATUS status, ULONG_PTR information);
void vr_copy_id(char *to, const char *from);
BOOLEAN vr_same_id(const char *a, const char *b);
