main:   li $t0, 0x10
        sbi 1, 2, 3
        j lop
