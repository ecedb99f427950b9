        .rdata
d:      .word 1
        .text
        j d
        halt
