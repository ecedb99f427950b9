        .rdata
        .ascii "abcdÿÿÿÿ"
        .text
