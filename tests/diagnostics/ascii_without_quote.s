        .rdata
msg:    .ascii Hi"
two:    .ascii  "Hi"
none:   .ascii
        .text
