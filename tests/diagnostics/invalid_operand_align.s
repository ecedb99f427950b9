        .rdata
        .word 1
        .align 4x
        .text
