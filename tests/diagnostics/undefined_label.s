main:   li $1, 1
        j lop
        beq $1, $0, Main
        addi $1, $1, -1
        halt
