# Count down from 3.
main:   li $4, 3
loop:   subi $4, $4, 1
        bne $4, $0, loop
        halt
