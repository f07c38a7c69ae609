#pragma once
// The window messages and the notification-area icon record's codes the
// programs use, spelt to the letter as <windows.h> spells them: the Win32
// runtime includes both, in either order.

#ifndef WM_MOUSEMOVE
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_RBUTTONDOWN 0x0204
#define WM_COPY 0x0301
#endif
#ifndef NIM_ADD
#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004
#endif
