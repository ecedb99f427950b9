main:   li $1, 2
        halt
