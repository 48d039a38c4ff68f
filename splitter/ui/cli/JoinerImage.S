/* The built joiner, carried as read-only data (JOINER_PATH is set by the build). */
    .section .rodata
    .balign 16
    .globl portelan_joiner_begin
    .globl portelan_joiner_end
portelan_joiner_begin:
    .incbin JOINER_PATH
portelan_joiner_end:
    .byte 0
    .section .note.GNU-stack,"",@progbits
