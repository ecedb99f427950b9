my label: li $1, 1
        j my
