        spawni 4, n
        spawni 4
        halt
