        halt
        .word 5
        .ascii "Hi"
