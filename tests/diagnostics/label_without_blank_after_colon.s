loop:add $1, $2, $3
        j loop
