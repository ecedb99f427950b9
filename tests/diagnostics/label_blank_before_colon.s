first:  li $1, 1
second : li $2, 2
        j second
