// The title of Tarvex's main window (UTF-8): the dialog template's caption,
// and what other programs (the UI probe, the tests) find the window by.
#pragma once

#define TARVEX_TITLE "NVT MQDZA 测试-V1.32"
