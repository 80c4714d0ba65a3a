/* The virtual receiver device's control interface, shared by the kernel
 * driver (tarvexvr.sys) and the receiver process that drives it.
 *
 * One process at a time owns the device: the first control handle that sends
 * an IOCTL. While it owns it, the driver's root bus lists the HID interfaces
 * of the last layout; when its handle closes they all go away, so every
 * receiver process starts from the state it seeds itself.
 *
 * Plain C: the driver is C, the receiver process C++. */
#pragma once

#include "vreceiver/feature_rules.h"

#define TARVEXVR_CONTROL_NAME L"\\Device\\TarvexVReceiver"
#define TARVEXVR_CONTROL_LINK L"\\DosDevices\\TarvexVReceiver"
#define TARVEXVR_CONTROL_PATH "\\\\.\\TarvexVReceiver"

/* Hardware IDs of the root bus device and of every interface child. */
#define TARVEXVR_BUS_HARDWARE_ID L"TARVEXVR_BUS"
#define TARVEXVR_BUS_INSTANCE L"ROOT\\TARVEXVR_BUS\\0000"
#define TARVEXVR_CHILD_HARDWARE_ID L"TARVEXVR_INTERFACE"
#define TARVEXVR_SERVICE L"tarvexvr"

#define TARVEXVR_IOCTL(n) CTL_CODE(FILE_DEVICE_UNKNOWN, 0x900 + (n), METHOD_BUFFERED, FILE_ANY_ACCESS)
/* in: struct tarvexvr_layout. The children that leave are surprise-removed,
 * the new ones arrive; returns at once (Plug and Play runs on). */
#define IOCTL_TARVEXVR_SET_LAYOUT TARVEXVR_IOCTL(1)
/* in: struct tarvexvr_behaviour (the fields named by its mask). */
#define IOCTL_TARVEXVR_SET_BEHAVIOUR TARVEXVR_IOCTL(2)
/* in: struct tarvexvr_input_batch, then its `count` input reports for the
 * pendant's interface, `length` bytes each. Completes once the HID class
 * driver's reads of that interface took them all, one report a read (it
 * keeps one read waiting at all times and copies each report to every open
 * handle, so no program's read is waited for), or fails when the interface
 * is not there. */
#define IOCTL_TARVEXVR_SEND_INPUT TARVEXVR_IOCTL(3)
/* out: struct tarvexvr_event. Completes when there is one. */
#define IOCTL_TARVEXVR_NEXT_EVENT TARVEXVR_IOCTL(4)

#define TARVEXVR_MAX_INTERFACES 128
#define TARVEXVR_ID_CHARS 40
#define TARVEXVR_MAX_REPORT 72
#define TARVEXVR_MAX_INPUT_BATCH 64

/* The interface that receives the pendant's input reports. */
#define TARVEXVR_FLAG_PENDANT_INPUT 1u
/* Another vendor's interface that refuses every open, or whose attribute
 * query (HidD_GetAttributes) fails, as one going away does. */
#define TARVEXVR_FLAG_REFUSE_OPEN 2u
#define TARVEXVR_FLAG_FAIL_ATTRIBUTES 4u

struct tarvexvr_interface {
  /* Unique; the device ID is TARVEXVR\<id>, the HID interface's path then
   * holds hid#<id>. Letters, digits, '&' and '_' only. */
  char id[TARVEXVR_ID_CHARS];
  unsigned short vendor_id;
  unsigned short product_id;
  unsigned short input_length;   /* report ID byte included; 0 = none */
  unsigned short feature_length; /* report ID byte included; 0 = none */
  unsigned char input_report_id; /* 0 = the reports carry no ID */
  unsigned char feature_report_id;
  unsigned short flags;
};

struct tarvexvr_input_batch {
  unsigned int count;
  unsigned int length;
};

struct tarvexvr_layout {
  unsigned int count;
  struct tarvexvr_interface interfaces[TARVEXVR_MAX_INTERFACES];
};

/* Which parts of the rules a behaviour request sets. The write refusal is
 * set only when it was set anew: the device counts it down. */
#define TARVEXVR_SET_WRITE_RULES 1u /* refuse_writes, accept_first */
#define TARVEXVR_SET_READ_RULES 2u  /* refuse_reads */
#define TARVEXVR_SET_INFO_REPORT 4u /* info_report */

struct tarvexvr_behaviour {
  unsigned int mask;
  struct vr_feature_rules rules; /* what the device does with feature reports */
};

enum tarvexvr_event_kind {
  TARVEXVR_EVENT_OPENED = 1,         /* a program opened the interface `id`
                                        (`accepted` 0: the open was refused) */
  TARVEXVR_EVENT_CLOSED = 2,         /* that open (same `file`) was closed */
  TARVEXVR_EVENT_FEATURE_WRITE = 3,  /* a feature report reached the device */
  TARVEXVR_EVENT_FEATURE_READ = 4,   /* a feature report was asked for */
  TARVEXVR_EVENT_LOST = 5            /* `length` events were dropped (queue full) */
};

struct tarvexvr_event {
  unsigned int kind;
  unsigned int file;     /* OPENED/CLOSED: a number for the open */
  unsigned int process;  /* OPENED: the opening process's ID */
  unsigned int accepted; /* FEATURE_*: the device took it */
  unsigned int length;   /* FEATURE_WRITE: bytes in `data` */
  char id[TARVEXVR_ID_CHARS];
  unsigned char data[TARVEXVR_MAX_REPORT];
};
