// Numbers of the joiner's resources and controls.
#pragma once

#define IDR_MAINFRAME 128
#define IDR_CLIP_JOIN 132

// The joiner's window: the missing file, or a message.
#define IDD_CONCAT 102
#define IDC_CLIP_FRAME 1000
#define IDC_SEARCH 1001
#define IDC_TEXT 1002

// The hidden window that owns the tray icon while the pieces are joined.
#define IDD_PROGRESS 133

#define ID_HELP_COMMAND 0xE146

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
