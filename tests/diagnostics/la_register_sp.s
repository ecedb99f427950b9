        la $sp, next
next:   halt
