        add $1, $2
        sub $3, $4, $5
        li $1, 1
        lw $8
