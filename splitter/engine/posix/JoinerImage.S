/* The built joiners, carried as read-only data. The build sets
   LINUX_JOINER_PATH, and WINDOWS_JOINER_PATH unless it leaves the Windows
   joiner out: its two labels then coincide. */
    .section .rodata
    .balign 16
    .globl portelan_linux_joiner_begin
    .globl portelan_linux_joiner_end
    .globl portelan_windows_joiner_begin
    .globl portelan_windows_joiner_end
portelan_linux_joiner_begin:
    .incbin LINUX_JOINER_PATH
portelan_linux_joiner_end:
    .balign 16
portelan_windows_joiner_begin:
#ifdef WINDOWS_JOINER_PATH
    .incbin WINDOWS_JOINER_PATH
#endif
portelan_windows_joiner_end:
    .byte 0
    .section .note.GNU-stack,"",@progbits
