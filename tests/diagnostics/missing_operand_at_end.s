        li $1, 2
        add $1, $2