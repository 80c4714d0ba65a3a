// Resource and control ids of Tarvex.exe (shared by Tarvex.rc and the window logic).
#ifndef TARVEX_RESOURCE_H
#define TARVEX_RESOURCE_H

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_TARVEX_DIALOG 102
#define IDR_MAINFRAME 128

// System-menu command of the About item.
#define IDM_ABOUTBOX 0x0010

#define IDC_WHEEL_BAR 1000
#define IDC_KEY_TEXT 1008
#define IDC_DOWNLOAD 1010
#define IDC_LCD_LINE1 1011
#define IDC_STATUS_TEXT 1012
#define IDC_LCD_LINE2 1013
#define IDC_LCD_LINE3 1014
#define IDC_AXIS_TEXT 1015
#define IDC_STEP_TEXT 1016
#define IDC_WHEEL_TOTAL 1017
#define IDC_LCD_LINE4 1018
#define IDC_DEVICE_INFO 1019
#define IDC_REPAIR 1020
#define IDC_CLEAR 1021
#define IDC_RSSI_THRESHOLD 1023
#define IDC_RSSI_TEXT 1024
#define IDC_RF_LOW_LABEL 1025
#define IDC_RF_OK_LABEL 1026
#define IDC_INFO_CHECK 1027

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
