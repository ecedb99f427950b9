main:   li $1, 2
        sbi $1, 1
        halt
