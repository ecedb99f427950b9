        .rdata
value:  .word 7
        li 1, 2
        .text
        halt
