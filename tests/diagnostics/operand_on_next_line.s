        .rdata
        .word
        5
        .text
        spawni 4
        7
        halt
