        li $1, 2
        sbi $1, $1, 1
        ADD $1, $2, $3
        halt
