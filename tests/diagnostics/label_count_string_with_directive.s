        .rdata
        .ascii "see .word below, then the rest"
        .text
main:   j main
