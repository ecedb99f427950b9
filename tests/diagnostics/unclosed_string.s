        .rdata
        .word 1
        .ascii "never closed
        .text
