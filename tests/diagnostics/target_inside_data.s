        .rdata
d:      .word 1
e:      .word 2
f:      .word 3
        .text
        j e
        beq $1, $0, f
