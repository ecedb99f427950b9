        .rdata
        .word 99999999999
        .word 4294967295
        .word -2147483649
        .text
