/* The channel between the virtual receiver's driver and the receiver
 * process: its device object and IOCTLs, shared by the kernel driver
 * (tarvexvr.sys) and the receiver process that drives it.
 *
 * One process at a time owns the channel: the first channel handle that sends
 * an IOCTL. While it owns it, the driver's root bus lists the HID interfaces
 * of the last layout; when its handle closes they all go away, so every
 * receiver process starts from the state it seeds itself.
 *
 * Plain C: the driver is C, the receiver process C++. */
#pragma once

#include "vreceiver/feature_rules.h"

#define TARVEXVR_CHANNEL_NAME L"\\Device\\TarvexVReceiver"
#define TARVEXVR_CHANNEL_LINK L"\\DosDevices\\TarvexVReceiver"
#define TARVEXVR_CHANNEL_PATH "\\\\.\\TarvexVReceiver"

/* Hardware ID of the root bus device; every interface child carries the
 * IDs of a USB device's HID interface and, last of its compatible IDs, the
 * generic child ID that picks the INF section. */
#define TARVEXVR_BUS_HARDWARE_ID L"TARVEXVR_BUS"
#define TARVEXVR_BUS_INSTANCE L"ROOT\\TARVEXVR_BUS\\0000"
#define TARVEXVR_CHILD_COMPATIBLE_ID "TARVEXVR_INTERFACE"
#define TARVEXVR_SERVICE L"tarvexvr"

#define TARVEXVR_IOCTL(n) \
  CTL_CODE(FILE_DEVICE_UNKNOWN, 0x900 + (n), METHOD_BUFFERED, FILE_ANY_ACCESS)
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

/* UTF-16 characters of a string descriptor, the terminator included: USB
 * allows 126 characters. */
#define TARVEXVR_STRING_CHARS 127

/* Who an interface is on the USB bus: its device's release and strings, as
 * hidclass asks for them, and the instance ID of its device node. */
struct tarvexvr_identity {
  char instance[TARVEXVR_ID_CHARS]; /* "7&1a2b3c4d&0&0000"; empty: "0000" */
  unsigned short release;           /* bcdDevice */
  /* UTF-16, zero-terminated; string descriptors 1, 2 and 3 of the device. */
  unsigned short manufacturer[TARVEXVR_STRING_CHARS];
  unsigned short product[TARVEXVR_STRING_CHARS];
  unsigned short serial[TARVEXVR_STRING_CHARS];
};

struct tarvexvr_interface {
  /* Unique; the device ID is USB\<id>, the HID interface's path then holds
   * hid#<id>. Letters, digits, '&' and '_' only; "&MI_nn" at its end makes
   * it interface nn of a composite device. */
  char id[TARVEXVR_ID_CHARS];
  unsigned short vendor_id;
  unsigned short product_id;
  unsigned short input_length;   /* report ID byte included; 0 = none */
  unsigned short feature_length; /* report ID byte included; 0 = none */
  unsigned char input_report_id; /* 0 = the reports carry no ID */
  unsigned char feature_report_id;
  unsigned short flags;
  struct tarvexvr_identity identity;
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
#define TARVEXVR_SET_WRITE_RULES 1u  /* refuse_writes, accept_first */
#define TARVEXVR_SET_READ_RULES 2u   /* refuse_reads */
#define TARVEXVR_SET_INFO_REPORT 4u  /* info_report */
#define TARVEXVR_SET_STATE_REPORT 8u /* state_report */

struct tarvexvr_behaviour {
  unsigned int mask;
  struct vr_feature_rules rules; /* what the device does with feature reports */
  /* The pendant's state as an input report, the answer to an input-report
   * request on the pendant's interface (GET_REPORT on the control pipe). */
  unsigned char state_report[TARVEXVR_MAX_REPORT];
  unsigned int state_length;
};

enum tarvexvr_event_kind {
  TARVEXVR_EVENT_OPENED = 1,        /* a program opened the interface `id`
                                       (`accepted` 0: the open was refused) */
  TARVEXVR_EVENT_CLOSED = 2,        /* that open (same `file`) was closed */
  TARVEXVR_EVENT_FEATURE_WRITE = 3, /* a feature report reached the device */
  TARVEXVR_EVENT_FEATURE_READ = 4,  /* a feature report was asked for */
  TARVEXVR_EVENT_LOST = 5           /* `length` events were dropped (queue full) */
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
