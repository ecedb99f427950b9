        .data
        .Word 5
        halt
