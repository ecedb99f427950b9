        li $1, 1
        halt halt
after:  j after
