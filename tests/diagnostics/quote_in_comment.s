        li $1, 1   # say "hi
        li $2, 2   ; comment
        halt
