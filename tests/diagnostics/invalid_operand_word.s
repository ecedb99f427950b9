        .rdata
        .word 0x10
        .word ten
        .word
        .text
