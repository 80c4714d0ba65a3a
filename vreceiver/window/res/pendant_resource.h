// Resource ids of the virtual pendant's window (vreceiver.exe --window).
// The UI probe drives the window by these ids.
#pragma once

// Window class of the pendant dialog, so that other programs find it.
#define PENDANT_WINDOW_CLASS "TarvexPendant"

#define IDD_PENDANT 200

#define IDC_PENDANT_LCD_LINE1 2001  // the four LCD lines: IDC_PENDANT_LCD_LINE1 + 0..3
#define IDC_PENDANT_LCD_STATUS 2005
#define IDC_PENDANT_WHEEL 2010
#define IDC_PENDANT_WHEEL_TEXT 2011
#define IDC_PENDANT_AXIS 2020
#define IDC_PENDANT_STEP 2021
#define IDC_PENDANT_WHEEL_ENABLE 2022
#define IDC_PENDANT_ESTOP 2023
#define IDC_PENDANT_KEYS_TEXT 2024
#define IDC_PENDANT_PLUGGED 2030
#define IDC_PENDANT_PRODUCT 2031
#define IDC_PENDANT_MODEL_TEXT 2032
#define IDC_PENDANT_DEVICE_ID 2033
#define IDC_PENDANT_CHANNEL 2034
#define IDC_PENDANT_INFO_SET 2035
#define IDC_PENDANT_RSSI 2036
#define IDC_PENDANT_RSSI_TEXT 2037
#define IDC_PENDANT_IDENTITY_TEXT 2038  // release, serial number, manufacturer, product
#define IDC_PENDANT_LOG 2040
#define IDC_PENDANT_PLAY_FILE 2050      // the recording to play
#define IDC_PENDANT_PLAY_BROWSE 2051    // "...": choose it
#define IDC_PENDANT_PLAY_SPEED 2052     // 0.5x .. 10x
#define IDC_PENDANT_PLAY 2053           // play / stop
#define IDC_PENDANT_PLAY_PROGRESS 2054  // how much of the recorded time was played
#define IDC_PENDANT_PLAY_STATUS 2055    // the same in words, or how the play ended
#define IDC_PENDANT_KEY_FIRST 2101      // key code K is button IDC_PENDANT_KEY_FIRST - 1 + K
#define PENDANT_KEY_COUNT 16
