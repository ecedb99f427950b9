a:      li $1, 1
a:      li $2, 2
        j a
