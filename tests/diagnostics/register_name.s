        li $t0, 1
        add $ra, $sp, $SP
        move $spam, $1
