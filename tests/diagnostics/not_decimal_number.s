        li $1, 1x
        add $2a, $1, $1
