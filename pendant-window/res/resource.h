// Resource ids of the virtual pendant's window (vreceiver.exe --window).
// The UI probe drives the window by these ids.
#pragma once

// Window class of the pendant dialog, so that other programs find it.
#define PENDANT_WINDOW_CLASS "TarvexPendant"

#define IDD_PENDANT 200

#define IDC_LCD_LINE1 2001  // the four LCD lines: IDC_LCD_LINE1 + 0..3
#define IDC_LCD_STATUS 2005
#define IDC_WHEEL 2010
#define IDC_WHEEL_TEXT 2011
#define IDC_AXIS 2020
#define IDC_STEP 2021
#define IDC_WHEEL_ENABLE 2022
#define IDC_ESTOP 2023
#define IDC_KEYS_TEXT 2024
#define IDC_PLUGGED 2030
#define IDC_PRODUCT 2031
#define IDC_MODEL_TEXT 2032
#define IDC_DEVICE_ID 2033
#define IDC_CHANNEL 2034
#define IDC_INFO_SET 2035
#define IDC_RSSI 2036
#define IDC_RSSI_TEXT 2037
#define IDC_LOG 2040
#define IDC_KEY_FIRST 2101  // key code K is button IDC_KEY_FIRST - 1 + K
#define PENDANT_KEY_COUNT 16
