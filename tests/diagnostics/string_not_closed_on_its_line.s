        .rdata
msg:    .ascii "Hi
        .text
        halt
        .ascii "oops"
